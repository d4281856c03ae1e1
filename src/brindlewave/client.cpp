#include "brindlewave/client.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "brindlewave/decibels.h"
#include "brindlewave/dsp/scalarkernel.h"
#include "brindlewave/paramids.h"
#include "brindlewave/paramnames.h"
#include "rigging/client/boolparameter.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"

namespace brindlewave {

using rigging::mallocNew;

namespace {

constexpr int kFFTSizeFactor = 4;

const rigging::PluginInfo kPluginInfo = [] {
    rigging::PluginInfo info;
    info.vendorName = "Mossgrove Audio";
    info.vendorUniqueID = rigging::FourCC("MGVA");
    info.vendorSupportEmail = "support@mossgroveaudio.example";
    info.pluginName = "Brindlewave";
    info.pluginHomepage = "https://mossgroveaudio.example/brindlewave";
    info.pluginUniqueID = rigging::FourCC("mgbw");
    info.publicVersion = {1, 1, 2};
    info.hasGUI = true;
    info.isSynth = false;
    info.receivesMIDI = false;
    info.category = rigging::PluginCategory::dynamics;
    info.vstBundleIdentifier = "com.mossgroveaudio.brindlewave.vst";
    info.auBundleIdentifier = "com.mossgroveaudio.brindlewave.audiounit";
    info.aaxBundleIdentifier = "com.mossgroveaudio.brindlewave.aax";
    return info;
}();

// Smallest attack and release time: the double nearest to the float 0.001.
constexpr double kMinTimeMs = static_cast<double>(0.001f);

// clamp(20 x 1000^k, 20, 20000) in extended precision, k = 0.25, 0.5, 0.75, 0.8, then 1.
float crossoverDefault(int n) noexcept {
    static constexpr float k[] = {0.25f, 0.5f, 0.75f, 0.8f};
    const long double e = n < 4 ? static_cast<long double>(k[n]) : 1.0L;
    const long double f = 20.0L * std::pow(1000.0L, e);
    return static_cast<float>(std::clamp(f, 20.0L, 20000.0L));
}

// Beyond this (300 dB over full scale) a sample can only be garbage, and near the largest float
// it would overflow the filters' internal state, which would then hold NaN for good.
constexpr float kLargestUsableSample = 1e15f;

// dst[i] = src[i] where |src[i]| <= kLargestUsableSample, else 0 (NaN and infinities included).
void usableCopy(const float* src, float* dst, int n) noexcept {
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 limit = _mm_set1_ps(kLargestUsableSample);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128 x = _mm_loadu_ps(src + i);
        _mm_storeu_ps(dst + i, _mm_and_ps(x, _mm_cmple_ps(_mm_and_ps(x, absMask), limit)));
    }
    for (; i < n; ++i) dst[i] = std::fabs(src[i]) <= kLargestUsableSample ? src[i] : 0.0f;
}

}  // namespace

BrindlewaveClient::BrindlewaveClient(BuildToken token) noexcept
    : Client(token), sampleRate_(std::numeric_limits<float>::quiet_NaN()) {
    for (BandSplitter*& s : units_.splitters) s = mallocNew<BandSplitter>();
    for (int b = 0; b < kEngineBands; ++b) {
        units_.preDetectors[b] = mallocNew<audiofx::PeakDetector>();
        units_.postDetectors[b] = mallocNew<audiofx::PeakDetector>();
    }
    for (int ch = 0; ch < kEngineChannels; ++ch) {
        units_.upsamplers[ch] = mallocNew<Upsampler>();
        units_.upsamplers[ch]->initialize(kMaxOversampling, kMaxBlockFrames);
        for (int b = 0; b < kEngineBands; ++b) {
            units_.compressors[ch][b] = mallocNew<BrindlewaveCompressor>();
            units_.compressors[ch][b]->initialize(44100.0f, 1000.0f, 1000.0f, 0.1f, 2.0f, 1.0f);
        }
    }
    analyzer_ = mallocNew<rigging::FFTAnalyzer>();
    prepareAnalysis();

    kernel_ = mallocNew<VectorKernel>();
    std::memset(usableInput_, 0, sizeof(usableInput_));
}

