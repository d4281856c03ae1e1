#pragma once
// Dims what lies under it on the raw layer: a colour blended over every pixel by its alpha.

#include "rigging/gui/element.h"

namespace brindlewave {

class UIBoxOverlay : public rigging::UIElement {
public:
    explicit UIBoxOverlay(rigging::UIContext* context,
                          rigging::RGBA colour = rigging::RGBA{0, 0, 0, 100}) noexcept
        : UIElement(context, rigging::drawsRaw | rigging::isAnimated), colour_(colour) {}

    void setColour(rigging::RGBA colour) noexcept { colour_ = colour; }
    rigging::RGBA colour() const noexcept { return colour_; }

    void onDrawRaw(rigging::ImageRef<rigging::RGBA> rawMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;
    void onAnimate(double, double) noexcept override {}

private:
    rigging::RGBA colour_;
};

}  // namespace brindlewave
