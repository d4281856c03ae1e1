// Drives VST3 plug-ins built elsewhere (Debian's zam-plugins) through the test host, so the
// host's reading of the ABI is checked against code not written here. Skipped when absent.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "host_instance.h"
#include "host_module.h"
#include "third_party_fixture.h"

using namespace vst3host;

TEST_P(ThirdPartyVst3, FactoryRecordsReadConsistently) {
    PFactoryInfo fi{};
    EXPECT_EQ(factory->getFactoryInfo(&fi), kResultOk);
    EXPECT_GT(std::strlen(fi.vendor), 0u);
    void* obj = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory2::iid, &obj), kResultOk);
    auto* f2 = static_cast<IPluginFactory2*>(obj);
    int index = findClass(factory, "Audio Module Class", nullptr);
    PClassInfo2 ci2{};
    ASSERT_EQ(f2->getClassInfo2(index, &ci2), kResultOk);
    // The first 116 bytes of the extended record are the plain record.
    EXPECT_EQ(std::memcmp(&ci2, &info, sizeof info), 0);
    EXPECT_NE(std::strstr(ci2.subCategories, "Fx"), nullptr);
    EXPECT_GT(strnlen(ci2.sdkVersion, sizeof ci2.sdkVersion), 0u);
    if (f2->queryInterface(IPluginFactory3::iid, &obj) == kResultOk) {
        auto* f3 = static_cast<IPluginFactory3*>(obj);
        PClassInfoW w{};
        ASSERT_EQ(f3->getClassInfoUnicode(index, &w), kResultOk);
        EXPECT_EQ(narrow(w.name), std::string(ci2.name));
        EXPECT_EQ(narrow(w.vendor), std::string(ci2.vendor));
        f3->release();
    }
    f2->release();
}

TEST_P(ThirdPartyVst3, ProcessesStateAndTearsDownToZero) {
    HostApplication app;
    RecordingComponentHandler handler;
    {
        PluginInstance plugin;
        ASSERT_TRUE(plugin.create(factory, info.cid));
        ASSERT_TRUE(plugin.initialize(&app, &handler));
        auto ins = plugin.buses(kAudio, kInput);
        auto outs = plugin.buses(kAudio, kOutput);
        ASSERT_FALSE(ins.empty());
        ASSERT_FALSE(outs.empty());
        EXPECT_EQ(outs[0].direction, kOutput);
        EXPECT_GT(outs[0].channelCount, 0);
        EXPECT_FALSE(narrow(outs[0].name).empty());
        int channels = std::min(ins[0].channelCount, outs[0].channelCount);
        SpeakerArrangement arr = 0;
        ASSERT_EQ(plugin.processor->getBusArrangement(kOutput, 0, arr), kResultOk);
        EXPECT_EQ(getChannelCount(arr), outs[0].channelCount);

        ASSERT_NE(plugin.controller, nullptr);
        int params = plugin.controller->getParameterCount();
        ASSERT_GT(params, 0);
        ParameterInfo pi{};
        ASSERT_EQ(plugin.controller->getParameterInfo(0, pi), kResultOk);
        EXPECT_FALSE(narrow(pi.title).empty());
        EXPECT_GE(pi.defaultNormalizedValue, 0.0);
        EXPECT_LE(pi.defaultNormalizedValue, 1.0);
        String128 text{};
        EXPECT_EQ(plugin.controller->getParamStringByValue(pi.id, pi.defaultNormalizedValue, text),
                  kResultOk);
        EXPECT_FALSE(narrow(text).empty());

        ASSERT_EQ(plugin.setup(48000, 256), kResultOk);
        plugin.start();
        std::vector<std::vector<float>> in(channels, std::vector<float>(256));
        std::vector<std::vector<float>> out(outs[0].channelCount, std::vector<float>(256, 7.f));
        std::vector<float*> inPtrs, outPtrs;
        for (auto& c : in) inPtrs.push_back(c.data());
        for (auto& c : out) outPtrs.push_back(c.data());
        double energy = 0;
        for (int block = 0; block < 40; ++block) {
            for (auto& c : in)
                for (int i = 0; i < 256; ++i)
                    c[i] = 0.25f * static_cast<float>(std::sin(0.05 * (block * 256 + i)));
            ASSERT_EQ(plugin.process(inPtrs, outPtrs, 256), kResultOk);
            for (auto& c : out)
                for (float x : c) {
                    ASSERT_TRUE(std::isfinite(x));
                    energy += x * x;
                }
        }
        EXPECT_GT(energy, 0.0);
        plugin.stop();

        std::vector<std::uint8_t> state;
        ASSERT_EQ(plugin.getState(state), kResultOk);
        EXPECT_EQ(plugin.setState(state), kResultOk);
        EXPECT_TRUE(plugin.teardown());
    }
    EXPECT_EQ(app.extraRefs(), 0);
    EXPECT_EQ(handler.extraRefs(), 0);
}

INSTANTIATE_TEST_SUITE_P(Zam, ThirdPartyVst3, ::testing::Values("ZamComp", "ZamCompX2", "ZamEQ2"));
