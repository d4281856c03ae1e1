#include "brindlewave/widgets/incrementdecrementbutton.h"

#include "brindlewave/editorlayout.h"
#include "brindlewave/widgets/buttonstrip.h"
#include "brindlewave/widgets/knobmessage.h"

namespace brindlewave {

UIIncrementDecrementButton::UIIncrementDecrementButton(
    rigging::UIContext* context, rigging::IntegerParameter* numBands,
    const rigging::OwnedImage<rigging::RGBA>* strip, MessageQueue* mailbox, GlobalState* bandState,
    bool decrement) noexcept
    : UIElement(context, rigging::drawsPBR | rigging::isAnimated),
      numBands_(numBands),
      strip_(strip),
      mailbox_(mailbox),
      bandState_(bandState),
      decrement_(decrement),
      mutex_(rigging::makeMutex()) {}

bool UIIncrementDecrementButton::isClicked() const noexcept {
    rigging::MutexLock lock(mutex_);
    return highlight_.isClicked();
}

float UIIncrementDecrementButton::fadeValue() const noexcept {
    rigging::MutexLock lock(mutex_);
    return highlight_.fadeValue();
}

void UIIncrementDecrementButton::onAnimate(double dt, double) noexcept {
    bool moved;
    {
        rigging::MutexLock lock(mutex_);
        highlight_.tick(dt);
        moved = highlight_.fadeToward(isClicked() ? 1.0f : 0.0f, dt);
    }
    if (moved) setDirtyWhole();
}

bool UIIncrementDecrementButton::onMouseClick(int, int, rigging::MouseButton, bool,
                                              rigging::MouseState) noexcept {
    {
        rigging::MutexLock lock(mutex_);
        highlight_.restart();
    }
    // The parameter keeps the count within 2..4, so at either end this is an edit that
    // changes nothing.
    const int value = numBands_->value();
    numBands_->beginParamEdit();
    // Only a band this button really adds makes the band row clear room for it; a count
    // raised by the host keeps the crossovers it came with.
    if (!decrement_ && value < numBands_->maxValue()) bandState_->setBandAddedByEditor();
    numBands_->setFromGUI(decrement_ ? value - 1 : value + 1);
    numBands_->endParamEdit();
    return true;
}

void UIIncrementDecrementButton::onMouseEnter() noexcept {
    mailbox_->Append(decrement_ ? makeMessage(this, "IncrementDecrementButton", "Remove Band", "-")
                                : makeMessage(this, "IncrementDecrementButton", "Add Band", "+"));
}

void UIIncrementDecrementButton::onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                                           rigging::ImageRef<rigging::L16> depthMap,
                                           rigging::ImageRef<rigging::RGBA> materialMap,
                                           std::span<const geom::box2i> dirtyRects) noexcept {
    // The flash is the emission written with the base colour: 100 right after a click.
    const auto emission = static_cast<std::uint8_t>(fadeValue() * 100.0f + 0.5f);
    drawButtonStrip(diffuseMap, depthMap, materialMap, *strip_, layout::kBandCountFrame,
                    layout::kBandCountFrame, false, emission, dirtyRects);
}

}  // namespace brindlewave
