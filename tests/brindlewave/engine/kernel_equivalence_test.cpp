// The vector kernel against the plain per-sample path: identical output bits and identical unit
// state, over band counts, oversampling factors, layouts, solo, bypass, odd block sizes and
// parameter changes between blocks.

#include <cmath>
#include <cstring>
#include <vector>

#include "brindlewave/dsp/scalarkernel.h"
#include "enginefixture.h"

namespace brindlewave::testing {
namespace {

using render::AudioBuffer;

void appendSection(std::vector<float>& v, const audiofx::BiQuad& q) {
    v.insert(v.end(), {q.w0, q.w1, q.w2, q.y});
}
void appendSection(std::vector<float>& v, const audiofx::StateVariableSection& q) {
    v.insert(v.end(), {q.s1, q.s2});
}
template <class Cascade>
void appendCascade(std::vector<float>& v, Cascade& c) {
    for (int k = 0; k < c.sectionCount(); ++k) appendSection(v, c.section(k));
}

// Every state value the engine's units keep between blocks.
std::vector<float> unitState(BrindlewaveClient& c) {
    c.settleUnits();
    std::vector<float> v;
    const EngineUnits& u = c.units();
    for (int ch = 0; ch < kEngineChannels; ++ch) {
        for (Band& band : u.splitters[ch]->bands) {
            if (band.lowpass) appendCascade(v, *band.lowpass);
            if (band.highpass) appendCascade(v, *band.highpass);
            if (band.allpasses)
                for (int j = 0; j < band.allpasses->size(); ++j)
                    appendCascade(v, (*band.allpasses)[j]);
        }
        appendCascade(v, *u.upsamplers[ch]->upsamplingFilter);
        appendCascade(v, *u.upsamplers[ch]->decimationFilter);
        for (BrindlewaveCompressor* comp : u.compressors[ch]) v.push_back(comp->envelope);
    }
    for (int b = 0; b < kEngineBands; ++b) {
        v.push_back(u.preDetectors[b]->envelope);
        v.push_back(u.postDetectors[b]->envelope);
    }
    return v;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

struct Scenario {
    int bands, factor, ins, outs, block;
    bool bypass = false;
    int soloBand = -1;
};

// Renders three segments through both paths, changing settings between them, and compares.
void expectSamePaths(const Scenario& sc) {
    SCOPED_TRACE(::testing::Message() << "bands " << sc.bands << " F " << sc.factor << " layout "
                                      << sc.ins << "," << sc.outs << " block " << sc.block
                                      << " bypass " << sc.bypass << " solo " << sc.soloBand);
    ClientPtr clients[2] = {makeClient(), makeClient()};
    clients[0]->setPlainProcessing(true);
    const AudioBuffer loud = render::makeNoise(sc.ins, 1500, 48000, -3.0, 7);
    const AudioBuffer quiet = render::makeSine(sc.ins, 1300, 48000, 440.0, -40.0);
    std::vector<AudioBuffer> outs[2];
    for (int k = 0; k < 2; ++k) {
        BrindlewaveClient& c = *clients[k];
        setValue(c, param::numberOfBands, sc.bands);
        setValue(c, param::oversampleFactor, std::log2(sc.factor));
        setValue(c, param::internalBypass, sc.bypass);
        if (sc.soloBand >= 0) setValue(c, param::solo(sc.soloBand), 1);
        setValue(c, param::threshold(0), -30);
        setValue(c, param::threshold(1), -24);
        setValue(c, param::attack(1), 0.001);
        setValue(c, param::ratio(2), 100);
        setValue(c, param::gain(3), 6);
        render::RenderOptions o;
        o.blockSize = sc.block;
        o.numOutputs = sc.outs;
        outs[k].push_back(render::render(c, loud, o));
        o.resetFirst = false;
        setValue(c, param::crossover(1), 900);
        setValue(c, param::threshold(2), -50);
        setValue(c, param::ratio(0), 1);
        setValue(c, param::inputGain, 5);
        outs[k].push_back(render::render(c, quiet, o));
        setValue(c, param::numberOfBands, sc.bands == 4 ? 3 : sc.bands + 1);
        setValue(c, param::oversampleFactor, std::log2(sc.factor == 8 ? 2 : sc.factor * 2));
        outs[k].push_back(render::render(c, loud, o));
    }
    for (std::size_t seg = 0; seg < outs[0].size(); ++seg)
        for (int ch = 0; ch < sc.outs; ++ch)
            EXPECT_TRUE(sameBits(outs[0][seg].channels[ch], outs[1][seg].channels[ch]))
                << "segment " << seg << " channel " << ch;
    EXPECT_TRUE(sameBits(unitState(*clients[0]), unitState(*clients[1])));
}

TEST(VectorKernel, MatchesPlainPathForEveryBandCountAndFactor) {
    for (int bands = 2; bands <= 4; ++bands)
        for (int factor : {1, 2, 4, 8}) expectSamePaths({bands, factor, 2, 2, 512});
}

TEST(VectorKernel, MatchesPlainPathForLayoutsAndOddBlocks) {
    for (auto [ins, outs] : {std::pair{1, 1}, {1, 2}, {2, 1}})
        expectSamePaths({4, 2, ins, outs, 512});
    for (int block : {1, 7, 173, 600}) expectSamePaths({3, 1, 2, 2, block});
    expectSamePaths({4, 4, 2, 2, 99});
}

// The vector kernel keeps the filters' state between blocks: switching paths between blocks hands
// it over without a seam.
TEST(VectorKernel, SwitchingPathsBetweenBlocksChangesNoBit) {
    for (int factor : {1, 4}) {
        ClientPtr steady = makeClient(), switching = makeClient();
        const AudioBuffer in = render::makeNoise(2, 4000, 48000, -3.0, 21);
        AudioBuffer out[2];
        for (int k = 0; k < 2; ++k) {
            BrindlewaveClient& c = k == 0 ? *steady : *switching;
            setValue(c, param::oversampleFactor, std::log2(factor));
            setValue(c, param::threshold(1), -30);
            render::RenderOptions o;
            o.blockSize = 250;
            for (int part = 0; part < 4; ++part) {
                if (k == 1) c.setPlainProcessing(part % 2 == 1);
                if (part == 2) setValue(c, param::crossover(0), 300);
                const AudioBuffer r = render::render(c, in, o);
                o.resetFirst = false;
                for (int ch = 0; ch < 2; ++ch) out[k].channels.push_back(r.channels[ch]);
            }
        }
        for (std::size_t i = 0; i < out[0].channels.size(); ++i)
            EXPECT_TRUE(sameBits(out[0].channels[i], out[1].channels[i])) << factor << " " << i;
        EXPECT_TRUE(sameBits(unitState(*steady), unitState(*switching))) << factor;
    }
}

// The engine's units set up by hand, so that the kernels can be fed what the client never
// passes on: samples that overflow the filters.
struct OwnUnits {
    BandSplitter splitters[2];
    Upsampler upsamplers[2];
    BrindlewaveCompressor compressors[2][4];
    audiofx::PeakDetector pre[4], post[4];
    EngineUnits units;

    OwnUnits(int factor, float threshold) {
        const float rate = 48000.0f * factor, crossovers[3] = {200, 1000, 5000};
        for (int ch = 0; ch < 2; ++ch) {
            upsamplers[ch].initialize(8, 512);
            upsamplers[ch].setSampleRate(48000);
            upsamplers[ch].setFactor(factor);
            splitters[ch].setSampleRate(rate);
            splitters[ch].updateCrossovers(crossovers, 4, rate);
            units.splitters[ch] = &splitters[ch];
            units.upsamplers[ch] = &upsamplers[ch];
            for (int b = 0; b < 4; ++b) {
                compressors[ch][b].initialize(rate, 1, 100, threshold, 4, 1);
                units.compressors[ch][b] = &compressors[ch][b];
            }
        }
        for (int b = 0; b < 4; ++b) {
            for (audiofx::PeakDetector* d : {&pre[b], &post[b]}) {
                d->setSampleRate(rate);
                d->setEnvelope(0, 500);
            }
            units.preDetectors[b] = &pre[b];
            units.postDetectors[b] = &post[b];
        }
    }
};

TEST(VectorKernel, MatchesPlainPathWhenFiltersOverflow) {
    // Samples near the largest float overflow the filters: envelopes turn non-finite and restart
    // from 0 the same way on both paths.
    for (int factor : {1, 2}) {
        OwnUnits plain(factor, -20), vector(factor, -20);
        VectorKernel kernel;
        BlockSettings s;
        s.factor = factor;
        AudioBuffer in = render::makeNoise(2, 512, 48000, -6.0, 17);
        for (int i = 100; i < 140; ++i) in.channels[0][i] = 3e38f;  // the integrators overflow
        const float* inputs[2] = {in.channels[0].data(), in.channels[1].data()};
        processBlockScalar(plain.units, s, inputs, 512);
        kernel.process(vector.units, s, inputs, 512);
        bool overflowed = false;
        for (int ch = 0; ch < 2; ++ch) {
            const float* a = plain.upsamplers[ch].decimatedBuffer();
            const float* b = kernel.output(ch);
            EXPECT_EQ(std::memcmp(a, b, 512 * sizeof(float)), 0) << "channel " << ch;
            for (int i = 0; i < 512; ++i) overflowed |= !std::isfinite(b[i]);
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(plain.compressors[ch][k].envelope, vector.compressors[ch][k].envelope);
        }
        EXPECT_TRUE(overflowed);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(plain.pre[k].envelope, vector.pre[k].envelope);
            EXPECT_EQ(plain.post[k].envelope, vector.post[k].envelope);
        }
    }
}

// Units retuned by hand between blocks, the way the client never does: a rate that reaches only
// the splits (which clears them but not the all-passes), a band count and a crossover.
TEST(VectorKernel, FollowsUnitsRetunedBetweenBlocks) {
    OwnUnits plain(1, -30), vector(1, -30);
    VectorKernel kernel;
    BlockSettings s;
    const AudioBuffer in = render::makeNoise(2, 512, 48000, -6.0, 5);
    const float* inputs[2] = {in.channels[0].data(), in.channels[1].data()};
    const float same[3] = {200, 1000, 5000}, other[3] = {150, 1200, 6000};
    auto retune = [&](OwnUnits& u, int step) {
        for (BandSplitter& sp : u.splitters) {
            if (step == 0) sp.updateCrossovers(same, 4, 44100.0f);
            if (step == 1) sp.updateCrossovers(other, 3, 44100.0f);
        }
    };
    for (int step = 0; step < 3; ++step) {
        processBlockScalar(plain.units, s, inputs, 512);
        kernel.process(vector.units, s, inputs, 512);
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_EQ(std::memcmp(plain.upsamplers[ch].decimatedBuffer(), kernel.output(ch),
                                  512 * sizeof(float)),
                      0)
                << "step " << step << " channel " << ch;
        retune(plain, step);
        retune(vector, step);
        s.bands = step == 0 ? 4 : 3;
    }
    kernel.handBack(vector.units);
    for (int ch = 0; ch < 2; ++ch)
        for (int b = 0; b < 3; ++b) {
            const Band& p = plain.splitters[ch].bands[b];
            const Band& v = vector.splitters[ch].bands[b];
            EXPECT_EQ(p.lowpass->section(7).s1, v.lowpass->section(7).s1) << ch << " " << b;
            if (b == 0) EXPECT_EQ((*p.allpasses)[0].section(3).s2, (*v.allpasses)[0].section(3).s2);
        }
}

TEST(VectorKernel, MatchesPlainPathWithSoloAndBypass) {
    expectSamePaths({4, 1, 2, 2, 512, true});
    expectSamePaths({2, 8, 2, 2, 333, true});
    expectSamePaths({4, 2, 2, 2, 512, false, 1});
    expectSamePaths({3, 1, 2, 2, 256, false, 3});  // solo beyond the band count silences all
}

}  // namespace
}  // namespace brindlewave::testing
