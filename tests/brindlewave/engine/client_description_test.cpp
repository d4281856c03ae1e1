// What the plug-in declares to hosts: identity, layouts, block limit, the 139 parameters with
// their classes, units, ranges and defaults, and the single default preset.

#include <string>

#include "enginefixture.h"
#include "rigging/client/preset.h"
#include "rigging/client/presetbank.h"

namespace brindlewave::testing {
namespace {

enum class Kind { linear, log, integer, boolean };

struct Expected {
    std::string name;
    Kind kind;
    std::string unit;
    double min = 0, max = 0, def = 0;
};

// The table as the plug-in must declare it, built here independently of the plug-in's tables.
std::vector<Expected> expectedTable() {
    std::vector<Expected> t;
    const double minMs = double(0.001f);
    const float crossovers[] = {112.46826f, 632.4555f, 3556.5588f, 5023.7734f};
    for (int n = 1; n <= 9; ++n)
        t.push_back({"Crossover " + std::to_string(n), Kind::linear, "Hz", 20, 20000,
                     n <= 4 ? crossovers[n - 1] : 20000.0f});
    for (int b = 1; b <= 10; ++b) {
        const std::string s = " B" + std::to_string(b);
        t.push_back({"Attack" + s, Kind::log, "ms", minMs, 2000, 22});
        t.push_back({"Release" + s, Kind::log, "ms", minMs, 2000, 188});
        t.push_back({"Threshold" + s, Kind::linear, "dB", -60, 0, -10});
        t.push_back({"Ratio" + s, Kind::log, "", 1, 100, 4});
        t.push_back({"Gain" + s, Kind::linear, "dB", -36, 36, 0});
    }
    t.push_back({"number of bands", Kind::integer, "", 2, 4, 4});
    t.push_back({"Input Gain", Kind::linear, "dB", -12, 12, 0});
    t.push_back({"Output Gain", Kind::linear, "dB", -12, 12, 0});
    t.push_back({"Attack", Kind::log, "ms", minMs, 2000, 22});
    t.push_back({"Release", Kind::log, "ms", minMs, 2000, 188});
    t.push_back({"Threshold", Kind::linear, "dB", -60, 0, -10});
    t.push_back({"Ratio", Kind::log, "", 1, 100, 4});
    t.push_back({"Comp Gain", Kind::linear, "dB", -36, 36, 0});
    for (int b = 1; b <= 10; ++b)
        for (const char* k : {"Attack", "Release", "Threshold", "Ratio", "Gain"})
            t.push_back(
                {std::string("Link ") + k + " B" + std::to_string(b), Kind::boolean, "", 0, 1, 1});
    t.push_back({"Oversample Factor", Kind::integer, "", 0, 3, 0});
    for (int b = 1; b <= 10; ++b)
        t.push_back({"Solo Band " + std::to_string(b), Kind::boolean, "", 0, 1, 0});
    for (int b = 1; b <= 10; ++b)
        t.push_back({"Toggle View Band " + std::to_string(b), Kind::boolean, "", 0, 1, 0});
    t.push_back({"Internal Bypass", Kind::boolean, "", 0, 1, 0});
    return t;
}

TEST(ParameterTable, EveryNameClassUnitRangeAndDefault) {
    ClientPtr c = makeClient();
    const std::vector<Expected> table = expectedTable();
    ASSERT_EQ(c->numParams(), 139);
    ASSERT_EQ(table.size(), 139u);
    for (int i = 0; i < 139; ++i) {
        SCOPED_TRACE(i);
        const Expected& e = table[i];
        rigging::Parameter* p = c->param(i);
        EXPECT_EQ(p->index(), i);
        EXPECT_EQ(std::string(p->name()), e.name);
        EXPECT_EQ(std::string(p->label()), e.unit);
        switch (e.kind) {
            case Kind::linear:
            case Kind::log: {
                auto* f = dynamic_cast<rigging::FloatParameter*>(p);
                ASSERT_NE(f, nullptr);
                if (e.kind == Kind::log)
                    EXPECT_NE(dynamic_cast<rigging::LogFloatParameter*>(p), nullptr);
                else
                    EXPECT_NE(dynamic_cast<rigging::LinearFloatParameter*>(p), nullptr);
                // Exact: linear bounds come from floats, logarithmic ones from doubles.
                EXPECT_EQ(f->minValue(), e.min);
                EXPECT_EQ(f->maxValue(), e.max);
                EXPECT_EQ(f->defaultValue(), e.def);
                EXPECT_EQ(f->value(), e.def);
                break;
            }
            case Kind::integer: {
                auto* n = dynamic_cast<rigging::IntegerParameter*>(p);
                ASSERT_NE(n, nullptr);
                EXPECT_EQ(n->minValue(), int(e.min));
                EXPECT_EQ(n->maxValue(), int(e.max));
                EXPECT_EQ(n->defaultValue(), int(e.def));
                break;
            }
            case Kind::boolean: {
                auto* b = dynamic_cast<rigging::BoolParameter*>(p);
                ASSERT_NE(b, nullptr);
                EXPECT_EQ(b->defaultValue(), e.def != 0);
                break;
            }
        }
    }
}

TEST(ParameterTable, CrossoverDefaultsFollowTheLogarithmicSpacing) {
    ClientPtr c = makeClient();
    auto value = [&](int i) {
        return float(static_cast<rigging::FloatParameter*>(c->param(i))->defaultValue());
    };
    EXPECT_FLOAT_EQ(value(0), 112.46826f);
    EXPECT_FLOAT_EQ(value(1), 632.4555f);
    EXPECT_FLOAT_EQ(value(2), 3556.5588f);
    EXPECT_FLOAT_EQ(value(3), 5023.7734f);
    for (int i = 4; i < 9; ++i) EXPECT_EQ(value(i), 20000.0f);
    // The smallest time is the float 0.001 widened, not the double 0.001.
    EXPECT_EQ(static_cast<rigging::FloatParameter*>(c->param(param::attack(0)))->minValue(),
              0.0010000000474974513);
}

TEST(PluginDescription, IdentityLayoutsAndBlockLimit) {
    ClientPtr c = makeClient();
    EXPECT_STREQ(c->vendorName(), "Mossgrove Audio");
    EXPECT_STREQ(c->pluginName(), "Brindlewave");
    EXPECT_EQ(c->getVendorUniqueID().bigEndian(), rigging::FourCC("MGVA").bigEndian());
    EXPECT_EQ(c->getPluginUniqueID().bigEndian(), rigging::FourCC("mgbw").bigEndian());
    const rigging::PluginVersion v = c->getPublicVersion();
    EXPECT_EQ(v.major * 10000 + v.minor * 100 + v.patch, 10102);
    EXPECT_TRUE(c->hasGUI());
    EXPECT_FALSE(c->isSynth());
    EXPECT_FALSE(c->receivesMIDI());
    EXPECT_EQ(c->pluginCategory(), rigging::PluginCategory::dynamics);
    EXPECT_EQ(c->maxFramesInProcess(), 512);
    EXPECT_EQ(c->latencySamples(48000), 0);

    const auto io = c->legalIOs();
    ASSERT_EQ(io.size(), 4u);
    const int expected[4][2] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(io[i].numInputChannels, expected[i][0]);
        EXPECT_EQ(io[i].numOutputChannels, expected[i][1]);
    }
    EXPECT_TRUE(c->isLegalIO(2, 1));
    EXPECT_TRUE(c->isLegalIO(1, 2));
    EXPECT_FALSE(c->isLegalIO(0, 2));
    EXPECT_FALSE(c->isLegalIO(3, 2));
    EXPECT_FALSE(c->isLegalIO(2, 3));
    // No editor yet: the client offers none.
    int w = 0, h = 0;
    EXPECT_FALSE(c->getGUISize(&w, &h));
}

TEST(PluginDescription, OneDefaultPresetHoldingTheDefaults) {
    ClientPtr c = makeClient();
    rigging::PresetBank& bank = c->presetBank();
    ASSERT_EQ(bank.numPresets(), 1);
    const rigging::Preset* p = bank.preset(0);
    EXPECT_STREQ(p->name(), "Default");
    ASSERT_EQ(p->values().size(), 139u);
    for (int i = 0; i < 139; ++i)
        EXPECT_EQ(p->values()[i], float(c->param(i)->getNormalizedDefault())) << i;
    // Loading it reproduces the documented settings (up to the float rounding of the preset).
    bank.loadPresetFromHost(0);
    auto f = [&](int i) { return static_cast<rigging::FloatParameter*>(c->param(i))->value(); };
    EXPECT_EQ(static_cast<rigging::IntegerParameter*>(c->param(param::numberOfBands))->value(), 4);
    EXPECT_NEAR(f(param::crossover(0)), 112.5, 0.05);
    EXPECT_NEAR(f(param::crossover(2)), 3556.6, 0.05);
    for (int b = 0; b < 4; ++b) {
        EXPECT_NEAR(f(param::attack(b)), 22, 1e-4);
        EXPECT_NEAR(f(param::release(b)), 188, 1e-3);
        EXPECT_NEAR(f(param::threshold(b)), -10, 1e-5);
        EXPECT_NEAR(f(param::ratio(b)), 4, 1e-5);
        EXPECT_NEAR(f(param::gain(b)), 0, 1e-5);
    }
    EXPECT_EQ(static_cast<rigging::IntegerParameter*>(c->param(param::oversampleFactor))->value(),
              0);
    EXPECT_FALSE(static_cast<rigging::BoolParameter*>(c->param(param::internalBypass))->value());
}

}  // namespace
}  // namespace brindlewave::testing
