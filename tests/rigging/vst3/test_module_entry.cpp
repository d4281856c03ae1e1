// The test plug-in as a loadable module, to check what the linker exports and how a host
// loads it.

#include "rigging/vst3/vst3main.h"
#include "vst3testclient.h"

RIGGING_VST3_ENTRY_POINTS(vst3test::TestClient)
