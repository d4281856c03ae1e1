#pragma once
// The block's sample path with both channels in SSE lanes. Each crossover runs its low-pass and
// high-pass for both channels as one four-lane cascade of state-variable sections, the
// compensating all-passes share lanes the same way, the eight compressors run as two four-band
// vectors, and the anti-alias filters run both channels side by side. Every lane repeats its unit's single-precision arithmetic in
// the same order, and the units' state is read before and written back after each block, so the
// result and the units' state equal those of processBlockScalar exactly. The gain computer skips
// its logarithm while an envelope is provably below the threshold.

#include <xmmintrin.h>

#include "brindlewave/dsp/decibels.h"
#include "brindlewave/dsp/engineunits.h"
#include "brindlewave/dsp/section4.h"
#include "brindlewave/dsp/statevariable4.h"

namespace brindlewave {

class VectorKernel {
public:
    VectorKernel() noexcept;
    ~VectorKernel();
    VectorKernel(const VectorKernel&) = delete;
    VectorKernel& operator=(const VectorKernel&) = delete;

    // Same contract as processBlockScalar (inputs finite; inputs[1] readable even for one
    // channel), but the results go to output(ch), not to the upsamplers' buffers.
    void process(EngineUnits& units, const BlockSettings& settings, const float* const* inputs,
                 int frames) noexcept;

    const float* output(int ch) const noexcept { return decimated_[ch]; }

private:
    struct alignas(16) CompressorLanes {
        __m128 envelope, attack, release, threshold, slope, makeup, ceiling;
    };
    struct alignas(16) DetectorLanes {
        __m128 envelope;
        __m128 coef[4];  // attack, release, 1 - attack, 1 - release
    };
    struct alignas(16) Masks {
        __m128 inputGain;  // lanes 0 and 1
        __m128 runs;       // bands compressed and metered
        __m128 feeds;      // bands whose detectors follow the signal
    };
    using LaneMap = audiofx::BiQuad* [4];
    using SectionMap = audiofx::StateVariableSection* [4];

    void mapSections(EngineUnits& units, int bands) noexcept;
    void loadState(EngineUnits& units, const BlockSettings& s) noexcept;
    void storeState(EngineUnits& units, const BlockSettings& s) noexcept;

    // Both channels' inputs as (channel 0, channel 1) pairs, each frame followed by factor - 1
    // zero pairs: the up-sampling filter's input.
    void zeroStuffInputs(const float* const* inputs, int frames, int factor) noexcept;
    template <int B, bool Bypass, bool Oversampled>
    void runBands(int frames, int factor) noexcept;
    struct GainWork {
        __m128 bands[2] = {};    // channel 0's and channel 1's four bands
        __m128 aboveCeiling[2];  // compressors whose envelope may ask for a reduction
        __m128 reduction[2];     // in dB, not positive where reducing
        __m128 reducing[2];
        decibels::Lanes4 level[2], gain[2];
        bool anyAboveCeiling = false;
    };
    template <int B, bool Bypass>
    void compressBegin(int i, GainWork& w) noexcept;
    template <bool Bypass>
    void compressMiddle(GainWork& w) noexcept;
    template <int B, bool Bypass>
    void compressEnd(int i, GainWork& w) noexcept;
    void meterSecondChannel(int n) noexcept;

    void gainsBegin(GainWork& w) noexcept;
    void gainsMiddle(GainWork& w) noexcept;
    void gainsEnd(GainWork& w, __m128 (&g)[2]) noexcept;
    __m128 compress(CompressorLanes& c, __m128 x, __m128 g) noexcept;

    lanes::StateVariable4 cross_[3][8];  // crossovers 1..3: (LP, HP) of channel 0, then channel 1
    lanes::StateVariable4 allpass1_[4];  // band 0 at crossover 2: channel 0, channel 1
    lanes::StateVariable4 allpass2_[4];  // bands 0 and 1 at crossover 3, channel 0 then channel 1
    lanes::Section4 antiAlias_[10];  // up-sampling filter of channels 0, 1; decimation of 0, 1
    SectionMap crossMap_[3][8] = {};
    SectionMap allpass1Map_[4] = {};
    SectionMap allpass2Map_[4] = {};
    LaneMap antiAliasMap_[10] = {};

    CompressorLanes compressors_[kEngineChannels];
    DetectorLanes preDetectors_, postDetectors_;
    Masks masks_;
    int runBits_ = 0;

    float* pairs_ = nullptr;  // oversampled (channel 0, channel 1) pairs
    // Channel 1's four bands before and after compression, metered once the loop is done.
    __m128* secondChannelBands_ = nullptr;
    __m128* crossover1and3Out_ = nullptr;  // crossover 1's outputs, later crossover 3's
    __m128* crossover2Out_ = nullptr;
    __m128* allpassOut_ = nullptr;  // band 0's all-pass outputs, later bands 0 and 1's
    float decimated_[kEngineChannels][kMaxBlockFrames];
};

}  // namespace brindlewave
