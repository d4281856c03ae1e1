#include "brindlewave/dsp/vectorkernel.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "brindlewave/dsp/decibels.h"
#include "brindlewave/dsp/lanemap.h"
#include "brindlewave/dsp/wavefront.h"
#include "rigging/core/vec.h"

namespace brindlewave {

using lanes::Section4;

namespace {

constexpr int kUpSections = Upsampler::filterOrder / 2;
constexpr std::size_t kMaxOversampled = std::size_t(kMaxOversampling) * kMaxBlockFrames;

using lanes::select;

// Lanes of the tree's stages: a split holds the low-pass and the high-pass of channel 0, then of
// channel 1; the all-pass stage at crossover x the all-passes of bands 0 .. x - 1 of channel 0,
// then of channel 1. The anti-alias filters: up-sampling of channels 0 and 1, then decimation.
constexpr int splitLane(int ch, int highpass) noexcept {
    return 2 * ch + highpass;
}
constexpr int allpassLane(int ch, int x, int band) noexcept {
    return ch * x + band;
}
constexpr int antiAliasLanes(int ch) noexcept {
    return (1 << ch) | (4 << ch);
}
// Lane bits of one channel's all-pass stage at x for the bands whose bit is set in `bands`.
constexpr int allpassLanes(int ch, int x, unsigned bands) noexcept {
    int bits = 0;
    for (int b = 0; b < crossovertree::allpassStageBands(x); ++b)
        if ((bands >> b) & 1u) bits |= 1 << allpassLane(ch, x, b);
    return bits;
}

inline __m128 absolute(__m128 x) noexcept {
    return _mm_and_ps(x, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
}
inline __m128 infinity() noexcept {
    return _mm_set1_ps(std::numeric_limits<float>::infinity());
}
// All bits set where x is finite.
inline __m128 finite(__m128 x) noexcept {
    return _mm_cmplt_ps(absolute(x), infinity());
}
inline __m128 gather(const float (&v)[4]) noexcept {
    return _mm_loadu_ps(v);
}
inline __m128 loadPair(const float* p) noexcept {
    return _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(p)));
}
inline void storePair(float* p, __m128 v) noexcept {
    _mm_storel_pi(reinterpret_cast<__m64*>(p), v);
}
inline float laneOf(__m128 v, int i) noexcept {
    alignas(16) float f[4];
    _mm_store_ps(f, v);
    return f[i];
}

// One step of four peak detectors, as EnvelopeDetector::follow does it. Lanes outside `feed` see
// a level of 0 through coefficients (1, 1, 0, 0), which leaves their envelope exactly as it is.
BRINDLEWAVE_INLINE void follow(__m128& envelope, const __m128 (&c)[4], __m128 x,
                               __m128 feed) noexcept {
    const __m128 level = _mm_and_ps(absolute(x), feed);
    // Both candidates at once, the choice last: a shorter chain from one envelope to the next.
    const __m128 rising = _mm_add_ps(_mm_mul_ps(c[2], level), _mm_mul_ps(c[0], envelope));
    const __m128 falling = _mm_add_ps(_mm_mul_ps(c[3], level), _mm_mul_ps(c[1], envelope));
    const __m128 e = select(_mm_cmpgt_ps(level, envelope), rising, falling);
    envelope = e;
    if (_mm_movemask_ps(_mm_cmpnlt_ps(absolute(e), infinity())))
        envelope = _mm_and_ps(e, finite(e));
}

}  // namespace

VectorKernel::VectorKernel() noexcept {
    pairs_ =
        static_cast<float*>(rigging::alignedMalloc(sizeof(float) * 2 * (kMaxOversampled + 2), 16));
    secondChannelBands_ =
        static_cast<__m128*>(rigging::alignedMalloc(sizeof(__m128) * 2 * kMaxOversampled, 16));
    for (__m128** b : {&crossover1and3Out_, &crossover2Out_, &allpassOut_})
        *b = static_cast<__m128*>(rigging::alignedMalloc(sizeof(__m128) * kMaxOversampled, 16));
    std::memset(decimated_, 0, sizeof(decimated_));
}

