#include "brindlewave/widgets/subpanel.h"

#include <algorithm>
#include <cstdio>

#include "brindlewave/globals.h"
#include "brindlewave/paramids.h"
#include "brindlewave/widgets/boxoverlay.h"
#include "brindlewave/widgets/compdisplay.h"
#include "brindlewave/widgets/envelopedisplay.h"
#include "brindlewave/widgets/messageknob.h"
#include "brindlewave/widgets/meter.h"
#include "brindlewave/widgets/subpanelknoblabel.h"
#include "brindlewave/widgets/timereductiondisplay.h"
#include "rigging/client/integerparameter.h"
#include "rigging/core/nogc.h"
#include "rigging/flatwidgets/flatswitch.h"

namespace brindlewave {

using geom::box2i;
using rigging::mallocNew;

namespace {

constexpr const char* kControlNames[SubPanel::kControls] = {"Attack", "Release", "Threshold",
                                                            "Ratio", "Gain"};
constexpr int kKnobFrames = 120;
constexpr int kKnobSize = 45;
constexpr int kLinkWidth = 15, kLinkHeight = 17;
constexpr int kLabelHeight = 15;
constexpr int kMeterWidth = 15;
constexpr int kDisplayWidth = 100;
constexpr int kRowPitch = 55;      // knob rows
constexpr int kMeterBottom = 275;  // below the panel top, like the last knob row
constexpr int kLabelY = 295;       // band label centre, panel coordinates

}  // namespace

SubPanel::SubPanel(rigging::UIContext* context, rigging::Client& client, int band, int rowLeft,
                   int panelTop, rigging::Font* font, const Image* knobImage,
                   const Image* linkImageA, const Image* linkImageB, MessageQueue* mailbox,
                   const Image* displayBackground1, const Image* displayBackground2,
                   const Image* displayBackground3, const Image* meterBackground,
                   GlobalState* globalState, UITooltip* tooltip) noexcept
    : UIElement(context, rigging::drawsPBR | rigging::isAnimated),
      knobImage_(knobImage),
      linkImageA_(linkImageA),
      linkImageB_(linkImageB),
      band_(band),
      panelTop_(panelTop),
      rowLeft_(rowLeft),
      font_(font),
      client_(&client),
      mailbox_(mailbox),
      tooltip_(tooltip),
      globalState_(globalState),
      soloSwitch_(static_cast<rigging::BoolParameter*>(client.param(param::solo(band)))),
      viewSwitch_(static_cast<rigging::BoolParameter*>(client.param(param::toggleView(band)))) {
    createKnobs(displayBackground1, displayBackground2, displayBackground3, meterBackground);
    createLinks();
    createKnobLabels();
    createLabel(band);
    createOverlay();
    // Solos may already be on (a restored state): the first tick weighs them. The view switch
    // needs nothing here: the layout reads it whenever the row places the panel.
    soloCheckPending_.store(true, std::memory_order_relaxed);
    for (int b = 0; b < GlobalState::kBands; ++b) {
        client_->param(param::solo(b))->addListener(this);
        client_->param(param::toggleView(b))->addListener(this);
    }
}

SubPanel::~SubPanel() {
    for (int b = 0; b < GlobalState::kBands; ++b) {
        client_->param(param::solo(b))->removeListener(this);
        client_->param(param::toggleView(b))->removeListener(this);
    }
    // The panel owns every control, shown or not; each leaves the tree as it goes.
    for (int k = 0; k < kControls; ++k) {
        rigging::destroyFree(knobs_[k]);
        rigging::destroyFree(links_[k]);
        rigging::destroyFree(labels_[k]);
    }
    rigging::destroyFree(meter_);
    rigging::destroyFree(envelope_);
    rigging::destroyFree(curve_);
    rigging::destroyFree(history_);
    rigging::destroyFree(overlay_);
}

void SubPanel::createKnobs(const Image* displayBackground1, const Image* displayBackground2,
                           const Image* displayBackground3, const Image* meterBackground) noexcept {
    auto floatParam = [this](int i) {
        return static_cast<rigging::FloatParameter*>(client_->param(i));
    };
    for (int k = 0; k < kControls; ++k) {
        knobs_[k] = mallocNew<UIMessageKnob>(context(), floatParam(param::attack(band_) + k),
                                             knobImage_, kKnobFrames, mailbox_, tooltip_);
        addChild(knobs_[k]);
    }
    meter_ = mallocNew<UIMeter>(context(), font_, *client_, band_, globalState_, meterBackground);
    addChild(meter_);
    envelope_ = mallocNew<UIEnvelopeDisplay>(context(), floatParam(param::attack(band_)),
                                             floatParam(param::release(band_)), displayBackground1,
                                             band_, globalState_);
    curve_ = mallocNew<UICompDisplay>(
        context(), floatParam(param::threshold(band_)), floatParam(param::ratio(band_)),
        floatParam(param::gain(band_)), displayBackground2, font_, band_, globalState_);
    history_ =
        mallocNew<UITimeReductionDisplay>(context(), displayBackground3, band_, globalState_);
}

void SubPanel::createLinks() noexcept {
    for (int k = 0; k < kControls; ++k) {
        auto* p = static_cast<rigging::BoolParameter*>(client_->param(param::link(band_, k)));
        links_[k] = mallocNew<rigging::UIImageSwitch>(context(), p, linkImageA_, linkImageB_);
        addChild(links_[k]);
    }
}

void SubPanel::createKnobLabels() noexcept {
    for (int k = 0; k < kControls; ++k) {
        labels_[k] = mallocNew<UISubPanelKnobLabel>(context(), font_, kControlNames[k]);
        addChild(labels_[k]);
    }
}

void SubPanel::createLabel(int band) noexcept {
    const int n = band + 1;
    std::snprintf(label_, sizeof label_, n < 10 ? "Band 0%d" : "Band %d", n);
}

void SubPanel::createOverlay() noexcept {
    overlay_ = mallocNew<UIBoxOverlay>(context(), rigging::RGBA{0, 0, 0, 100});
}

bool SubPanel::xs() const noexcept {
    return position().width() < 200;
}
bool SubPanel::sm() const noexcept {
    return position().width() < 250;
}
bool SubPanel::md() const noexcept {
    return position().width() < 500;
}
bool SubPanel::lg() const noexcept {
    return position().width() < 1001;
}

bool SubPanel::isSoloed() const noexcept {
    return soloSwitch_->valueAtomic();
}

bool SubPanel::anySoloed() const noexcept {
    const int bands = static_cast<rigging::IntegerParameter*>(client_->param(param::numberOfBands))
                          ->valueAtomic();
    const int n = std::min(bands, static_cast<int>(GlobalState::kBands));
    for (int b = 0; b < n; ++b)
        if (static_cast<rigging::BoolParameter*>(client_->param(param::solo(b)))->valueAtomic())
            return true;
    return false;
}

void SubPanel::updateUI() noexcept {
    setPositions();
}

void SubPanel::setPositions() noexcept {
    if (xs())
        applyLayout(viewSwitch_->valueAtomic() ? Layout::xsToggled : Layout::xs);
    else if (sm())
        applyLayout(Layout::sm);
    else if (md() || lg())
        applyLayout(Layout::md);
    overlay_->setPosition(position());
}

void SubPanel::applyLayout(Layout layout) noexcept {
    const int x = position().min.x, w = position().width();
    switch (layout) {
        case Layout::xs:
            // The displays go before the knobs come back, so the knobs return in their order.
            removeDisplays();
            showKnobs();
            placeKnobs(x + 25, x + 75, x + 7);
            break;
        case Layout::xsToggled:
            placeDisplays(x + (w - kDisplayWidth) / 2);
            hideKnobs();
            break;
        case Layout::sm:
            showKnobs();
            placeKnobs(x + 25, x + 75, x + 7);
            placeDisplays(x + 100);
            break;
        case Layout::md: {
            const int k = std::max(x + w / 2 - 90, x + 25);
            showKnobs();
            placeKnobs(k, k + 50, k - 18);
            placeDisplays(k + 75);
            break;
        }
    }
}

void SubPanel::placeKnobs(int knobX, int meterX, int linkX) noexcept {
    const int t = panelTop_;
    for (int k = 0; k < kControls; ++k) {
        const int row = t + kRowPitch * k;
        knobs_[k]->setPosition(box2i(knobX, row + 10, knobX + kKnobSize, row + 10 + kKnobSize));
        links_[k]->setPosition(box2i(linkX, row + 15, linkX + kLinkWidth, row + 15 + kLinkHeight));
        labels_[k]->setPosition(
            box2i(linkX, row + 37, linkX + kLinkWidth, row + 37 + kLabelHeight));
    }
    meter_->setPosition(box2i(meterX, t + 10, meterX + kMeterWidth, t + kMeterBottom));
    meter_->updateThreshold();
}

void SubPanel::placeDisplays(int x) noexcept {
    const int t = panelTop_;
    auto show = [this](rigging::UIElement* e, bool& shown) {
        if (shown) return;
        addChild(e);
        shown = true;
    };
    show(envelope_, envelopeShown_);
    envelope_->setPosition(box2i(x, t + 10, x + kDisplayWidth, t + 110));
    envelope_->allocBuffers();
    show(curve_, curveShown_);
    curve_->setPosition(box2i(x, t + 120, x + kDisplayWidth, t + 220));
    curve_->allocBuffers();
    show(history_, historyShown_);
    history_->setPosition(box2i(x, t + 230, x + kDisplayWidth, t + kMeterBottom));
    history_->initializeBuffer();
}

void SubPanel::removeDisplays() noexcept {
    auto hide = [this](rigging::UIElement* e, bool& shown) {
        if (!shown) return;
        removeChild(e);
        shown = false;
    };
    hide(envelope_, envelopeShown_);
    hide(curve_, curveShown_);
    hide(history_, historyShown_);
}

void SubPanel::showKnobs() noexcept {
    if (knobsShown_) return;
    for (int k = 0; k < kControls; ++k) {
        addChild(knobs_[k]);
        addChild(labels_[k]);
        addChild(links_[k]);
    }
    addChild(meter_);
    knobsShown_ = true;
}

void SubPanel::hideKnobs() noexcept {
    if (!knobsShown_) return;
    removeChild(meter_);
    for (int k = kControls - 1; k >= 0; --k) {
        removeChild(links_[k]);
        removeChild(labels_[k]);
        removeChild(knobs_[k]);
    }
    knobsShown_ = false;
}

void SubPanel::showOverlay() noexcept {
    if (overlayShown_) return;
    addChild(overlay_);
    overlay_->setZOrder(100);
    overlayShown_ = true;
    setDirtyWhole();
}

void SubPanel::removeOverlay() noexcept {
    if (!overlayShown_) return;
    removeChild(overlay_);
    overlayShown_ = false;
    setDirtyWhole();
}

void SubPanel::updateMeter(float pre, float post, float sampleRate) noexcept {
    meter_->updateValues(pre, post, sampleRate);
    history_->pushBack(pre, post, sampleRate);
}

void SubPanel::refreshSoloState() noexcept {
    soloCheckPending_.store(true, std::memory_order_release);
}

void SubPanel::updateDimming() noexcept {
    if (anySoloed() && !isSoloed())
        showOverlay();
    else
        removeOverlay();
}

void SubPanel::onParameterChanged(rigging::Parameter*) noexcept {
    // Any thread: the children change, and are marked, on the next tick.
    switchesChanged_.store(true, std::memory_order_release);
}

void SubPanel::applySwitches() noexcept {
    if (!anySoloed()) {
        removeOverlay();
        updateUI();
        setDirtyWhole();
    } else if (isSoloed()) {
        removeOverlay();
    } else {
        showOverlay();
    }
}

void SubPanel::toggle(rigging::BoolParameter* p) noexcept {
    p->beginParamEdit();
    p->setFromGUI(!p->value());
    p->endParamEdit();
}

bool SubPanel::onMouseClick(int, int, rigging::MouseButton, bool,
                            rigging::MouseState mstate) noexcept {
    if (mstate.ctrlPressed) toggle(soloSwitch_);
    if (mstate.shiftPressed) toggle(viewSwitch_);
    return false;
}

void SubPanel::onAnimate(double, double) noexcept {
    const bool check = soloCheckPending_.exchange(false, std::memory_order_acq_rel);
    if (switchesChanged_.exchange(false, std::memory_order_acq_rel))
        applySwitches();
    else if (check)
        updateDimming();
    if (endMovePending_) {
        endMovePending_ = false;
        globalState_->endPanelMove(band_);
    }
}

void SubPanel::onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                         rigging::ImageRef<rigging::L16> depthMap, rigging::ImageRef<rigging::RGBA>,
                         std::span<const box2i> dirtyRects) noexcept {
    const float cx = static_cast<float>(position().width() / 2);
    // The groove: the panel's first column, and the row's last one for the panel that starts
    // the row (its local and editor columns coincide).
    const int grooveA = rowLeft_, grooveB = position().max.x - 1;
    for (const box2i& r : dirtyRects) {
        rigging::fillText(rigging::crop(diffuseMap, r), *font_, label_, 10.0f, 1.0f, kLabelColour,
                          cx - static_cast<float>(r.min.x), static_cast<float>(kLabelY - r.min.y),
                          rigging::HorizontalAlignment::center, rigging::VerticalAlignment::center);
        for (int y = r.min.y; y < r.max.y; ++y) {
            rigging::L16* row = depthMap.scanlinePtr(y);
            if (grooveA >= r.min.x && grooveA < r.max.x) row[grooveA] = rigging::L16{0};
            if (grooveB >= r.min.x && grooveB < r.max.x) row[grooveB] = rigging::L16{0};
        }
    }
    if (globalState_->isPanelBeingMoved(band_)) endMovePending_ = true;
}

}  // namespace brindlewave