BrindlewaveClient::~BrindlewaveClient() {
    rigging::destroyFree(kernel_);
    for (BandSplitter* s : units_.splitters) rigging::destroyFree(s);
    for (int b = 0; b < kEngineBands; ++b) {
        rigging::destroyFree(units_.preDetectors[b]);
        rigging::destroyFree(units_.postDetectors[b]);
    }
    for (int ch = 0; ch < kEngineChannels; ++ch) {
        rigging::destroyFree(units_.upsamplers[ch]);
        for (BrindlewaveCompressor* c : units_.compressors[ch]) rigging::destroyFree(c);
    }
    rigging::destroyFree(analyzer_);
}

rigging::PluginInfo BrindlewaveClient::buildPluginInfo() {
    return kPluginInfo;
}

rigging::Vec<rigging::LegalIO> BrindlewaveClient::buildLegalIO() {
    rigging::Vec<rigging::LegalIO> io;
    io.pushBack(rigging::LegalIO{1, 1});
    io.pushBack(rigging::LegalIO{1, 2});
    io.pushBack(rigging::LegalIO{2, 1});
    io.pushBack(rigging::LegalIO{2, 2});
    return io;
}

rigging::Vec<rigging::Parameter*> BrindlewaveClient::buildParameters() {
    using rigging::BoolParameter;
    using rigging::IntegerParameter;
    using rigging::LinearFloatParameter;
    using rigging::LogFloatParameter;
    const char* const* name = param::kNames;
    rigging::Vec<rigging::Parameter*> p;
    auto add = [&](rigging::Parameter* q) { p.pushBack(q); };
    auto linear = [&](const char* unit, float min, float max, float def) {
        const int i = static_cast<int>(p.length());
        add(mallocNew<LinearFloatParameter>(i, name[i], unit, min, max, def));
    };
    auto logarithmic = [&](const char* unit, double min, double max, double def) {
        const int i = static_cast<int>(p.length());
        add(mallocNew<LogFloatParameter>(i, name[i], unit, min, max, def));
    };
    auto integer = [&](int min, int max, int def) {
        const int i = static_cast<int>(p.length());
        add(mallocNew<IntegerParameter>(i, name[i], "", min, max, def));
    };
    auto boolean = [&](bool def) {
        const int i = static_cast<int>(p.length());
        add(mallocNew<BoolParameter>(i, name[i], def));
    };

    for (int n = 0; n < 9; ++n) linear("Hz", 20.0f, 20000.0f, crossoverDefault(n));
    for (int b = 0; b < param::kTableBands; ++b) {
        logarithmic("ms", kMinTimeMs, 2000.0, 22.0);
        logarithmic("ms", kMinTimeMs, 2000.0, 188.0);
        linear("dB", -60.0f, 0.0f, -10.0f);
        logarithmic("", 1.0, 100.0, 4.0);
        linear("dB", -36.0f, 36.0f, 0.0f);
    }
    integer(2, 4, 4);
    linear("dB", -12.0f, 12.0f, 0.0f);
    linear("dB", -12.0f, 12.0f, 0.0f);
    logarithmic("ms", kMinTimeMs, 2000.0, 22.0);
    logarithmic("ms", kMinTimeMs, 2000.0, 188.0);
    linear("dB", -60.0f, 0.0f, -10.0f);
    logarithmic("", 1.0, 100.0, 4.0);
    linear("dB", -36.0f, 36.0f, 0.0f);
    for (int k = 0; k < 5 * param::kTableBands; ++k) boolean(true);
    integer(0, 3, 0);
    for (int b = 0; b < param::kTableBands; ++b) boolean(false);
    for (int b = 0; b < param::kTableBands; ++b) boolean(false);
    boolean(false);
    return p;
}

