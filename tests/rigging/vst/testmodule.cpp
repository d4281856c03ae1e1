// The test client as a VST 2.4 module.

#include "rigging/vst/entrypoint.h"
#include "vst2testclient.h"

RIGGING_VST2_ENTRY_POINT(vsttest::TestClient);
