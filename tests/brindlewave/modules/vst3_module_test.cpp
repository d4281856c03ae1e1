// The Brindlewave module as hosts see it: loaded from its bundle, described by its factory,
// with its parameter set, state, bypass and tail, and under a rough host.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "foreign_drive.h"
#include "host_instance.h"
#include "host_module.h"
#include "module_fixture.h"
#include "vst3stress.h"

using namespace vst3host;

namespace {

class BrindlewaveModule : public LoadedModuleTest<> {
protected:
    BrindlewaveModule() : LoadedModuleTest(BRINDLEWAVE_BUNDLE) {}

    // A new initialised instance with a handler that records calls.
    void open(PluginInstance& plugin) {
        ASSERT_TRUE(plugin.create(factory, info.cid));
        ASSERT_TRUE(plugin.initialize(&app, &handler));
    }

    HostApplication app;
    RecordingComponentHandler handler;
};

std::string text(IEditController* c, ParamID id, double v) {
    String128 s{};
    EXPECT_EQ(c->getParamStringByValue(id, v, s), kResultOk);
    return narrow(s);
}

}  // namespace

TEST_F(BrindlewaveModule, FactoryDescribesTheOneClass) {
    EXPECT_TRUE(module.versionedExports());
    EXPECT_EQ(module.getFactory(), factory);
    EXPECT_EQ(factory->release(), 1u);
    const unsigned char cid[16] = {0x0B, 0x20, 0xBA, 0x92, 0x0C, 0xE0, 0xB1, 0x45,
                                   0x41, 0x56, 0x47, 0x4D, 0x77, 0x62, 0x67, 0x6D};
    EXPECT_EQ(std::memcmp(info.cid, cid, 16), 0);
    void* obj = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory2::iid, &obj), kResultOk);
    auto* f2 = static_cast<IPluginFactory2*>(obj);
    PClassInfo2 ci{};
    ASSERT_EQ(f2->getClassInfo2(0, &ci), kResultOk);
    EXPECT_EQ(ci.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(ci.category, "Audio Module Class");
    EXPECT_STREQ(ci.name, "Brindlewave");
    EXPECT_STREQ(ci.subCategories, "Fx|Dynamics");
    EXPECT_STREQ(ci.vendor, "Mossgrove Audio");
    EXPECT_STREQ(ci.version, "1.1.2");
    EXPECT_STREQ(ci.sdkVersion, "VST 3.6.11");
    PFactoryInfo fi{};
    ASSERT_EQ(factory->getFactoryInfo(&fi), kResultOk);
    EXPECT_STREQ(fi.vendor, "Mossgrove Audio");
    EXPECT_EQ(fi.flags, 16);
    f2->release();
}

TEST_F(BrindlewaveModule, ParametersAsTheHostSeesThem) {
    PluginInstance plugin;
    open(plugin);
    IEditController* c = plugin.controller;
    ASSERT_EQ(c->getParameterCount(), 141);
    ParameterInfo pi{};
    ASSERT_EQ(c->getParameterInfo(0, pi), kResultOk);
    EXPECT_EQ(pi.id, 998u);
    ASSERT_EQ(c->getParameterInfo(1, pi), kResultOk);
    EXPECT_EQ(pi.id, 999u);
    EXPECT_EQ(pi.stepCount, 0);  // one preset
    ASSERT_EQ(c->getParameterInfo(2, pi), kResultOk);
    EXPECT_EQ(pi.id, 0u);
    EXPECT_EQ(narrow(pi.title), "Crossover 1");
    EXPECT_EQ(narrow(pi.units), "Hz");
    ASSERT_EQ(c->getParameterInfo(140, pi), kResultOk);
    EXPECT_EQ(pi.id, 138u);
    EXPECT_EQ(narrow(pi.title), "Internal Bypass");
    EXPECT_EQ(c->getParameterInfo(141, pi), kResultFalse);

    EXPECT_EQ(text(c, 998, 0.5), "Yes");
    EXPECT_EQ(c->normalizedParamToPlain(998, 0.49), 0);
    EXPECT_EQ(text(c, 999, 0.9), "Default");
    EXPECT_EQ(c->getParamNormalized(999), 0);
    EXPECT_EQ(text(c, 59, 1.0), "4");
    EXPECT_EQ(text(c, 118, 1.0), "yes");
    EXPECT_EQ(text(c, 0, c->getParamNormalized(0)), "112.47");
    EXPECT_EQ(text(c, 11, 0.99999994), "0.00");  // no "-0.00" a hair below 0 dB
    EXPECT_EQ(text(c, 11, 0.9999), "-0.01");
    double v = -1;
    ASSERT_EQ(c->getParamValueByString(60, const_cast<TChar*>(u"6"), v), kResultOk);
    EXPECT_DOUBLE_EQ(v, 0.75);

    // Any value selects the one preset; being the current one, it keeps the live edit.
    c->setParamNormalized(60, 1.0);
    EXPECT_EQ(c->setParamNormalized(999, 0.8), kResultOk);
    EXPECT_EQ(c->getParamNormalized(999), 0);
    EXPECT_EQ(c->getParamNormalized(60), 1.0);
    EXPECT_EQ(c->setParamNormalized(0x80000000u, 0.5), kResultFalse);
    EXPECT_TRUE(plugin.teardown());
}

