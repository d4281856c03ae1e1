#pragma once
// A flat recess carved into the lit layer's depth: every depth pixel under it takes one value.

#include <cstdint>

#include "rigging/gui/element.h"

namespace brindlewave {

class UIDepthBox : public rigging::UIElement {
public:
    explicit UIDepthBox(rigging::UIContext* context, std::uint16_t depth = 0) noexcept
        : UIElement(context, rigging::drawsPBR), depth_(depth) {}

    void setDepth(std::uint16_t depth) noexcept { depth_ = depth; }
    std::uint16_t depth() const noexcept { return depth_; }

    // Colour and material are left as they are.
    void onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                   rigging::ImageRef<rigging::L16> depthMap,
                   rigging::ImageRef<rigging::RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

private:
    std::uint16_t depth_;
};

}  // namespace brindlewave
