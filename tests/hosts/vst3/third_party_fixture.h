#pragma once
// Loads one of Debian's zam-plugins VST3 bundles for a test, and skips the test when it is
// not installed.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host_module.h"

namespace vst3host {

// A mono and a stereo dynamics plug-in and a stereo equaliser.
class ThirdPartyVst3 : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        std::string bundle = std::string("/usr/lib/vst3/") + GetParam() + ".vst3";
        if (!std::filesystem::exists(bundleBinaryPath(bundle)))
            GTEST_SKIP() << "zam-plugins is not installed";
        ASSERT_TRUE(module.load(bundle)) << module.error();
        factory = module.getFactory();
        ASSERT_NE(factory, nullptr);
        ASSERT_GE(findClass(factory, "Audio Module Class", &info), 0);
    }
    void TearDown() override {
        if (factory) {
            EXPECT_EQ(factory->release(), 0u);
        }
    }

    HostModule module;
    IPluginFactory* factory = nullptr;
    PClassInfo info{};
};

}  // namespace vst3host
