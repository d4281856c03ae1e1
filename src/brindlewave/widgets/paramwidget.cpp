#include "brindlewave/widgets/paramwidget.h"

#include <cstdio>

namespace brindlewave {

using rigging::RGBA;

UIParamWidget::UIParamWidget(rigging::UIContext* context, rigging::Client& client,
                             rigging::Font* font, MessageQueue* mailbox) noexcept
    : UIElement(context, rigging::drawsPBR | rigging::isAnimated),
      client_(&client),
      font_(font),
      mailbox_(mailbox) {
    for (rigging::Parameter* p : client_->params()) p->addListener(this);
    sendWelcomeMessage();
}

UIParamWidget::~UIParamWidget() {
    for (rigging::Parameter* p : client_->params()) p->removeListener(this);
}

void UIParamWidget::sendWelcomeMessage() noexcept {
    const rigging::PluginVersion v = client_->getPublicVersion();
    std::snprintf(versionText_, sizeof versionText_, "v%d.%d.%d", v.major, v.minor, v.patch);
    Message m;
    m.sender = this;
    m.kind = "Knob";
    m.name = client_->pluginName();
    m.value = versionText_;
    mailbox_->Append(m);
}

void UIParamWidget::onAnimate(double, double) noexcept {
    const Message m = mailbox_->readMessage();
    if (m.name == shown_.name && m.value == shown_.value) return;
    shown_ = m;
    setDirtyWhole();
}

void UIParamWidget::onParameterChanged(rigging::Parameter* p) noexcept {
    lastChanged_.store(p);
    setDirtyWhole();
}

void UIParamWidget::onDrawPBR(rigging::ImageRef<RGBA> diffuseMap, rigging::ImageRef<rigging::L16>,
                              rigging::ImageRef<RGBA>,
                              std::span<const geom::box2i> dirtyRects) noexcept {
    const RGBA colour{255, 255, 255, 100};  // alpha is the glow of the lit layer
    const float cx = static_cast<float>(position().width() / 2);
    const float cy = static_cast<float>(position().height() / 2);
    for (const geom::box2i& r : dirtyRects) {
        const auto area = rigging::crop(diffuseMap, r);
        const float x = cx - static_cast<float>(r.min.x), y = cy - static_cast<float>(r.min.y);
        rigging::fillText(area, *font_, shown_.name.c_str(), 10.0f, 0.5f, colour, x, y - 6,
                          rigging::HorizontalAlignment::center, rigging::VerticalAlignment::center);
        rigging::fillText(area, *font_, shown_.value.c_str(), 10.0f, 0.5f, colour, x, y + 6,
                          rigging::HorizontalAlignment::center, rigging::VerticalAlignment::center);
    }
}

}  // namespace brindlewave
