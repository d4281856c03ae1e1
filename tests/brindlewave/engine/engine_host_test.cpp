// The engine at its boundary with hosts and editor: channel layouts, extra channels, bad input
// samples, allocation on the audio thread, and the hand-off of spectrum and meters.

#include <cmath>
#include <vector>

#include "alloc_probe.h"
#include "enginefixture.h"

namespace brindlewave::testing {
namespace {

using render::AudioBuffer;

constexpr double kRate = 48000;

AudioBuffer run(BrindlewaveClient& c, const AudioBuffer& in, int outs) {
    render::RenderOptions o;
    o.numOutputs = outs;
    return render::render(c, in, o);
}

TEST(EngineLayouts, MonoInStereoOutLeavesTheSecondOutputSilent) {
    ClientPtr c = makeClient();
    const AudioBuffer out = run(*c, render::makeNoise(1, 4096, kRate, -6, 1), 2);
    for (float x : out.channels[1]) ASSERT_EQ(x, 0.0f);
    EXPECT_GT(render::peakDb(out, 0, 0, 4096), -20.0);
}

TEST(EngineLayouts, StereoInMonoOutProcessesOnlyTheFirstInput) {
    AudioBuffer stereo = render::makeNoise(2, 4096, kRate, -6, 2);
    AudioBuffer first(1, 4096, kRate);
    first.channels[0] = stereo.channels[0];
    ClientPtr a = makeClient(), b = makeClient();
    const AudioBuffer fromStereo = run(*a, stereo, 1);
    const AudioBuffer fromMono = run(*b, first, 1);
    EXPECT_EQ(fromStereo.channels[0], fromMono.channels[0]);
}

TEST(EngineLayouts, ChannelsBeyondTheEnginesTwoAreSilenced) {
    ClientPtr c = makeClient();
    c->resetFromHost(kRate, 256, 3, 3);
    const AudioBuffer in = render::makeNoise(3, 256, kRate, -6, 3);
    std::vector<float> outs[3];
    const float* ip[3];
    float* op[3];
    for (int i = 0; i < 3; ++i) {
        outs[i].assign(256, 1.0f);
        ip[i] = in.channels[i].data();
        op[i] = outs[i].data();
    }
    c->processAudio(std::span<const float* const>(ip, 3), std::span<float* const>(op, 3), 256,
                    rigging::TimeInfo());
    for (float x : outs[2]) ASSERT_EQ(x, 0.0f);
    EXPECT_NE(outs[1], std::vector<float>(256, 1.0f));
}

TEST(EngineRobustness, OneNaNSampleIsTakenAsSilence) {
    for (float bad : {NAN, INFINITY, -INFINITY}) {
        AudioBuffer in = render::makeSine(2, 8192, kRate, 1000, -10);
        AudioBuffer zeroed = in;
        in.channels[0][100] = bad;
        zeroed.channels[0][100] = 0.0f;
        ClientPtr a = makeClient(), b = makeClient();
        const AudioBuffer out = run(*a, in, 2), expected = run(*b, zeroed, 2);
        for (float x : out.channels[0]) ASSERT_TRUE(std::isfinite(x));
        EXPECT_EQ(out.channels[0], expected.channels[0]);
        EXPECT_GT(render::peakDb(out, 0, 4096, 8192), -20.0);
    }
}

TEST(EngineRobustness, ProcessingBeforeAnyResetGivesSilence) {
    ClientPtr c = makeClient();
    std::vector<float> in(64, 0.5f), out(64, 1.0f);
    const float* ip[1] = {in.data()};
    float* op[1] = {out.data()};
    c->processAudio(std::span<const float* const>(ip, 1), std::span<float* const>(op, 1), 64,
                    rigging::TimeInfo());
    for (float x : out) ASSERT_EQ(x, 0.0f);
}

TEST(EngineAllocation, ProcessingAllocatesNothingInAnyConfiguration) {
    ClientPtr c = makeClient();
    c->resetFromHost(kRate, 512, 2, 2);
    const AudioBuffer in = render::makeNoise(2, 512, kRate, -3, 4);
    std::vector<float> o0(512), o1(512);
    for (int bands = 2; bands <= 4; ++bands)
        for (int f = 0; f < 4; ++f)
            for (int bypass = 0; bypass < 2; ++bypass)
                for (int plain = 0; plain < 2; ++plain) {
                    setValue(*c, param::numberOfBands, bands);
                    setValue(*c, param::oversampleFactor, f);
                    setValue(*c, param::internalBypass, bypass);
                    setValue(*c, param::threshold(0), -40.0 + bands + f);
                    c->setPlainProcessing(plain != 0);
                    const float* ip[2] = {in.channels[0].data(), in.channels[1].data()};
                    float* op[2] = {o0.data(), o1.data()};
                    alloc_probe::Scope probe;
                    c->processAudioFromHost(ip, op, 512, rigging::TimeInfo());
                    EXPECT_EQ(probe.allocations(), 0u)
                        << bands << " bands, F index " << f << ", bypass " << bypass;
                }
}

// An editor that records what the engine hands it.
class FakeEditor : public IEditorSink {
public:
    void* openUI(void*, void*, rigging::DAW, rigging::GraphicsBackend) override { return nullptr; }
    void closeUI() override {}
    void getGUISize(int* w, int* h) override { *w = 1000, *h = 700; }

