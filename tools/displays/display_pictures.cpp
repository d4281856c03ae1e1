// Review pictures of the editor's displays, drawn in their places over the lit artwork while a
// synthetic programme plays:
//   brindlewave-display-pictures DIR
// writes DIR/editor-displays.png (the whole window), DIR/spectrum.png, DIR/band-displays.png
// (the four bands' meters, envelopes, curves and histories, each band set differently), and
// DIR/band-displays-zoom.png (band 2 enlarged four times).

#include <cstdio>
#include <string>
#include <vector>

#include "brindlewave/paramids.h"
#include "displays/displayrig.h"
#include "pngwrite.h"
#include "rigging/gui/offscreen.h"

namespace {

using brindlewave::displays::DisplayRig;
namespace param = brindlewave::param;

bool writeRegion(const rigging::ImageRef<rigging::RGBA>& image, int x0, int y0, int x1, int y1,
                 int zoom, const std::string& path) {
    const int w = (x1 - x0) * zoom, h = (y1 - y0) * zoom;
    std::vector<rigging::RGBA> out(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            rigging::RGBA p = image(x0 + x / zoom, y0 + y / zoom);
            p.a = 255;
            out[static_cast<std::size_t>(y) * w + x] = p;
        }
    const bool ok = pngwrite::writeFile(path, out.data(), w, h, 4, w * 4);
    if (!ok) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return ok;
}

void set(DisplayRig& rig, int index, double value) {
    auto* p = static_cast<rigging::FloatParameter*>(rig.client().param(index));
    p->setFromHost(p->toNormalized(value));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    DisplayRig rig;
    // Band 1 as it comes; the others quicker, slower and gentler.
    set(rig, param::attack(1), 4.0);
    set(rig, param::release(1), 40.0);
    set(rig, param::threshold(1), -30.0);
    set(rig, param::ratio(1), 2.0);
    set(rig, param::attack(2), 80.0);
    set(rig, param::release(2), 600.0);
    set(rig, param::threshold(2), -45.0);
    set(rig, param::ratio(2), 8.0);
    set(rig, param::threshold(3), -20.0);
    set(rig, param::ratio(3), 1.5);

    rigging::OffscreenDriver driver(rig.gui());
    driver.open();
    // About seven seconds of programme at the engine's pace, the timer ticking at 60 Hz,
    // ending where most bands are being compressed.
    double blocks = 0.0;
    int block = 0;
    for (int tick = 0; tick < 430; ++tick) {
        blocks += brindlewave::displays::kBlocksPerSecond / 60.0;
        while (block < static_cast<int>(blocks)) rig.feedBlock(block++);
        driver.tick();
    }
    // Hovering the first handle, as a user about to drag it.
    driver.move(250, 162);
    driver.tick();

    const auto image = driver.image();
    bool ok = writeRegion(image, 0, 0, 1000, 700, 1, dir + "/editor-displays.png");
    ok = writeRegion(image, 0, 60, 1000, 264, 1, dir + "/spectrum.png") && ok;
    ok = writeRegion(image, 0, 265, 1000, 545, 1, dir + "/band-displays.png") && ok;
    ok = writeRegion(image, 580, 270, 715, 545, 4, dir + "/band-displays-zoom.png") && ok;
    return ok ? 0 : 1;
}