TEST_F(BrindlewaveModule, StateOfAFreshInstanceRoundTrips) {
    PluginInstance plugin;
    open(plugin);
    std::vector<std::uint8_t> fresh;
    ASSERT_EQ(plugin.getState(fresh), kResultOk);
    ASSERT_EQ(fresh.size(), 582u);
    EXPECT_EQ(fresh[0], 0);
    EXPECT_EQ(fresh[1], 0);
    const std::uint8_t head[8] = {0x0B, 0x20, 0xBA, 0x92, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(&fresh[2], head, 8), 0);
    EXPECT_EQ(fresh[2 + 12], 0x02);  // 1.1.2
    EXPECT_EQ(fresh[2 + 13], 0x01);
    EXPECT_EQ(fresh[2 + 14], 0x01);
    EXPECT_EQ(fresh[2 + 20], 139);

    plugin.controller->setParamNormalized(61, 0.25);
    plugin.controller->setParamNormalized(998, 1);
    std::vector<std::uint8_t> edited;
    ASSERT_EQ(plugin.getState(edited), kResultOk);
    // Failures change nothing.
    auto cut = edited;
    cut.resize(300);
    EXPECT_EQ(plugin.setState(cut), kResultFalse);
    auto newer = fresh;
    newer[0] = 1;
    EXPECT_EQ(plugin.setState(newer), kResultFalse);
    std::vector<std::uint8_t> now;
    plugin.getState(now);
    EXPECT_EQ(now, edited);
    ASSERT_EQ(plugin.setState(fresh), kResultOk);
    plugin.getState(now);
    EXPECT_EQ(now, fresh);
    ASSERT_EQ(plugin.setState(edited), kResultOk);
    EXPECT_EQ(plugin.controller->getParamNormalized(61), 0.25);
    EXPECT_EQ(plugin.controller->getParamNormalized(998), 1.0);
    EXPECT_TRUE(plugin.teardown());
}

TEST_F(BrindlewaveModule, ProcessesBypassesAndReportsItsTail) {
    PluginInstance plugin;
    open(plugin);
    EXPECT_EQ(plugin.processor->getTailSamples(), 35280u);
    EXPECT_EQ(plugin.processor->getLatencySamples(), 0u);
    ASSERT_EQ(plugin.setArrangement(1, 2), kResultOk);
    ASSERT_EQ(plugin.setup(44100, 512), kResultOk);
    EXPECT_EQ(handler.countRestarts(kLatencyChanged), 1);
    plugin.start();
    std::vector<float> in(1000), out0(1000), out1(1000);
    double energy = 0;
    for (int block = 0; block < 20; ++block) {
        for (int i = 0; i < 1000; ++i)
            in[i] = 0.8f * static_cast<float>(std::sin(0.07 * (block * 1000 + i)));
        // Longer than announced: processed in pieces.
        ASSERT_EQ(plugin.process({in.data()}, {out0.data(), out1.data()}, 1000), kResultOk);
        for (int i = 0; i < 1000; ++i) {
            ASSERT_TRUE(std::isfinite(out0[i]));
            ASSERT_EQ(out1[i], 0.0f);  // mono in, stereo out: the right output stays silent
            energy += out0[i] * out0[i];
        }
    }
    EXPECT_GT(energy, 0);

    ParameterChanges bypass;
    bypass.add(998, 0, 0.2);
    bypass.add(998, 500, 1.0);  // only the last point counts
    for (int i = 0; i < 1000; ++i) in[i] = std::ldexp(1.0f + i, -(i % 40));
    ASSERT_EQ(plugin.process({in.data()}, {out0.data(), out1.data()}, 1000, &bypass), kResultOk);
    EXPECT_EQ(std::memcmp(out0.data(), in.data(), sizeof(float) * 1000), 0);
    for (float x : out1) ASSERT_EQ(x, 0.f);
    EXPECT_EQ(plugin.fpViolations.load(), 0);
    EXPECT_TRUE(plugin.teardown());
}

TEST_F(BrindlewaveModule, StereoInMonoOutProcessesTheLeftInputOnly) {
    PluginInstance a, b;
    for (PluginInstance* p : {&a, &b}) {
        open(*p);
        ASSERT_EQ(p->setArrangement(2, 1), kResultOk);
        ASSERT_EQ(p->setup(48000, 512), kResultOk);
        p->start();
    }
    std::vector<float> left(512), right(512), otherRight(512, 0.0f), outA(512), outB(512);
    for (int block = 0; block < 8; ++block) {
        for (int i = 0; i < 512; ++i) {
            left[i] = 0.5f * static_cast<float>(std::sin(0.05 * (block * 512 + i)));
            right[i] = 0.9f * static_cast<float>(std::sin(0.31 * (block * 512 + i)));
        }
        ASSERT_EQ(a.process({left.data(), right.data()}, {outA.data()}, 512), kResultOk);
        ASSERT_EQ(b.process({left.data(), otherRight.data()}, {outB.data()}, 512), kResultOk);
        ASSERT_EQ(outA, outB) << "block " << block;
    }
    EXPECT_NE(outA, std::vector<float>(512, 0.0f));
    EXPECT_TRUE(a.teardown());
    EXPECT_TRUE(b.teardown());
}

// Hosts other than the project's own build their objects from their own declarations, with
// type information the module cannot know (or none): every call into them must still work.
TEST_F(BrindlewaveModule, RunsWithObjectsOfAHostWithItsOwnTypeInfo) {
    EXPECT_EQ(driveWithForeignHost(factory, info.cid, foreignHostWithTypeInfo(), 61, 0.25), "");
}

TEST_F(BrindlewaveModule, RunsWithObjectsOfAHostWithoutTypeInfo) {
    EXPECT_EQ(driveWithForeignHost(factory, info.cid, foreignHostWithoutTypeInfo(), 61, 0.5), "");
}

TEST_F(BrindlewaveModule, SurvivesARoughHost) {
    StressOptions options;
    options.numParams = 139;
    options.maxBlock = 512;
    options.blocks = 1500;
    options.states = 2000;
    EXPECT_EQ(stressFindings(runStress(factory, info.cid, options), options), "");
}