rigging::Vec<rigging::Preset*> BrindlewaveClient::buildPresets() {
    rigging::Vec<rigging::Preset*> presets;
    presets.pushBack(makeDefaultPreset());
    return presets;
}

rigging::IGraphics* BrindlewaveClient::createGraphics() {
    return createEditor();
}

float BrindlewaveClient::floatParam(int index) const noexcept {
    return static_cast<float>(static_cast<rigging::FloatParameter*>(param(index))->valueAtomic());
}
int BrindlewaveClient::intParam(int index) const noexcept {
    return static_cast<rigging::IntegerParameter*>(param(index))->valueAtomic();
}
bool BrindlewaveClient::boolParam(int index) const noexcept {
    return static_cast<rigging::BoolParameter*>(param(index))->valueAtomic();
}

void BrindlewaveClient::reset(double sampleRate, int, int, int) {
    sampleRate_ = static_cast<float>(sampleRate);
    prepareAnalysis();
    for (Upsampler* up : units_.upsamplers) up->setSampleRate(sampleRate_);
}

// Sizes never change, so only the first call allocates; the constructor makes it, which keeps
// every reset on the audio thread free of allocation.
void BrindlewaveClient::prepareAnalysis() noexcept {
    const int n = analysisWindowSize_;
    analyzer_->initialize(
        n, kFFTSizeFactor * n, n,
        rigging::WindowDesc(rigging::WindowType::hann, rigging::WindowAlignment::left,
                            std::numeric_limits<float>::quiet_NaN()),
        true);
    analysisInput_.initialize(n);
    const std::size_t bins = std::size_t(kFFTSizeFactor * n / 2 + 1);
    spectrum_.resize(bins);
    // The editor must never see bins that no frame has written yet.
    for (SpectrumBin& bin : spectrum_) bin = SpectrumBin(0.0f, 0.0f);
}

float BrindlewaveClient::DecibelGain::of(double dbNow) noexcept {
    if (!(dbNow == db)) {
        db = dbNow;
        factor = gainOfDecibelsExtended(dbNow);
    }
    return factor;
}

CompressorParams BrindlewaveClient::getParamsForCompressor(int band) const noexcept {
    CompressorParams p;
    p.attack = floatParam(param::attack(band));
    p.release = floatParam(param::release(band));
    p.threshold = floatParam(param::threshold(band));
    p.ratio = floatParam(param::ratio(band));
    p.makeupGain = makeupGain_[band].of(
        static_cast<rigging::FloatParameter*>(param(param::gain(band)))->valueAtomic());
    return p;
}

void BrindlewaveClient::updateDSPModules(int numBands, int numChannels) noexcept {
    const int factor = 1 << intParam(param::oversampleFactor);
    const float crossovers[3] = {floatParam(param::crossover(0)), floatParam(param::crossover(1)),
                                 floatParam(param::crossover(2))};
    const float rate = sampleRate_ * static_cast<float>(factor);
    for (int ch = 0; ch < numChannels; ++ch) {
        units_.upsamplers[ch]->setFactor(factor);
        units_.splitters[ch]->setSampleRate(rate);
        units_.splitters[ch]->updateCrossovers(crossovers, numBands, rate);
    }
    // Re-applying the settings a unit already holds changes nothing; such calls are skipped
    // (their exponentials cost more than the rest of a short block's set-up).
    for (int b = 0; b < numBands; ++b) {
        for (audiofx::PeakDetector* d : {units_.preDetectors[b], units_.postDetectors[b]}) {
            if (d->sampleRate == rate) continue;  // its envelope times were set at this rate
            d->setSampleRate(rate);
            d->setEnvelope(0.0f, 500.0f);
        }
        const AppliedSettings wanted{rate, getParamsForCompressor(b)};
        for (int ch = 0; ch < numChannels; ++ch) {
            if (std::memcmp(&appliedSettings_[ch][b], &wanted, sizeof wanted) == 0) continue;
            units_.compressors[ch][b]->setSampleRate(rate);
            units_.compressors[ch][b]->setParams(wanted.params);
            appliedSettings_[ch][b] = wanted;
        }
    }
}

