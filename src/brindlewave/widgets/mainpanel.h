#pragma once
// The row of band panels under the spectrum: one panel per band in use (2 to 4), each under
// the part of the frequency axis its band covers, so that crossover moves move and resize
// them. A band added with the editor's own "+" button gets room: its left neighbour is made
// 100 pixels wide and the new panel takes the rest. It also hands the band levels from the
// audio thread to the panels.
//
// Threads. The band count and the crossovers may change on any thread (the host's automation,
// a preset or state load, the audio thread inside a process call); their listener only raises
// pending flags and marks the row dirty. The next animation tick, on the window's timer thread
// under its event mutex, adds or removes panels, lays them out and makes the follow-up edits.
// The four panels are made once and kept for the row's whole life, added to and taken from the
// tree as the band count changes, so the audio thread's updateMeters can always reach them: it
// reads the count of panels in use from an atomic and never waits.

#include <atomic>

#include "brindlewave/widgets/subpanel.h"
#include "rigging/client/client.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"

namespace brindlewave {

class MainPanel : public rigging::UIElement, public rigging::IParameterListener {
public:
    static constexpr int kMaxPanels = 4;
    static constexpr int kCrossovers = kMaxPanels - 1;
    static constexpr int kPanelTop = 265;
    static constexpr int kPanelHeight = 316;
    static constexpr int kRowLeft = 0;
    // Width a new band's left neighbour is given.
    static constexpr int kRoomForNewBand = 100;

    using Image = rigging::OwnedImage<rigging::RGBA>;

    // The font, the knob image and the shared objects are borrowed.
    MainPanel(rigging::UIContext* context, rigging::Client& client, rigging::Font* font,
              const Image* knobImage, MessageQueue* mailbox, GlobalState* globalState,
              UITooltip* tooltip) noexcept;
    ~MainPanel() override;

    virtual void initializePanels() noexcept;
    virtual int numBandsEnabled() const noexcept;
    // Places every panel shown at its band's range; a panel whose range is inverted
    // (crossovers out of order) stays where it is.
    virtual void setPanelPositions() noexcept;
    // The box of band b among the panels shown.
    virtual geom::box2i getSubPanelPosition(int b) const noexcept;
    virtual geom::box2i getSubPanelPositionFromBounds(float low, float high) const noexcept;
    // Audio thread. Lock-free and allocation-free.
    virtual void updateMeters(const float (&pre)[kMaxPanels], const float (&post)[kMaxPanels],
                              float sampleRate) noexcept;

    void onParameterChanged(rigging::Parameter* sender) noexcept override;
    void onBeginParameterEdit(rigging::Parameter*) noexcept override {}
    void onEndParameterEdit(rigging::Parameter*) noexcept override {}

    void onAnimate(double dt, double time) noexcept override;
    void onDrawPBR(rigging::ImageRef<rigging::RGBA>, rigging::ImageRef<rigging::L16>,
                   rigging::ImageRef<rigging::RGBA>,
                   std::span<const geom::box2i>) noexcept override {}

    // Panels in the row (window threads).
    int bandCountShown() const noexcept { return shownCount_; }
    SubPanel* panel(int b) const noexcept { return panels_[b]; }

protected:
    virtual SubPanel* createPanel(int b) noexcept;
    // Gives panel i exactly kRoomForNewBand pixels by moving crossover i, after first doing
    // the same to its left neighbour when panel i is itself narrow. `count` is the number of
    // panels the row held before the new one.
    virtual void makeSpaceForBand(int i, int count) noexcept;

private:
    geom::box2i bandBox(int b, int count) const noexcept;
    double crossoverValue(int i) const noexcept { return crossovers_[i]->valueAtomic(); }
    void applyBandCount(bool addedByEditor) noexcept;
    void applyCrossovers(unsigned changed) noexcept;

    int panelTop_ = kPanelTop;
    int panelHeight_ = kPanelHeight;
    SubPanel* panels_[kMaxPanels] = {};
    rigging::Client* client_;
    int shownCount_ = 0;
    // What updateMeters reads: the number of panels in use.
    std::atomic<int> activeCount_{0};
    Image* linkImageA_;
    Image* linkImageB_;
    Image* displayBackground1_;
    Image* displayBackground2_;
    Image* displayBackground3_;
    Image* meterBackground_;
    MessageQueue* mailbox_;
    GlobalState* globalState_;
    UITooltip* tooltip_;
    rigging::Font* font_;
    const Image* knobImage_;
    rigging::IntegerParameter* bandCount_;
    rigging::FloatParameter* crossovers_[kCrossovers];
    // Set by the listeners, taken by the next tick: the band count, and one bit per crossover
    // (so a long drag leaves at most one pending change per crossover).
    std::atomic<bool> bandCountPending_{false};
    std::atomic<unsigned> crossoversPending_{0};
    float timeWithoutSpectrum_ = 0.0f;
};

}  // namespace brindlewave
