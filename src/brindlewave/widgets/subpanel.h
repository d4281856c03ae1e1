#pragma once
// The panel of one compressor band, placed by the band row under the band's frequency range:
// five knobs with their link switches and two-letter labels, a level meter, and three displays
// (envelope, compression curve, gain-reduction history). Its layout follows its width: a
// narrow panel shows the knobs or, with the band's view switch on, the displays; a wider one
// both. It dims itself while another band is soloed; Ctrl-click on its background toggles the
// band's solo, Shift-click its view switch.
//
// Solo and view switches may change on any thread (host automation included). The listener
// only raises a flag and marks the panel dirty; the next animation tick, on the window's timer
// thread, changes the children. The panel keeps every control it ever shows for its whole life
// and destroys them all itself.

#include <atomic>
#include <span>

#include "rigging/client/boolparameter.h"
#include "rigging/client/client.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace rigging {
class UIImageSwitch;
}

namespace brindlewave {

class GlobalState;
class MessageQueue;
class UIBoxOverlay;
class UICompDisplay;
class UIEnvelopeDisplay;
class UIMessageKnob;
class UIMeter;
class UISubPanelKnobLabel;
class UITimeReductionDisplay;
class UITooltip;

class SubPanel : public rigging::UIElement, public rigging::IParameterListener {
public:
    static constexpr int kControls = 5;  // Attack, Release, Threshold, Ratio, Gain
    static constexpr rigging::RGBA kLabelColour{225, 225, 225, 0};

    using Image = rigging::OwnedImage<rigging::RGBA>;

    // Every image is borrowed and must outlive the panel.
    SubPanel(rigging::UIContext* context, rigging::Client& client, int band, int rowLeft,
             int panelTop, rigging::Font* font, const Image* knobImage, const Image* linkImageA,
             const Image* linkImageB, MessageQueue* mailbox, const Image* displayBackground1,
             const Image* displayBackground2, const Image* displayBackground3,
             const Image* meterBackground, GlobalState* globalState, UITooltip* tooltip) noexcept;
    ~SubPanel() override;

    // Lays the children out for the panel's current position. Window threads only.
    virtual void updateUI() noexcept;
    virtual void showOverlay() noexcept;
    virtual void removeOverlay() noexcept;
    virtual void setPositions() noexcept;
    // Audio thread: the band's levels (linear) to the meter and the history. Never waits.
    virtual void updateMeter(float pre, float post, float sampleRate) noexcept;

    // Width classes: below 200, 250, 500 and 1001 pixels.
    virtual bool xs() const noexcept;
    virtual bool sm() const noexcept;
    virtual bool md() const noexcept;
    virtual bool lg() const noexcept;
    virtual bool isSoloed() const noexcept;
    // Any solo of the bands in use (parameter 59) is on.
    virtual bool anySoloed() const noexcept;

    // Asks the next animation tick to weigh the solos again (the band count changed).
    void refreshSoloState() noexcept;

    void onParameterChanged(rigging::Parameter* sender) noexcept override;
    void onBeginParameterEdit(rigging::Parameter*) noexcept override {}
    void onEndParameterEdit(rigging::Parameter*) noexcept override {}

    // Ctrl toggles the solo, Shift the view switch (solo first when both); never takes the
    // click, so no drag starts.
    bool onMouseClick(int x, int y, rigging::MouseButton button, bool isDoubleClick,
                      rigging::MouseState mstate) noexcept override;
    void onAnimate(double dt, double time) noexcept override;
    void onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                   rigging::ImageRef<rigging::L16> depthMap,
                   rigging::ImageRef<rigging::RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

    int band() const noexcept { return band_; }
    const char* label() const noexcept { return label_; }
    bool knobsShown() const noexcept { return knobsShown_; }
    bool overlayShown() const noexcept { return overlayShown_; }
    UIMessageKnob* knob(int k) const noexcept { return knobs_[k]; }
    rigging::UIImageSwitch* link(int k) const noexcept { return links_[k]; }
    UISubPanelKnobLabel* knobLabel(int k) const noexcept { return labels_[k]; }
    UIMeter* meter() const noexcept { return meter_; }
    UIEnvelopeDisplay* envelopeDisplay() const noexcept { return envelope_; }
    UICompDisplay* curveDisplay() const noexcept { return curve_; }
    UITimeReductionDisplay* historyDisplay() const noexcept { return history_; }
    UIBoxOverlay* overlay() const noexcept { return overlay_; }

protected:
    virtual void createKnobs(const Image* displayBackground1, const Image* displayBackground2,
                             const Image* displayBackground3,
                             const Image* meterBackground) noexcept;
    virtual void createLinks() noexcept;
    virtual void createKnobLabels() noexcept;
    virtual void createLabel(int band) noexcept;
    virtual void createOverlay() noexcept;

private:
    enum class Layout { xs, xsToggled, sm, md };

    void applyLayout(Layout layout) noexcept;
    // Knobs, labels and links at x (knobs) and linkX; the meter at meterX.
    void placeKnobs(int knobX, int meterX, int linkX) noexcept;
    // The three displays at x, added first where not yet shown.
    void placeDisplays(int x) noexcept;
    void removeDisplays() noexcept;
    void showKnobs() noexcept;
    void hideKnobs() noexcept;
    void applySwitches() noexcept;
    // Only the dimming, without a relayout: a relayout sizes the displays' buffers again and
    // would run the envelope display's detector a second time.
    void updateDimming() noexcept;
    void toggle(rigging::BoolParameter* p) noexcept;

    const Image* knobImage_;
    const Image* linkImageA_;
    const Image* linkImageB_;
    UIMessageKnob* knobs_[kControls] = {};
    rigging::UIImageSwitch* links_[kControls] = {};
    UISubPanelKnobLabel* labels_[kControls] = {};
    UIMeter* meter_ = nullptr;
    UIEnvelopeDisplay* envelope_ = nullptr;
    UICompDisplay* curve_ = nullptr;
    UITimeReductionDisplay* history_ = nullptr;
    UIBoxOverlay* overlay_ = nullptr;
    int band_;
    int panelTop_;
    int rowLeft_;
    bool knobsShown_ = true;
    bool envelopeShown_ = false;
    bool curveShown_ = false;
    bool historyShown_ = false;
    bool endMovePending_ = false;
    bool overlayShown_ = false;
    rigging::Font* font_;
    char label_[16] = {};
    rigging::Client* client_;
    MessageQueue* mailbox_;
    UITooltip* tooltip_;
    GlobalState* globalState_;
    rigging::BoolParameter* soloSwitch_;
    rigging::BoolParameter* viewSwitch_;
    // Raised by the switch listener on any thread, taken by the next animation tick.
    std::atomic<bool> switchesChanged_{false};
    // Raised at construction and after band-count changes: the solos are weighed again.
    std::atomic<bool> soloCheckPending_{false};
};

}  // namespace brindlewave
