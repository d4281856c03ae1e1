#pragma once
// The pictures committed in gfx/, decoded once for all tests.

#include <string>
#include <string_view>

#include "plane.h"

namespace gfxtest {

std::string gfxPath(std::string_view name);
// Decoded as RGBA (3-channel files get alpha 255); cached.
const gfxgen::Image8& committed(std::string_view name);

// Height the editor reads from a depth pixel.
int depthAt(const gfxgen::Image8& depth, int x, int y);
float luminance(const uint8_t* p);

}  // namespace gfxtest
