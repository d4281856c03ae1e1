#pragma once
// A plain RGBA pixel buffer for drawing tests, with views of all or part of it.

#include <cstdint>
#include <vector>

#include "rigging/graphics/image.h"

namespace testpix {

using rigging::ImageRef;
using rigging::RGBA;

struct Pixels {
    int w, h;
    std::vector<RGBA> data;

    Pixels(int width, int height, RGBA fill = {0, 0, 0, 255})
        : w(width), h(height), data(static_cast<std::size_t>(width) * height, fill) {}

    ImageRef<RGBA> ref() { return view(0, 0, w, h); }
    ImageRef<RGBA> view(int x, int y, int vw, int vh) {
        ImageRef<RGBA> r;
        r.w = vw;
        r.h = vh;
        r.pitch = static_cast<std::size_t>(w) * sizeof(RGBA);
        r.pixels = data.data() + static_cast<std::size_t>(y) * w + x;
        return r;
    }
    RGBA& at(int x, int y) { return data[static_cast<std::size_t>(y) * w + x]; }
    int red(int x, int y) { return at(x, y).r; }
};

inline constexpr RGBA kWhite{255, 255, 255, 255};
inline constexpr RGBA kBlack{0, 0, 0, 255};

}  // namespace testpix
