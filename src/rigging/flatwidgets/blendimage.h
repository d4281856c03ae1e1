#pragma once
// Blending a picture over a layer by the picture's own alpha, as the bitmap widgets draw.

#include <span>

#include "geom/box.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"

namespace rigging {

// The picture's pixel (0, 0) lies on the target's (0, 0). Inside each rectangle (target
// coordinates), every pixel that both the picture and the target have becomes blendColor of
// the picture's pixel over it, weighted by the picture's alpha; the rest is left alone, so an
// element larger than its picture, or an empty picture, reads nothing out of bounds.
void blendImageOver(const ImageRef<RGBA>& target, const ImageRef<RGBA>& picture,
                    std::span<const geom::box2i> rects) noexcept;

// The frame'th of `frames` equal frames stacked vertically in a strip: a frame index from a
// normalized value, nearest with halves away from zero, NaN as 0, within [0, frames - 1].
int filmstripFrame(double normalized, int frames) noexcept;

}  // namespace rigging
