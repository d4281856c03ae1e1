#pragma once
// The block's sample path with both channels in SSE lanes. The crossover tree's stages run as
// four-lane cascades of state-variable sections: each split holds its low-pass and high-pass for
// both channels, each all-pass stage the compensating all-passes at its crossover; the eight
// compressors run as two four-band vectors, and the anti-alias filters run both channels side by
// side. Every lane repeats its unit's single-precision arithmetic in the same order, so the
// result equals that of processBlockScalar exactly. The filters' state lives in the lanes from
// the first block on: the units' coefficients are copied in only when the units report a change,
// and the sections the units clear are cleared in the lanes. The gain computer skips its
// logarithm while an envelope is provably below the threshold.

#include <xmmintrin.h>

#include "brindlewave/dsp/crossovertree.h"
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
    // channel), but the results go to output(ch), not to the upsamplers' buffers, and the
    // filters' state stays in the kernel. The first block with a set of units takes their state;
    // the kernel then holds on to their sections, which must stay where they are (no
    // Upsampler::initialize) until handBack.
    void process(EngineUnits& units, const BlockSettings& settings, const float* const* inputs,
                 int frames) noexcept;

    // Writes the filters' state back into the units and lets go of them: the next block starts
    // again from the units' state. For running the units elsewhere, or looking at their state.
    void handBack(EngineUnits& units) noexcept;

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
    using SectionMap = lanes::SectionMap;
    using BiQuadMap = lanes::BiQuadMap;
    static constexpr int kCrossovers = crossovertree::kMaxCrossovers;

    // Which unit section runs in which lane: fixed by the crossover tree, whatever the band count.
    void mapSections(EngineUnits& units) noexcept;
    // Takes the units' coefficients and state.
    void adopt(EngineUnits& units) noexcept;
    // New coefficients and cleared sections from the units' reports since the last block.
    void followChanges(EngineUnits& units) noexcept;
    // f(lanes, map) for every stage of the crossover tree; and of the anti-alias filters too.
    template <class F>
    void forEachTreeStage(F f) noexcept;
    template <class F>
    void forEachFilterStage(F f) noexcept;
    // The compressors' and detectors' settings for this block, and the block's lane masks.
    void loadBlock(EngineUnits& units, const BlockSettings& s) noexcept;
    // The compressors' and detectors' envelopes back into the units.
    void storeBlock(EngineUnits& units, const BlockSettings& s) noexcept;
    // With one channel, the second channel's filter lanes run on zeros: their state is kept
    // before the block and put back after it.
    void saveSecondChannel() noexcept;
    void restoreSecondChannel() noexcept;

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

    // The tree's stages (crossovertree.h). Split x: (low-pass of band x, high-pass of band x + 1)
    // of channel 0, then of channel 1. All-pass stage x (1 and 2): the all-passes at crossover x
    // of bands 0 .. x - 1, channel 0's, then channel 1's.
    lanes::StateVariable4 cross_[kCrossovers][8];
    lanes::StateVariable4 allpass1_[4];
    lanes::StateVariable4 allpass2_[4];
    lanes::Section4 antiAlias_[10];  // up-sampling filter of channels 0, 1; decimation of 0, 1
    SectionMap crossMap_[kCrossovers][8] = {};
    SectionMap allpass1Map_[4] = {};
    SectionMap allpass2Map_[4] = {};
    BiQuadMap antiAliasMap_[10] = {};
    EngineUnits* adopted_ = nullptr;  // the units whose state the lanes hold
    struct SecondChannel {
        lanes::StateVariable4 cross[kCrossovers][8], allpass1[4], allpass2[4];
        lanes::Section4 antiAlias[10];
    } secondChannel_;

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
