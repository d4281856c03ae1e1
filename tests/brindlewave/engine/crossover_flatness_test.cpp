// The engine's bands add back flat at every host rate and oversampling factor, and oversampling
// keeps the top of the band at low host rates.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "../../audiofx/filter/response_probe.h"
#include "../crossoversets.h"
#include "brindlewave/dsp/upsampler.h"
#include "enginefixture.h"
#include "rigging/core/fpcontrol.h"

namespace brindlewave::testing {
namespace {

constexpr int kBlock = 512;

// A mono client with every compressor idle (threshold 0 dB, ratio 1), reset at hostRate.
ClientPtr idleEngine(double hostRate, int factor, int bands, const std::vector<float>& xo,
                     bool bypass) {
    ClientPtr c = makeClient();
    setValue(*c, param::internalBypass, bypass);
    setValue(*c, param::numberOfBands, bands);
    setValue(*c, param::oversampleFactor, std::log2(factor));
    for (int i = 0; i < 3; ++i) setValue(*c, param::crossover(i), xo[i]);
    for (int b = 0; b < 4; ++b) {
        setValue(*c, param::threshold(b), 0);
        setValue(*c, param::ratio(b), 1);
    }
    c->resetFromHost(hostRate, kBlock, 1, 1);
    return c;
}

// One block through the client as a host runs it.
void process(BrindlewaveClient& c, const float* in, float* out) {
    const float* ins[1] = {in};
    float* outs[1] = {out};
    c.processAudioFromHost(ins, outs, kBlock, rigging::TimeInfo());
}

// The band sum's worst deviation from 0 dB from 20 Hz to maxHz: an impulse through the engine
// with internal bypass on, until its response has died away.
double engineBandSumDeviationDb(double hostRate, int factor, int bands,
                                const std::vector<float>& xo, double maxHz) {
    rigging::FPScope fp;
    ClientPtr c = idleEngine(hostRate, factor, bands, xo, true);
    std::vector<float> in(kBlock, 0.0f), out(kBlock);
    in[0] = 1.0f;
    std::size_t pos = kBlock;
    const auto h = response_probe::impulseResponseUntilQuiet(
        [&](float) {
            if (pos == kBlock) {
                process(*c, in.data(), out.data());
                in[0] = 0.0f;
                pos = 0;
            }
            return out[pos++];
        },
        std::size_t(hostRate / 20), std::size_t(hostRate * 3));
    return response_probe::worstDeviationDb(response_probe::spectrumOf(h, hostRate), 20.0, maxHz);
}

// Host rates 44.1 to 384 kHz at every factor, 2 to 4 bands, default and random crossovers: within
// 0.02 dB up to 0.45 x the host rate (at most 20 kHz) at factor 1, and up to 15 kHz oversampled,
// where the oversampler's own low-pass, set at the host Nyquist frequency less 2 kHz, is still far.
TEST(EngineBandSum, FlatAtEveryHostRateAndFactor) {
    std::mt19937 rng(44);
    int trial = 0;
    const int randomSets = kSanitizedBuild ? 1 : 2;
    for (double rate : {44100.0, 48000.0, 96000.0, 192000.0, 384000.0})
        for (int factor : {1, 2, 4, 8}) {
            const double maxHz = factor == 1 ? std::min(20000.0, 0.45 * rate) : 15000.0;
            double worstDefault = 0, worstRandom = 0;
            for (int bands = 2; bands <= 4; ++bands) {
                std::vector<std::vector<float>> sets = {kDefaultCrossovers};
                for (int k = 0; k < randomSets; ++k) sets.push_back(randomCrossovers(rng, trial++));
                for (std::size_t k = 0; k < sets.size(); ++k) {
                    const std::vector<float>& xo = sets[k];
                    const double dev = engineBandSumDeviationDb(rate, factor, bands, xo, maxHz);
                    double& worst = k == 0 ? worstDefault : worstRandom;
                    worst = std::max(worst, dev);
                    // As flat as before the sections changed at 44.1 kHz with the defaults.
                    const double limit = k == 0 && rate == 44100.0 && factor == 1 ? 0.01 : 0.02;
                    EXPECT_LT(dev, limit) << rate << " Hz x" << factor << ", " << bands
                                          << " bands: " << xo[0] << " " << xo[1] << " " << xo[2];
                }
            }
            std::printf("engine band sum at %6.0f Hz x%d: default %.5f dB, random %.5f dB\n", rate,
                        factor, worstDefault, worstRandom);
        }
}

// Level in dB of a sine at `freq` after the engine (compressors idle), against its input level,
// over the second half of half a second.
double sineGainDb(double hostRate, int factor, double freq) {
    rigging::FPScope fp;
    ClientPtr c = idleEngine(hostRate, factor, 4, kDefaultCrossovers, false);
    const int blocks = int(hostRate / 2 / kBlock);
    std::vector<float> in(kBlock), out(kBlock);
    double pin = 0, pout = 0;
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < kBlock; ++i)
            in[i] = float(0.5 * std::sin(2.0 * M_PI * freq * double(b * kBlock + i) / hostRate));
        process(*c, in.data(), out.data());
        for (int i = 0; b >= blocks / 2 && i < kBlock; ++i) {
            pin += double(in[i]) * in[i];
            pout += double(out[i]) * out[i];
        }
    }
    return 10.0 * std::log10(pout / pin);
}

// Below 40 kHz the host Nyquist frequency less 2 kHz would remove a large share of the band;
// 0.45 x the host rate keeps it.
TEST(EngineLowRates, OversamplingKeepsFourTenthsOfTheHostRate) {
    for (double rate : {8000.0, 11025.0, 16000.0, 22050.0})
        for (int factor : {2, 4, 8})
            EXPECT_NEAR(sineGainDb(rate, factor, 0.4 * rate), 0.0, 1.0) << rate << " x" << factor;
}

TEST(EngineLowRates, CutoffIsHostNyquistLessTwoKilohertzFromFortyKilohertzUp) {
    EXPECT_EQ(Upsampler::cutoffFor(44100.0f), 20050.0f);
    EXPECT_EQ(Upsampler::cutoffFor(48000.0f), 22000.0f);
    EXPECT_EQ(Upsampler::cutoffFor(40000.0f), 18000.0f);  // both rules agree here
    EXPECT_EQ(Upsampler::cutoffFor(39000.0f), 0.45f * 39000.0f);
    EXPECT_EQ(Upsampler::cutoffFor(8000.0f), 3600.0f);
    // Above the cut-off the oversampled engine still removes what would alias.
    EXPECT_LT(sineGainDb(44100.0, 2, 21500.0), -10.0);
}

}  // namespace
}  // namespace brindlewave::testing
