#include <gtest/gtest.h>

#include <random>

#include "testclient.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<std::uint8_t>;

void putLE(Bytes& b, size_t offset, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct StateChunkTest : ::testing::Test {
    TestClient* c = make({.parameters = Setup::pluginShaped(), .presets = Setup::defaults(2)});
    std::mt19937 rng{1234};
    ~StateChunkTest() override { destroyFree(c); }

    Bytes save(TestClient* k) {
        Vec<std::uint8_t> chunk = k->presetBank().getStateChunkFromCurrentState();
        return Bytes(chunk.begin(), chunk.end());
    }
    ChunkError load(const Bytes& b) { return c->presetBank().loadStateChunk(b); }

    // Every parameter's typed value, and the preset index last.
    std::vector<double> state(TestClient* k) {
        std::vector<double> v;
        for (Parameter* p : k->params()) {
            if (auto* b = dynamic_cast<BoolParameter*>(p))
                v.push_back(b->value());
            else if (auto* i = dynamic_cast<IntegerParameter*>(p))
                v.push_back(i->value());
            else
                v.push_back(static_cast<FloatParameter*>(p)->value());
        }
        v.push_back(k->presetBank().currentPresetIndex());
        return v;
    }
    void randomize() {
        std::uniform_real_distribution<float> u(0.f, 1.f);
        for (Parameter* p : c->params()) p->setFromHost(u(rng));
    }
    void expectRefused(const Bytes& chunk, ChunkError error) {
        std::vector<double> before = state(c);
        EXPECT_EQ(load(chunk), error);
        EXPECT_EQ(state(c), before);
    }
};

}  // namespace

TEST_F(StateChunkTest, LayoutOf139Parameters) {
    Bytes chunk = save(c);
    ASSERT_EQ(chunk.size(), 580u);
    const Bytes header = {0x0B, 0x20, 0xBA, 0x92, 0, 0, 0, 0, 0,   0, 0, 0,
                          0x02, 0x01, 0x01, 0x00, 0, 0, 0, 0, 139, 0, 0, 0};
    EXPECT_EQ(Bytes(chunk.begin(), chunk.begin() + 24), header);
    // Value 1 (log scale, default 188 ms) as single-precision little-endian bytes.
    float n = static_cast<float>(c->param(1)->getNormalizedDefault());
    EXPECT_EQ(std::memcmp(chunk.data() + 28, &n, 4), 0);
}

TEST_F(StateChunkTest, RoundTripsEveryParameterBitExactly) {
    randomize();
    c->presetBank().loadPresetFromHost(1);
    Bytes first = save(c);
    TestClient* other = make({.parameters = Setup::pluginShaped(), .presets = Setup::defaults(2)});
    ASSERT_EQ(other->presetBank().loadStateChunk(first), ChunkError::none);
    EXPECT_EQ(save(other), first);
    ASSERT_EQ(load(first), ChunkError::none);  // both now hold exactly what the chunk says
    EXPECT_EQ(state(other), state(c));
    EXPECT_EQ(state(c).back(), 1);
    destroyFree(other);
}

TEST_F(StateChunkTest, RefusedChunksChangeNothingAndSayWhy) {
    Bytes good = save(c);
    randomize();
    Bytes magic = good, version = good, index = good, negative = good, huge = good;
    magic[3] ^= 1;
    putLE(version, 4, 1);
    putLE(index, 16, 2);
    putLE(negative, 16, -1);
    putLE(huge, 20, 0x40000001);  // 4 x N wraps to 4 in 32 bits
    expectRefused(magic, ChunkError::badMagic);
    expectRefused(version, ChunkError::newerVersion);
    expectRefused(index, ChunkError::badPresetIndex);
    expectRefused(negative, ChunkError::badPresetIndex);
    expectRefused(huge, ChunkError::endOfInput);
    for (size_t n : {579, 300, 24, 23, 10, 3, 0})
        expectRefused(Bytes(good.begin(), good.begin() + n), ChunkError::endOfInput);
    EXPECT_STREQ(chunkErrorMessage(ChunkError::badMagic),
                 "Can not load, magic number didn't match");
    EXPECT_STREQ(chunkErrorMessage(ChunkError::newerVersion),
                 "Can not load chunk done with a newer, incompatible rigging library");
    EXPECT_STREQ(chunkErrorMessage(ChunkError::badPresetIndex),
                 "Invalid preset index in state chunk");
    EXPECT_STREQ(chunkErrorMessage(ChunkError::endOfInput),
                 "Expected a byte, but found end of input");
    EXPECT_EQ(chunkErrorMessage(ChunkError::none), nullptr);
}

TEST_F(StateChunkTest, LoadsOtherVersionsAndOtherCounts) {
    randomize();
    Bytes chunk = save(c);
    std::vector<double> saved = state(c);
    putLE(chunk, 12, 0x00050000);  // another plug-in version
    chunk.insert(chunk.end(), 8, 0xFF);
    putLE(chunk, 20, 141);  // two values more than we have: read and dropped
    randomize();
    ASSERT_EQ(load(chunk), ChunkError::none);
    EXPECT_EQ(state(c), saved);

    Bytes one(chunk.begin(), chunk.begin() + 28);  // one value: the others keep theirs
    putLE(one, 20, 1);
    randomize();
    std::vector<double> expected = state(c);
    expected[0] = saved[0];
    ASSERT_EQ(load(one), ChunkError::none);
    EXPECT_EQ(state(c), expected);

    for (std::int32_t n : {0, -3}) {  // no values: only the preset index moves
        Bytes none(chunk.begin(), chunk.begin() + 24);
        putLE(none, 16, 1 + n / 3);
        putLE(none, 20, n);
        expected.back() = 1 + n / 3;
        ASSERT_EQ(load(none), ChunkError::none);
        EXPECT_EQ(state(c), expected);
    }
}

TEST_F(StateChunkTest, FuzzedChunksNeverCrashNorHalfLoad) {
    randomize();
    const Bytes good = save(c);
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes chunk = good;
        switch (round % 4) {
            case 0:  // truncated
                chunk.resize(rng() % good.size());
                break;
            case 1:  // a few bits flipped, the first in the header
                for (int k = 0, n = 1 + rng() % 4; k < n; ++k)
                    chunk[rng() % (k == 0 ? 24 : chunk.size())] ^= 1 << (rng() % 8);
                break;
            case 2:  // noise behind a valid magic
                chunk.resize(4 + rng() % 700);
                for (size_t i = 4; i < chunk.size(); ++i) chunk[i] = rng();
                break;
            default:  // valid header, random count, random values (NaNs included)
                putLE(chunk, 20, static_cast<std::int32_t>(rng() % 300) - 20);
                for (size_t i = 24; i < chunk.size(); ++i) chunk[i] = rng();
                chunk.resize(24 + rng() % 1200);
        }
        std::vector<double> before = state(c);
        if (load(chunk) != ChunkError::none) {
            ASSERT_EQ(state(c), before) << "round " << round;
            continue;
        }
        ++accepted;
        for (Parameter* p : c->params()) {  // whatever a chunk holds, values stay in range
            ASSERT_TRUE(p->getNormalized() >= 0.0 && p->getNormalized() <= 1.0) << p->index();
            if (auto* f = dynamic_cast<FloatParameter*>(p)) {
                ASSERT_TRUE(f->value() >= f->minValue() && f->value() <= f->maxValue());
            }
        }
    }
    EXPECT_GT(accepted, 500);  // the fuzzer also reached the applying path
}
