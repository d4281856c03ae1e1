#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "rigging/client/binrange.h"
#include "testclient.h"

using namespace testclient;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes save(TestClient* c) {
    Vec<std::uint8_t> chunk = c->presetBank().getStateChunkFromCurrentState();
    return Bytes(chunk.begin(), chunk.end());
}

ChunkError load(TestClient* c, const Bytes& b) {
    return c->presetBank().loadStateChunk(b);
}

// Every parameter's typed value.
std::vector<double> values(TestClient* c) {
    std::vector<double> v;
    for (Parameter* p : c->params()) {
        if (auto* b = dynamic_cast<BoolParameter*>(p))
            v.push_back(b->value());
        else if (auto* i = dynamic_cast<IntegerParameter*>(p))
            v.push_back(i->value());
        else
            v.push_back(static_cast<FloatParameter*>(p)->value());
    }
    return v;
}

void randomize(TestClient* c, std::mt19937& rng) {
    std::uniform_real_distribution<float> u(0.f, 1.f);
    for (Parameter* p : c->params()) p->setFromHost(u(rng));
}

void putLE(Bytes& b, size_t offset, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct StateChunkTest : ::testing::Test {
    TestClient* c = make({.numParams = 139, .numPresets = 2});
    std::mt19937 rng{1234};
    ~StateChunkTest() override { destroyFree(c); }

    // A refused chunk must leave the values and the preset index as they were.
    void expectRefused(const Bytes& chunk, ChunkError error) {
        std::vector<double> before = values(c);
        int preset = c->presetBank().currentPresetIndex();
        EXPECT_EQ(load(c, chunk), error);
        EXPECT_EQ(values(c), before);
        EXPECT_EQ(c->presetBank().currentPresetIndex(), preset);
    }
};

}  // namespace

TEST_F(StateChunkTest, LayoutOf139Parameters) {
    Bytes chunk = save(c);
    ASSERT_EQ(chunk.size(), 580u);
    const Bytes header = {0x0B, 0x20, 0xBA, 0x92, 0, 0, 0, 0, 0,   0, 0, 0,
                          0x02, 0x01, 0x01, 0x00, 0, 0, 0, 0, 139, 0, 0, 0};
    EXPECT_EQ(Bytes(chunk.begin(), chunk.begin() + 24), header);
    float first;
    std::span<const std::uint8_t> rest(chunk.data() + 24, 4);
    ASSERT_TRUE(popLE(rest, first));
    EXPECT_EQ(first, static_cast<float>(c->param(0)->getNormalized()));
}

TEST_F(StateChunkTest, RoundTripsEveryParameterBitExactly) {
    randomize(c, rng);
    c->presetBank().loadPresetFromHost(1);
    Bytes first = save(c);
    TestClient* other = make({.numParams = 139, .numPresets = 2});
    ASSERT_EQ(load(other, first), ChunkError::none);
    EXPECT_EQ(save(other), first);
    EXPECT_EQ(other->presetBank().currentPresetIndex(), 1);
    ASSERT_EQ(load(c, first), ChunkError::none);  // both now hold what the chunk says
    EXPECT_EQ(values(other), values(c));
    destroyFree(other);
}

