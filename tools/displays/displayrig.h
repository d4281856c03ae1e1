#pragma once
// The editor's displays in the places the editor and its band panels give them, over the lit
// background from the embedded artwork and under the editor's colour correction, with the
// audio-side hand-off the editor forwards. Until the editor class places them itself, the
// display tests, benchmarks and review pictures run on this.

#include <memory>

#include "brindlewave/client.h"
#include "brindlewave/globals.h"
#include "brindlewave/messagequeue.h"
#include "brindlewave/widgets/compdisplay.h"
#include "brindlewave/widgets/envelopedisplay.h"
#include "brindlewave/widgets/fftdisplay.h"
#include "brindlewave/widgets/meter.h"
#include "brindlewave/widgets/timereductiondisplay.h"
#include "brindlewave/widgets/tooltip.h"
#include "displays/programme.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/font.h"
#include "rigging/pbrwidgets/colorcorrection.h"
#include "rigging/pbrwidgets/pbrbackgroundgui.h"

namespace brindlewave::displays {


class DisplayRig {
public:
    explicit DisplayRig(int maxWorkers = 2) noexcept;
    ~DisplayRig();
    DisplayRig(const DisplayRig&) = delete;
    DisplayRig& operator=(const DisplayRig&) = delete;

    rigging::PBRBackgroundGUI& gui() noexcept { return *gui_; }
    BrindlewaveClient& client() noexcept { return *client_; }
    GlobalState& state() noexcept { return state_; }
    MessageQueue& mailbox() noexcept { return mailbox_; }
    FFTDisplay& spectrum() noexcept { return *spectrum_; }
    UIMeter& meter(int band) noexcept { return *meters_[band]; }
    UITimeReductionDisplay& history(int band) noexcept { return *histories_[band]; }
    UIEnvelopeDisplay& envelope(int band) noexcept { return *envelopes_[band]; }
    UICompDisplay& curve(int band) noexcept { return *curves_[band]; }

    // What the editor does with the engine's hand-off, on the audio thread.
    void updateFFTData(const rigging::Vec<SpectrumBin>& spectrum, int fftSize,
                       float sampleRate) noexcept;
    void updateMeters(const float (&pre)[4], const float (&post)[4], float sampleRate) noexcept;

    // One engine block of a moving programme: a spectrum from a fixed set of analysed frames
    // of tones over noise, and band levels that swell and fall with the block index. Never
    // allocates.
    void feedBlock(int block) noexcept;
    const rigging::Vec<SpectrumBin>& programmeFrame(int block) const noexcept;

private:
    BrindlewaveClient* client_;
    rigging::PBRBackgroundGUI* gui_;
    GlobalState state_;
    MessageQueue mailbox_;
    rigging::Font* font_;
    UITooltip* tooltip_;
    rigging::OwnedImage<rigging::RGBA>* envelopeOverlay_;
    rigging::OwnedImage<rigging::RGBA>* curveOverlay_;
    rigging::OwnedImage<rigging::RGBA>* historyOverlay_;
    rigging::OwnedImage<rigging::RGBA>* meterOverlay_;
    FFTDisplay* spectrum_;
    UIMeter* meters_[kBands];
    UITimeReductionDisplay* histories_[kBands];
    UIEnvelopeDisplay* envelopes_[kBands];
    UICompDisplay* curves_[kBands];
    rigging::UIColorCorrection* colorCorrection_;
    Programme programme_;
};

}  // namespace brindlewave::displays
