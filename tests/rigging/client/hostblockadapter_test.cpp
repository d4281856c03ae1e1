#include "rigging/client/hostblockadapter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "testclient.h"

using namespace testsupport;

namespace {

struct Deleter {
    void operator()(TestClient* c) const { destroyFree(c); }
};

// A client at half its input, behind an adapter cutting host blocks into pieces of `piece`.
struct AdaptedClient {
    explicit AdaptedClient(int piece, int clientOutputs = 2, int chunkLimit = 512)
        : client(make({.chunkLimit = chunkLimit, .outputScale = 0.5f})), adapter(*client) {
        adapter.resetForStream({48000, piece, 2, clientOutputs}, true);
    }
    std::unique_ptr<TestClient, Deleter> client;
    HostBlockAdapter adapter;
};

template <typename T>
struct Channels {
    Channels(int n, int frames, T fill) : data(n, std::vector<T>(frames, fill)) {
        for (auto& c : data) ptrs.push_back(c.data());
    }
    std::vector<std::vector<T>> data;
    std::vector<T*> ptrs;
};

Channels<float> ramp(int n, int frames) {
    Channels<float> r(n, frames, 0.0f);
    for (int c = 0; c < n; ++c)
        for (int j = 0; j < frames; ++j) r.data[c][j] = static_cast<float>(c + 1) + 0.001f * j;
    return r;
}

}  // namespace

TEST(HostBlockAdapter, CutsBlocksIntoPiecesAndAdvancesTimeByPiece) {
    AdaptedClient rig(300, 2, 256);
    auto in = ramp(2, 1000);
    Channels<float> out(2, 1000, NAN);
    const rigging::TimeInfo start{.timeInSamples = 5000};
    rig.adapter.processReplacing({in.ptrs.data(), 2, out.ptrs.data(), 2}, 1000, start);
    std::vector<int> frames;
    for (const ProcessCall& c : rig.client->processCalls) frames.push_back(c.frames);
    EXPECT_EQ(frames, (std::vector<int>{256, 44, 256, 44, 256, 44, 100}));
    EXPECT_EQ(rig.client->processCalls[2].info.timeInSamples, 5300);
    EXPECT_EQ(rig.client->processCalls[6].info.timeInSamples, 5900);
    EXPECT_EQ(rig.client->overruns, 0);
    for (int c = 0; c < 2; ++c)
        for (int j = 0; j < 1000; ++j) ASSERT_EQ(out.data[c][j], 0.5f * in.data[c][j]) << j;
}

TEST(HostBlockAdapter, OutputsMayAliasInputsInAnyOrder) {
    AdaptedClient rig(128);
    auto io = ramp(2, 300);
    const auto original = io.data;
    float* swapped[2] = {io.ptrs[1], io.ptrs[0]};  // output 0 is input 1 and the other way
    rig.adapter.processReplacing({io.ptrs.data(), 2, swapped, 2}, 300, {});
    for (int j = 0; j < 300; ++j) {
        ASSERT_EQ(io.data[1][j], 0.5f * original[0][j]);
        ASSERT_EQ(io.data[0][j], 0.5f * original[1][j]);
    }
}

TEST(HostBlockAdapter, MissingChannelsAreSilentAndExtraOutputsSilenced) {
    AdaptedClient rig(64);
    auto in = ramp(1, 100);  // one input for a client of two
    Channels<float> out(4, 100, NAN);
    float* outs[4] = {nullptr, out.ptrs[1], out.ptrs[2], out.ptrs[3]};  // output 0 not given
    rig.adapter.processReplacing({in.ptrs.data(), 1, outs, 4}, 100, {});
    for (int j = 0; j < 100; ++j) {
        ASSERT_EQ(out.data[1][j], 0.0f);  // the client's second input was the silent buffer
        ASSERT_EQ(out.data[2][j], 0.0f);
        ASSERT_EQ(out.data[3][j], 0.0f);
    }
    EXPECT_TRUE(std::isnan(out.data[0][0]));
    // No host arrays at all: the client still runs, on silence into scratch.
    rig.adapter.processReplacing(rigging::HostChannels<float>{}, 100, {});
    EXPECT_EQ(rig.client->framesProcessed(), 200);
}

// The double and accumulating forms are driven through the VST 2.4 wrapper's own tests.

