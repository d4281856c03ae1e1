#pragma once
// Drives one instance of a module's class with a foreign host's objects (foreign_host.h)
// through every call of the binding that reaches a host object: initialize with the host as
// context, the component handler, set-up (a restart), processing with the host's parameter
// changes and events, state written to and read from the host's stream, and teardown.

#include <string>

#include "foreign_host.h"
#include "rigging/vst3/ipluginbase.h"
#include "rigging/vst3/ivsteditcontroller.h"

namespace vst3host {

// "" when every call answered as a host expects and every reference came back; else what
// did not. The host's parameter changes set `param` to `value`.
std::string driveWithForeignHost(rigging::vst3::IPluginFactory* factory, const char* cid,
                                 const ForeignHostApi& api, rigging::vst3::ParamID param,
                                 double value);

}  // namespace vst3host