VectorKernel::~VectorKernel() {
    rigging::alignedFree(pairs_, 16);
    rigging::alignedFree(secondChannelBands_, 16);
    for (__m128* b : {crossover1and3Out_, crossover2Out_, allpassOut_}) rigging::alignedFree(b, 16);
}

void VectorKernel::mapSections(EngineUnits& u) noexcept {
    namespace tree = crossovertree;
    std::memset(crossMap_, 0, sizeof(crossMap_));
    std::memset(allpass1Map_, 0, sizeof(allpass1Map_));
    std::memset(allpass2Map_, 0, sizeof(allpass2Map_));
    std::memset(antiAliasMap_, 0, sizeof(antiAliasMap_));
    SectionMap* allpassMaps[kCrossovers] = {nullptr, allpass1Map_, allpass2Map_};
    for (int ch = 0; ch < kEngineChannels; ++ch) {
        Band* band = u.splitters[ch]->bands;
        for (int x = 0; x < kCrossovers; ++x) {
            static_assert(tree::lowpassCrossover(0) == 0 && tree::highpassCrossover(1) == 0);
            for (int k = 0; k < 8; ++k) {
                crossMap_[x][k][splitLane(ch, 0)] = &band[x].lowpass->section(k);
                crossMap_[x][k][splitLane(ch, 1)] = &band[x + 1].highpass->section(k);
            }
            for (int b = 0; b < tree::allpassStageBands(x); ++b)
                for (int k = 0; k < 4; ++k)
                    allpassMaps[x][k][allpassLane(ch, x, b)] =
                        &(*band[b].allpasses)[tree::allpassAt(b, x)].section(k);
        }
        for (int k = 0; k < kUpSections; ++k) {
            antiAliasMap_[k][ch] = &u.upsamplers[ch]->upsamplingFilter->section(k);
            antiAliasMap_[k][2 + ch] = &u.upsamplers[ch]->decimationFilter->section(k);
        }
    }
}

template <class F>
void VectorKernel::forEachTreeStage(F f) noexcept {
    for (int x = 0; x < kCrossovers; ++x)
        for (int k = 0; k < 8; ++k) f(cross_[x][k], crossMap_[x][k]);
    for (int k = 0; k < 4; ++k) {
        f(allpass1_[k], allpass1Map_[k]);
        f(allpass2_[k], allpass2Map_[k]);
    }
}

template <class F>
void VectorKernel::forEachFilterStage(F f) noexcept {
    forEachTreeStage(f);
    for (int k = 0; k < kUpSections; ++k) f(antiAlias_[k], antiAliasMap_[k]);
}

void VectorKernel::adopt(EngineUnits& u) noexcept {
    mapSections(u);
    forEachFilterStage([](auto& s, const auto& lane) {
        lanes::loadCoefficients(s, lane);
        lanes::loadState(s, lane);
    });
    // What the units did before now is in what was just taken.
    for (int ch = 0; ch < kEngineChannels; ++ch) {
        u.splitters[ch]->takeChanges();
        u.upsamplers[ch]->takeChanges();
    }
    adopted_ = &u;
}

void VectorKernel::handBack(EngineUnits& u) noexcept {
    if (adopted_ != &u) return;
    forEachFilterStage([](const auto& s, const auto& lane) { lanes::storeState(s, lane); });
    adopted_ = nullptr;
}

