#include "displays/displayrig.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "brindlewave/gfx/resources.h"
#include "brindlewave/paramids.h"
#include "rigging/core/nogc.h"
#include "rigging/graphics/drawex.h"

namespace brindlewave::displays {

using geom::box2i;
using rigging::RGBA;

namespace {

std::span<const std::uint8_t> resource(std::string_view name) {
    const gfx::Resource* r = gfx::findResource(name);
    if (r == nullptr) {
        std::fprintf(stderr, "missing embedded file %.*s\n", static_cast<int>(name.size()),
                     name.data());
        std::abort();
    }
    return {r->data, r->size};
}

rigging::FloatParameter* floatParam(BrindlewaveClient& c, int index) {
    return static_cast<rigging::FloatParameter*>(c.param(index));
}

// The editor's grading (rows red, green, blue; lift, gamma, gain, contrast).
constexpr float kGrading[3][4] = {
    {-0.03f, 1.04f, 1.045f, 0.22f}, {0.0f, 0.99f, 0.98f, 0.175f}, {0.13f, 1.0f, 0.965f, 0.245f}};

}  // namespace

DisplayRig::DisplayRig(int maxWorkers) noexcept
    : client_(rigging::createClient<BrindlewaveClient>()) {
    gui_ = rigging::mallocNew<rigging::PBRBackgroundGUI>(
        rigging::makeSizeConstraintsFixed(1000, 700), resource(gfx::kBaseColour),
        resource(gfx::kEmissive), resource(gfx::kMaterial), resource(gfx::kDepth),
        resource(gfx::kSkybox), maxWorkers);
    gui_->setUpdateMargin(30);
    rigging::UIContext* c = gui_->context();
    font_ = rigging::mallocNew<rigging::Font>(resource(gfx::kFont));
    tooltip_ = rigging::mallocNew<UITooltip>(c, client_, font_);
    envelopeOverlay_ = rigging::loadOwnedImage(resource(gfx::kEnvelopeOverlay));
    curveOverlay_ = rigging::loadOwnedImage(resource(gfx::kCurveOverlay));
    historyOverlay_ = rigging::loadOwnedImage(resource(gfx::kHistoryOverlay));
    meterOverlay_ = rigging::loadOwnedImage(resource(gfx::kMeterOverlay));

    spectrum_ = rigging::mallocNew<FFTDisplay>(c, client_, &mailbox_, &state_, tooltip_, font_);
    spectrum_->setPosition(box2i(0, 60, 1000, 264));
    gui_->addChild(spectrum_);
    // Four panels of 250 pixels, laid out as wide panels lay out their controls.
    for (int b = 0; b < kBands; ++b) {
        const int x = 250 * b;
        meters_[b] = rigging::mallocNew<UIMeter>(c, font_, client_, b, &state_, meterOverlay_);
        meters_[b]->setPosition(box2i(x + 85, 275, x + 100, 540));
        envelopes_[b] = rigging::mallocNew<UIEnvelopeDisplay>(
            c, floatParam(*client_, param::attack(b)), floatParam(*client_, param::release(b)),
            envelopeOverlay_, b, &state_);
        envelopes_[b]->setPosition(box2i(x + 110, 275, x + 210, 375));
        curves_[b] = rigging::mallocNew<UICompDisplay>(
            c, floatParam(*client_, param::threshold(b)), floatParam(*client_, param::ratio(b)),
            floatParam(*client_, param::gain(b)), curveOverlay_, font_, b, &state_);
        curves_[b]->setPosition(box2i(x + 110, 385, x + 210, 485));
        histories_[b] = rigging::mallocNew<UITimeReductionDisplay>(c, historyOverlay_, b, &state_);
        histories_[b]->setPosition(box2i(x + 110, 495, x + 210, 540));
        for (rigging::UIElement* e : {static_cast<rigging::UIElement*>(meters_[b]),
                                      static_cast<rigging::UIElement*>(envelopes_[b]),
                                      static_cast<rigging::UIElement*>(curves_[b]),
                                      static_cast<rigging::UIElement*>(histories_[b])})
            gui_->addChild(e);
        meters_[b]->updateThreshold();
        envelopes_[b]->allocBuffers();
        curves_[b]->allocBuffers();
        histories_[b]->initializeBuffer();
    }
    colorCorrection_ = rigging::mallocNew<rigging::UIColorCorrection>(c);
    colorCorrection_->setLiftGammaGainContrastRGB(kGrading);
    colorCorrection_->setPosition(box2i(0, 0, 1000, 700));
    colorCorrection_->setZOrder(10);
    gui_->addChild(colorCorrection_);

}

DisplayRig::~DisplayRig() {
    gui_->closeUI();
    rigging::destroyFree(colorCorrection_);
    rigging::destroyFree(spectrum_);
    for (int b = 0; b < kBands; ++b) {
        rigging::destroyFree(meters_[b]);
        rigging::destroyFree(histories_[b]);
        rigging::destroyFree(envelopes_[b]);
        rigging::destroyFree(curves_[b]);
    }
    // The tooltip holds a reference into the editor's context: it goes before the editor.
    rigging::destroyFree(tooltip_);
    rigging::destroyFree(gui_);
    rigging::destroyFree(font_);
    for (auto* img : {envelopeOverlay_, curveOverlay_, historyOverlay_, meterOverlay_})
        rigging::destroyFree(img);
    rigging::destroyFree(client_);
}

void DisplayRig::updateFFTData(const rigging::Vec<SpectrumBin>& spectrum, int fftSize,
                               float sampleRate) noexcept {
    spectrum_->updateFFT(spectrum, fftSize, sampleRate);
    state_.setFFTDataArriving(true);
}

void DisplayRig::updateMeters(const float (&pre)[4], const float (&post)[4],
                              float sampleRate) noexcept {
    for (int b = 0; b < kBands; ++b) {
        meters_[b]->updateValues(pre[b], post[b], sampleRate);
        histories_[b]->pushBack(pre[b], post[b], sampleRate);
    }
}

const rigging::Vec<SpectrumBin>& DisplayRig::programmeFrame(int block) const noexcept {
    return programme_.frame(block);
}

void DisplayRig::feedBlock(int block) noexcept {
    updateFFTData(programme_.frame(block), kFFTSize, kSampleRate);
    float pre[kBands], post[kBands];
    Programme::levels(block, pre, post);
    updateMeters(pre, post, kSampleRate);
}

}  // namespace brindlewave::displays
