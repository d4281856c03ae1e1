// The engine's output bits pinned to values recorded from a known-good build: a change that is
// meant to restructure the engine without changing what it does must leave every bit in place.
// Each run renders a fixed programme through the real client in segments, with settings changed
// between segments (crossovers, thresholds, solo, band count, odd block sizes), for 2, 3 and 4
// bands at oversampling x1 and x8, through both the vector kernel and the plain path.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "enginefixture.h"

namespace brindlewave::testing {
namespace {

using render::AudioBuffer;

constexpr double kRate = 48000;

// FNV-1a over the bits of every sample, channel after channel.
struct BitHash {
    std::uint64_t h = 1469598103934665603ull;
    void add(const AudioBuffer& b) {
        for (const auto& ch : b.channels)
            for (float x : ch) {
                std::uint32_t bits;
                std::memcpy(&bits, &x, sizeof bits);
                for (int k = 0; k < 4; ++k) {
                    h ^= (bits >> (8 * k)) & 0xFFu;
                    h *= 1099511628211ull;
                }
            }
    }
};

// Noise loud enough to compress every band, a quiet tone, then the noise again.
AudioBuffer programme(int part) {
    switch (part % 3) {
        case 0:
            return render::makeNoise(2, 3000, kRate, -4.0, 11 + part);
        case 1:
            return render::makeSine(2, 2200, kRate, 330.0, -26.0);
        default:
            return render::makeNoise(2, 2600, kRate, -12.0, 5 + part);
    }
}

std::uint64_t renderHash(int bands, int factor, bool plain) {
    ClientPtr c = makeClient();
    c->setPlainProcessing(plain);
    BrindlewaveClient& e = *c;
    setValue(e, param::numberOfBands, bands);
    setValue(e, param::oversampleFactor, std::log2(factor));
    for (int b = 0; b < 4; ++b) {
        setValue(e, param::threshold(b), -36 + 4 * b);
        setValue(e, param::ratio(b), 3 + 5 * b);
        setValue(e, param::attack(b), 0.5 + 3 * b);
        setValue(e, param::release(b), 40 + 60 * b);
    }
    setValue(e, param::gain(1), 4);
    BitHash hash;
    render::RenderOptions o;
    auto segment = [&](int part, int block) {
        o.blockSize = block;
        hash.add(render::render(e, programme(part), o));
        o.resetFirst = false;
    };
    segment(0, 512);
    setValue(e, param::crossover(0), 180);  // clears the two bands beside it
    setValue(e, param::threshold(0), -48);
    segment(1, 173);
    setValue(e, param::crossover(1), 1700);
    setValue(e, param::inputGain, 4);
    segment(2, 32);
    setValue(e, param::solo(1), 1);
    segment(3, 100);
    setValue(e, param::solo(1), 0);
    setValue(e, param::numberOfBands, bands == 4 ? 2 : bands + 1);  // clears every band
    segment(4, 512);
    setValue(e, param::numberOfBands, bands);
    setValue(e, param::internalBypass, 1);
    segment(5, 77);
    setValue(e, param::internalBypass, 0);
    setValue(e, param::crossover(2), 9000);
    segment(6, 512);
    return hash.h;
}

struct Recorded {
    int bands, factor;
    std::uint64_t hash;
};

// Recorded from the engine before its crossover tree and section walks were restructured.
constexpr Recorded kRecorded[] = {
    {2, 1, 0xca226ecbe590db8cull}, {2, 8, 0x012dc70584d214d0ull}, {3, 1, 0x2ecb90d8c3f01857ull},
    {3, 8, 0xcdae5306f0e86381ull}, {4, 1, 0xce60874463ce40fdull}, {4, 8, 0xdb59ffbda793e093ull},
};

TEST(EngineBits, OutputMatchesTheRecordedBitsForEveryBandCountAtX1AndX8) {
    for (const Recorded& r : kRecorded)
        for (bool plain : {false, true}) {
            const std::uint64_t h = renderHash(r.bands, r.factor, plain);
            EXPECT_EQ(h, r.hash) << r.bands << " bands, x" << r.factor
                                 << (plain ? " plain" : " vector") << ": got 0x" << std::hex << h;
        }
}

}  // namespace
}  // namespace brindlewave::testing