TEST_F(StateChunkTest, RefusesBadHeadersWithTheirMessages) {
    Bytes good = save(c);
    randomize(c, rng);
    Bytes magic = good, version = good, index = good, negative = good;
    magic[3] ^= 1;
    putLE(version, 4, 1);
    putLE(index, 16, 2);
    putLE(negative, 16, -1);
    expectRefused(magic, ChunkError::badMagic);
    expectRefused(version, ChunkError::newerVersion);
    expectRefused(index, ChunkError::badPresetIndex);
    expectRefused(negative, ChunkError::badPresetIndex);
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

TEST_F(StateChunkTest, TruncatedChunksChangeNothing) {
    Bytes good = save(c);
    randomize(c, rng);
    for (size_t n : {579, 300, 25, 24, 23, 10, 3, 0})
        expectRefused(Bytes(good.begin(), good.begin() + n), ChunkError::endOfInput);
    Bytes huge = good;
    putLE(huge, 20, 0x40000001);  // 4 x N wraps to 4 in 32 bits
    expectRefused(huge, ChunkError::endOfInput);
}

TEST_F(StateChunkTest, LoadsOtherVersionsAndCountsThatDifferFromOurs) {
    randomize(c, rng);
    Bytes chunk = save(c);
    std::vector<double> saved = values(c);
    putLE(chunk, 12, 0x00050000);  // another plug-in version loads
    randomize(c, rng);
    ASSERT_EQ(load(c, chunk), ChunkError::none);
    EXPECT_EQ(values(c), saved);

    Bytes extra = chunk;  // values beyond our count are read and dropped
    putLE(extra, 20, 141);
    extra.insert(extra.end(), 8, 0xFF);
    EXPECT_EQ(load(c, extra), ChunkError::none);
    EXPECT_EQ(values(c), saved);

    Bytes fewer(chunk.begin(), chunk.begin() + 24 + 4);  // one value: the rest keep theirs
    putLE(fewer, 20, 1);
    randomize(c, rng);
    std::vector<double> expected = values(c);
    expected[0] = saved[0];
    EXPECT_EQ(load(c, fewer), ChunkError::none);
    EXPECT_EQ(values(c), expected);

    for (std::int32_t n : {0, -3}) {  // no values: only the preset index moves
        Bytes none(chunk.begin(), chunk.begin() + 24);
        putLE(none, 16, 1);
        putLE(none, 20, n);
        EXPECT_EQ(load(c, none), ChunkError::none);
        EXPECT_EQ(values(c), expected);
        EXPECT_EQ(c->presetBank().currentPresetIndex(), 1);
        c->presetBank().loadPresetFromHost(0);
        expected = values(c);
    }
}

TEST_F(StateChunkTest, FuzzedChunksNeverCrashNorHalfLoad) {
    randomize(c, rng);
    const Bytes good = save(c);
    std::uniform_int_distribution<int> byte(0, 255);
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes chunk = good;
        switch (round % 4) {
            case 0:  // truncated
                chunk.resize(rng() % good.size());
                break;
            case 1:  // a few bits flipped, most often in the header
                for (int k = 0, n = 1 + rng() % 4; k < n; ++k)
                    chunk[rng() % (k == 0 ? 24 : chunk.size())] ^= 1 << (rng() % 8);
                break;
            case 2:  // noise behind a valid magic
                chunk.resize(4 + rng() % 700);
                for (size_t i = 4; i < chunk.size(); ++i) chunk[i] = byte(rng);
                break;
            default:  // valid header, random count and values
                putLE(chunk, 20, static_cast<std::int32_t>(rng() % 300) - 20);
                for (size_t i = 24; i < chunk.size(); ++i) chunk[i] = byte(rng);
                chunk.resize(24 + rng() % 1200);
        }
        std::vector<double> before = values(c);
        int preset = c->presetBank().currentPresetIndex();
        if (load(c, chunk) != ChunkError::none) {
            ASSERT_EQ(values(c), before) << "round " << round;
            ASSERT_EQ(c->presetBank().currentPresetIndex(), preset);
            continue;
        }
        ++accepted;
        for (Parameter* p : c->params()) {  // whatever a host sends, values stay in range
            double n = p->getNormalized();
            ASSERT_TRUE(n >= 0.0 && n <= 1.0) << p->index();
            if (auto* f = dynamic_cast<FloatParameter*>(p)) {
                ASSERT_TRUE(f->value() >= f->minValue() && f->value() <= f->maxValue());
            }
        }
    }
    EXPECT_GT(accepted, 500);  // the fuzzer also reached the value-applying path
}