void VectorKernel::followChanges(EngineUnits& u) noexcept {
    bool treeRetuned = false, antiAliasRetuned = false;
    for (int ch = 0; ch < kEngineChannels; ++ch) {
        const BandSplitter::Changes c = u.splitters[ch]->takeChanges();
        treeRetuned |= c.retuned;
        if ((c.clearedBands | c.clearedSplits) != 0) {
            const unsigned splits = c.clearedBands | c.clearedSplits;
            auto cleared = [&](int band) { return (splits >> band) & 1u; };
            for (int x = 0; x < kCrossovers; ++x) {
                const int split =
                    (cleared(x) << splitLane(ch, 0)) | (cleared(x + 1) << splitLane(ch, 1));
                for (lanes::StateVariable4& s : cross_[x]) lanes::clearLanes(s, split);
            }
            for (lanes::StateVariable4& s : allpass1_)
                lanes::clearLanes(s, allpassLanes(ch, 1, c.clearedBands));
            for (lanes::StateVariable4& s : allpass2_)
                lanes::clearLanes(s, allpassLanes(ch, 2, c.clearedBands));
        }
        const Upsampler::Changes a = u.upsamplers[ch]->takeChanges();
        antiAliasRetuned |= a.retuned;
        if (a.cleared)
            for (lanes::Section4& s : antiAlias_) lanes::clearLanes(s, antiAliasLanes(ch));
    }
    if (treeRetuned)
        forEachTreeStage([](auto& s, const auto& lane) { lanes::loadCoefficients(s, lane); });
    if (antiAliasRetuned)
        for (int k = 0; k < kUpSections; ++k)
            lanes::loadCoefficients(antiAlias_[k], antiAliasMap_[k]);
}

void VectorKernel::saveSecondChannel() noexcept {
    SecondChannel& c = secondChannel_;
    std::memcpy(c.cross, cross_, sizeof cross_);
    std::memcpy(c.allpass1, allpass1_, sizeof allpass1_);
    std::memcpy(c.allpass2, allpass2_, sizeof allpass2_);
    std::memcpy(c.antiAlias, antiAlias_, sizeof antiAlias_);
}

void VectorKernel::restoreSecondChannel() noexcept {
    const SecondChannel& c = secondChannel_;
    constexpr int split = (1 << splitLane(1, 0)) | (1 << splitLane(1, 1));
    for (int x = 0; x < kCrossovers; ++x)
        for (int k = 0; k < 8; ++k) lanes::restoreLanes(cross_[x][k], c.cross[x][k], split);
    for (int k = 0; k < 4; ++k) {
        lanes::restoreLanes(allpass1_[k], c.allpass1[k], allpassLanes(1, 1, ~0u));
        lanes::restoreLanes(allpass2_[k], c.allpass2[k], allpassLanes(1, 2, ~0u));
    }
    for (int k = 0; k < kUpSections; ++k)
        lanes::restoreLanes(antiAlias_[k], c.antiAlias[k], antiAliasLanes(1));
}

void VectorKernel::loadBlock(EngineUnits& u, const BlockSettings& s) noexcept {
    for (int ch = 0; ch < kEngineChannels; ++ch) {
        float env[4], att[4], rel[4], thr[4], slope[4], makeup[4], ceiling[4];
        for (int b = 0; b < kEngineBands; ++b) {
            const BrindlewaveCompressor::LaneState c = u.compressors[ch][b]->exportState();
            env[b] = c.envelope;
            att[b] = c.attackCoeff;
            rel[b] = c.releaseCoeff;
            thr[b] = c.threshold;
            slope[b] = c.slope;
            makeup[b] = c.makeupGain;
            ceiling[b] = c.unityCeiling;
        }
        CompressorLanes& c = compressors_[ch];
        c.envelope = gather(env);
        c.attack = gather(att);
        c.release = gather(rel);
        c.threshold = gather(thr);
        c.slope = gather(slope);
        c.makeup = gather(makeup);
        c.ceiling = gather(ceiling);
    }

    auto loadDetectors = [](DetectorLanes& d, audiofx::PeakDetector* const* det) {
        float env[4], att[4], rel[4], attRest[4], relRest[4];
        for (int b = 0; b < kEngineBands; ++b) {
            env[b] = det[b]->envelope;
            att[b] = det[b]->attackCoeff;
            rel[b] = det[b]->releaseCoeff;
            attRest[b] = 1.0f - att[b];
            relRest[b] = 1.0f - rel[b];
        }
        d.envelope = gather(env);
        d.coef[0] = gather(att);
        d.coef[1] = gather(rel);
        d.coef[2] = gather(attRest);
        d.coef[3] = gather(relRest);
    };
    loadDetectors(preDetectors_, u.preDetectors);
    loadDetectors(postDetectors_, u.postDetectors);

    int runs = 0, feeds = 0;
    for (int b = 0; b < s.bands; ++b) {
        if (s.bypass || s.bandRuns(b)) feeds |= 1 << b;
        if (!s.bypass && s.bandRuns(b)) runs |= 1 << b;
    }
    runBits_ = runs;
    masks_.runs = lanes::laneMask(runs);
    masks_.feeds = lanes::laneMask(feeds);
    for (DetectorLanes* d : {&preDetectors_, &postDetectors_}) {
        const __m128 one = _mm_set1_ps(1.0f), zero = _mm_setzero_ps();
        d->coef[0] = select(masks_.feeds, d->coef[0], one);
        d->coef[1] = select(masks_.feeds, d->coef[1], one);
        d->coef[2] = select(masks_.feeds, d->coef[2], zero);
        d->coef[3] = select(masks_.feeds, d->coef[3], zero);
    }
    // A compressor that does not run sees 0 through coefficients of 1, which leaves its envelope
    // exactly as it is: no select on the feedback chain.
    for (CompressorLanes& c : compressors_) {
        c.attack = select(masks_.runs, c.attack, _mm_set1_ps(1.0f));
        c.release = select(masks_.runs, c.release, _mm_set1_ps(1.0f));
    }
    masks_.inputGain = _mm_setr_ps(s.inputGain, s.inputGain, 0.0f, 0.0f);
}

