#pragma once
// The oversampling buttons: four radio-style buttons, each selecting one value of the
// oversampling parameter, drawn on the lit layers from a four-frame strip with their text.
// A selected button sinks and glows; a click flashes it for 600 ms.

#include <cstdint>

#include "brindlewave/messagequeue.h"
#include "brindlewave/widgets/clickhighlight.h"
#include "rigging/client/integerparameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace brindlewave {

// What the oversampling and bypass buttons share: the strip, the text and the click flash.
class UIStripTextButton : public rigging::UIElement,
                          public rigging::IParameterListener,
                          public IMessageSender {
public:
    static constexpr double kClickMs = ClickHighlight::kClickMs;
    static constexpr float kFadeRate = ClickHighlight::kFadeRate;
    static constexpr int kFrameWidth = 50, kFrameHeight = 20;

    UIStripTextButton(rigging::UIContext* context, const rigging::OwnedImage<rigging::RGBA>* strip,
                      rigging::Font* font, MessageQueue* mailbox, const char* text) noexcept;

    void onAnimate(double dt, double time) noexcept override;
    // Within 600 ms of the last click.
    virtual bool isClicked() const noexcept { return highlight_.isClicked(); }
    virtual bool isSelected() const noexcept = 0;

    void onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                   rigging::ImageRef<rigging::L16> depthMap,
                   rigging::ImageRef<rigging::RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

    void onParameterChanged(rigging::Parameter*) noexcept override { setDirtyWhole(); }
    void onBeginParameterEdit(rigging::Parameter*) noexcept override {}
    void onEndParameterEdit(rigging::Parameter*) noexcept override {}

    const char* text() const noexcept { return text_; }
    float fadeValue() const noexcept { return highlight_.fadeValue(); }

protected:
    void restartClickTime() noexcept { highlight_.restart(); }
    MessageQueue* mailbox() const noexcept { return mailbox_; }

private:
    const rigging::OwnedImage<rigging::RGBA>* strip_;
    ClickHighlight highlight_;
    MessageQueue* mailbox_;
    rigging::RGBA textColour_{220, 220, 220, 25};
    rigging::Font* font_;
    const char* text_;
};

class UITextButton : public UIStripTextButton {
public:
    // Selects ownValue of param; listens to param.
    UITextButton(rigging::UIContext* context, rigging::IntegerParameter* param,
                 const rigging::OwnedImage<rigging::RGBA>* strip, rigging::Font* font,
                 MessageQueue* mailbox, int ownValue, const char* text) noexcept;
    ~UITextButton() override;

    bool isSelected() const noexcept override { return param_->valueAtomic() == ownValue_; }
    bool onMouseClick(int x, int y, rigging::MouseButton button, bool isDoubleClick,
                      rigging::MouseState mstate) noexcept override;
    void onMouseEnter() noexcept override;

    int ownValue() const noexcept { return ownValue_; }

private:
    rigging::IntegerParameter* param_;
    int ownValue_;
};

}  // namespace brindlewave
