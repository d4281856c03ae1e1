#pragma once
// The "-" and "+" buttons beside the band count: each click removes or adds one band (2 to 4)
// as one edit, and flashes the button for 600 ms. Drawn from the band count strip, no text.

#include "brindlewave/globals.h"
#include "brindlewave/messagequeue.h"
#include "brindlewave/widgets/clickhighlight.h"
#include "rigging/client/integerparameter.h"
#include "rigging/core/sync.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class UIIncrementDecrementButton : public rigging::UIElement, public IMessageSender {
public:
    // decrement: true for "-", false for "+". bandState hears of bands this button adds.
    UIIncrementDecrementButton(rigging::UIContext* context, rigging::IntegerParameter* numBands,
                               const rigging::OwnedImage<rigging::RGBA>* strip,
                               MessageQueue* mailbox, GlobalState* bandState,
                               bool decrement) noexcept;

    void onAnimate(double dt, double time) noexcept override;
    // Within 600 ms of the last click.
    virtual bool isClicked() const noexcept;

    bool onMouseClick(int x, int y, rigging::MouseButton button, bool isDoubleClick,
                      rigging::MouseState mstate) noexcept override;
    void onMouseEnter() noexcept override;
    void onMouseMove(int, int, int, int, rigging::MouseState) noexcept override {}
    void onMouseExit() noexcept override {}

    void onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                   rigging::ImageRef<rigging::L16> depthMap,
                   rigging::ImageRef<rigging::RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

    bool isDecrement() const noexcept { return decrement_; }
    float fadeValue() const noexcept;

private:
    rigging::IntegerParameter* numBands_;
    const rigging::OwnedImage<rigging::RGBA>* strip_;
    MessageQueue* mailbox_;
    GlobalState* bandState_;
    bool decrement_;
    ClickHighlight highlight_;
    // The click (event thread), the tick (timer thread) and the drawing workers share the
    // highlight.
    mutable rigging::UncheckedMutex mutex_;
};

}  // namespace brindlewave
