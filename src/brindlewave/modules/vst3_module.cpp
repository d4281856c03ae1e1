// The Brindlewave VST3 module's three exports.

#include "brindlewave/plugin.h"
#include "rigging/vst3/vst3main.h"

namespace {

// VST3 hosts embed the editor's window with the XEmbed protocol.
class BrindlewaveVST3 final : public brindlewave::BrindlewavePlugin {
public:
    explicit BrindlewaveVST3(BuildToken token) noexcept
        : BrindlewavePlugin(token, rigging::WindowOptions{.useXEmbed = true}) {}
};

}  // namespace

RIGGING_VST3_ENTRY_POINTS(BrindlewaveVST3)
