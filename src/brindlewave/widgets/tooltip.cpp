#include "brindlewave/widgets/tooltip.h"

#include <cstring>

namespace brindlewave {

UITooltip::UITooltip(rigging::UIContext* context, rigging::Client& client, rigging::Font* font,
                     int width, int height) noexcept
    : UIElement(context, 0), client_(&client), font_(font), width_(width), height_(height) {
    setPosition(geom::box2i(0, 0, width, height));
}

bool UITooltip::sameName(const rigging::Parameter* a, const rigging::Parameter* b) noexcept {
    return a != nullptr && b != nullptr && std::strcmp(a->name(), b->name()) == 0;
}

void UITooltip::BeginDrag(rigging::Parameter* p) noexcept {
    if (dragging_) return;
    current_ = p;
    dragging_ = true;
}

void UITooltip::Show(rigging::Parameter* p, int x, int y) noexcept {
    const geom::box2i box(x, y, x + width_, y + height_);
    if (dragging_) {
        pending_ = true;
        pendingBox_ = box;
        pendingParam_ = p;
        return;
    }
    setPosition(box);
    if (!sameName(p, current_)) current_ = p;
    visible_ = true;
}

void UITooltip::Hide(rigging::Parameter* p) noexcept {
    if (pending_ && sameName(pendingParam_, p)) {
        pending_ = false;
        pendingParam_ = nullptr;
        return;
    }
    if (!dragging_ && sameName(p, current_)) visible_ = false;
}

void UITooltip::EndDrag(rigging::Parameter* p) noexcept {
    if (!dragging_ || !sameName(p, current_)) return;
    dragging_ = false;
    if (pending_) {
        setPosition(pendingBox_);
        current_ = pendingParam_;
        visible_ = true;
        pending_ = false;
        pendingParam_ = nullptr;
    }
}

}  // namespace brindlewave
