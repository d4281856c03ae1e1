#pragma once
// A moving programme as the engine would hand it to its editor: spectrum frames of three
// drifting tones over falling noise, analysed as the engine analyses its output, and band
// levels that swell and fall, compressed above -20 dB. For the tests, benchmarks and pictures
// that play the editor without an engine.

#include "brindlewave/editorsink.h"
#include "rigging/core/vec.h"

namespace brindlewave::displays {

inline constexpr int kBands = 4;
inline constexpr int kFFTSize = 4096;
inline constexpr int kBins = kFFTSize / 2 + 1;
inline constexpr float kSampleRate = 48000.0f;
inline constexpr double kBlocksPerSecond = 48000.0 / 512.0;  // the engine's hand-offs

class Programme {
public:
    Programme() noexcept;

    // The spectrum of engine block `block` (the frames repeat).
    const rigging::Vec<SpectrumBin>& frame(int block) const noexcept;
    // The four bands' levels before and after compression at that block.
    static void levels(int block, float (&pre)[kBands], float (&post)[kBands]) noexcept;
    // Both, handed to the sink as the engine would at the end of a block. Never allocates.
    void feedBlock(IEditorSink& sink, int block) const;

private:
    static constexpr int kFrames = 16;
    rigging::Vec<SpectrumBin> frames_[kFrames];
};

}  // namespace brindlewave::displays
