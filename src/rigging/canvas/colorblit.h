#pragma once
// Fills rasterized coverage with one plain colour under the non-zero winding rule.

#include <cstdint>

namespace rigging {

struct ColorBlit {
    uint8_t* pixels = nullptr;  // row 0 of the target, RGBA
    uint64_t pitch = 0;         // bytes from one row to the next
    int height = 0;
    uint32_t color = 0;  // RGBA word, r in bits 0-7
    // Only pixels in [x0, x1) x [y0, y1) are written; coverage is still summed from the
    // clip's left edge, so a window gives exactly the pixels a fill of the whole target gives
    // there.
    int windowX0 = 0, windowY0 = 0, windowX1 = INT32_MAX, windowY1 = INT32_MAX;

    void init(uint8_t* pixels, uint64_t pitch, int height, uint32_t color) noexcept;

    // One row: see Blitter. Pixels left of xl or at or beyond xr, or outside the window, are
    // neither read nor written.
    void colorBlit(int32_t* deltas, uint64_t* mask, int xl, int xr, int y) noexcept;
};

void doBlit_ColorBlit(void* userData, int32_t* deltas, uint64_t* mask, int xl, int xr,
                      int y) noexcept;

// Blend weight in [0, 32767] of a signed winding coverage (0x8000 = covered once) for a colour
// of the given alpha; exposed for tests.
int colorBlitWeight(int32_t coverage, uint32_t alpha) noexcept;

// One channel: d moved towards c by weight / 32768, rounded; exposed for tests.
int colorBlitChannel(int c, int d, int weight) noexcept;

// Weights from which the blend of an opaque colour gives the colour exactly, whatever is below.
inline constexpr int kOpaqueWeight = 32704;

}  // namespace rigging
