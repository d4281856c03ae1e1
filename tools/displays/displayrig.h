#pragma once
// The editor with a stand-in engine: the real editor built on a plug-in client, the displays
// reached by name, and the synthetic programme handed over as the engine would on the audio
// thread. The display tests, benchmarks and review pictures run on it.

#include "brindlewave/client.h"
#include "brindlewave/globals.h"
#include "brindlewave/gui.h"
#include "brindlewave/messagequeue.h"
#include "brindlewave/widgets/compdisplay.h"
#include "brindlewave/widgets/envelopedisplay.h"
#include "brindlewave/widgets/fftdisplay.h"
#include "brindlewave/widgets/meter.h"
#include "brindlewave/widgets/timereductiondisplay.h"
#include "displays/programme.h"
#include "rigging/core/vec.h"

namespace brindlewave::displays {

class DisplayRig {
public:
    explicit DisplayRig(int maxWorkers = 2) noexcept;
    ~DisplayRig();
    DisplayRig(const DisplayRig&) = delete;
    DisplayRig& operator=(const DisplayRig&) = delete;

    HalyardGUI& gui() noexcept { return *gui_; }
    BrindlewaveClient& client() noexcept { return *client_; }
    GlobalState& state() noexcept { return gui_->bandState(); }
    MessageQueue& mailbox() noexcept { return gui_->mailbox(); }
    FFTDisplay& spectrum() noexcept { return gui_->spectrumDisplay(); }
    UIMeter& meter(int band) noexcept;
    UITimeReductionDisplay& history(int band) noexcept;
    UIEnvelopeDisplay& envelope(int band) noexcept;
    UICompDisplay& curve(int band) noexcept;

    // The engine's hand-off, on the audio thread.
    void updateFFTData(const rigging::Vec<SpectrumBin>& spectrum, int fftSize,
                       float sampleRate) noexcept;
    void updateMeters(const float (&pre)[4], const float (&post)[4], float sampleRate) noexcept;

    // One engine block of the moving programme. Never allocates.
    void feedBlock(int block) noexcept { programme_.feedBlock(*gui_, block); }
    const rigging::Vec<SpectrumBin>& programmeFrame(int block) const noexcept {
        return programme_.frame(block);
    }

private:
    BrindlewaveClient* client_;
    HalyardGUI* gui_;
    Programme programme_;
};

}  // namespace brindlewave::displays
