#include "brindlewave/widgets/mainpanel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "brindlewave/gfx/resources.h"
#include "brindlewave/globals.h"
#include "brindlewave/paramids.h"
#include "brindlewave/scales.h"
#include "rigging/core/nogc.h"
#include "rigging/graphics/drawex.h"

namespace brindlewave {

using geom::box2i;
using rigging::mallocNew;

namespace {

// Every picture the row names is compiled in: a missing one is a broken build.
MainPanel::Image* decode(std::string_view name) noexcept {
    const gfx::Resource* r = gfx::findResource(name);
    if (r == nullptr) {
        std::fprintf(stderr, "Brindlewave: embedded file %.*s is missing\n",
                     static_cast<int>(name.size()), name.data());
        std::abort();
    }
    return rigging::loadOwnedImage({r->data, r->size});
}

}  // namespace

MainPanel::MainPanel(rigging::UIContext* context, rigging::Client& client, rigging::Font* font,
                     const Image* knobImage, MessageQueue* mailbox, GlobalState* globalState,
                     UITooltip* tooltip) noexcept
    : UIElement(context, rigging::drawsPBR | rigging::isAnimated),
      client_(&client),
      linkImageA_(decode(gfx::kLinkOn)),
      linkImageB_(decode(gfx::kLinkOff)),
      displayBackground1_(decode(gfx::kEnvelopeOverlay)),
      displayBackground2_(decode(gfx::kCurveOverlay)),
      displayBackground3_(decode(gfx::kHistoryOverlay)),
      meterBackground_(decode(gfx::kMeterOverlay)),
      mailbox_(mailbox),
      globalState_(globalState),
      tooltip_(tooltip),
      font_(font),
      knobImage_(knobImage),
      bandCount_(static_cast<rigging::IntegerParameter*>(client.param(param::numberOfBands))) {
    for (int i = 0; i < kCrossovers; ++i)
        crossovers_[i] = static_cast<rigging::FloatParameter*>(client.param(param::crossover(i)));
    // All four, once: a band-count change only adds or removes them as children.
    for (int b = 0; b < kMaxPanels; ++b) panels_[b] = createPanel(b);
    initializePanels();
    bandCount_->addListener(this);
    for (rigging::FloatParameter* c : crossovers_) c->addListener(this);
    // A change that slipped in before the listeners were in place.
    if (numBandsEnabled() != shownCount_) bandCountPending_.store(true);
}

MainPanel::~MainPanel() {
    bandCount_->removeListener(this);
    for (rigging::FloatParameter* c : crossovers_) c->removeListener(this);
    activeCount_.store(0, std::memory_order_release);
    for (SubPanel*& p : panels_) {
        rigging::destroyFree(p);
        p = nullptr;
    }
    for (Image* image : {linkImageA_, linkImageB_, displayBackground1_, displayBackground2_,
                         displayBackground3_, meterBackground_})
        rigging::destroyFree(image);
}

SubPanel* MainPanel::createPanel(int b) noexcept {
    return mallocNew<SubPanel>(context(), *client_, b, kRowLeft, panelTop_, font_, knobImage_,
                               linkImageA_, linkImageB_, mailbox_, displayBackground1_,
                               displayBackground2_, displayBackground3_, meterBackground_,
                               globalState_, tooltip_);
}

void MainPanel::initializePanels() noexcept {
    for (int b = 0; b < shownCount_; ++b) removeChild(panels_[b]);
    shownCount_ = std::clamp(numBandsEnabled(), 1, static_cast<int>(kMaxPanels));
    for (int b = 0; b < shownCount_; ++b) addChild(panels_[b]);
    activeCount_.store(shownCount_, std::memory_order_release);
    setPanelPositions();
}

int MainPanel::numBandsEnabled() const noexcept {
    return bandCount_->valueAtomic();
}

box2i MainPanel::bandBox(int b, int count) const noexcept {
    const double low = b == 0 ? 20.0 : crossoverValue(b - 1);
    const double high = b == count - 1 ? 20000.0 : crossoverValue(b);
    return getSubPanelPositionFromBounds(static_cast<float>(low), static_cast<float>(high));
}

box2i MainPanel::getSubPanelPosition(int b) const noexcept {
    return bandBox(b, shownCount_);
}

box2i MainPanel::getSubPanelPositionFromBounds(float low, float high) const noexcept {
    // An inverted range stays inverted, for the caller to see.
    return box2i(kRowLeft + frequencyToX(low), panelTop_, kRowLeft + frequencyToX(high),
                 panelTop_ + panelHeight_);
}

void MainPanel::setPanelPositions() noexcept {
    for (int b = 0; b < shownCount_; ++b) {
        const box2i box = getSubPanelPosition(b);
        if (box.min.x > box.max.x) continue;
        SubPanel* p = panels_[b];
        if (!(p->position() == box)) {
            p->setDirtyWhole();  // where it was
            p->setPosition(box);
            p->setDirtyWhole();
        }
        p->updateUI();
    }
}

void MainPanel::updateMeters(const float (&pre)[kMaxPanels], const float (&post)[kMaxPanels],
                             float sampleRate) noexcept {
    // Panels outlive every count published here, so a stale count is harmless.
    const int n = activeCount_.load(std::memory_order_acquire);
    for (int b = 0; b < n; ++b) panels_[b]->updateMeter(pre[b], post[b], sampleRate);
}

void MainPanel::onParameterChanged(rigging::Parameter* sender) noexcept {
    // Any thread: note what changed; the next tick does the work.
    if (sender == bandCount_) {
        bandCountPending_.store(true, std::memory_order_release);
    } else {
        for (int i = 0; i < kCrossovers; ++i)
            if (sender == crossovers_[i])
                crossoversPending_.fetch_or(1u << i, std::memory_order_acq_rel);
    }
    // Nothing marked here: the tick that applies the change marks what moved, and during a
    // spectrum drag nothing moves until the drag ends.
}

void MainPanel::makeSpaceForBand(int i, int count) noexcept {
    if (i < 0) return;
    if (bandBox(i, count).width() <= 199) makeSpaceForBand(i - 1, count);
    const int x0 = i == 0 ? 0 : frequencyToX(crossoverValue(i - 1));
    rigging::FloatParameter* c = crossovers_[i];
    c->beginParamEdit();
    c->setFromGUI(xToFrequency(x0 + kRoomForNewBand));
    c->endParamEdit();
}

void MainPanel::applyBandCount(bool addedByEditor) noexcept {
    const int v = std::clamp(numBandsEnabled(), 1, static_cast<int>(kMaxPanels));
    if (v < shownCount_) {
        // The audio thread stops feeding them first.
        activeCount_.store(v, std::memory_order_release);
        for (int b = shownCount_ - 1; b >= v; --b) removeChild(panels_[b]);
    } else if (v > shownCount_) {
        for (int b = shownCount_; b < v; ++b) {
            addChild(panels_[b]);
            // Only the editor's own button makes room; a host's raise (automation, a preset,
            // a restored state) keeps the crossovers it came with.
            if (addedByEditor) makeSpaceForBand(b - 1, b);
        }
        activeCount_.store(v, std::memory_order_release);
    }
    shownCount_ = v;
    for (int b = 0; b < shownCount_; ++b) panels_[b]->refreshSoloState();
    setDirtyWhole();
}

void MainPanel::applyCrossovers(unsigned changed) noexcept {
    setPanelPositions();
    for (int i = 0; i < kCrossovers; ++i) {
        if (!(changed & (1u << i)) || i + 1 >= shownCount_) continue;
        panels_[i]->setDirtyWhole();
        panels_[i + 1]->setDirtyWhole();
    }
}

void MainPanel::onAnimate(double dt, double) noexcept {
    // The button raises this flag and edits the band count in one event-thread call, which
    // this tick cannot split; a flag left over without a change is dropped.
    const bool addedByEditor = globalState_->takeBandAddedByEditor();
    bool relayout = false;
    if (bandCountPending_.exchange(false, std::memory_order_acq_rel)) {
        applyBandCount(addedByEditor);
        relayout = true;
    }
    // Crossover moves wait for the end of a drag in the spectrum, then land at once.
    if (!globalState_->crossoverBeingDragged()) {
        const unsigned changed = crossoversPending_.exchange(0, std::memory_order_acq_rel);
        if (changed != 0) {
            applyCrossovers(changed);
            relayout = false;
        }
    }
    if (relayout) setPanelPositions();

    // The displays in the row mark what they change themselves, so when they leave out
    // redraws that would look the same, refreshing the row would only undo that.
    if (!globalState_->fftDataArriving() && !globalState_->redrawsOnlyChanges()) {
        timeWithoutSpectrum_ += static_cast<float>(dt);
        if (timeWithoutSpectrum_ >= 200.0f) {
            timeWithoutSpectrum_ = 0.0f;
            // The meters, histories, knobs and displays are on the raw layer; what the row
            // shows through the lighting only changes with a layout or a solo, which mark it
            // themselves. Relighting the whole row five times a second would cost an idle
            // editor about a tenth of a core for nothing.
            setDirtyWhole(rigging::UILayer::rawOnly);
        }
    }
}

}  // namespace brindlewave
