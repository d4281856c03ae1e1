#pragma once
// The three PBR layer pyramids of a window (diffuse with emission in alpha, depth, material):
// how the redraw pipeline sizes them and brings their coarser levels up to date after
// elements have drawn into level 0.

#include <span>

#include "geom/box.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/mipmap.h"

namespace rigging {

// Diffuse levels 0-5; depth levels 0-4, level 0 with a one-pixel ring and two trailing
// samples for the 3 x 3 neighbourhood reads; material level 0 only. Contents are undefined.
void sizePBRMaps(Mipmap<RGBA>& diffuse, Mipmap<L16>& depth, Mipmap<RGBA>& material, int width,
                 int height) noexcept;

// After drawing into level 0 under the dirty rectangles: diffuse levels from level 1 hold
// colour weighted by emission (the glow); the depth ring next to the rectangles is replicated
// and its levels averaged (box, then cubic from level 3). The work vectors are scratch kept by
// the caller so that nothing is allocated once they have grown.
void regeneratePBRMaps(Mipmap<RGBA>& diffuse, Mipmap<L16>& depth,
                       std::span<const geom::box2i> dirty, Vec<geom::box2i>& diffuseWork,
                       Vec<geom::box2i>& depthWork) noexcept;

}  // namespace rigging
