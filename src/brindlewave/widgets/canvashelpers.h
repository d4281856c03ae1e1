#pragma once
// Drawing pieces the editor's displays share.

#include <cstdint>
#include <span>

#include "geom/box.h"
#include "geom/vector.h"
#include "rigging/canvas/canvas.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"

namespace brindlewave {

// Fills a band `width` pixels wide centred on the segment a-b, with square ends and no caps,
// as a path of its own in the canvas's current colour. A segment shorter than 0.0001 pixels
// draws nothing.
void fillLine(rigging::Canvas& canvas, geom::vec2f a, geom::vec2f b, float width) noexcept;

// Binds the canvas to `rect` of the element's image, translated so that it draws in element
// coordinates (the rectangle's corner is subtracted).
void bindCanvas(rigging::Canvas& canvas, const rigging::ImageRef<rigging::RGBA>& elementImage,
                const geom::box2i& rect) noexcept;

// Blends the overlay over `rect` of the element's image: each pixel becomes
// blendColor(overlay pixel, pixel, overlay alpha), the overlay pixel taken at the same
// element position. Where clearAlpha is set and the overlay alpha is not 0, the result's alpha
// is 0. Pixels the overlay does not cover are left alone.
void blendOverlay(const rigging::ImageRef<rigging::RGBA>& elementImage, const geom::box2i& rect,
                  const rigging::OwnedImage<rigging::RGBA>* overlay, bool clearAlpha) noexcept;

// Writes `depth` over every rectangle of the element's depth map.
void fillDepth(const rigging::ImageRef<rigging::L16>& depthMap,
               std::span<const geom::box2i> rects, std::uint16_t depth) noexcept;

}  // namespace brindlewave
