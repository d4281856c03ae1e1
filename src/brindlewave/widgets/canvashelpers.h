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

// The curve displays' colours: a translucent green area with a solid outline on dark grey.
inline constexpr rigging::RGBA kCurveBackground{30, 30, 30, 255};
inline constexpr rigging::RGBA kCurveArea{103, 218, 108, 150};
inline constexpr rigging::RGBA kCurveLine{103, 218, 108, 255};

// Fills a band `width` pixels wide centred on the segment a-b, with square ends and no caps,
// as a path of its own in the canvas's current colour. A segment shorter than 0.0001 pixels
// draws nothing.
void fillLine(rigging::Canvas& canvas, geom::vec2f a, geom::vec2f b, float width) noexcept;

// fillLine along each segment of the polyline through `points`.
void fillPolyline(rigging::Canvas& canvas, std::span<const geom::vec2f> points,
                  float width) noexcept;

// Fills, as one path in the canvas's current colour, the area between the polyline through
// `points` and the row `bottom`: the path runs through the points, straight down from the last
// and back along `bottom` to x = 0. Fewer than one point draws nothing.
void fillAreaUnder(rigging::Canvas& canvas, std::span<const geom::vec2f> points,
                   float bottom) noexcept;

// Binds the canvas to the element's image, in element coordinates, writing only inside
// `rect`: what it draws there is exactly what a draw of the whole element puts there.
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
