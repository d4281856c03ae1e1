#include "brindlewave/widgets/bottomLeftPanel.h"

#include "brindlewave/editorlayout.h"
#include "brindlewave/gfx/resources.h"
#include "brindlewave/paramids.h"
#include "brindlewave/widgets/alignbutton.h"
#include "brindlewave/widgets/bandnumberdisplay.h"
#include "brindlewave/widgets/incrementdecrementbutton.h"
#include "brindlewave/widgets/messageknob.h"
#include "rigging/core/nogc.h"
#include "rigging/graphics/drawex.h"

namespace brindlewave {

using rigging::mallocNew;

namespace {

// The strips are built into the module: one missing is a broken build, and its empty data ends
// the process when decoded.
rigging::OwnedImage<rigging::RGBA>* loadStrip(std::string_view name) noexcept {
    const gfx::Resource* r = gfx::findResource(name);
    return rigging::loadOwnedImage(r != nullptr ? std::span<const std::uint8_t>(r->data, r->size)
                                                : std::span<const std::uint8_t>());
}

geom::box2i toBox(const layout::Rect& r) noexcept {
    return geom::box2i(r.x0, r.y0, r.x1, r.y1);
}

constexpr std::string_view kAlignStripNames[4] = {gfx::kAlignLeftButton, gfx::kAlignRightButton,
                                                  gfx::kAlignEvenButton, gfx::kAlignOuterButton};

}  // namespace

UIBottomLeftPanel::UIBottomLeftPanel(rigging::UIContext* context, rigging::Client&,
                                     rigging::IntegerParameter* numBands, rigging::Font* font,
                                     const rigging::OwnedImage<rigging::RGBA>* knobImage,
                                     MessageQueue* mailbox, GlobalState* bandState,
                                     UITooltip* tooltip) noexcept
    : UIElement(context, rigging::drawsPBR | rigging::isAnimated),
      numBands_(numBands),
      bandCountStrip_(loadStrip(gfx::kBandCountButton)),
      alignStrips_{loadStrip(kAlignStripNames[0]), loadStrip(kAlignStripNames[1]),
                   loadStrip(kAlignStripNames[2]), loadStrip(kAlignStripNames[3])},
      knobImage_(knobImage),
      font_(font),
      mailbox_(mailbox),
      tooltip_(tooltip),
      bandState_(bandState) {
    numBands_->addListener(this);
}

UIBottomLeftPanel::~UIBottomLeftPanel() {
    numBands_->removeListener(this);
    // Leaving the tree ends the controls' hover and drag roles while what they use still
    // exists.
    while (!children().empty()) {
        rigging::UIElement* child = children().back();
        removeChild(child);
        rigging::destroyFree(child);
    }
    rigging::destroyFree(bandCountStrip_);
    for (auto* strip : alignStrips_) rigging::destroyFree(strip);
}

void UIBottomLeftPanel::addControls(rigging::Client& client) noexcept {
    if (decrement_ != nullptr) return;
    decrement_ = mallocNew<UIIncrementDecrementButton>(context(), numBands_, bandCountStrip_,
                                                       mailbox_, bandState_, true);
    addChild(decrement_);
    increment_ = mallocNew<UIIncrementDecrementButton>(context(), numBands_, bandCountStrip_,
                                                       mailbox_, bandState_, false);
    addChild(increment_);
    bandNumber_ = mallocNew<UIBandNumberDisplay>(context(), numBands_, font_);
    addChild(bandNumber_);
    for (int mode = 0; mode < 4; ++mode) {
        align_[mode] = mallocNew<UIAlignButton>(context(), client, alignStrips_[mode], mailbox_,
                                                bandState_, mode);
        addChild(align_[mode]);
    }
    auto knob = [&](int index) {
        auto* k = mallocNew<UIMessageKnob>(
            context(), static_cast<rigging::FloatParameter*>(client.param(index)), knobImage_,
            kKnobFrames, mailbox_, tooltip_);
        addChild(k);
        return k;
    };
    inputGain_ = knob(param::inputGain);
    outputGain_ = knob(param::outputGain);
}

void UIBottomLeftPanel::setControlPositions() noexcept {
    if (decrement_ == nullptr) return;
    decrement_->setPosition(toBox(layout::kBandDecrement));
    increment_->setPosition(toBox(layout::kBandIncrement));
    bandNumber_->setPosition(toBox(layout::kBandNumber));
    for (int mode = 0; mode < 4; ++mode)
        align_[mode]->setPosition(toBox(layout::kAlignButtons[mode]));
    inputGain_->setPosition(toBox(layout::kInputGainKnob));
    outputGain_->setPosition(toBox(layout::kOutputGainKnob));
}

}  // namespace brindlewave
