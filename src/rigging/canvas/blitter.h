#pragma once
// The row sink of the rasterizer.

#include <cstdint>

namespace rigging {

// Called once per pixel row with the row's coverage differences. deltas[x] for x in
// [xl & ~3, (xr + 3) & ~3) hold differences whose running sum is the signed winding coverage
// times 0x8000; bit (x / 4) % 64 of mask[x / 256] is set for every group of 4 columns with a
// non-zero delta. Only columns xl <= x < xr belong to the clip: pixels outside it are never
// read or written. The blitter zeroes the deltas it consumes; the rasterizer clears the mask.
struct Blitter {
    void* userData = nullptr;
    void (*blit)(void* userData, int32_t* deltas, uint64_t* mask, int xl, int xr, int y) = nullptr;
};

}  // namespace rigging
