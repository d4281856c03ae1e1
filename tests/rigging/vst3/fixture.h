#pragma once
// A test-client instance created through the factory and driven through the test host.

#include <gtest/gtest.h>

#include <vector>

#include "host_instance.h"
#include "rigging/vst3/vst3main.h"
#include "vst3testclient.h"

namespace vst3test {

using namespace vst3host;

inline UID testClassId() {
    return INLINE_UID(0x0B20BA92, 0x0CE0B145, 0x56545354 /* "TSTV" */, 0x73746772 /* "rgts" */);
}

// Planar channels of one block.
struct Block {
    std::vector<std::vector<float>> data;
    Block(int channels, int frames, float fill = 0.f)
        : data(static_cast<std::size_t>(channels), std::vector<float>(frames, fill)) {}
    std::vector<float*> ptrs() {
        std::vector<float*> p;
        for (auto& c : data) p.push_back(c.data());
        return p;
    }
    std::vector<float>& operator[](int c) { return data[static_cast<std::size_t>(c)]; }
};

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        factory = rigging::vst3::getPluginFactory(makeTestClient);
        ASSERT_TRUE(plugin.create(factory, testClassId()));
        ASSERT_TRUE(plugin.initialize(&app, &handler));
    }
    void TearDown() override {
        EXPECT_TRUE(plugin.teardown());
        EXPECT_EQ(factory->release(), 0u);
        EXPECT_EQ(app.extraRefs(), 0);
        EXPECT_EQ(handler.extraRefs(), 0);
        EXPECT_EQ(testsupport::TestClient::live.load(), 0);
        EXPECT_EQ(plugin.fpViolations.load(), 0);
    }
    // Ready to process: stereo in and out at the given rate and block size.
    void prepare(double rate = 44100, int maxBlock = 256) {
        ASSERT_EQ(plugin.setArrangement(2, 2), kResultOk);
        ASSERT_EQ(plugin.setup(rate, maxBlock), kResultOk);
        plugin.start();
    }

    IPluginFactory* factory = nullptr;
    HostApplication app{u"vst3 test host"};
    RecordingComponentHandler handler;
    PluginInstance plugin;
};

}  // namespace vst3test
