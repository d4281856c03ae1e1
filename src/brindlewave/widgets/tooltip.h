#pragma once
// What the knobs and the spectrum display tell about hovering and dragging: which parameter a
// hint would be about and whether a drag holds it. The tooltip is never placed in the element
// tree, so it draws nothing and takes no input; a show that arrives while another control is
// dragged waits until that drag ends. Only the GUI threads use it.

#include "geom/box.h"
#include "rigging/client/client.h"
#include "rigging/client/parameter.h"
#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class UITooltip : public rigging::UIElement {
public:
    UITooltip(rigging::UIContext* context, rigging::Client& client, rigging::Font* font,
              int width = 100, int height = 50) noexcept;

    // Starts a drag of p unless one is under way.
    virtual void BeginDrag(rigging::Parameter* p) noexcept;
    // Ends the drag when p is the parameter shown (by name); a show that waited is applied.
    virtual void EndDrag(rigging::Parameter* p) noexcept;
    // At (x, y) in editor pixels; stored as pending while a drag is under way.
    virtual void Show(rigging::Parameter* p, int x, int y) noexcept;
    // Drops a pending show for p, or else hides the tooltip when p is shown and no drag holds it.
    virtual void Hide(rigging::Parameter* p) noexcept;
    virtual bool IsBeingDragged() const noexcept { return dragging_; }

    rigging::Parameter* currentParameter() const noexcept { return current_; }
    bool isShown() const noexcept { return visible_; }
    bool hasPendingShow() const noexcept { return pending_; }

private:
    static bool sameName(const rigging::Parameter* a, const rigging::Parameter* b) noexcept;

    rigging::Client* client_;
    rigging::Font* font_;
    int width_;
    int height_;
    rigging::Parameter* current_ = nullptr;
    bool dragging_ = false;
    bool visible_ = false;
    bool pending_ = false;
    geom::box2i pendingBox_;
    rigging::Parameter* pendingParam_ = nullptr;
};

}  // namespace brindlewave
