// The Brindlewave VST3 module's three exports.

#include "brindlewave/client.h"
#include "rigging/vst3/vst3main.h"

RIGGING_VST3_ENTRY_POINTS(brindlewave::BrindlewaveClient)
