// The test plug-in loaded as a module, the way a host finds and drives it.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "foreign_drive.h"
#include "host_instance.h"
#include "host_module.h"
#include "module_fixture.h"

using namespace vst3host;

namespace {

class Vst3Module : public LoadedModuleTest<> {
protected:
    Vst3Module() : LoadedModuleTest(RIGGING_TEST_BUNDLE) {}
};

}  // namespace

TEST_F(Vst3Module, LoadsByVersionedExportsAndProcesses) {
    EXPECT_TRUE(module.versionedExports());
    EXPECT_EQ(module.getFactory(), factory);
    EXPECT_EQ(factory->release(), 1u);
    {
        HostApplication app;
        PluginInstance plugin;
        ASSERT_TRUE(plugin.create(factory, info.cid));
        ASSERT_TRUE(plugin.initialize(&app, nullptr));
        ASSERT_EQ(plugin.setArrangement(2, 2), kResultOk);
        ASSERT_EQ(plugin.setup(96000, 128), kResultOk);
        plugin.start();
        std::vector<float> in(128, 0.5f), out0(128), out1(128);
        ASSERT_EQ(plugin.process({in.data(), in.data()}, {out0.data(), out1.data()}, 128),
                  kResultOk);
        EXPECT_EQ(out1[127], 0.5f);
        EXPECT_TRUE(plugin.teardown());
        EXPECT_EQ(plugin.fpViolations.load(), 0);
    }
    EXPECT_EQ(factory->release(), 0u);
    // A module is unloaded and loaded again within one host session.
    reload();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(factory->countClasses(), 1);
}

// Every call the binding makes into a host object reaches objects of a host built apart from
// it, with type information of its own or none: a sanitized module must run there too.
namespace {
class ForeignHostTest : public LoadedModuleTest<::testing::TestWithParam<ForeignHostApi (*)()>> {
protected:
    ForeignHostTest() : LoadedModuleTest(RIGGING_TEST_BUNDLE) {}
};
}  // namespace

TEST_P(ForeignHostTest, EveryCallIntoTheHostsObjectsWorks) {
    EXPECT_EQ(driveWithForeignHost(factory, info.cid, GetParam()(), 2, 0.25), "");
}

INSTANTIATE_TEST_SUITE_P(Vst3Module, ForeignHostTest,
                         ::testing::Values(&foreignHostWithTypeInfo, &foreignHostWithoutTypeInfo),
                         [](const auto& p) {
                             return p.index == 0 ? "WithItsOwnTypeInfo" : "WithoutTypeInfo";
                         });
