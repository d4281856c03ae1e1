#pragma once
// The last step of a redraw: the window buffer is drawn in RGBA and shown in the window's own
// byte order, opaque.

#include "geom/box.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"
#include "rigging/window/window.h"

namespace rigging {

// Rewrites the pixels of `area` (clipped to the image) from R, G, B, A to the format's byte
// order with alpha 255: BGRA8 gives B, G, R, 255; ARGB8 255, R, G, B; RGBA8 R, G, B, 255.
void convertToWindowOrder(ImageRef<RGBA> image, const geom::box2i& area,
                          WindowPixelFormat format) noexcept;

}  // namespace rigging
