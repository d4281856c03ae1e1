#pragma once
// The information line: two lines of glowing text under the band panels naming the control
// last touched and its value. It shows one message of the mailbox per animation tick and
// redraws only when the text changes. It starts with the product name and version.

#include <atomic>

#include "brindlewave/messagequeue.h"
#include "rigging/client/client.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class UIParamWidget : public rigging::UIElement,
                      public rigging::IParameterListener,
                      public IMessageSender {
public:
    // Listens to every parameter of the client, then posts the welcome message.
    UIParamWidget(rigging::UIContext* context, rigging::Client& client, rigging::Font* font,
                  MessageQueue* mailbox) noexcept;
    ~UIParamWidget() override;

    // "Brindlewave" / "v1.1.2", from the client's version.
    virtual void sendWelcomeMessage() noexcept;

    void onAnimate(double dt, double time) noexcept override;
    void onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                   rigging::ImageRef<rigging::L16> depthMap,
                   rigging::ImageRef<rigging::RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

    // Any thread: only stores the parameter and marks the line dirty.
    void onParameterChanged(rigging::Parameter* p) noexcept override;
    void onBeginParameterEdit(rigging::Parameter*) noexcept override {}
    void onEndParameterEdit(rigging::Parameter*) noexcept override {}

    const Message& shownMessage() const noexcept { return shown_; }
    rigging::Parameter* lastChangedParameter() const noexcept { return lastChanged_.load(); }

private:
    rigging::Client* client_;
    std::atomic<rigging::Parameter*> lastChanged_{nullptr};
    rigging::Font* font_;
    MessageQueue* mailbox_;
    Message shown_;
    char versionText_[25] = {};
};

}  // namespace brindlewave
