#include "rigging/core/threadcontract.h"

#include <gtest/gtest.h>

#include <thread>

using namespace rigging;

#if RIGGING_THREAD_CHECKS

namespace {

constexpr const char* kBroken = "Thread contract broken";

// Runs f on a thread of its own and waits for it.
template <typename F>
void onAnotherThread(F f) {
    std::thread t(f);
    t.join();
}

class ThreadContractDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

}  // namespace

TEST(ThreadContract, AudioOnlyFollowsTheThreadOfTheLastProcessCall) {
    ThreadContract c;
    onAnotherThread([&] { c.expect(ThreadRole::audio, "before any call"); });  // none recorded
    { AudioCall call(c); }
    c.expect(ThreadRole::audio, "after a call on this thread");
    // A host may move its processing to another thread between calls.
    onAnotherThread([&] {
        AudioCall call(c);
        c.expect(ThreadRole::audio, "inside a call on the new thread");
    });
}

TEST(ThreadContract, MainMayShareTheAudioThreadBetweenCalls) {
    // Offline hosts process and edit on one thread in turn.
    ThreadContract c;
    { AudioCall call(c); }
    c.expect(ThreadRole::main, "between calls");
    c.expect(ThreadRole::editor, "between calls");
    AudioCall call(c);
    onAnotherThread([&] { c.expect(ThreadRole::main, "beside a call"); });
    c.expect(ThreadRole::any, "inside a call");
}

TEST_F(ThreadContractDeathTest, AudioOnlyOffTheAudioThreadEndsTheProcess) {
    ThreadContract c;
    { AudioCall call(c); }
    EXPECT_DEATH(onAnotherThread([&] { c.expect(ThreadRole::audio, "resetFromHost"); }),
                 "Thread contract broken: resetFromHost \\(audio thread\\) called off the audio");
}

TEST_F(ThreadContractDeathTest, MainOrEditorInsideAProcessCallEndsTheProcess) {
    ThreadContract c;
    EXPECT_DEATH(
        {
            AudioCall call(c);
            c.expect(ThreadRole::main, "dispatcher opcode", 10);
        },
        "dispatcher opcode 10 \\(main thread\\) called inside a process call");
    EXPECT_DEATH(
        {
            AudioCall call(c);
            c.expect(ThreadRole::editor, "paramAutomate");
        },
        kBroken);
}

TEST_F(ThreadContractDeathTest, AProcessCallOfOneInstanceGuardsEveryOther) {
    ThreadContract a, b;
    EXPECT_DEATH(
        {
            AudioCall call(a);
            b.expect(ThreadRole::main, "setState");
        },
        kBroken);
    EXPECT_DEATH(
        {
            AudioCall call(a);
            moduleThreads().expect(ThreadRole::main, "createInstance");
        },
        kBroken);
}

TEST_F(ThreadContractDeathTest, AnOverlappingCallLeavingKeepsTheOthersMark) {
    // Two threads in process calls of two instances: the first to leave must not clear the
    // module's mark of the one still inside.
    ThreadContract a, b;
    EXPECT_DEATH(
        {
            AudioCall call(a);
            onAnotherThread([&] { AudioCall other(b); });
            moduleThreads().expect(ThreadRole::main, "getFactoryInfo");
        },
        kBroken);
}

#else

TEST(ThreadContract, CompiledOutOfThisBuild) {
    // Nothing to check: the tags take no room and run no code.
    static_assert(sizeof(ThreadContract) == 1);
    GTEST_SKIP() << "thread checks are compiled out of this build";
}

#endif
