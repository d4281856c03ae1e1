#include "brindlewave/widgets/subpanelknoblabel.h"

#include <cstdio>

namespace brindlewave {

UISubPanelKnobLabel::UISubPanelKnobLabel(rigging::UIContext* context, rigging::Font* font,
                                         const char* fullText) noexcept
    : UIElement(context, rigging::drawsPBR | rigging::isAnimated),
      font_(font),
      fullText_(fullText ? fullText : "") {
    std::snprintf(shortText_, sizeof shortText_, "%s", fullText_);
}

void UISubPanelKnobLabel::onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                                    rigging::ImageRef<rigging::L16>,
                                    rigging::ImageRef<rigging::RGBA>,
                                    std::span<const geom::box2i> dirtyRects) noexcept {
    const float cx = static_cast<float>(position().width() / 2);
    const float cy = static_cast<float>(position().height() / 2);
    for (const geom::box2i& r : dirtyRects)
        rigging::fillText(rigging::crop(diffuseMap, r), *font_, shortText_, 10.0f, 1.0f,
                          textColour_, cx - static_cast<float>(r.min.x),
                          cy - static_cast<float>(r.min.y), rigging::HorizontalAlignment::center,
                          rigging::VerticalAlignment::center);
}

}  // namespace brindlewave