void BrindlewaveClient::processAudio(std::span<const float* const> inputs,
                                     std::span<float* const> outputs, int frames,
                                     rigging::TimeInfo) {
    frames = std::clamp(frames, 0, kMaxBlockFrames);
    // At most the engine's two channels, whatever the caller passes.
    const int nc = std::min(
        {static_cast<int>(inputs.size()), static_cast<int>(outputs.size()), kEngineChannels});
    if (frames == 0) return;
    if (!(sampleRate_ > 0.0f)) {
        // No reset yet: there is no rate to run the filters at.
        for (float* out : outputs) std::fill(out, out + frames, 0.0f);
        return;
    }

    const float inputGain = inputGain_.of(
        static_cast<rigging::FloatParameter*>(param(param::inputGain))->valueAtomic());
    const float outputGain = outputGain_.of(
        static_cast<rigging::FloatParameter*>(param(param::outputGain))->valueAtomic());
    BlockSettings s;
    s.bands = intParam(param::numberOfBands);
    s.channels = nc;
    s.factor = 1 << intParam(param::oversampleFactor);
    s.inputGain = inputGain;
    s.bypass = boolParam(param::internalBypass);
    for (int b = 0; b < kEngineBands; ++b) s.solo[b] = boolParam(param::solo(b));

    updateDSPModules(s.bands, nc);

    // A non-finite or absurdly large host sample is taken as 0: one bad sample must not poison
    // the filters.
    for (int ch = 0; ch < nc; ++ch) usableCopy(inputs[ch], usableInput_[ch], frames);
    if (nc < kEngineChannels) std::fill(usableInput_[1], usableInput_[1] + frames, 0.0f);
    const float* in[kEngineChannels] = {usableInput_[0], usableInput_[1]};

    const float* results[kEngineChannels];
    if (plainProcessing_) {
        kernel_->handBack(units_);  // the plain path runs the units' own state
        processBlockScalar(units_, s, in, frames);
        for (int ch = 0; ch < kEngineChannels; ++ch)
            results[ch] = units_.upsamplers[ch]->decimatedBuffer();
    } else {
        kernel_->process(units_, s, in, frames);
        for (int ch = 0; ch < kEngineChannels; ++ch) results[ch] = kernel_->output(ch);
    }

    for (int ch = 0; ch < nc; ++ch) {
        const float* y = results[ch];
        float* out = outputs[ch];
        if (s.bypass) {
            std::copy(y, y + frames, out);
        } else {
            // The input gain acts again here, as well as before the band split.
            for (int j = 0; j < frames; ++j) out[j] = y[j] * inputGain * outputGain;
        }
        if (ch == 0) {
            // The analyser sees the output before the output gain.
            for (int j = 0; j < frames; ++j)
                analysisInput_.push(s.bypass ? y[j] : y[j] * inputGain);
        }
    }
    for (std::size_t ch = std::size_t(nc); ch < outputs.size(); ++ch)
        std::fill(outputs[ch], outputs[ch] + frames, 0.0f);

    handOffToEditor();
}

void BrindlewaveClient::handOffToEditor() noexcept {
    rigging::IGraphics* graphics = graphicsAcquire();
    if (graphics == nullptr) return;
    // createGraphics only ever hands the base an IEditorSink.
    IEditorSink* editor = static_cast<IEditorSink*>(graphics);
    analysisInput_.analyse(*analyzer_, spectrum_.ptr());
    editor->updateFFTData(spectrum_, kFFTSizeFactor * analysisWindowSize_, sampleRate_);
    for (int b = 0; b < kEngineBands; ++b) {
        preLevels_[b] = units_.preDetectors[b]->getEnvelope();
        postLevels_[b] = units_.postDetectors[b]->getEnvelope();
    }
    editor->updateMeters(preLevels_, postLevels_, sampleRate_);
    graphicsRelease();
}

}  // namespace brindlewave
