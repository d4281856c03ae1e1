// Renders the editor off-screen, as its first frame in a host would show it, to a PNG file:
//   brindlewave-snapshot [--background] [--param INDEX=N]... [--workers N] [--ticks N]
//                        [--region X0 Y0 X1 Y1] [--zoom N] OUTPUT.png
// The editor has every parameter at its default unless --param sets its normalized value.
// --background renders the lit background alone (no elements, no colour grade).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "brindlewave/gui.h"
#include "brindlewave/plugin.h"
#include "displays/programme.h"
#include "pngwrite.h"
#include "rigging/gui/offscreen.h"
#include "snapshot/testtree.h"

namespace {

int usage(const char* program, FILE* to = stderr, int status = 2) {
    std::fprintf(to,
                 "usage: %s [--background] [--param INDEX=N]... [--workers N] [--ticks N] [--play] "
                 "[--region X0 Y0 X1 Y1] [--zoom N] OUTPUT.png\n"
                 "  --background  the lit background alone, without elements\n"
                 "  --param       parameter INDEX at normalized value N (0..1)\n"
                 "  --workers N   drawing and compositing threads (default 2)\n"
                 "  --ticks N     timer ticks to run after opening (default 1)\n"
                 "  --play        a moving programme arrives from a stand-in engine while the\n"
                 "                ticks run (60 a second), as in playback\n"
                 "  --region      write only this part of the window (max exclusive)\n"
                 "  --zoom N      enlarge each pixel N times, for a close look\n",
                 program);
    return status;
}

bool parseCount(const char* text, int low, int high, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool background = false, play = false;
    struct Setting {
        int index;
        double normalized;
    };
    std::vector<Setting> settings;
    int workers = 2, ticks = 1, zoom = 1;
    int region[4] = {0, 0, brindlewave::snapshot::kEditorWidth,
                     brindlewave::snapshot::kEditorHeight};
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            return usage(argv[0], stdout, 0);
        } else if (std::strcmp(argv[i], "--background") == 0) {
            background = true;
        } else if (std::strcmp(argv[i], "--param") == 0 && i + 1 < argc) {
            Setting setting{};
            char end = 0;
            if (std::sscanf(argv[++i], "%d=%lf%c", &setting.index, &setting.normalized, &end) !=
                    2 ||
                !(setting.normalized >= 0.0 && setting.normalized <= 1.0))
                return usage(argv[0]);
            settings.push_back(setting);
        } else if (std::strcmp(argv[i], "--play") == 0) {
            play = true;
        } else if (std::strcmp(argv[i], "--workers") == 0 && i + 1 < argc) {
            if (!parseCount(argv[++i], 1, 64, workers)) return usage(argv[0]);
        } else if (std::strcmp(argv[i], "--ticks") == 0 && i + 1 < argc) {
            if (!parseCount(argv[++i], 1, 100000, ticks)) return usage(argv[0]);
        } else if (std::strcmp(argv[i], "--zoom") == 0 && i + 1 < argc) {
            if (!parseCount(argv[++i], 1, 16, zoom)) return usage(argv[0]);
        } else if (std::strcmp(argv[i], "--region") == 0 && i + 4 < argc) {
            for (int k = 0; k < 4; ++k)
                if (!parseCount(argv[++i], 0, 100000, region[k])) return usage(argv[0]);
        } else if (argv[i][0] == '-' || output != nullptr) {
            return usage(argv[0]);
        } else {
            output = argv[i];
        }
    }
    if (output == nullptr) return usage(argv[0]);

    brindlewave::snapshot::TestTree* tree = nullptr;
    brindlewave::BrindlewavePlugin* plugin = nullptr;
    brindlewave::HalyardGUI* editor = nullptr;
    rigging::GUIGraphics* gui;
    if (background) {
        tree = new brindlewave::snapshot::TestTree(false, workers);
        gui = &tree->gui();
    } else {
        plugin = rigging::createClient<brindlewave::BrindlewavePlugin>();
        for (const Setting& s : settings) {
            if (!plugin->isValidParamIndex(s.index)) {
                std::fprintf(stderr, "no parameter %d\n", s.index);
                rigging::destroyFree(plugin);
                return 2;
            }
            plugin->param(s.index)->setFromHost(s.normalized);
        }
        editor = rigging::mallocNew<brindlewave::HalyardGUI>(*plugin, workers);
        gui = editor;
    }
    rigging::OffscreenDriver driver(*gui);
    driver.open();
    if (play && editor != nullptr) {
        const brindlewave::displays::Programme programme;
        double blocks = 0.0;
        int block = 0;
        for (int i = 0; i < ticks; ++i) {
            blocks += brindlewave::displays::kBlocksPerSecond / 60.0;
            while (block < static_cast<int>(blocks)) programme.feedBlock(*editor, block++);
            driver.tick();
        }
    } else {
        for (int i = 0; i < ticks; ++i) driver.tick();
    }

    const rigging::ImageRef<rigging::RGBA> image = driver.image();
    const int x0 = std::min(region[0], image.w), y0 = std::min(region[1], image.h);
    const int x1 = std::min(region[2], image.w), y1 = std::min(region[3], image.h);
    if (x1 <= x0 || y1 <= y0) return usage(argv[0]);
    const int w = (x1 - x0) * zoom, h = (y1 - y0) * zoom;
    std::vector<rigging::RGBA> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels[static_cast<std::size_t>(y) * w + x] = image(x0 + x / zoom, y0 + y / zoom);
    const bool written = pngwrite::writeFile(output, pixels.data(), w, h, 4, w * 4);
    rigging::destroyFree(editor);
    rigging::destroyFree(plugin);
    delete tree;
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", output);
        return 1;
    }
    std::printf("%s\n", output);
    return 0;
}
