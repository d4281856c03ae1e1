#include "brindlewave/widgets/alignbutton.h"

#include <algorithm>
#include <cmath>

#include "brindlewave/editorlayout.h"
#include "brindlewave/paramids.h"
#include "brindlewave/scales.h"
#include "brindlewave/widgets/buttonstrip.h"
#include "brindlewave/widgets/knobmessage.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"

namespace brindlewave {

namespace {

constexpr const char* kModeNames[4] = {"Left", "Right", "Even", "Outer"};

// A frequency's place on the 1000-pixel axis, not rounded to a pixel, so that re-spacing
// from a crossover just placed does not drift by rounding.
double exactX(double hz) noexcept {
    return 1000.0 * exactFrequencyFraction(hz);
}

}  // namespace

UIAlignButton::UIAlignButton(rigging::UIContext* context, rigging::Client& client,
                             const rigging::OwnedImage<rigging::RGBA>* strip, MessageQueue* mailbox,
                             GlobalState* bandState, int mode) noexcept
    : UIElement(context, rigging::drawsPBR | rigging::isAnimated),
      client_(&client),
      strip_(strip),
      mailbox_(mailbox),
      bandState_(bandState),
      mode_(mode) {}

double UIAlignButton::alignedX(int mode, int bands, int i, double previousHz,
                               double ownHz) noexcept {
    if (mode == outer) mode = i < bands / 2 ? left : right;
    switch (mode) {
        case left:
            return exactX(previousHz) + 100.0;
        case right:
            return 1249.0 - 250.0 * bands + 250.0 * i;
        case even:
            return exactX(previousHz) + static_cast<double>(1000 / bands);
        default:
            return exactX(ownHz);
    }
}

void UIAlignButton::onAnimate(double dt, double) noexcept {
    highlight_.tick(dt);
    if (highlight_.fadeToward(isClicked() ? 1.0f : 0.0f, dt)) setDirtyWhole();
}

bool UIAlignButton::onMouseClick(int, int, rigging::MouseButton, bool,
                                 rigging::MouseState) noexcept {
    highlight_.restart();
    const int bands =
        static_cast<rigging::IntegerParameter*>(client_->param(param::numberOfBands))->value();
    // Every crossover up to the band count, the last one lying beyond the active bands, each
    // from the one just placed before it.
    double previous = 20.0;
    for (int i = 0; i < bands; ++i) {
        auto* crossover =
            static_cast<rigging::FloatParameter*>(client_->param(param::crossover(i)));
        const double x = alignedX(mode_, bands, i, previous, crossover->value());
        crossover->beginParamEdit();
        crossover->setFromGUI(xToFrequency(x));
        crossover->endParamEdit();
        previous = crossover->value();
        bandState_->beginPanelMove(i);
        bandState_->flagMeterToUpdate(i, true);
    }
    return true;
}

void UIAlignButton::onMouseEnter() noexcept {
    const char* value = mode_ >= 0 && mode_ < 4 ? kModeNames[mode_] : "";
    mailbox_->Append(makeMessage(this, "AlignButton", "Align Bands", value));
}

void UIAlignButton::onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                              rigging::ImageRef<rigging::L16> depthMap,
                              rigging::ImageRef<rigging::RGBA> materialMap,
                              std::span<const geom::box2i> dirtyRects) noexcept {
    // The flash shows on the band count buttons only; these stay unlit.
    drawButtonStrip(diffuseMap, depthMap, materialMap, *strip_, layout::kAlignFrameWidth,
                    layout::kAlignFrameHeight, false, 0, dirtyRects);
}

}  // namespace brindlewave
