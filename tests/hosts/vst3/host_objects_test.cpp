// The awkward streams and queues the plug-in tests rely on must misbehave exactly as asked.

#include "host_objects.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "host_editor.h"

using namespace vst3host;

TEST(HostStream, ShortReadsAndEndOfStream) {
    MemoryStream s({1, 2, 3, 4, 5});
    s.maxChunk = 2;
    std::uint8_t buf[8];
    int32 got = -1;
    EXPECT_EQ(s.read(buf, 8, &got), kResultOk);
    EXPECT_EQ(got, 2);
    EXPECT_EQ(s.read(buf, 8, &got), kResultOk);
    EXPECT_EQ(s.read(buf, 8, &got), kResultOk);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(buf[0], 5);
    EXPECT_EQ(s.read(buf, 8, &got), kResultFalse);
    EXPECT_EQ(got, 0);
}

TEST(HostStream, UnseekableAndLimitedWrites) {
    MemoryStream s;
    s.seekable = false;
    int64 pos = 0;
    EXPECT_NE(s.tell(&pos), kResultOk);
    EXPECT_NE(s.seek(0, kIBSeekEnd, &pos), kResultOk);
    s.writeLimit = 3;
    std::uint8_t data[5] = {9, 9, 9, 9, 9};
    int32 written = -1;
    EXPECT_EQ(s.write(data, 5, &written), kResultOk);
    EXPECT_EQ(written, 3);
    EXPECT_EQ(s.bytes().size(), 3u);
}

TEST(HostQueues, PointsCollectPerParameter) {
    ParameterChanges changes;
    changes.add(7, 0, 0.25);
    changes.add(3, 10, 0.5);
    changes.add(7, 20, 0.75);
    ASSERT_EQ(changes.getParameterCount(), 2);
    IParamValueQueue* q = changes.getParameterData(0);
    EXPECT_EQ(q->getParameterId(), 7u);
    EXPECT_EQ(q->getPointCount(), 2);
    int32 offset;
    double value;
    EXPECT_EQ(q->getPoint(1, offset, value), kResultOk);
    EXPECT_EQ(offset, 20);
    EXPECT_EQ(value, 0.75);
    EXPECT_EQ(changes.getParameterData(2), nullptr);
    EXPECT_NE(q->getPoint(2, offset, value), kResultOk);
}

namespace {

// What a plug-in's editor registers: a timer that may drop itself, and a descriptor handler.
struct Ticker : HostObject<ITimerHandler> {
    void onTimer() override {
        if (++calls == stopAfter) loop->unregisterTimer(this);
    }
    IRunLoop* loop = nullptr;
    int calls = 0, stopAfter = -1;
};
struct Reader : HostObject<IEventHandler> {
    void onFDIsSet(int fd) override {
        char c;
        if (read(fd, &c, 1) == 1) ++calls;
    }
    int calls = 0;
};

}  // namespace

TEST(HostRunLoop, FrameHandsOutTheLoopThatCallsTimersAndReadableDescriptors) {
    HostRunLoop loop;
    HostPlugFrame frame(&loop);
    void* obj = nullptr;
    ASSERT_EQ(frame.queryInterface(IRunLoop::iid, &obj), kResultOk);
    auto* runLoop = static_cast<IRunLoop*>(obj);
    ASSERT_EQ(static_cast<void*>(runLoop), static_cast<void*>(static_cast<IRunLoop*>(&loop)));

    Ticker ticker;
    ticker.loop = runLoop;
    ticker.stopAfter = 2;
    Reader reader;
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    ASSERT_EQ(runLoop->registerTimer(&ticker, 100), kResultOk);
    ASSERT_EQ(runLoop->registerEventHandler(&reader, pipeFds[0]), kResultOk);
    EXPECT_EQ(ticker.extraRefs(), 1);

    loop.run();  // nothing due, nothing to read
    EXPECT_EQ(ticker.calls, 0);
    EXPECT_EQ(reader.calls, 0);
    ASSERT_EQ(write(pipeFds[1], "x", 1), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(110));
    loop.run();
    EXPECT_EQ(ticker.calls, 1);
    EXPECT_EQ(reader.calls, 1);
    loop.run();  // due again only 100 ms later
    EXPECT_EQ(ticker.calls, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(110));
    loop.run();  // the second call unregisters the timer from inside it
    EXPECT_EQ(ticker.calls, 2);
    EXPECT_EQ(loop.timers(), 0);
    EXPECT_EQ(ticker.extraRefs(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(110));
    loop.run();
    EXPECT_EQ(ticker.calls, 2);

    EXPECT_EQ(runLoop->unregisterEventHandler(&reader), kResultOk);
    EXPECT_NE(runLoop->unregisterEventHandler(&reader), kResultOk);
    EXPECT_EQ(reader.extraRefs(), 0);
    runLoop->release();
    EXPECT_EQ(loop.extraRefs(), 0);
    close(pipeFds[0]);
    close(pipeFds[1]);
}
