#include "brindlewave/widgets/messageknob.h"

#include "brindlewave/widgets/knobmessage.h"
#include "brindlewave/widgets/tooltip.h"

namespace brindlewave {

UIMessageKnob::UIMessageKnob(rigging::UIContext* context, rigging::FloatParameter* param,
                             const rigging::OwnedImage<rigging::RGBA>* filmstrip, int numFrames,
                             MessageQueue* mailbox, UITooltip* tooltip) noexcept
    : UIFilmstripKnob(context, param, filmstrip, numFrames, kSensitivity),
      mailbox_(mailbox),
      tooltip_(tooltip) {}

void UIMessageKnob::queueParamValueMessage() noexcept {
    mailbox_->Append(knobMessage(this, *param()));
}

bool UIMessageKnob::onMouseClick(int, int, rigging::MouseButton, bool isDoubleClick,
                                 rigging::MouseState) noexcept {
    if (isDoubleClick) {
        param()->beginParamEdit();
        param()->setFromGUI(param()->defaultValue());
        param()->endParamEdit();
    }
    queueParamValueMessage();
    return true;
}

void UIMessageKnob::onBeginDrag() noexcept {
    mailbox_->BeginDrag(this);
    tooltip_->BeginDrag(param());
    tooltip_->Show(param(), position().min.x, position().min.y);
    UIFilmstripKnob::onBeginDrag();
}

void UIMessageKnob::onMouseDrag(int x, int y, int dx, int dy, rigging::MouseState mstate) noexcept {
    UIFilmstripKnob::onMouseDrag(x, y, dx, dy, mstate);
    queueParamValueMessage();
}

void UIMessageKnob::onStopDrag() noexcept {
    mailbox_->StopDrag(this);
    tooltip_->Hide(param());
    tooltip_->EndDrag(param());
    UIFilmstripKnob::onStopDrag();
}

void UIMessageKnob::onMouseEnter() noexcept {
    queueParamValueMessage();
    tooltip_->Show(param(), position().min.x, position().min.y);
    UIFilmstripKnob::onMouseEnter();
}

void UIMessageKnob::onMouseExit() noexcept {
    tooltip_->Hide(param());
    UIFilmstripKnob::onMouseExit();
}

}  // namespace brindlewave
