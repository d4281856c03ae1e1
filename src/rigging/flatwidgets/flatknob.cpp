#include "rigging/flatwidgets/flatknob.h"

#include <cmath>

#include "rigging/flatwidgets/blendimage.h"

namespace rigging {

UIFilmstripKnob::UIFilmstripKnob(UIContext* context, FloatParameter* param,
                                 const OwnedImage<RGBA>* filmstrip, int numFrames,
                                 float sensitivity) noexcept
    : UIElement(context, drawsRaw),
      param_(param),
      filmstrip_(filmstrip),
      numFrames_(numFrames > 0 ? numFrames : 1),
      frameWidth_(filmstrip->width()),
      frameHeight_(filmstrip->height() / numFrames_),
      sensitivity_(sensitivity) {
    param_->addListener(this);
}

UIFilmstripKnob::~UIFilmstripKnob() { param_->removeListener(this); }

float UIFilmstripKnob::distance(float x1, float y1, float x2, float y2) const noexcept {
    const float dx = x1 - x2, dy = y1 - y2;
    return std::sqrt(dx * dx + dy * dy);
}

void UIFilmstripKnob::setCurrentImage() noexcept {
    frame_ = filmstripFrame(param_->getNormalized(), numFrames_);
    frameRect_ = geom::box2i(0, frame_ * frameHeight_, frameWidth_, (frame_ + 1) * frameHeight_);
}

void UIFilmstripKnob::onParameterChanged(Parameter*) noexcept { setDirtyWhole(UILayer::rawOnly); }

void UIFilmstripKnob::clearCrosspoints() noexcept {
    upper_ = kInf;
    lower_ = -kInf;
}

geom::box2i UIFilmstripKnob::getSubsquare() const noexcept {
    const int w = position().width(), h = position().height();
    if (w <= h) return geom::box2i(0, (h - w) / 2, w, (h - w) / 2 + w);
    return geom::box2i((w - h) / 2, 0, (w - h) / 2 + h, h);
}

void UIFilmstripKnob::onDrawRaw(ImageRef<RGBA> rawMap,
                                std::span<const geom::box2i> dirtyRects) noexcept {
    setCurrentImage();
    if (frameHeight_ <= 0) return;
    blendImageOver(rawMap, cropImageRef(toRef(*filmstrip_), frameRect_), dirtyRects);
}

bool UIFilmstripKnob::onMouseClick(int x, int y, MouseButton, bool isDoubleClick,
                                   MouseState mstate) noexcept {
    const geom::box2i s = getSubsquare();
    const float cx = static_cast<float>(s.min.x + s.max.x - 1) / 2;
    const float cy = static_cast<float>(s.min.y + s.max.y - 1) / 2;
    if (!(distance(static_cast<float>(x), static_cast<float>(y), cx, cy) <
          static_cast<float>(s.width()) / 2))
        return false;
    if (mstate.altPressed || isDoubleClick) {
        param_->beginParamEdit();
        param_->setFromGUI(param_->defaultValue());
        param_->endParamEdit();
    }
    return true;
}

void UIFilmstripKnob::onBeginDrag() noexcept {
    param_->beginParamEdit();
    setDirtyWhole(UILayer::rawOnly);
}

void UIFilmstripKnob::onStopDrag() noexcept {
    param_->endParamEdit();
    clearCrosspoints();
    setDirtyWhole(UILayer::rawOnly);
}

void UIFilmstripKnob::onMouseDrag(int, int y, int, int dy, MouseState mstate) noexcept {
    if (disabled_) return;
    const float h = static_cast<float>(position().height());
    const float factor = (mstate.ctrlPressed || mstate.shiftPressed) ? 0.1f : 1.0f;
    const double old = param_->getNormalized();
    double value;
    if (mstate.altPressed) {
        value = param_->getNormalizedDefault();
    } else {
        const float delta = (static_cast<float>(dy) / h) * factor * sensitivity_;
        value = old - static_cast<double>(delta);
    }
    const float fy = static_cast<float>(y);
    if (fy > upper_ || fy < lower_) return;
    if (old > 0 && value <= 0) upper_ = fy;
    if (old < 1 && value >= 1) lower_ = fy;
    value = clamp01(value);
    if (value > 0) upper_ = kInf;
    if (value < 1) lower_ = -kInf;
    if (param_->hostSeesChangeNormalized(value)) param_->setFromGUINormalized(value);
    setDirtyWhole(UILayer::rawOnly);
}

}  // namespace rigging
