#include "rigging/flatwidgets/flatswitch.h"

#include "rigging/flatwidgets/blendimage.h"

namespace rigging {

UIImageSwitch::UIImageSwitch(UIContext* context, BoolParameter* param,
                             const OwnedImage<RGBA>* onImage,
                             const OwnedImage<RGBA>* offImage) noexcept
    : UIElement(context, drawsRaw),
      param_(param),
      onImage_(onImage),
      offImage_(offImage),
      width_(onImage->width()),
      height_(onImage->height()) {
    param_->addListener(this);
}

UIImageSwitch::~UIImageSwitch() { param_->removeListener(this); }

void UIImageSwitch::onDrawRaw(ImageRef<RGBA> rawMap,
                              std::span<const geom::box2i> dirtyRects) noexcept {
    blendImageOver(rawMap, toRef(getState() ? *onImage_ : *offImage_), dirtyRects);
}

bool UIImageSwitch::onMouseClick(int, int, MouseButton, bool, MouseState mstate) noexcept {
    param_->beginParamEdit();
    param_->setFromGUI(mstate.altPressed ? param_->defaultValue() : !param_->value());
    param_->endParamEdit();
    return true;
}

}  // namespace rigging
