#pragma once
// What the engine hands its editor at the end of every block. The editor implements it; the
// engine reaches it only between graphicsAcquire and graphicsRelease, on the audio thread, so an
// implementation must not block and must copy what it keeps: the arguments are valid only
// during the call.

#include <complex>

#include "rigging/client/graphics.h"
#include "rigging/core/vec.h"

namespace brindlewave_before {

using SpectrumBin = std::complex<float>;

class IEditorSink : public rigging::IGraphics {
public:
    // The latest spectrum frame of the first output channel before the output gain:
    // fftSize / 2 + 1 bins; sampleRate is the host's rate.
    virtual void updateFFTData(const rigging::Vec<SpectrumBin>& spectrum, int fftSize,
                               float sampleRate) = 0;
    // Envelopes (linear amplitudes) of the four bands before and after compression.
    virtual void updateMeters(const float (&inputLevels)[4], const float (&outputLevels)[4],
                              float sampleRate) = 0;
};

}  // namespace brindlewave_before