void VectorKernel::storeBlock(EngineUnits& u, const BlockSettings& s) noexcept {
    for (int ch = 0; ch < s.channels; ++ch)
        for (int b = 0; b < s.bands; ++b)
            if (runBits_ & (1 << b))
                u.compressors[ch][b]->importEnvelope(laneOf(compressors_[ch].envelope, b));
    for (int b = 0; b < kEngineBands; ++b) {
        u.preDetectors[b]->envelope = laneOf(preDetectors_.envelope, b);
        u.postDetectors[b]->envelope = laneOf(postDetectors_.envelope, b);
    }
}

void VectorKernel::zeroStuffInputs(const float* const* inputs, int frames, int factor) noexcept {
    const float* in0 = inputs[0];
    const float* in1 = inputs[1];
    float* out = pairs_;
    // The up-sampling filter's input: each frame followed by F - 1 zeros.
    if (factor > 1) std::memset(out, 0, sizeof(float) * 2 * std::size_t(frames) * factor);
    for (int i = 0; i < frames; ++i) {
        out[2 * std::size_t(i) * factor] = in0[i];
        out[2 * std::size_t(i) * factor + 1] = in1[i];
    }
}

// The gain computer in three phases, so that the kernel's loop can put filter work between them:
// the processor then has independent work at hand while each phase waits on the one before.
BRINDLEWAVE_INLINE void VectorKernel::gainsBegin(GainWork& w) noexcept {
    // Envelopes at or below the unity ceiling need no logarithm: their gain is 1.
    for (int ch = 0; ch < 2; ++ch)
        w.aboveCeiling[ch] = _mm_andnot_ps(
            _mm_cmple_ps(compressors_[ch].envelope, compressors_[ch].ceiling), masks_.runs);
    w.anyAboveCeiling = _mm_movemask_ps(_mm_or_ps(w.aboveCeiling[0], w.aboveCeiling[1])) != 0;
    if (!w.anyAboveCeiling) return;
    for (int ch = 0; ch < 2; ++ch) w.level[ch] = decibels::decibels4(compressors_[ch].envelope);
}

BRINDLEWAVE_INLINE void VectorKernel::gainsMiddle(GainWork& w) noexcept {
    for (int ch = 0; ch < 2; ++ch) {
        const CompressorLanes& c = compressors_[ch];
        const __m128 level = decibels::settle<decibelsOfReference>(
            w.level[ch], c.envelope, _mm_movemask_ps(w.aboveCeiling[ch]));
        w.reduction[ch] = _mm_mul_ps(_mm_sub_ps(c.threshold, level), c.slope);
        w.reducing[ch] =
            _mm_and_ps(w.aboveCeiling[ch], _mm_cmplt_ps(w.reduction[ch], _mm_setzero_ps()));
        w.gain[ch] = decibels::gain4(w.reduction[ch]);
    }
}

