#pragma once
// The two-letter label beside a knob ("Th" for Threshold), painted faintly on the lit layer.

#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class UISubPanelKnobLabel : public rigging::UIElement {
public:
    // The full text is borrowed; the short text is its first two characters.
    UISubPanelKnobLabel(rigging::UIContext* context, rigging::Font* font,
                        const char* fullText) noexcept;

    void onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                   rigging::ImageRef<rigging::L16> depthMap,
                   rigging::ImageRef<rigging::RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;
    void onAnimate(double, double) noexcept override {}

    const char* fullText() const noexcept { return fullText_; }
    const char* shortText() const noexcept { return shortText_; }

private:
    rigging::Font* font_;
    rigging::RGBA textColour_{220, 220, 220, 25};
    const char* fullText_;
    char shortText_[3] = {};
};

}  // namespace brindlewave
