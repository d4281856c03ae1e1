#pragma once
// The bypass button: the oversampling buttons' look over a bool parameter, toggled by a click.

#include "brindlewave/widgets/textbutton.h"
#include "rigging/client/boolparameter.h"

namespace brindlewave {

class UIToggleTextButton : public UIStripTextButton {
public:
    UIToggleTextButton(rigging::UIContext* context, rigging::BoolParameter* param,
                       const rigging::OwnedImage<rigging::RGBA>* strip, rigging::Font* font,
                       MessageQueue* mailbox, const char* text = "Bypass") noexcept;
    ~UIToggleTextButton() override;

    bool isSelected() const noexcept override { return param_->valueAtomic(); }
    bool onMouseClick(int x, int y, rigging::MouseButton button, bool isDoubleClick,
                      rigging::MouseState mstate) noexcept override;
    void onMouseEnter() noexcept override;

private:
    rigging::BoolParameter* param_;
};

}  // namespace brindlewave
