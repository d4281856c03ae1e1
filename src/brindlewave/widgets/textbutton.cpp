#include "brindlewave/widgets/textbutton.h"

#include "brindlewave/widgets/buttonstrip.h"
#include "brindlewave/widgets/knobmessage.h"

namespace brindlewave {

using rigging::RGBA;

UIStripTextButton::UIStripTextButton(rigging::UIContext* context,
                                     const rigging::OwnedImage<RGBA>* strip, rigging::Font* font,
                                     MessageQueue* mailbox, const char* text) noexcept
    : UIElement(context, rigging::drawsPBR | rigging::isAnimated),
      strip_(strip),
      mailbox_(mailbox),
      font_(font),
      text_(text) {}

void UIStripTextButton::onAnimate(double dt, double) noexcept {
    highlight_.tick(dt);
    if (highlight_.fadeToward(isClicked() ? 1.0f : 0.0f, dt)) setDirtyWhole();
}

void UIStripTextButton::onDrawPBR(rigging::ImageRef<RGBA> diffuseMap,
                                  rigging::ImageRef<rigging::L16> depthMap,
                                  rigging::ImageRef<RGBA> materialMap,
                                  std::span<const geom::box2i> dirtyRects) noexcept {
    const bool selected = isSelected();
    // A selected button glows at 200. The click flash lights the band count buttons only.
    const std::uint8_t emission = selected ? 200 : 0;
    drawButtonStrip(diffuseMap, depthMap, materialMap, *strip_, kFrameWidth, kFrameHeight, selected,
                    emission, dirtyRects);
    const RGBA colour{textColour_.r, textColour_.g, textColour_.b,
                      selected ? std::uint8_t{200} : textColour_.a};
    const float cx = static_cast<float>(position().width() / 2);
    const float cy = static_cast<float>(position().height() / 2);
    for (const geom::box2i& r : dirtyRects)
        rigging::fillText(rigging::crop(diffuseMap, r), *font_, text_, 10.0f, 1.0f, colour,
                          cx - static_cast<float>(r.min.x), cy - static_cast<float>(r.min.y),
                          rigging::HorizontalAlignment::center, rigging::VerticalAlignment::center);
}

UITextButton::UITextButton(rigging::UIContext* context, rigging::IntegerParameter* param,
                           const rigging::OwnedImage<RGBA>* strip, rigging::Font* font,
                           MessageQueue* mailbox, int ownValue, const char* text) noexcept
    : UIStripTextButton(context, strip, font, mailbox, text), param_(param), ownValue_(ownValue) {
    param_->addListener(this);
}

UITextButton::~UITextButton() { param_->removeListener(this); }

bool UITextButton::onMouseClick(int, int, rigging::MouseButton, bool,
                                rigging::MouseState) noexcept {
    restartClickTime();
    param_->beginParamEdit();
    param_->setFromGUI(ownValue_);
    param_->endParamEdit();
    return true;
}

void UITextButton::onMouseEnter() noexcept {
    mailbox()->Append(makeMessage(this, "OversampleButton", "Oversample", text()));
}

}  // namespace brindlewave
