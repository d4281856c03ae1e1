#include "editorreference.h"

#include "brindlewave/gui.h"
#include "brindlewave/plugin.h"
#include "rigging/gui/offscreen.h"

namespace editorreference {

std::vector<std::uint32_t> renderDefaultEditor(int ticks) {
    auto* plugin = rigging::createClient<brindlewave::BrindlewavePlugin>();
    auto* editor = rigging::mallocNew<brindlewave::HalyardGUI>(*plugin);
    std::vector<std::uint32_t> out;
    {
        rigging::OffscreenDriver driver(*editor);
        driver.open();
        for (int i = 0; i < ticks; ++i) driver.tick();
        const auto image = driver.image();
        out.resize(static_cast<std::size_t>(image.w) * static_cast<std::size_t>(image.h));
        for (int y = 0; y < image.h; ++y)
            for (int x = 0; x < image.w; ++x) {
                const rigging::RGBA p = image(x, y);
                out[static_cast<std::size_t>(y) * image.w + x] =
                    (std::uint32_t{p.r} << 16) | (std::uint32_t{p.g} << 8) | p.b;
            }
    }
    rigging::destroyFree(editor);
    rigging::destroyFree(plugin);
    return out;
}

}  // namespace editorreference