BRINDLEWAVE_INLINE void VectorKernel::gainsEnd(GainWork& w, __m128 (&g)[2]) noexcept {
    const __m128 one = _mm_set1_ps(1.0f);
    for (int ch = 0; ch < 2; ++ch) {
        const __m128 v = decibels::settle<gainOfDecibelsReference>(w.gain[ch], w.reduction[ch],
                                                                   _mm_movemask_ps(w.reducing[ch]));
        g[ch] = select(w.reducing[ch], v, one);
    }
}

// One sample of four band compressors with gains g, as BrindlewaveCompressor::process does it.
BRINDLEWAVE_INLINE __m128 VectorKernel::compress(CompressorLanes& c, __m128 x, __m128 g) noexcept {
    const __m128 out = _mm_mul_ps(c.makeup, _mm_mul_ps(g, x));
    const __m128 d = absolute(out);
    const __m128 a = select(_mm_cmpgt_ps(d, c.envelope), c.attack, c.release);
    const __m128 e = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(c.envelope, d), a), d);
    // Non-finite envelopes start again from 0. They never occur with finite input, so the next
    // sample goes ahead with e while the check resolves.
    c.envelope = e;
    if (_mm_movemask_ps(_mm_cmpnlt_ps(absolute(e), infinity())))
        c.envelope = _mm_and_ps(e, finite(e));
    return out;
}

// The bands of sample i, and the gain computer's first phase.
template <int B, bool Bypass>
BRINDLEWAVE_INLINE void VectorKernel::compressBegin(int i, GainWork& w) noexcept {
    if constexpr (B == 2) {
        w.bands[0] = crossover1and3Out_[i];
        w.bands[1] = _mm_movehl_ps(w.bands[0], w.bands[0]);
    } else if constexpr (B == 3) {
        const __m128 a = allpassOut_[i], u = crossover2Out_[i];
        w.bands[0] = _mm_shuffle_ps(_mm_unpacklo_ps(a, u), u, _MM_SHUFFLE(1, 1, 1, 0));
        w.bands[1] = _mm_shuffle_ps(_mm_shuffle_ps(a, u, _MM_SHUFFLE(2, 2, 1, 1)), u,
                                    _MM_SHUFFLE(3, 3, 2, 0));
    } else {
        const __m128 v = allpassOut_[i], x = crossover1and3Out_[i];
        w.bands[0] = _mm_movelh_ps(v, x);
        w.bands[1] = _mm_movehl_ps(x, v);
    }
    if constexpr (!Bypass) gainsBegin(w);
}

template <bool Bypass>
BRINDLEWAVE_INLINE void VectorKernel::compressMiddle(GainWork& w) noexcept {
    if constexpr (!Bypass)
        if (w.anyAboveCeiling) gainsMiddle(w);
}

// Compression, meters and the band sums of sample i.
template <int B, bool Bypass>
BRINDLEWAVE_INLINE void VectorKernel::compressEnd(int i, GainWork& w) noexcept {
    const __m128 c0 = w.bands[0], c1 = w.bands[1];
    __m128 o0, o1;
    follow(preDetectors_.envelope, preDetectors_.coef, c0, masks_.feeds);
    if constexpr (Bypass) {
        o0 = c0;
        o1 = c1;
        follow(postDetectors_.envelope, postDetectors_.coef, c0, masks_.feeds);
    } else {
        __m128 g[2] = {_mm_set1_ps(1.0f), _mm_set1_ps(1.0f)};
        if (w.anyAboveCeiling) gainsEnd(w, g);
        o0 = compress(compressors_[0], _mm_and_ps(c0, masks_.runs), g[0]);
        follow(postDetectors_.envelope, postDetectors_.coef, o0, masks_.feeds);
        o1 = compress(compressors_[1], _mm_and_ps(c1, masks_.runs), g[1]);
    }
    secondChannelBands_[2 * i] = c1;
    secondChannelBands_[2 * i + 1] = o1;

    // Band sums in band order, channel 0 in lane 0 and channel 1 in lane 1.
    const __m128 lo = _mm_unpacklo_ps(o0, o1);
    __m128 sum = _mm_add_ps(lo, _mm_movehl_ps(lo, lo));
    if constexpr (B >= 3) {
        const __m128 hi = _mm_unpackhi_ps(o0, o1);
        sum = _mm_add_ps(sum, hi);
        if constexpr (B == 4) sum = _mm_add_ps(sum, _mm_movehl_ps(hi, hi));
    }
    storePair(pairs_ + 2 * std::size_t(i), sum);
}

