// The Brindlewave VST 2.4 module's entry point.

#include "brindlewave/plugin.h"
#include "rigging/vst/entrypoint.h"

RIGGING_VST2_ENTRY_POINT(brindlewave::BrindlewavePlugin);
