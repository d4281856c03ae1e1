// Levels through the whole engine, driven like a host drives it: silence, unity gain with the
// gains, the compression slope, oversampling factors, solo and bypass.

#include <cmath>

#include "enginefixture.h"

namespace brindlewave::testing {
namespace {

using render::AudioBuffer;

constexpr double kRate = 48000;

AudioBuffer sine(double db, int channels = 2, double seconds = 1.0) {
    return render::makeSine(channels, int(kRate * seconds), kRate, 1000.0, db);
}

AudioBuffer run(BrindlewaveClient& c, const AudioBuffer& in, int outs = 2, int block = 512) {
    render::RenderOptions o;
    o.numOutputs = outs;
    o.blockSize = block;
    return render::render(c, in, o);
}

// Two bands, every threshold at 0 dB: a -20 dBFS tone is never compressed.
ClientPtr transparentTwoBands() {
    ClientPtr c = makeClient();
    setValue(*c, param::numberOfBands, 2);
    for (int b = 0; b < 4; ++b) setValue(*c, param::threshold(b), 0);
    return c;
}

TEST(EngineLevels, SilenceGivesExactZerosAndQuietMeters) {
    ClientPtr c = makeClient();
    const AudioBuffer out = run(*c, render::makeSilence(2, 4096, kRate));
    for (const auto& ch : out.channels)
        for (float x : ch) ASSERT_EQ(x, 0.0f);
    for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(c->units().preDetectors[b]->getEnvelope(), 0.0f);
        EXPECT_EQ(c->units().postDetectors[b]->getEnvelope(), 0.0f);
    }
}

TEST(EngineLevels, UncompressedToneKeepsItsLevelAndTakesTheGains) {
    {
        ClientPtr c = transparentTwoBands();
        EXPECT_NEAR(tailSineDb(run(*c, sine(-20))), -20.0, 0.05);
    }
    {
        ClientPtr c = transparentTwoBands();
        setValue(*c, param::outputGain, 6);
        EXPECT_NEAR(tailSineDb(run(*c, sine(-20))), -14.0, 0.05);
    }
    {
        // The input gain acts before the split and again on the output.
        ClientPtr c = transparentTwoBands();
        setValue(*c, param::inputGain, 6);
        EXPECT_NEAR(tailSineDb(run(*c, sine(-20))), -8.0, 0.05);
    }
}

TEST(EngineLevels, SteadyCompressionRisesOneOverTwoMinusInverseRatio) {
    // Band 2 holds the whole tone; the detector follows the output, so ratio 4 acts as 1.75:1.
    auto level = [](double inDb) {
        ClientPtr c = makeClient();
        setValue(*c, param::numberOfBands, 2);
        setValue(*c, param::crossover(0), 20);
        setValue(*c, param::threshold(1), -20);
        setValue(*c, param::ratio(1), 4);
        setValue(*c, param::attack(1), 0.001);
        setValue(*c, param::release(1), 2000);
        return tailSineDb(run(*c, sine(inDb, 2, 2.0)));
    };
    const double at10 = level(-10), at0 = level(0);
    EXPECT_NEAR(at10, -20 + 10 / 1.75, 0.1);  // about -14.29 dBFS
    EXPECT_NEAR(at0, -20 + 20 / 1.75, 0.1);   // about -8.57 dBFS
    EXPECT_NEAR((at0 - at10) / 10, 1 / (2 - 1 / 4.0), 0.01);
}

TEST(EngineLevels, EveryOversamplingFactorKeepsTheToneLevel) {
    const double normalized[] = {0, 0.17, 0.5, 0.84};
    for (int k = 0; k < 4; ++k) {
        ClientPtr c = transparentTwoBands();
        render::setParameter(*c, param::oversampleFactor, normalized[k]);
        const AudioBuffer out = run(*c, sine(-20));
        EXPECT_EQ(c->units().upsamplers[0]->factor, 1 << k) << normalized[k];
        EXPECT_NEAR(tailSineDb(out), -20.0, 0.05) << "factor " << (1 << k);
    }
}

TEST(EngineSolo, SoloBeyondTheEnginesBandsChangesNothing) {
    const AudioBuffer in = render::makeNoise(2, 8192, kRate, -6, 11);
    ClientPtr plain = makeClient(), soloed = makeClient();
    setValue(*soloed, param::solo(4), 1);
    const AudioBuffer a = run(*plain, in), b = run(*soloed, in);
    for (int ch = 0; ch < 2; ++ch) EXPECT_EQ(a.channels[ch], b.channels[ch]);
}

TEST(EngineSolo, SoloOnAnInactiveBandSilencesEveryBand) {
    ClientPtr c = makeClient();
    setValue(*c, param::numberOfBands, 3);
    setValue(*c, param::solo(3), 1);
    const AudioBuffer out = run(*c, render::makeNoise(2, 8192, kRate, -6, 5));
    for (const auto& ch : out.channels)
        for (float x : ch) ASSERT_EQ(x, 0.0f);
}

TEST(EngineSolo, SoloedBandAloneReachesTheOutput) {
    // With the tone in band 2 only, soloing band 1 leaves almost nothing, soloing band 2 all.
    auto levelWithSolo = [](int band) {
        ClientPtr c = transparentTwoBands();
        setValue(*c, param::crossover(0), 100);
        setValue(*c, param::solo(band), 1);
        return tailSineDb(run(*c, sine(-20)));
    };
    EXPECT_LT(levelWithSolo(0), -80.0);
    EXPECT_NEAR(levelWithSolo(1), -20.0, 0.05);
}

TEST(EngineBypass, SplitsAndOversamplesButIgnoresGainsAndCompression) {
    for (int factorIndex : {0, 2}) {
        ClientPtr c = makeClient();
        for (int b = 0; b < 4; ++b) setValue(*c, param::threshold(b), -60);
        setValue(*c, param::inputGain, 12);
        setValue(*c, param::outputGain, -12);
        setValue(*c, param::oversampleFactor, factorIndex);
        setValue(*c, param::solo(0), 1);
        setValue(*c, param::internalBypass, 1);
        const AudioBuffer in = sine(-6);
        const AudioBuffer out = run(*c, in);
        // The crossover network sums flat but shifts the phase: same level, other samples.
        EXPECT_NEAR(tailSineDb(out), -6.0, 0.05);
        EXPECT_NE(out.channels[0], in.channels[0]);
        for (int b = 0; b < 4; ++b)
            EXPECT_EQ(c->units().preDetectors[b]->getEnvelope(),
                      c->units().postDetectors[b]->getEnvelope());
    }
}

}  // namespace
}  // namespace brindlewave::testing
