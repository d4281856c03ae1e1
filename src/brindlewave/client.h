#pragma once
// The plug-in: its identity, channel layouts, 139 parameters and default preset, and the
// multiband compressor engine that processes audio block by block.

#include <limits>
#include <span>

#include "brindlewave/dsp/engineunits.h"
#include "brindlewave/dsp/segmentbuffer.h"
#include "brindlewave/dsp/vectorkernel.h"
#include "brindlewave/editorsink.h"
#include "rigging/client/client.h"
#include "rigging/dsp/fft.h"

namespace brindlewave {

class BrindlewaveClient : public rigging::Client {
public:
    // Made only through rigging::createClient<BrindlewaveClient>().
    explicit BrindlewaveClient(BuildToken token) noexcept;
    ~BrindlewaveClient() override;

    rigging::PluginInfo buildPluginInfo() override;
    rigging::Vec<rigging::LegalIO> buildLegalIO() override;
    rigging::Vec<rigging::Parameter*> buildParameters() override;
    rigging::Vec<rigging::Preset*> buildPresets() override;
    int maxFramesInProcess() override { return kMaxBlockFrames; }

    // The editor object: whatever createEditor makes (none yet).
    rigging::IGraphics* createGraphics() final;
    // Only the sample rate is used; filter, detector and compressor states continue.
    void reset(double sampleRate, int maxFrames, int numInputs, int numOutputs) override;
    void processAudio(std::span<const float* const> inputs, std::span<float* const> outputs,
                      int frames, rigging::TimeInfo info) override;

    // Applies the block's parameters to the units of the first numChannels channels and of
    // the first numBands bands.
    void updateDSPModules(int numBands, int numChannels) noexcept;
    // Band 0..3's compressor settings from its five parameters.
    CompressorParams getParamsForCompressor(int band) const noexcept;

    // Runs the plain one-call-per-sample path instead of the vector kernel (same output); for
    // verification and as the benchmarks' baseline.
    void setPlainProcessing(bool on) noexcept { plainProcessing_ = on; }
    // The vector kernel keeps the filters' state while it runs; this hands it back, so that
    // units() shows it. Not while a block is being processed.
    void settleUnits() noexcept { kernel_->handBack(units_); }
    const EngineUnits& units() const noexcept { return units_; }
    float sampleRate() const noexcept { return sampleRate_; }

protected:
    // The editor, when the plug-in has one; createGraphics hands it to the base.
    virtual IEditorSink* createEditor() { return nullptr; }

private:
    // Analyser, segment buffer and spectrum at their (fixed) sizes; allocates only the first time.
    void prepareAnalysis() noexcept;
    void handOffToEditor() noexcept;
    float floatParam(int index) const noexcept;
    int intParam(int index) const noexcept;
    bool boolParam(int index) const noexcept;

    float sampleRate_;
    rigging::FFTAnalyzer* analyzer_ = nullptr;
    int analysisWindowSize_ = 1024;
    rigging::Vec<SpectrumBin> spectrum_;
    SegmentBuffer analysisInput_;  // the first channel's output, analysed when handed over

    // What each compressor was last given (rate NaN: nothing yet).
    struct AppliedSettings {
        float rate = std::numeric_limits<float>::quiet_NaN();
        CompressorParams params = {};
    };
    AppliedSettings appliedSettings_[kEngineChannels][kEngineBands];

    // A gain in dB as a linear factor, converted again only when the dB value changes: the
    // conversion runs in extended precision, too dear to repeat every block for nothing.
    struct DecibelGain {
        double db = std::numeric_limits<double>::quiet_NaN();
        float factor = 1.0f;
        float of(double dbNow) noexcept;
    };
    DecibelGain inputGain_;
    DecibelGain outputGain_;
    mutable DecibelGain makeupGain_[kEngineBands];  // a cache: reading a band stays const

    EngineUnits units_;  // owned: made in the constructor, destroyed with the client
    VectorKernel* kernel_ = nullptr;
    bool plainProcessing_ = false;
    float usableInput_[kEngineChannels][kMaxBlockFrames];  // finite copies of the host's inputs
    float preLevels_[kEngineBands] = {};
    float postLevels_[kEngineBands] = {};
};

}  // namespace brindlewave