// Every cascade of the block path, the compressors and the anti-alias filters share one loop:
// each stage runs an even number of steps behind the stage that feeds it, so one step of the loop
// holds independent work of many stages and the compressors' long feedback chain overlaps the
// filters. Each stage still sees its samples in order. Buffer use: the up-sampling filter works
// in place on the pairs, crossover 1 writes the outer buffer, crossover 2 the middle one, band
// 0's all-pass the all-passed one; crossover 3 then writes the outer buffer and the last
// all-passes the all-passed one again, each behind every reader of the old values; the
// compressors write their sums back to the pairs, which the decimation filter reads.
template <int B, bool Bypass, bool Oversampled>
void VectorKernel::runBands(int frames, int factor) noexcept {
    using lanes::makeWave;
    const int n = frames * factor;
    float* pairs = pairs_;
    __m128* outer = crossover1and3Out_;
    __m128* middle = crossover2Out_;
    __m128* allpassed = allpassOut_;
    const __m128 inGain = Bypass ? _mm_set1_ps(1.0f) : masks_.inputGain;
    const __m128 upGain = _mm_set1_ps(static_cast<float>(factor));
    float* d0 = decimated_[0];
    float* d1 = decimated_[1];
    const int keepMask = factor - 1;
    const int keepShift = factor == 2 ? 1 : factor == 4 ? 2 : 3;

    auto cross1 = makeWave<8, lanes::CrossoverStep>(
        cross_[0], n,
        [&](int j) {
            __m128 p = loadPair(pairs + 2 * j);
            if constexpr (!Bypass) p = _mm_mul_ps(p, inGain);
            return _mm_shuffle_ps(p, p, _MM_SHUFFLE(1, 1, 0, 0));
        },
        [&](int j, __m128 y) { outer[j] = y; });
    auto cross2 = makeWave<8, lanes::CrossoverStep>(
        cross_[1], n,
        [&](int j) { return _mm_shuffle_ps(outer[j], outer[j], _MM_SHUFFLE(3, 3, 1, 1)); },
        [&](int j, __m128 y) { middle[j] = y; });
    auto allpass1 = makeWave<4, lanes::AllpassStep>(
        allpass1_, n,
        [&](int j) { return _mm_shuffle_ps(outer[j], outer[j], _MM_SHUFFLE(2, 2, 2, 0)); },
        [&](int j, __m128 y) { allpassed[j] = y; });
    auto cross3 = makeWave<8, lanes::CrossoverStep>(
        cross_[2], n,
        [&](int j) { return _mm_shuffle_ps(middle[j], middle[j], _MM_SHUFFLE(3, 3, 1, 1)); },
        [&](int j, __m128 y) { outer[j] = y; });
    auto allpass2 = makeWave<4, lanes::AllpassStep>(
        allpass2_, n,
        [&](int j) {
            return _mm_unpacklo_ps(allpassed[j],
                                   _mm_shuffle_ps(middle[j], middle[j], _MM_SHUFFLE(2, 2, 2, 0)));
        },
        [&](int j, __m128 y) { allpassed[j] = y; });
    // Lags: each stage reads a sample a step after its source has written it; all even, as the
    // anti-alias filters (whose sections alternate their delay slots) need.
    constexpr int lagCross1 = Oversampled ? kUpSections : 0;
    constexpr int lagCross2 = lagCross1 + 8;
    constexpr int lagCross3 = lagCross2 + 8;
    constexpr int lagComp = lagCross1 + 8 * (B - 1);
    constexpr int lagDown = lagComp + 2;
    // The up-sampling filter (lanes 0, 1) and the decimation filter (lanes 2, 3, lagDown steps
    // behind) share their sections' registers.
    auto antiAlias = lanes::makePairedWave<kUpSections>(
        antiAlias_, n, lagDown,
        [&](int ju, int jd) {
            return _mm_movelh_ps(loadPair(pairs + 2 * ju), loadPair(pairs + 2 * jd));
        },
        [&](int ju, int jd, __m128 y, bool upOut, bool downOut) {
            if (upOut) storePair(pairs + 2 * ju, _mm_mul_ps(y, upGain));
            if (downOut && (jd & keepMask) == 0) {
                d0[jd >> keepShift] = _mm_cvtss_f32(_mm_movehl_ps(y, y));
                d1[jd >> keepShift] = _mm_cvtss_f32(_mm_shuffle_ps(y, y, _MM_SHUFFLE(3, 3, 3, 3)));
            }
        });
    const int total = (Oversampled ? antiAlias.steps() : lagComp + n);

    // The compressors' feedback chain is the longest; its phases alternate with filter work so
    // that the processor always has independent work within reach while the chain waits.
    auto body = [&]<int P>(int s) {
        const int j = s - lagComp;
        const bool compressing = j >= 0 && j < n;
        GainWork w;
        if (compressing) compressBegin<B, Bypass>(j, w);
        if constexpr (Oversampled) antiAlias.template advance<P>(s);
        cross1.advance(s - lagCross1);
        if (compressing) compressMiddle<Bypass>(w);
        if constexpr (B >= 3) {
            cross2.advance(s - lagCross2);
            allpass1.advance(s - lagCross2);
        }
        if (compressing) compressEnd<B, Bypass>(j, w);
        if constexpr (B == 4) {
            cross3.advance(s - lagCross3);
            allpass2.advance(s - lagCross3);
        }
    };
    for (int s = 0; s < total; s += 2) {
        body.template operator()<0>(s);
        body.template operator()<1>(s + 1);
    }
}