    void updateFFTData(const rigging::Vec<SpectrumBin>& spectrum, int fftSize,
                       float rate) override {
        ++fftCalls;
        bins.assign(spectrum.begin(), spectrum.end());
        this->fftSize = fftSize;
        fftRate = rate;
    }
    void updateMeters(const float (&in)[4], const float (&out)[4], float rate) override {
        ++meterCalls;
        for (int b = 0; b < 4; ++b) inLevels[b] = in[b], outLevels[b] = out[b];
        meterRate = rate;
    }

    int fftCalls = 0, meterCalls = 0, fftSize = 0;
    float fftRate = 0, meterRate = 0;
    std::vector<SpectrumBin> bins;
    float inLevels[4] = {}, outLevels[4] = {};
};

class ClientWithFakeEditor : public BrindlewaveClient {
public:
    explicit ClientWithFakeEditor(BuildToken t) : BrindlewaveClient(t) {}
    FakeEditor* editor = nullptr;

protected:
    IEditorSink* createEditor() override { return editor = rigging::mallocNew<FakeEditor>(); }
};

TEST(EditorHandOff, NothingIsHandedWithoutAnEditor) {
    ClientPtr c = makeClient();
    EXPECT_EQ(c->graphicsAcquire(), nullptr);
    run(*c, render::makeSine(2, 1024, kRate, 1000, -20), 2);  // must not crash
}

TEST(EditorHandOff, SpectrumAndLevelsReachTheEditorEveryBlock) {
    auto* c = rigging::createClient<ClientWithFakeEditor>();
    int w, h;
    ASSERT_TRUE(c->getGUISize(&w, &h));  // makes the editor
    ASSERT_NE(c->editor, nullptr);
    setValue(*c, param::oversampleFactor, 2);  // the editor still gets the host rate
    render::RenderOptions o;
    o.blockSize = 256;
    const AudioBuffer first = render::makeSine(2, 256, kRate, 1000, -6);
    render::render(*c, first, o);
    FakeEditor& e = *c->editor;
    EXPECT_EQ(e.fftCalls, 1);
    EXPECT_EQ(e.meterCalls, 1);
    ASSERT_EQ(e.bins.size(), 2049u);
    EXPECT_EQ(e.fftSize, 4096);
    EXPECT_EQ(e.fftRate, 48000.0f);
    EXPECT_EQ(e.meterRate, 48000.0f);
    // No spectrum frame yet (256 of 1024 samples): the bins are zero, not leftovers.
    for (const SpectrumBin& b : e.bins) ASSERT_EQ(b, SpectrumBin(0, 0));
    for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(e.inLevels[b], c->units().preDetectors[b]->getEnvelope());
        EXPECT_EQ(e.outLevels[b], c->units().postDetectors[b]->getEnvelope());
    }
    EXPECT_GT(e.inLevels[1] + e.inLevels[2], 0.1f);  // the tone sits between crossovers 1 and 3

    // After a full analysis window the spectrum peaks at the tone's bin (1 kHz of 48 kHz over
    // 4096 bins: bin 85.3).
    o.resetFirst = false;
    render::render(*c, render::makeSine(2, 2048, kRate, 1000, -6), o);
    EXPECT_EQ(e.fftCalls, 9);
    int peak = 0;
    for (int k = 1; k < 2049; ++k)
        if (std::abs(e.bins[k]) > std::abs(e.bins[peak])) peak = k;
    EXPECT_NEAR(peak, 85, 1);

    // A busy editor skips the hand-off without waiting.
    ASSERT_NE(c->graphicsAcquire(), nullptr);
    render::render(*c, first, o);
    EXPECT_EQ(e.fftCalls, 9);
    c->graphicsRelease();
    rigging::destroyFree(c);
}

// Peak spectrum magnitude of a steady 1 kHz tone with the given gains.
double spectrumPeak(double inputGainDb, double outputGainDb) {
    auto* c = rigging::createClient<ClientWithFakeEditor>();
    int w, h;
    c->getGUISize(&w, &h);
    setValue(*c, param::numberOfBands, 2);
    for (int b = 0; b < 4; ++b) setValue(*c, param::threshold(b), 0);
    setValue(*c, param::inputGain, inputGainDb);
    setValue(*c, param::outputGain, outputGainDb);
    render::render(*c, render::makeSine(2, 8192, kRate, 1000, -30), render::RenderOptions());
    double peak = 0;
    for (const SpectrumBin& b : c->editor->bins) peak = std::max(peak, double(std::abs(b)));
    rigging::destroyFree(c);
    return 20 * std::log10(peak);
}

TEST(EditorHandOff, SpectrumIsTakenAfterTheInputGainTwiceAndBeforeTheOutputGain) {
    const double plain = spectrumPeak(0, 0);
    EXPECT_NEAR(spectrumPeak(6, 0) - plain, 12.04, 0.05);
    EXPECT_NEAR(spectrumPeak(0, 6) - plain, 0.0, 0.01);
}

}  // namespace
}  // namespace brindlewave::testing