TEST(HostBlockAdapter, PieceLengthAndChannelCountsStayWithinBounds) {
    EXPECT_EQ(pieceFramesFor(0), kUnannouncedPieceFrames);
    EXPECT_EQ(pieceFramesFor(-1), kUnannouncedPieceFrames);
    EXPECT_EQ(pieceFramesFor(1 << 30), kMaxPieceFrames);
    // Cutting at a multiple of the client's chunk keeps its chunks where they were.
    static_assert(kMaxPieceFrames % 512 == 0);
    AdaptedClient rig(1, 9);  // no more outputs than the client has
    EXPECT_EQ(rig.adapter.pieceFrames(), 1);
    EXPECT_EQ(rig.adapter.clientOutputs(), 2);
}

TEST(HostBlockAdapter, ResetsWhenAskedOrWhenTheStreamChanges) {
    std::unique_ptr<TestClient, Deleter> client(make({.chunkLimit = 512}));
    HostBlockAdapter adapter(*client);
    const rigging::HostStream stream{44100, 256, 2, 2};
    EXPECT_TRUE(adapter.resetForStream(stream, false));  // nothing matches the first time
    EXPECT_FALSE(adapter.resetForStream(stream, false));
    EXPECT_TRUE(adapter.resetForStream(stream, true));  // asked: the same stream resets again
    ASSERT_EQ(client->resets.size(), 2u);
    EXPECT_EQ(client->resets[1].sampleRate, 44100);
    EXPECT_EQ(client->resets[1].maxFrames, 256);

    // Any one value changed resets; back to the old one resets again.
    const rigging::HostStream changed[] = {
        {48000, 256, 2, 2}, {44100, 300, 2, 2}, {44100, 256, 1, 2}, {44100, 256, 2, 1}};
    for (const rigging::HostStream& s : changed) {
        EXPECT_TRUE(adapter.resetForStream(s, false));
        EXPECT_TRUE(adapter.resetForStream(stream, false));
    }
    EXPECT_EQ(client->resets.size(), 10u);
}

TEST(HostBlockAdapter, ComparesThePieceLengthNotTheAnnouncedSize) {
    std::unique_ptr<TestClient, Deleter> client(make({.chunkLimit = 512}));
    HostBlockAdapter adapter(*client);
    EXPECT_TRUE(adapter.resetForStream({44100, 0, 2, 2}, false));
    EXPECT_FALSE(adapter.resetForStream({44100, -1, 2, 2}, false));  // both unannounced
    EXPECT_EQ(adapter.pieceFrames(), kUnannouncedPieceFrames);
    EXPECT_EQ(client->resets.back().maxFrames, kUnannouncedPieceFrames);
    EXPECT_TRUE(adapter.resetForStream({44100, 9000, 2, 2}, false));
    EXPECT_FALSE(adapter.resetForStream({44100, 1 << 20, 2, 2}, false));  // both the longest
    EXPECT_EQ(adapter.pieceFrames(), kMaxPieceFrames);
    EXPECT_EQ(client->resets.back().maxFrames, 512);  // the client's own limit

    // An unknown rate never matches: every block resets until a real one comes.
    EXPECT_TRUE(adapter.resetForStream({NAN, 9000, 2, 2}, false));
    EXPECT_TRUE(adapter.resetForStream({NAN, 9000, 2, 2}, false));
    EXPECT_TRUE(adapter.resetForStream({44100, 9000, 2, 2}, false));
    EXPECT_FALSE(adapter.resetForStream({44100, 9000, 2, 2}, false));
}

TEST(HostBlockAdapter, LaterBlocksAreCutForTheStreamOfTheLastReset) {
    std::unique_ptr<TestClient, Deleter> client(make({.chunkLimit = 512}));
    HostBlockAdapter adapter(*client);
    adapter.resetForStream({44100, 100, 1, 5}, false);
    EXPECT_EQ(adapter.clientInputs(), 1);
    EXPECT_EQ(adapter.clientOutputs(), 2);  // clamped to the client's maxima
    auto in = ramp(1, 250);
    Channels<float> out(2, 250, NAN);
    adapter.processReplacing({in.ptrs.data(), 1, out.ptrs.data(), 2}, 250, {});
    std::vector<int> frames;
    for (const ProcessCall& c : client->processCalls) frames.push_back(c.frames);
    EXPECT_EQ(frames, (std::vector<int>{100, 100, 50}));
}
