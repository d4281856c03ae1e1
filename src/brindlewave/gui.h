#pragma once
// The plug-in's editor: a fixed 1000 x 700 window lit by the PBR pipeline over the embedded
// background maps, with the information line, the five global knobs and their labels, the
// oversampling and bypass buttons, and a colour grade over everything. It is built once, the
// first time a host opens the editor, and lives as long as its client; opening and closing
// the window do not rebuild it. The engine hands it spectrum and band levels on the audio
// thread.

#include "brindlewave/editorsink.h"
#include "brindlewave/globals.h"
#include "brindlewave/messagequeue.h"
#include "rigging/client/boolparameter.h"
#include "rigging/client/client.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/graphics/font.h"
#include "rigging/pbrwidgets/colorcorrection.h"
#include "rigging/pbrwidgets/pbrbackgroundgui.h"

namespace brindlewave {

class FFTDisplay;
class MainPanel;
class UIBottomLeftPanel;
class UIGlobalFilmstripKnob;
class UIParamWidget;
class UISubPanelKnobLabel;
class UITextButton;
class UIToggleTextButton;
class UITooltip;

class HalyardGUI : public rigging::PBRBackgroundGUI,
                   public IEditorSink,
                   public rigging::IParameterListener {
public:
    static constexpr int kWidth = 1000, kHeight = 700;
    static constexpr int kKnobFrames = 120;
    static constexpr int kUpdateMargin = 30;
    // Where the children that the band panels, spectrum and bottom-left controls bring sit.
    static constexpr geom::box2i kSpectrumBox{0, 60, 1000, 264};
    static constexpr geom::box2i kMainPanelBox{0, 265, 1000, 581};
    static constexpr geom::box2i kBottomLeftPanelBox{0, 582, 500, 699};
    static constexpr geom::box2i kInformationLineBox{450, 620, 540, 650};

    // Decodes every image and builds the whole tree. maxWorkers caps the drawing pool.
    explicit HalyardGUI(rigging::Client& client, int maxWorkers = 2) noexcept;
    // Closes the window, then destroys the children, then what they shared.
    ~HalyardGUI() override;

    // The window: one at a time (a second open replaces the first); null when none can be
    // made here.
    void* openUI(void* parentInfo, void* controlInfo, rigging::DAW daw,
                 rigging::GraphicsBackend backend) override;
    void closeUI() override;
    void getGUISize(int* width, int* height) override;

    virtual void setOversampleButtonPositions(rigging::UIContext* context) noexcept;
    virtual void setBypassButtonPosition(rigging::UIContext* context) noexcept;
    virtual void setupGlobalKnobs() noexcept;
    // New arrays of four (bands 1 to 4) from the aligned allocator; the receiving knob owns
    // them. k is 0..4 (Attack, Release, Threshold, Ratio, Gain).
    virtual rigging::BoolParameter** getLinkParamsForGlobalKnob(int k) noexcept;
    virtual rigging::FloatParameter** getParamsForGlobalKnob(int k) noexcept;
    virtual void setGlobalKnobPositions() noexcept;

    // Audio thread.
    void updateFFTData(const rigging::Vec<SpectrumBin>& spectrum, int fftSize,
                       float sampleRate) override;
    void updateMeters(const float (&inputLevels)[4], const float (&outputLevels)[4],
                      float sampleRate) override;

    void onParameterChanged(rigging::Parameter*) noexcept override {}
    void onBeginParameterEdit(rigging::Parameter*) noexcept override {}
    void onEndParameterEdit(rigging::Parameter*) noexcept override {}

    rigging::Client& client() const noexcept { return *client_; }
    MessageQueue& mailbox() noexcept { return *mailbox_; }
    GlobalState& bandState() noexcept { return *bandState_; }
    UITooltip& tooltip() noexcept { return *tooltip_; }
    rigging::Font& font() noexcept { return *font_; }
    const rigging::OwnedImage<rigging::RGBA>& knobImage() const noexcept { return *knobImage_; }
    FFTDisplay& spectrumDisplay() noexcept { return *spectrum_; }
    MainPanel& mainPanel() noexcept { return *mainPanel_; }
    UIParamWidget& informationLine() noexcept { return *informationLine_; }
    UIBottomLeftPanel& bottomLeftPanel() noexcept { return *bottomLeftPanel_; }
    UIGlobalFilmstripKnob& globalKnob(int k) noexcept { return *globalKnobs_[k]; }
    UISubPanelKnobLabel& globalKnobLabel(int k) noexcept { return *globalLabels_[k]; }
    UITextButton& oversampleButton(int i) noexcept { return *oversampleButtons_[i]; }
    UIToggleTextButton& bypassButton() noexcept { return *bypassButton_; }
    rigging::UIColorCorrection& colorCorrection() noexcept { return *colorCorrection_; }

private:
    void setLights() noexcept;
    void place(rigging::UIElement* e, const geom::box2i& box) noexcept;

    rigging::Client* client_;
    FFTDisplay* spectrum_ = nullptr;
    MainPanel* mainPanel_ = nullptr;
    UIParamWidget* informationLine_ = nullptr;
    UIBottomLeftPanel* bottomLeftPanel_ = nullptr;
    UIGlobalFilmstripKnob* globalKnobs_[5] = {};
    UISubPanelKnobLabel* globalLabels_[5] = {};
    UITextButton* oversampleButtons_[4] = {};
    UIToggleTextButton* bypassButton_ = nullptr;
    rigging::UIColorCorrection* colorCorrection_ = nullptr;
    rigging::Font* font_ = nullptr;
    rigging::OwnedImage<rigging::RGBA>* knobImage_ = nullptr;
    rigging::OwnedImage<rigging::RGBA>* oversampleImage_ = nullptr;
    rigging::OwnedImage<rigging::RGBA>* bypassImage_ = nullptr;
    UITooltip* tooltip_ = nullptr;
    MessageQueue* mailbox_ = nullptr;
    GlobalState* bandState_ = nullptr;
};

}  // namespace brindlewave
