#pragma once
// The four align buttons: a click re-spaces every crossover at once (Left, Right, Even or
// Outer), each as one edit, and tells the band panels and meters to follow.

#include "brindlewave/globals.h"
#include "brindlewave/messagequeue.h"
#include "brindlewave/widgets/clickhighlight.h"
#include "rigging/client/client.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class UIAlignButton : public rigging::UIElement, public IMessageSender {
public:
    enum Mode : int { left = 0, right = 1, even = 2, outer = 3 };

    UIAlignButton(rigging::UIContext* context, rigging::Client& client,
                  const rigging::OwnedImage<rigging::RGBA>* strip, MessageQueue* mailbox,
                  GlobalState* bandState, int mode) noexcept;

    void onAnimate(double dt, double time) noexcept override;
    // Within 600 ms of the last click.
    virtual bool isClicked() const noexcept { return highlight_.isClicked(); }

    bool onMouseClick(int x, int y, rigging::MouseButton button, bool isDoubleClick,
                      rigging::MouseState mstate) noexcept override;
    void onMouseEnter() noexcept override;
    void onMouseMove(int, int, int, int, rigging::MouseState) noexcept override {}
    void onMouseExit() noexcept override {}

    void onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                   rigging::ImageRef<rigging::L16> depthMap,
                   rigging::ImageRef<rigging::RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

    int mode() const noexcept { return mode_; }
    float fadeValue() const noexcept { return highlight_.fadeValue(); }

    // Where crossover i (0-based) of `bands` bands goes, in pixels of the 1000-pixel axis,
    // given the frequency of crossover i - 1 (20 Hz for the first) and its own.
    static double alignedX(int mode, int bands, int i, double previousHz, double ownHz) noexcept;

private:
    rigging::Client* client_;
    const rigging::OwnedImage<rigging::RGBA>* strip_;
    MessageQueue* mailbox_;
    GlobalState* bandState_;
    int mode_;
    ClickHighlight highlight_;
};

}  // namespace brindlewave
