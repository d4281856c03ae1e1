#include "brindlewave/widgets/globalknob.h"

#include <cmath>

#include "brindlewave/widgets/knobmessage.h"
#include "rigging/core/vec.h"
#include "rigging/flatwidgets/blendimage.h"

namespace brindlewave {

using rigging::RGBA;

UIGlobalFilmstripKnob::UIGlobalFilmstripKnob(rigging::UIContext* context,
                                             rigging::FloatParameter* global,
                                             rigging::FloatParameter** bandParams,
                                             rigging::BoolParameter** links,
                                             const rigging::OwnedImage<RGBA>* image,
                                             int numFrames, MessageQueue* mailbox,
                                             UITooltip* tooltip) noexcept
    : UIElement(context, rigging::drawsRaw),
      global_(global),
      bandParams_(bandParams),
      links_(links),
      image_(image),
      mailbox_(mailbox),
      tooltip_(tooltip),
      numFrames_(numFrames > 0 ? numFrames : 1),
      frameWidth_(image->width()),
      frameHeight_(image->height() / numFrames_) {
    global_->addListener(this);
}

UIGlobalFilmstripKnob::~UIGlobalFilmstripKnob() {
    global_->removeListener(this);
    rigging::alignedFree(bandParams_, kArrayAlignment);
    rigging::alignedFree(links_, kArrayAlignment);
}

float UIGlobalFilmstripKnob::distance(float x1, float y1, float x2, float y2) const noexcept {
    return std::sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2));
}

void UIGlobalFilmstripKnob::setCurrentImage() noexcept {
    frame_ = rigging::filmstripFrame(global_->getNormalized(), numFrames_);
    frameRect_ = geom::box2i(0, frameHeight_ * frame_, frameWidth_, frameHeight_ * (frame_ + 1));
}

void UIGlobalFilmstripKnob::queueParamValueMessage() noexcept {
    mailbox_->Append(knobMessage(this, *global_));
}

void UIGlobalFilmstripKnob::clearCrosspoints() noexcept {
    lower_ = kNaN;
    upper_ = kNaN;
}

geom::box2i UIGlobalFilmstripKnob::getSubsquare() const noexcept {
    const int w = position().width(), h = position().height();
    if (w <= h) return geom::box2i(0, (h - w) / 2, w, (h - w) / 2 + w);
    return geom::box2i((w - h) / 2, 0, (w - h) / 2 + h, h);
}

void UIGlobalFilmstripKnob::onDrawRaw(rigging::ImageRef<RGBA> rawMap,
                                      std::span<const geom::box2i> dirtyRects) noexcept {
    setCurrentImage();
    if (frameHeight_ <= 0) return;
    rigging::blendImageOver(rawMap, rigging::cropImageRef(rigging::toRef(*image_), frameRect_),
                            dirtyRects);
}

bool UIGlobalFilmstripKnob::onMouseClick(int x, int y, rigging::MouseButton, bool isDoubleClick,
                                         rigging::MouseState mstate) noexcept {
    const geom::box2i s = getSubsquare();
    const float mx = static_cast<float>(s.min.x + s.max.x - 1) * 0.5f;
    const float my = static_cast<float>(s.min.y + s.max.y - 1) * 0.5f;
    if (!(distance(static_cast<float>(x), static_cast<float>(y), mx, my) <
          static_cast<float>(s.width()) * 0.5f))
        return false;
    if (mstate.altPressed || isDoubleClick) {
        for (int i = 0; i < kBands; ++i) {
            if (!links_[i]->value()) continue;
            bandParams_[i]->beginParamEdit();
            bandParams_[i]->setFromGUI(bandParams_[i]->defaultValue());
            bandParams_[i]->endParamEdit();
        }
        global_->beginParamEdit();
        global_->setFromGUI(global_->defaultValue());
        global_->endParamEdit();
    }
    queueParamValueMessage();
    return true;
}

void UIGlobalFilmstripKnob::onBeginDrag() noexcept {
    global_->beginParamEdit();
    for (int i = 0; i < kBands; ++i) bandParams_[i]->beginParamEdit();
    setDirtyWhole();
    tooltip_->BeginDrag(global_);
    tooltip_->Show(global_, position().min.x, position().min.y);
    mailbox_->BeginDrag(this);
}

void UIGlobalFilmstripKnob::onMouseDrag(int, int y, int, int dy,
                                        rigging::MouseState mstate) noexcept {
    if (disabled_) {
        queueParamValueMessage();
        return;
    }
    const double v = global_->getNormalized();
    double n;
    if (mstate.altPressed) {
        n = global_->getNormalizedDefault();
    } else {
        const float f = (mstate.ctrlPressed || mstate.shiftPressed) ? 0.1f : 1.0f;
        const float h = static_cast<float>(position().height());
        n = v - static_cast<double>((static_cast<float>(dy) / h) * f * sensitivity_);
    }
    const float fy = static_cast<float>(y);
    // While the value sits at a limit, movement further past it is ignored until the pointer
    // comes back to where the limit was reached.
    if (fy > lower_ || fy < upper_) return;
    if (v > 0 && n <= 0) lower_ = fy;
    if (v < 1 && n >= 1) upper_ = fy;
    n = rigging::clamp01(n);
    if (n > 0) lower_ = std::numeric_limits<float>::infinity();
    if (n < 1) upper_ = -std::numeric_limits<float>::infinity();
    if (global_->hostSeesChangeNormalized(n)) {
        global_->setFromGUINormalized(n);
        for (int i = 0; i < kBands; ++i)
            if (links_[i]->value()) bandParams_[i]->setFromGUINormalized(n);
    }
    setDirtyWhole();
    queueParamValueMessage();
}

void UIGlobalFilmstripKnob::onStopDrag() noexcept {
    global_->endParamEdit();
    for (int i = 0; i < kBands; ++i) bandParams_[i]->endParamEdit();
    clearCrosspoints();
    setDirtyWhole();
    mailbox_->StopDrag(this);
    tooltip_->Hide(global_);
    tooltip_->EndDrag(global_);
}

void UIGlobalFilmstripKnob::onMouseEnter() noexcept {
    queueParamValueMessage();
    tooltip_->Show(global_, position().min.x, position().min.y);
}

void UIGlobalFilmstripKnob::onMouseExit() noexcept { tooltip_->Hide(global_); }

}  // namespace brindlewave
