#include "displays/displayrig.h"

#include "brindlewave/plugin.h"
#include "brindlewave/widgets/mainpanel.h"
#include "brindlewave/widgets/subpanel.h"
#include "rigging/core/nogc.h"

namespace brindlewave::displays {

DisplayRig::DisplayRig(int maxWorkers) noexcept
    : client_(rigging::createClient<BrindlewavePlugin>()),
      gui_(rigging::mallocNew<HalyardGUI>(*client_, maxWorkers)) {}

DisplayRig::~DisplayRig() {
    rigging::destroyFree(gui_);
    rigging::destroyFree(client_);
}

UIMeter& DisplayRig::meter(int band) noexcept {
    return *gui_->mainPanel().panel(band)->meter();
}
UITimeReductionDisplay& DisplayRig::history(int band) noexcept {
    return *gui_->mainPanel().panel(band)->historyDisplay();
}
UIEnvelopeDisplay& DisplayRig::envelope(int band) noexcept {
    return *gui_->mainPanel().panel(band)->envelopeDisplay();
}
UICompDisplay& DisplayRig::curve(int band) noexcept {
    return *gui_->mainPanel().panel(band)->curveDisplay();
}

void DisplayRig::updateFFTData(const rigging::Vec<SpectrumBin>& spectrum, int fftSize,
                               float sampleRate) noexcept {
    gui_->updateFFTData(spectrum, fftSize, sampleRate);
}

void DisplayRig::updateMeters(const float (&pre)[4], const float (&post)[4],
                              float sampleRate) noexcept {
    gui_->updateMeters(pre, post, sampleRate);
}

}  // namespace brindlewave::displays
