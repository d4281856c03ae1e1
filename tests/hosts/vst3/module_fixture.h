#pragma once
// Where every test of a built VST3 module starts: the module loaded from its bundle, a factory
// reference and the audio class found; the reference is released at the end, and a module that
// counted it wrong fails the test.

#include <gtest/gtest.h>

#include <string>

#include "host_instance.h"
#include "host_module.h"

namespace vst3host {

// Base is ::testing::Test or ::testing::TestWithParam<...>.
template <class Base = ::testing::Test>
class LoadedModuleTest : public Base {
protected:
    explicit LoadedModuleTest(std::string bundle) : bundle_(std::move(bundle)) {}

    void SetUp() override {
        ASSERT_TRUE(module.load(bundle_)) << module.error();
        factory = module.getFactory();
        ASSERT_NE(factory, nullptr);
        ASSERT_EQ(findClass(factory, "Audio Module Class", &info), 0);
    }
    void TearDown() override {
        if (factory) {
            EXPECT_EQ(factory->release(), 0u);
        }
    }

    // Ends this session with the module (the test's factory reference already given back) and
    // begins another, as a host that unloads and loads a plug-in again does.
    void reload() {
        factory = nullptr;
        module.unload();
        SetUp();
    }

    HostModule module;
    IPluginFactory* factory = nullptr;
    PClassInfo info{};

private:
    std::string bundle_;
};

}  // namespace vst3host
