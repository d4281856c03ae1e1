#include "brindlewave/widgets/bandnumberdisplay.h"

#include <cstdio>

namespace brindlewave {

UIBandNumberDisplay::UIBandNumberDisplay(rigging::UIContext* context,
                                         rigging::IntegerParameter* numBands,
                                         rigging::Font* font) noexcept
    : UIElement(context, rigging::drawsPBR | rigging::isAnimated),
      numBands_(numBands),
      font_(font) {
    numBands_->addListener(this);
}

UIBandNumberDisplay::~UIBandNumberDisplay() {
    numBands_->removeListener(this);
}

std::array<char, 12> UIBandNumberDisplay::paramString() const noexcept {
    std::array<char, 12> text{};
    std::snprintf(text.data(), text.size(), "%d", numBands_->valueAtomic());
    return text;
}

void UIBandNumberDisplay::onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                                    rigging::ImageRef<rigging::L16>,
                                    rigging::ImageRef<rigging::RGBA>,
                                    std::span<const geom::box2i> dirtyRects) noexcept {
    const std::array<char, 12> text = paramString();
    const float cx = static_cast<float>(position().width() / 2);
    const float cy = static_cast<float>(position().height() / 2);
    // The diffuse alpha is the emission: the digit glows.
    const rigging::RGBA colour{255, 255, 255, 150};
    for (const geom::box2i& r : dirtyRects)
        rigging::fillText(rigging::crop(diffuseMap, r), *font_, text.data(), 20.0f, 0.6f, colour,
                          cx - static_cast<float>(r.min.x), cy - static_cast<float>(r.min.y),
                          rigging::HorizontalAlignment::center, rigging::VerticalAlignment::center);
}

}  // namespace brindlewave
