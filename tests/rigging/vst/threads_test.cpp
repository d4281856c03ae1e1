// The thread contract through the VST 2.4 wrapper: what a host may call from inside a process
// call, and what no other thread may call once processing runs.

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "rigging/vst/entrypoint.h"
#include "vst2testclient.h"

using namespace vsttest;
using namespace rigging::vst;

#if RIGGING_THREAD_CHECKS

namespace {

// What the host does when the plug-in asks it for the time, from inside a process call.
std::function<void(AEffect*)> gInsideProcess;

VstIntPtr reenteringHost(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterGetTime && effect != nullptr && gInsideProcess) gInsideProcess(effect);
    return 0;
}

class Vst2ThreadsTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        gInsideProcess = nullptr;
        effect = myVSTEntryPoint<TestClient>(reenteringHost);
        ASSERT_NE(effect, nullptr);
        client = static_cast<TestClient*>(VSTClient::fromEffect(effect)->client());
    }
    void TearDown() override {
        gInsideProcess = nullptr;
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
    void process() {
        std::vector<float> a(64, 0.5f), b(64, 0.5f), c(64), d(64);
        float* ins[2] = {a.data(), b.data()};
        float* outs[2] = {c.data(), d.data()};
        effect->processReplacing(effect, ins, outs, 64);
    }

    AEffect* effect = nullptr;
    TestClient* client = nullptr;
};

}  // namespace

TEST_F(Vst2ThreadsTest, ParametersAndEventsMayComeFromInsideTheProcessCall) {
    gInsideProcess = [](AEffect* e) {
        e->setParameter(e, 0, 0.75f);
        e->getParameter(e, 0);
        e->dispatcher(e, effProcessEvents, 0, 0, nullptr, 0.0f);
        e->dispatcher(e, effSetBypass, 0, 1, nullptr, 0.0f);
    };
    process();
    EXPECT_EQ(effect->getParameter(effect, 0), 0.75f);
    // Between calls the same thread may act as the host's UI thread: offline hosts do.
    gInsideProcess = nullptr;
    EXPECT_EQ(effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    process();
    EXPECT_EQ(client->resets.back().sampleRate, 48000.0);
}

TEST_F(Vst2ThreadsTest, UiOpcodesInsideTheProcessCallEndTheProcess) {
    gInsideProcess = [](AEffect* e) { e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48e3f); };
    EXPECT_DEATH(process(), "dispatcher opcode 10 \\(main thread\\) called inside");
    gInsideProcess = [](AEffect* e) { e->dispatcher(e, effGetParamName, 0, 0, nullptr, 0.0f); };
    EXPECT_DEATH(process(), "dispatcher opcode 8 \\(main thread\\)");
}

TEST_F(Vst2ThreadsTest, AudioOnlyMethodsOffTheAudioThreadEndTheProcess) {
    process();
    EXPECT_DEATH(std::thread([this] { client->resetFromHost(48000, 64, 2, 2); }).join(),
                 "resetFromHost \\(audio thread\\) called off the audio thread");
    EXPECT_DEATH(std::thread([this] { client->graphicsAcquire(); }).join(),
                 "graphicsAcquire \\(audio thread\\)");
    // Before the first process call no audio thread is known: nothing to hold a caller to.
    AEffect* fresh = myVSTEntryPoint<TestClient>(reenteringHost);
    auto* freshClient = static_cast<TestClient*>(VSTClient::fromEffect(fresh)->client());
    std::thread([&] { freshClient->resetFromHost(48000, 64, 2, 2); }).join();
    EXPECT_EQ(freshClient->resets.size(), 1u);
    fresh->dispatcher(fresh, effClose, 0, 0, nullptr, 0.0f);
}

#else

TEST(Vst2ThreadsTest, CompiledOutOfThisBuild) {
    GTEST_SKIP() << "thread checks are compiled out of this build";
}

#endif
