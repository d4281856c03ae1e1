#include "brindlewave/widgets/toggletextbutton.h"

#include "brindlewave/widgets/knobmessage.h"

namespace brindlewave {

UIToggleTextButton::UIToggleTextButton(rigging::UIContext* context, rigging::BoolParameter* param,
                                       const rigging::OwnedImage<rigging::RGBA>* strip,
                                       rigging::Font* font, MessageQueue* mailbox,
                                       const char* text) noexcept
    : UIStripTextButton(context, strip, font, mailbox, text), param_(param) {
    param_->addListener(this);
}

UIToggleTextButton::~UIToggleTextButton() { param_->removeListener(this); }

bool UIToggleTextButton::onMouseClick(int, int, rigging::MouseButton, bool,
                                      rigging::MouseState) noexcept {
    restartClickTime();
    param_->beginParamEdit();
    param_->setFromGUI(!param_->value());
    param_->endParamEdit();
    return true;
}

void UIToggleTextButton::onMouseEnter() noexcept {
    mailbox()->Append(makeMessage(this, "Bypass", "Bypass", "Bypass"));
}

}  // namespace brindlewave
