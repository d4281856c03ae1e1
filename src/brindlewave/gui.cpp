#include "brindlewave/gui.h"

#include <cstdio>
#include <cstdlib>

#include "brindlewave/editorlayout.h"
#include "brindlewave/gfx/resources.h"
#include "brindlewave/paramids.h"
#include "brindlewave/widgets/bottomLeftPanel.h"
#include "brindlewave/widgets/fftdisplay.h"
#include "brindlewave/widgets/globalknob.h"
#include "brindlewave/widgets/mainpanel.h"
#include "brindlewave/widgets/paramwidget.h"
#include "brindlewave/widgets/subpanelknoblabel.h"
#include "brindlewave/widgets/textbutton.h"
#include "brindlewave/widgets/toggletextbutton.h"
#include "brindlewave/widgets/tooltip.h"
#include "rigging/core/nogc.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/drawex.h"
#include "rigging/gui/legacypbr.h"

namespace brindlewave {

using geom::box2i;
using rigging::mallocNew;

namespace {

// The embedded file: every one the editor names is compiled in, so a missing one is a broken
// build, not a condition to handle.
std::span<const std::uint8_t> embedded(std::string_view name) noexcept {
    const gfx::Resource* r = gfx::findResource(name);
    if (r == nullptr) {
        std::fprintf(stderr, "Brindlewave: embedded file %.*s is missing\n",
                     static_cast<int>(name.size()), name.data());
        std::abort();
    }
    return {r->data, r->size};
}

box2i toBox(const layout::Rect& r) noexcept { return box2i(r.x0, r.y0, r.x1, r.y1); }

constexpr const char* kGlobalKnobNames[5] = {"Attack", "Release", "Threshold", "Ratio", "Gain"};
constexpr const char* kOversampleTexts[4] = {"None", "2X", "4X", "8X"};

// Rows red, green, blue; columns lift, gamma, gain, contrast.
constexpr float kGrade[3][4] = {{-0.03f, 1.04f, 1.045f, 0.22f},
                                {0.0f, 0.99f, 0.98f, 0.175f},
                                {0.13f, 1.0f, 0.965f, 0.245f}};

}  // namespace

HalyardGUI::HalyardGUI(rigging::Client& client, int maxWorkers) noexcept
    : PBRBackgroundGUI(rigging::makeSizeConstraintsFixed(kWidth, kHeight),
                       embedded(gfx::kBaseColour), embedded(gfx::kEmissive),
                       embedded(gfx::kMaterial), embedded(gfx::kDepth), embedded(gfx::kSkybox),
                       maxWorkers),
      client_(&client) {
    bandState_ = mallocNew<GlobalState>();
    setLights();
    setUpdateMargin(kUpdateMargin);
    mailbox_ = mallocNew<MessageQueue>();
    font_ = mallocNew<rigging::Font>(embedded(gfx::kFont));

    knobImage_ = rigging::loadOwnedImage(embedded(gfx::kKnobFilmstrip));
    oversampleImage_ = rigging::loadOwnedImage(embedded(gfx::kOversampleButton));
    bypassImage_ = rigging::loadOwnedImage(embedded(gfx::kBypassButton));

    tooltip_ = mallocNew<UITooltip>(context(), *client_, font_, 100, 50);

    spectrum_ = mallocNew<FFTDisplay>(context(), *client_, mailbox_, bandState_, tooltip_, font_);
    place(spectrum_, kSpectrumBox);
    mainPanel_ = mallocNew<MainPanel>(context(), *client_, font_, knobImage_, mailbox_, bandState_,
                                      tooltip_);
    place(mainPanel_, kMainPanelBox);
    bottomLeftPanel_ = mallocNew<UIBottomLeftPanel>(
        context(), *client_,
        static_cast<rigging::IntegerParameter*>(client_->param(param::numberOfBands)), font_,
        knobImage_, mailbox_, bandState_, tooltip_);
    bottomLeftPanel_->addControls(*client_);
    place(bottomLeftPanel_, kBottomLeftPanelBox);
    bottomLeftPanel_->setControlPositions();
    informationLine_ = mallocNew<UIParamWidget>(context(), *client_, font_, mailbox_);
    place(informationLine_, kInformationLineBox);

    setupGlobalKnobs();
    setGlobalKnobPositions();
    setOversampleButtonPositions(context());
    setBypassButtonPosition(context());

    colorCorrection_ = mallocNew<rigging::UIColorCorrection>(context());
    addChild(colorCorrection_);
    colorCorrection_->setLiftGammaGainContrastRGB(kGrade);
    colorCorrection_->setPosition(box2i(0, 0, kWidth, kHeight));
    colorCorrection_->setZOrder(10);
}

HalyardGUI::~HalyardGUI() {
    closeUI();
    // Children first: leaving the tree ends their hover and drag roles, whose handlers still
    // use the tooltip and the mailbox.
    while (!children().empty()) {
        rigging::UIElement* child = children().back();
        removeChild(child);
        rigging::destroyFree(child);
    }
    rigging::destroyFree(tooltip_);
    rigging::destroyFree(knobImage_);
    rigging::destroyFree(oversampleImage_);
    rigging::destroyFree(bypassImage_);
    rigging::destroyFree(font_);
    rigging::destroyFree(mailbox_);
    rigging::destroyFree(bandState_);
}

void* HalyardGUI::openUI(void* parentInfo, void* controlInfo, rigging::DAW daw,
                         rigging::GraphicsBackend backend) {
    return GUIGraphics::openUI(parentInfo, controlInfo, daw, backend);
}

void HalyardGUI::closeUI() { GUIGraphics::closeUI(); }

void HalyardGUI::getGUISize(int* width, int* height) { GUIGraphics::getGUISize(width, height); }

void HalyardGUI::setLights() noexcept {
    auto* pbr = dynamic_cast<rigging::PBRCompositor*>(getCompositor());
    if (pbr == nullptr) return;
    pbr->light1Color(geom::vec3f(0.4f, 0.41f, 0.23f) * 0.98f);
    pbr->light2Dir(geom::vec3f(-0.8f, 0.7f, 0.5f).normalized());
    pbr->light2Color(geom::vec3f(0.287f, 0.287f, 0.3444f));
    pbr->light3Dir(geom::vec3f(1.0f, 1.0f, -0.3f).normalized());
    pbr->light3Color(geom::vec3f(0.3f, 0.3f, 0.3f) * 0.84f);
    pbr->ambientLight(0.032f);
    pbr->skyboxAmount(0.6f);
}

void HalyardGUI::place(rigging::UIElement* e, const box2i& box) noexcept {
    addChild(e);
    e->setPosition(box);
}

rigging::FloatParameter** HalyardGUI::getParamsForGlobalKnob(int k) noexcept {
    auto** ps = static_cast<rigging::FloatParameter**>(rigging::alignedMalloc(
        4 * sizeof(rigging::FloatParameter*), UIGlobalFilmstripKnob::kArrayAlignment));
    for (int b = 0; b < 4; ++b)
        ps[b] = static_cast<rigging::FloatParameter*>(client_->param(k + 9 + 5 * b));
    return ps;
}

rigging::BoolParameter** HalyardGUI::getLinkParamsForGlobalKnob(int k) noexcept {
    auto** ps = static_cast<rigging::BoolParameter**>(rigging::alignedMalloc(
        4 * sizeof(rigging::BoolParameter*), UIGlobalFilmstripKnob::kArrayAlignment));
    for (int b = 0; b < 4; ++b)
        ps[b] = static_cast<rigging::BoolParameter*>(client_->param(param::link(b, k)));
    return ps;
}

void HalyardGUI::setupGlobalKnobs() noexcept {
    for (int k = 0; k < 5; ++k) {
        auto* global = static_cast<rigging::FloatParameter*>(client_->param(param::globalAttack + k));
        globalKnobs_[k] = mallocNew<UIGlobalFilmstripKnob>(
            context(), global, getParamsForGlobalKnob(k), getLinkParamsForGlobalKnob(k),
            knobImage_, kKnobFrames, mailbox_, tooltip_);
        addChild(globalKnobs_[k]);
    }
    for (int k = 0; k < 5; ++k) {
        globalLabels_[k] = mallocNew<UISubPanelKnobLabel>(context(), font_, kGlobalKnobNames[k]);
        addChild(globalLabels_[k]);
    }
}

void HalyardGUI::setGlobalKnobPositions() noexcept {
    for (int k = 0; k < 5; ++k) {
        globalLabels_[k]->setPosition(toBox(layout::kGlobalKnobLabels[k]));
        globalKnobs_[k]->setPosition(toBox(layout::kGlobalKnobs[k]));
    }
}

void HalyardGUI::setOversampleButtonPositions(rigging::UIContext* context) noexcept {
    auto* factor = static_cast<rigging::IntegerParameter*>(client_->param(param::oversampleFactor));
    for (int i = 0; i < 4; ++i) {
        oversampleButtons_[i] = mallocNew<UITextButton>(context, factor, oversampleImage_, font_,
                                                        mailbox_, i, kOversampleTexts[i]);
        place(oversampleButtons_[i], toBox(layout::kOversampleButtons[i]));
    }
}

void HalyardGUI::setBypassButtonPosition(rigging::UIContext* context) noexcept {
    auto* bypass = static_cast<rigging::BoolParameter*>(client_->param(param::internalBypass));
    bypassButton_ = mallocNew<UIToggleTextButton>(context, bypass, bypassImage_, font_, mailbox_,
                                                  "Bypass");
    place(bypassButton_, toBox(layout::kBypassButton));
}

void HalyardGUI::updateFFTData(const rigging::Vec<SpectrumBin>& spectrum, int fftSize,
                               float sampleRate) {
    spectrum_->updateFFT(spectrum, fftSize, sampleRate);
    // Tells the band row that audio is arriving.
    bandState_->setFFTDataArriving(true);
}

void HalyardGUI::updateMeters(const float (&inputLevels)[4], const float (&outputLevels)[4],
                              float sampleRate) {
    mainPanel_->updateMeters(inputLevels, outputLevels, sampleRate);
}

}  // namespace brindlewave
