#pragma once
// The per-channel and per-band units the engine owns, and the settings one block runs with.

#include "audiofx/util/envelope.h"
#include "before/brindlewave/dsp/bandsplitter.h"
#include "before/brindlewave/dsp/compressor.h"
#include "before/brindlewave/dsp/upsampler.h"

namespace brindlewave_before {

constexpr int kEngineChannels = 2;
constexpr int kEngineBands = 4;
constexpr int kMaxOversampling = 8;
constexpr int kMaxBlockFrames = 512;

struct EngineUnits {
    BandSplitter* splitters[kEngineChannels] = {};
    audiofx::PeakDetector* preDetectors[kEngineBands] = {};   // shared by both channels
    audiofx::PeakDetector* postDetectors[kEngineBands] = {};  // shared by both channels
    BrindlewaveCompressor* compressors[kEngineChannels][kEngineBands] = {};
    Upsampler* upsamplers[kEngineChannels] = {};
};

struct BlockSettings {
    int bands = 4;     // 2..4
    int channels = 2;  // 1..2
    int factor = 1;    // 1, 2, 4, 8
    float inputGain = 1.0f;
    bool bypass = false;
    bool solo[kEngineBands] = {};

    bool anySolo() const noexcept { return solo[0] || solo[1] || solo[2] || solo[3]; }
    // Band b is compressed (and metered); a band that solo silences contributes 0.
    bool bandRuns(int b) const noexcept { return !anySolo() || solo[b]; }
};

}  // namespace brindlewave_before
