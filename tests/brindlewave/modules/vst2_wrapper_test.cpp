// The wrapper around the real plug-in: what a VST 2.4 host sees of Brindlewave.

#include <cmath>
#include <cstring>
#include <vector>

#include "brindlewave/client.h"
#include "fixture.h"
#include "vst2stress.h"

using namespace vsttest;

namespace {

using Brindlewave = WrapperTest<brindlewave::BrindlewaveClient>;

std::vector<std::vector<float>> sine(int channels, int frames, double freq, float amp) {
    std::vector<std::vector<float>> s(channels, std::vector<float>(frames));
    for (int c = 0; c < channels; ++c)
        for (int j = 0; j < frames; ++j)
            s[c][j] = amp * static_cast<float>(std::sin(2 * M_PI * freq * j / 48000.0));
    return s;
}

}  // namespace

TEST_F(Brindlewave, RecordAsHostsReadIt) {
    EXPECT_EQ(std::memcmp(effect, "PtsV", 4), 0);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, 0x1011);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->uniqueID, ('m' << 24) | ('g' << 16) | ('b' << 8) | 'w');
    EXPECT_EQ(effect->version, 1120);
    EXPECT_EQ(effect->numParams, 139);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->initialDelay, 0);
    for (unsigned char b : effect->future) EXPECT_EQ(b, 0xFF);
    EXPECT_TRUE(host.callsWith(audioMasterWantMidi).empty());
}

TEST_F(Brindlewave, NamesLabelsAndIdentityFitTheirBuffers) {
    struct Case {
        int opcode, index;
        std::size_t size;
        const char* text;
    } cases[] = {
        {effGetParamName, 0, 32, "Crossover 1"},
        {effGetParamName, 54, 32, "Attack B10"},
        {effGetParamName, 59, 32, "number of bands"},
        {effGetParamName, 137, 32, "Toggle View Band 10"},
        {effGetParamName, 138, 32, "Internal Bypass"},
        {effGetParamName, 139, 32, ""},
        {effGetParamLabel, 9, 8, "ms"},
        {effGetParamLabel, 12, 8, ""},
        {effGetParamDisplay, 60, 8, "0.00"},
        {effGetParamDisplay, 59, 8, "4"},
        {effGetParamDisplay, 138, 8, "no"},
        {effGetEffectName, 0, 32, "Brindlewave"},
        {effGetVendorString, 0, 64, "Mossgrove Audio"},
        {effGetProductString, 0, 64, "Mossgrove Audio Brindlewave"},
        {effGetProgramName, 0, 24, "Default"},
        {effGetProgramNameIndexed, 0, 24, "Default"},
    };
    for (const Case& c : cases) {
        auto a = host.dispatchText(c.opcode, c.index, c.size);
        EXPECT_FALSE(a.overran) << c.opcode << "/" << c.index;
        EXPECT_EQ(a.text, c.text) << c.opcode << "/" << c.index;
    }
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, 1, 0, std::vector<char>(24).data()), 0);
}

TEST_F(Brindlewave, ParameterValuesReadBackQuantized) {
    host.setParameter(59, 0.3f);  // number of bands 2..4: 2.6 rounds to 3
    EXPECT_EQ(host.getParameter(59), 0.5f);
    host.setParameter(117, 0.2f);  // oversampling 0..3: 0.6 rounds to 1
    EXPECT_EQ(host.getParameter(117), 0.33333334f);
    host.setParameter(138, 0.7f);
    EXPECT_EQ(host.getParameter(138), 1.0f);
    host.setParameter(60, 0.25f);
    EXPECT_EQ(host.getParameter(60), 0.25f);
    host.setParameter(139, 0.9f);
    EXPECT_EQ(host.getParameter(139), 0.0f);
    EXPECT_EQ(host.getParameter(-1), 0.0f);

    char text[] = "-30";  // threshold in dB, -60..0
    EXPECT_EQ(host.dispatch(effString2Parameter, 11, 0, text), 1);
    EXPECT_FLOAT_EQ(host.getParameter(11), 0.5f);
    char junk[] = "soft";
    EXPECT_EQ(host.dispatch(effString2Parameter, 11, 0, junk), 0);
    EXPECT_FLOAT_EQ(host.getParameter(11), 0.5f);
}

TEST_F(Brindlewave, AValueShownAsZeroHasNoSign) {
    // Threshold fully up through a float lands a hair below 0 dB.
    host.setParameter(11, 0.99999994f);
    EXPECT_EQ(host.dispatchText(effGetParamDisplay, 11, 8).text, "0.00");
    host.setParameter(11, 0.9999f);  // -0.006 dB still reads as below zero
    EXPECT_EQ(host.dispatchText(effGetParamDisplay, 11, 8).text, "-0.01");
    host.setParameter(60, 0.49999997f);  // input gain, -12..12
    EXPECT_EQ(host.dispatchText(effGetParamDisplay, 60, 8).text, "0.00");
}

TEST_F(Brindlewave, ProcessesStereoAndSilencesExtraHostOutputs) {
    host.start(48000.0f, 512);
    host.setSpeakers(6, 6);
    auto input = sine(6, 1024, 1000.0, 0.25f);
    std::vector<std::vector<float>> output(6, std::vector<float>(1024, 3.0f));
    std::vector<float*> ip, op;
    for (auto& b : input) ip.push_back(b.data());
    for (auto& b : output) op.push_back(b.data());
    for (int i = 0; i < 8; ++i) host.processReplacing(ip.data(), op.data(), 1024);  // 2 x 512
    for (int c = 0; c < 2; ++c) {
        auto level = testhost::measure(output[c].data(), 1024);
        EXPECT_TRUE(level.finite);
        EXPECT_GT(level.peakDb, -40.0);
    }
    for (int c = 2; c < 6; ++c)
        for (float v : output[c]) ASSERT_EQ(v, 0.0f);
}

TEST_F(Brindlewave, SurvivesACarelessHostWithFiniteOutput) {
#ifdef __SANITIZE_THREAD__
    constexpr int kBlocks = 80;  // the engine runs some fifty times slower under the race checker
#else
    constexpr int kBlocks = 300;
#endif
    stress::Report r = vst2host::stressWrapper(host, 139, kBlocks, 99);
    EXPECT_EQ(r.blocks, kBlocks);
    EXPECT_EQ(r.nonFinite, 0);
}
