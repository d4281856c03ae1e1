#pragma once
// The editor's bottom-left corner: the "-" and "+" band buttons with the band count between
// them, the four align buttons and the input and output gain knobs. The panel draws nothing
// itself; it owns its controls and the strips they are drawn from.

#include "brindlewave/globals.h"
#include "brindlewave/messagequeue.h"
#include "rigging/client/client.h"
#include "rigging/client/integerparameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class UIAlignButton;
class UIBandNumberDisplay;
class UIIncrementDecrementButton;
class UIMessageKnob;
class UITooltip;

class UIBottomLeftPanel : public rigging::UIElement, public rigging::IParameterListener {
public:
    static constexpr int kKnobFrames = 120;

    // Decodes the strips and listens to numBands. Built in two steps: addControls, then
    // setControlPositions once the panel has its place.
    UIBottomLeftPanel(rigging::UIContext* context, rigging::Client& client,
                      rigging::IntegerParameter* numBands, rigging::Font* font,
                      const rigging::OwnedImage<rigging::RGBA>* knobImage, MessageQueue* mailbox,
                      GlobalState* bandState, UITooltip* tooltip) noexcept;
    // Destroys the controls, then the strips.
    ~UIBottomLeftPanel() override;

    // Creates and adds "-", "+", the band count, Left, Right, Even, Outer and the two gain
    // knobs, in that order. Once only.
    virtual void addControls(rigging::Client& client) noexcept;
    // Puts the controls at their fixed editor boxes.
    virtual void setControlPositions() noexcept;

    void onParameterChanged(rigging::Parameter*) noexcept override {}
    void onBeginParameterEdit(rigging::Parameter*) noexcept override {}
    void onEndParameterEdit(rigging::Parameter*) noexcept override {}

    void onDrawPBR(rigging::ImageRef<rigging::RGBA>, rigging::ImageRef<rigging::L16>,
                   rigging::ImageRef<rigging::RGBA>,
                   std::span<const geom::box2i>) noexcept override {}
    void onAnimate(double, double) noexcept override {}

    // Null before addControls.
    UIIncrementDecrementButton* decrementButton() const noexcept { return decrement_; }
    UIIncrementDecrementButton* incrementButton() const noexcept { return increment_; }
    UIBandNumberDisplay* bandNumberDisplay() const noexcept { return bandNumber_; }
    // mode 0 Left, 1 Right, 2 Even, 3 Outer.
    UIAlignButton* alignButton(int mode) const noexcept { return align_[mode]; }
    UIMessageKnob* inputGainKnob() const noexcept { return inputGain_; }
    UIMessageKnob* outputGainKnob() const noexcept { return outputGain_; }

private:
    rigging::IntegerParameter* numBands_;
    rigging::OwnedImage<rigging::RGBA>* bandCountStrip_;
    rigging::OwnedImage<rigging::RGBA>* alignStrips_[4];
    const rigging::OwnedImage<rigging::RGBA>* knobImage_;
    rigging::Font* font_;
    UIIncrementDecrementButton* decrement_ = nullptr;
    UIIncrementDecrementButton* increment_ = nullptr;
    UIAlignButton* align_[4] = {};
    UIBandNumberDisplay* bandNumber_ = nullptr;
    UIMessageKnob* inputGain_ = nullptr;
    UIMessageKnob* outputGain_ = nullptr;
    MessageQueue* mailbox_;
    UITooltip* tooltip_;
    GlobalState* bandState_;
};

}  // namespace brindlewave
