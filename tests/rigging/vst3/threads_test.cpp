// The thread contract through the VST3 binding: what a host may call from inside a process
// call, and what no other thread may call once processing runs.

#include <functional>
#include <thread>

#include "fixture.h"

using namespace vst3test;

#if RIGGING_THREAD_CHECKS

namespace {

// A change list that calls back into the plug-in when the process call reads it, as a host
// re-entering from its audio thread would.
class ReenteringChanges : public ParameterChanges {
public:
    std::function<void()> inside;
    int32 getParameterCount() override {
        if (inside) inside();
        return ParameterChanges::getParameterCount();
    }
};

class Vst3ThreadsTest : public PluginTest {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        PluginTest::SetUp();
        prepare(44100, 64);
    }
    tresult processWith(ReenteringChanges& changes) {
        return plugin.process(in.ptrs(), out.ptrs(), 64, &changes);
    }
    Block in{2, 64, 0.5f}, out{2, 64};
};

}  // namespace

TEST_F(Vst3ThreadsTest, AnyThreadEntriesMayRunInsideTheProcessCall) {
    ReenteringChanges changes;
    changes.add(2, 0, 0.5);
    changes.inside = [&] {
        plugin.processor->setProcessing(1);
        plugin.processor->addRef();
        plugin.processor->release();
    };
    EXPECT_EQ(processWith(changes), kResultOk);
    // Between calls the same thread may act as the host's UI thread: offline hosts do.
    EXPECT_EQ(plugin.controller->setParamNormalized(2, 0.75), kResultOk);
    EXPECT_EQ(plugin.controller->getParamNormalized(2), 0.75);
}

TEST_F(Vst3ThreadsTest, MainThreadEntriesInsideTheProcessCallEndTheProcess) {
    ReenteringChanges changes;
    changes.inside = [&] { plugin.controller->setParamNormalized(2, 0.75); };
    EXPECT_DEATH(processWith(changes), "setParamNormalized \\(main thread\\) called inside");
    changes.inside = [&] { plugin.setup(48000, 64); };
    EXPECT_DEATH(processWith(changes), "setupProcessing \\(main thread\\)");
    IPluginFactory* factory = this->factory;
    changes.inside = [factory] {
        PFactoryInfo info;
        factory->getFactoryInfo(&info);
    };
    EXPECT_DEATH(processWith(changes), "getFactoryInfo \\(main thread\\)");
}

TEST_F(Vst3ThreadsTest, AudioOnlyMethodsOffTheAudioThreadEndTheProcess) {
    ReenteringChanges none;
    ASSERT_EQ(processWith(none), kResultOk);
    rigging::Client& client = newestClient();
    EXPECT_DEATH(std::thread([&] { client.resetFromHost(48000, 64, 2, 2); }).join(),
                 "resetFromHost \\(audio thread\\) called off the audio thread");
    const float* inputs[2] = {in[0].data(), in[1].data()};
    float* outputs[2] = {out[0].data(), out[1].data()};
    EXPECT_DEATH(std::thread([&] { client.processAudioFromHost(inputs, outputs, 64, {}); }).join(),
                 "processAudioFromHost \\(audio thread\\)");
    // A host that moves its processing to another thread takes the contract along.
    std::thread([&] { EXPECT_EQ(processWith(none), kResultOk); }).join();
    EXPECT_DEATH(client.resetFromHost(48000, 64, 2, 2), "resetFromHost");
}

#else

TEST(Vst3ThreadsTest, CompiledOutOfThisBuild) {
    GTEST_SKIP() << "thread checks are compiled out of this build";
}

#endif