void VectorKernel::meterSecondChannel(int n) noexcept {
    for (int i = 0; i < n; ++i) {
        follow(preDetectors_.envelope, preDetectors_.coef, secondChannelBands_[2 * i],
               masks_.feeds);
        follow(postDetectors_.envelope, postDetectors_.coef, secondChannelBands_[2 * i + 1],
               masks_.feeds);
    }
}

void VectorKernel::process(EngineUnits& units, const BlockSettings& s, const float* const* inputs,
                           int frames) noexcept {
    if (frames <= 0) return;
    if (frames > kMaxBlockFrames) frames = kMaxBlockFrames;
    if (adopted_ != &units)
        adopt(units);
    else
        followChanges(units);
    loadBlock(units, s);
    const bool mono = s.channels < 2;
    if (mono) saveSecondChannel();
    const int f = s.factor;
    const int n = frames * f;
    zeroStuffInputs(inputs, frames, f);
    const bool over = f > 1;
    switch (s.bands * 4 + (s.bypass ? 2 : 0) + (over ? 1 : 0)) {
        case 8:
            runBands<2, false, false>(frames, f);
            break;
        case 9:
            runBands<2, false, true>(frames, f);
            break;
        case 10:
            runBands<2, true, false>(frames, f);
            break;
        case 11:
            runBands<2, true, true>(frames, f);
            break;
        case 12:
            runBands<3, false, false>(frames, f);
            break;
        case 13:
            runBands<3, false, true>(frames, f);
            break;
        case 14:
            runBands<3, true, false>(frames, f);
            break;
        case 15:
            runBands<3, true, true>(frames, f);
            break;
        case 16:
            runBands<4, false, false>(frames, f);
            break;
        case 17:
            runBands<4, false, true>(frames, f);
            break;
        case 18:
            runBands<4, true, false>(frames, f);
            break;
        default:
            runBands<4, true, true>(frames, f);
            break;
    }
    if (s.channels == 2) meterSecondChannel(n);
    if (!over)
        for (int i = 0; i < frames; ++i) {
            decimated_[0][i] = pairs_[2 * i];
            decimated_[1][i] = pairs_[2 * i + 1];
        }
    for (int ch = 0; ch < s.channels; ++ch) units.upsamplers[ch]->frames = frames;
    if (mono) restoreSecondChannel();
    storeBlock(units, s);
}

}  // namespace brindlewave
