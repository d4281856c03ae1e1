#pragma once
// A band's film-strip knob that also tells the information line and the tooltip what it is
// doing: its name and value while hovered or turned.

#include "brindlewave/messagequeue.h"
#include "rigging/flatwidgets/flatknob.h"

namespace brindlewave {

class UITooltip;

class UIMessageKnob : public rigging::UIFilmstripKnob, public IMessageSender {
public:
    static constexpr float kSensitivity = 0.25f;  // as the global knobs turn

    UIMessageKnob(rigging::UIContext* context, rigging::FloatParameter* param,
                  const rigging::OwnedImage<rigging::RGBA>* filmstrip, int numFrames,
                  MessageQueue* mailbox, UITooltip* tooltip) noexcept;

    virtual void queueParamValueMessage() noexcept;

    // A double click returns the parameter to its default; any click may start a drag.
    bool onMouseClick(int x, int y, rigging::MouseButton button, bool isDoubleClick,
                      rigging::MouseState mstate) noexcept override;
    void onBeginDrag() noexcept override;
    void onMouseDrag(int x, int y, int dx, int dy, rigging::MouseState mstate) noexcept override;
    void onStopDrag() noexcept override;
    void onMouseEnter() noexcept override;
    void onMouseExit() noexcept override;

private:
    MessageQueue* mailbox_;
    UITooltip* tooltip_;
};

}  // namespace brindlewave
