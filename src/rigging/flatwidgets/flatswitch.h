#pragma once
// A two-state switch drawn from two pictures on the raw layer: the on picture while its bool
// parameter is on, the off picture otherwise. A click toggles it; Alt-click sets the default.

#include "rigging/client/boolparameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/gui/element.h"

namespace rigging {

class UIImageSwitch : public UIElement, public IParameterListener {
public:
    // The pictures are borrowed and must outlive the switch.
    UIImageSwitch(UIContext* context, BoolParameter* param, const OwnedImage<RGBA>* onImage,
                  const OwnedImage<RGBA>* offImage) noexcept;
    ~UIImageSwitch() override;

    // Lock-free, so drawing never waits on a host thread.
    virtual bool getState() const noexcept { return param_->valueAtomic(); }
    void onParameterChanged(Parameter*) noexcept override { setDirtyWhole(UILayer::rawOnly); }
    void onBeginParameterEdit(Parameter*) noexcept override {}
    void onEndParameterEdit(Parameter*) noexcept override {}

    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const geom::box2i> dirtyRects) noexcept override;
    bool onMouseClick(int x, int y, MouseButton button, bool isDoubleClick,
                      MouseState mstate) noexcept override;
    void onMouseEnter() noexcept override { setDirtyWhole(UILayer::rawOnly); }
    void onMouseExit() noexcept override { setDirtyWhole(UILayer::rawOnly); }

    BoolParameter* param() const noexcept { return param_; }
    // The on picture's size.
    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }

private:
    BoolParameter* param_;
    const OwnedImage<RGBA>* onImage_;
    const OwnedImage<RGBA>* offImage_;
    int width_;
    int height_;
};

}  // namespace rigging
