#pragma once
// The studio environment that metal surfaces of the editor reflect.

#include "plane.h"

namespace gfxgen {

// A smooth 1000 x 700 environment: warm light above, neutral middle, dark floor, large soft
// boxes near the left and right edges and a cool rim light on the right. 0..255 floats.
RgbPlanes makeSkybox(int w, int h);

Image8 encodeSkybox(const RgbPlanes& sky);  // RGB, 3 channels

}  // namespace gfxgen
