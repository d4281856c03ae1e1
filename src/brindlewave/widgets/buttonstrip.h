#pragma once
// Drawing of the editor's buttons from a strip of four frames side by side: frame 1 is the
// base colour (blended by its alpha), frame 2 the height as grey, frame 3 the material; frame
// 4 is spare. A selected button sinks to depth 0.

#include <cstdint>
#include <span>

#include "geom/box.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"

namespace brindlewave {

// The 16-bit height of a grey depth-frame pixel: (r + g + b) * 257 / 3, rounded.
inline std::uint16_t stripDepth(rigging::RGBA p) noexcept {
    return static_cast<std::uint16_t>(static_cast<float>((p.r + p.g + p.b) * 257) / 3.0f + 0.5f);
}

// Draws the frames of `strip` (frames frameWidth x frameHeight) into the three maps inside
// each rectangle, only where the frame has pixels. `emission` is the diffuse alpha written
// with the base colour.
void drawButtonStrip(const rigging::ImageRef<rigging::RGBA>& diffuse,
                     const rigging::ImageRef<rigging::L16>& depth,
                     const rigging::ImageRef<rigging::RGBA>& material,
                     const rigging::OwnedImage<rigging::RGBA>& strip, int frameWidth,
                     int frameHeight, bool selected, std::uint8_t emission,
                     std::span<const geom::box2i> rects) noexcept;

}  // namespace brindlewave
