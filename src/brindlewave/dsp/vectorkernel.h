#pragma once
// The block's sample path with both channels in SSE lanes. Each crossover runs its low-pass and
// high-pass for both channels as one four-lane cascade, the compensating all-passes share lanes
// the same way, the eight compressors run as two four-band vectors, and the anti-alias filters
// run both channels side by side. Every lane repeats its unit's single-precision arithmetic in
// the same order, and the units' state is read before and written back after each block, so the
// result and the units' state equal those of processBlockScalar exactly. The gain computer skips
// its logarithm while an envelope is provably below the threshold.

#include <xmmintrin.h>

#include "brindlewave/dsp/engineunits.h"
#include "brindlewave/dsp/section4.h"
#include "brindlewave/dsp/vecdecibels.h"

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

    void mapSections(EngineUnits& units, int bands) noexcept;
    void loadState(EngineUnits& units, const BlockSettings& s) noexcept;
    void storeState(EngineUnits& units, const BlockSettings& s) noexcept;

    void stuff(const float* const* inputs, int frames, int factor) noexcept;
    template <int B, bool Bypass, bool Oversampled>
    void runBands(int frames, int factor) noexcept;
    struct GainWork {
        __m128 bands[2];  // channel 0's and channel 1's four bands
        __m128 need[2], r[2], reduce[2];
        lanes::Decibels2 level[2][2], gain[2][2];
        bool any = false;
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

    lanes::Section4 cross_[3][8];  // crossovers 1..3: (LP, HP) of channel 0, then channel 1
    lanes::Section4 allpass1_[4];  // band 0 at crossover 2: channel 0, channel 1
    lanes::Section4 allpass2_[4];  // bands 0 and 1 at crossover 3, channel 0 then channel 1
    lanes::Section4 up_[10];       // channel 0, channel 1
    lanes::Section4 down_[10];
    LaneMap crossMap_[3][8] = {};
    LaneMap allpass1Map_[4] = {};
    LaneMap allpass2Map_[4] = {};
    LaneMap upMap_[10] = {};
    LaneMap downMap_[10] = {};
    int parity_ = 0;  // of the band path after the last block's run

    const lanes::DecibelTables* tables_;
    CompressorLanes comp_[kEngineChannels];
    DetectorLanes pre_, post_;
    Masks masks_;
    int runBits_ = 0;

    // Cached per compressor: the settings the unity ceiling was computed for.
    float ceilingThreshold_[kEngineChannels][kEngineBands];
    float ceilingSlope_[kEngineChannels][kEngineBands];
    float ceiling_[kEngineChannels][kEngineBands];

    float* pairs_ = nullptr;  // oversampled (channel 0, channel 1) pairs
    __m128* secondLevels_ = nullptr;
    __m128* bandsT_ = nullptr;  // crossover 1's outputs, later crossover 3's
    __m128* bandsU_ = nullptr;  // crossover 2's outputs
    __m128* bandsA_ = nullptr;  // band 0's all-pass outputs, later bands 0 and 1's  // channel 1's
                                // band values before and after compression
    float decimated_[kEngineChannels][kMaxBlockFrames];
};

}  // namespace brindlewave
