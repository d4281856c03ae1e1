// Edit controller: the host's view of the parameters, the two host-only parameters, text
// conversions, edits reported to the host, units and programs.

#include <cmath>
#include <limits>

#include "fixture.h"
#include "rigging/client/client.h"

using namespace vst3test;

using ControllerTest = PluginTest;

namespace {
std::string textOf(IEditController* c, ParamID id, double v) {
    String128 s{};
    EXPECT_EQ(c->getParamStringByValue(id, v, s), kResultOk);
    return narrow(s);
}
}  // namespace

TEST_F(ControllerTest, ParameterListStartsWithBypassAndPreset) {
    IEditController* c = plugin.controller;
    ASSERT_EQ(c->getParameterCount(), 6);
    ParameterInfo info;
    ASSERT_EQ(c->getParameterInfo(0, info), kResultOk);
    EXPECT_EQ(info.id, 998u);
    EXPECT_EQ(narrow(info.title), "Bypass");
    EXPECT_EQ(narrow(info.shortTitle), "Byp");
    EXPECT_EQ(info.stepCount, 1);
    EXPECT_EQ(info.flags, 0x10009);
    ASSERT_EQ(c->getParameterInfo(1, info), kResultOk);
    EXPECT_EQ(info.id, 999u);
    EXPECT_EQ(info.stepCount, 1);  // two presets
    EXPECT_EQ(info.flags, 0x8000);
    ASSERT_EQ(c->getParameterInfo(4, info), kResultOk);
    EXPECT_EQ(info.id, 2u);
    EXPECT_EQ(narrow(info.title), "Gain");
    EXPECT_EQ(narrow(info.units), "dB");
    EXPECT_EQ(info.defaultNormalizedValue, 0.5);
    EXPECT_EQ(info.flags, 1);
    ASSERT_EQ(c->getParameterInfo(5, info), kResultOk);
    EXPECT_EQ(info.flags, 0);  // not automatable
    EXPECT_EQ(c->getParameterInfo(6, info), kResultFalse);
    EXPECT_EQ(c->getParameterInfo(-1, info), kResultFalse);
}

TEST_F(ControllerTest, HostOnlyParameters) {
    IEditController* c = plugin.controller;
    EXPECT_EQ(textOf(c, 998, 0.5), "Yes");
    EXPECT_EQ(textOf(c, 998, 0.49), "No");
    EXPECT_EQ(c->normalizedParamToPlain(998, 0.49), 0);
    EXPECT_EQ(c->normalizedParamToPlain(998, 1.0), 1);
    EXPECT_EQ(textOf(c, 999, 0.0), "Default");
    EXPECT_EQ(textOf(c, 999, 0.5), "Loud");
    EXPECT_EQ(textOf(c, 999, 1.0), "Loud");
    EXPECT_EQ(textOf(c, 999, std::nan("")), "Default");
    EXPECT_EQ(textOf(c, 999, 1e300), "Loud");
    EXPECT_EQ(textOf(c, 999, -5), "Default");
    EXPECT_EQ(c->normalizedParamToPlain(999, 0.49), 0);
    EXPECT_EQ(c->normalizedParamToPlain(999, 0.5), 1);
    EXPECT_EQ(c->plainParamToNormalized(999, 1), 1.0);

    EXPECT_EQ(c->setParamNormalized(999, 0.7), kResultOk);
    EXPECT_EQ(c->getParamNormalized(999), 1.0);
    EXPECT_EQ(c->getParamNormalized(2), 1.0);  // the "Loud" preset's gain
    c->setParamNormalized(2, 0.25);
    EXPECT_EQ(c->setParamNormalized(999, std::nan("")), kResultOk);
    EXPECT_EQ(c->getParamNormalized(999), 0.0);
    c->setParamNormalized(999, 1.0);  // the edit made on "Loud" was kept in it
    EXPECT_EQ(c->getParamNormalized(2), 0.25);

    EXPECT_EQ(c->setParamNormalized(998, 0.5), kResultOk);
    EXPECT_EQ(c->getParamNormalized(998), 1.0);
    double v = 7;
    EXPECT_EQ(c->getParamValueByString(998, const_cast<TChar*>(u"Yes"), v), kResultFalse);
    EXPECT_EQ(c->getParamValueByString(999, const_cast<TChar*>(u"Loud"), v), kResultFalse);
}

TEST_F(ControllerTest, ClientParametersConvertThroughTheirOwnText) {
    IEditController* c = plugin.controller;
    EXPECT_EQ(textOf(c, 0, 1.0), "yes");
    EXPECT_EQ(textOf(c, 1, 1.0), "3");
    EXPECT_EQ(textOf(c, 2, 0.75), "6.00");
    double v = -1;
    EXPECT_EQ(c->getParamValueByString(2, const_cast<TChar*>(u"-6 dB"), v), kResultOk);
    EXPECT_DOUBLE_EQ(v, 0.25);
    EXPECT_EQ(c->getParamValueByString(1, const_cast<TChar*>(u"two"), v), kResultFalse);
    EXPECT_EQ(c->getParamValueByString(2, const_cast<TChar*>(u"\u00e93"), v), kResultFalse);
    std::u16string longText(300, u'1');
    EXPECT_EQ(c->getParamValueByString(2, longText.data(), v), kResultFalse);

    EXPECT_EQ(c->normalizedParamToPlain(2, 0.3), 0.3);
    EXPECT_EQ(c->plainParamToNormalized(2, 0.3), 0.3);
    EXPECT_EQ(c->setParamNormalized(2, 0.75), kResultOk);
    EXPECT_EQ(c->getParamNormalized(2), 0.75);
}

TEST_F(ControllerTest, UnknownIdsAndNullTextsAreRefused) {
    IEditController* c = plugin.controller;
    String128 s{};
    double v = 0;
    for (ParamID id : {4u, 997u, 1000u, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(c->getParamStringByValue(id, 0.5, s), kResultFalse) << id;
        EXPECT_EQ(c->getParamValueByString(id, const_cast<TChar*>(u"1"), v), kResultFalse);
        EXPECT_EQ(c->setParamNormalized(id, 0.5), kResultFalse);
        EXPECT_EQ(c->getParamNormalized(id), 0);
        EXPECT_EQ(c->normalizedParamToPlain(id, 0.5), 0);
        EXPECT_EQ(c->plainParamToNormalized(id, 0.5), 0);
    }
    // A client id answers false for a missing string, like an unknown one; the host's own two
    // have nowhere to put their text.
    for (ParamID id : {0u, 3u, 4u, 0xFFFFFFFFu})
        EXPECT_EQ(c->getParamStringByValue(id, 0.5, nullptr), kResultFalse) << id;
    EXPECT_EQ(c->getParamStringByValue(999, 0.5, nullptr), kInvalidArgument);
    EXPECT_EQ(c->getParamStringByValue(998, 0.5, nullptr), kInvalidArgument);
    EXPECT_EQ(c->getParamValueByString(2, nullptr, v), kInvalidArgument);
    EXPECT_EQ(plugin.units->getProgramName(999, 0, nullptr), kInvalidArgument);
    EXPECT_EQ(c->createView(nullptr), nullptr);
    EXPECT_EQ(c->createView("editor"), nullptr);  // no editor yet
}

// It has no state of its own; the component's reaches it through setComponentState.
TEST_F(ControllerTest, StateOnTheControllerIsNotItsBusiness) {
    MemoryStream s({0, 0});
    EXPECT_EQ(plugin.controller->setState(&s), kNotImplemented);
    EXPECT_EQ(plugin.controller->getState(&s), kNotImplemented);
    EXPECT_EQ(s.reads, 0);
}

TEST_F(ControllerTest, EditsFromThePlugInReachTheHandler) {
    rigging::Client* client = &newestClient();
    rigging::IHostCommand* host = client->hostCommand();
    ASSERT_NE(host, nullptr);
    host->beginParamEdit(2);
    host->paramAutomate(2, 0.25f);
    host->endParamEdit(2);
    auto calls = handler.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, HandlerCall::kBegin);
    EXPECT_EQ(calls[1].kind, HandlerCall::kPerform);
    EXPECT_EQ(calls[1].idOrFlags, 2u);
    EXPECT_EQ(calls[1].value, 0.25);
    EXPECT_EQ(calls[2].kind, HandlerCall::kEnd);
    EXPECT_FALSE(host->requestResize(10, 10));

    // A second handler replaces the first, which gets its reference back.
    RecordingComponentHandler other;
    EXPECT_EQ(plugin.controller->setComponentHandler(&other), kResultOk);
    EXPECT_EQ(handler.extraRefs(), 0);
    EXPECT_EQ(other.extraRefs(), 1);
    EXPECT_EQ(plugin.controller->setComponentHandler(&other), kResultOk);
    EXPECT_EQ(other.extraRefs(), 1);
    EXPECT_EQ(plugin.controller->setComponentHandler(nullptr), kResultOk);
    host->beginParamEdit(1);  // without a handler nothing happens
    EXPECT_EQ(other.calls().size(), 0u);
    EXPECT_EQ(other.extraRefs(), 0);
}

TEST_F(ControllerTest, HostNameIdentifiesTheDAW) {
    rigging::Client* client = &newestClient();
    EXPECT_EQ(client->hostCommand()->getDAW(), rigging::DAW::unknown);
    HostApplication ardour(u"ardour \u00e9dition");
    plugin.component->initialize(&ardour);
    EXPECT_EQ(client->hostCommand()->getDAW(), rigging::DAW::ardour);
    EXPECT_EQ(app.extraRefs(), 0);  // the earlier host application was given back
    plugin.component->terminate();
    EXPECT_EQ(ardour.extraRefs(), 0);
}

TEST_F(ControllerTest, OneUnitWithOneProgramList) {
    IUnitInfo* u = plugin.units;
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->getUnitCount(), 1);
    UnitInfo unit;
    ASSERT_EQ(u->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(unit.parentUnitId, -1);
    EXPECT_EQ(unit.programListId, 999);
    EXPECT_EQ(narrow(unit.name), "Root Unit");
    EXPECT_EQ(u->getUnitInfo(1, unit), kResultFalse);
    ProgramListInfo list;
    ASSERT_EQ(u->getProgramListInfo(5, list), kResultOk);
    EXPECT_EQ(list.programCount, 2);
    EXPECT_EQ(narrow(list.name), "Factory Presets");
    String128 name{};
    EXPECT_EQ(u->getProgramName(999, 1, name), kResultOk);
    EXPECT_EQ(narrow(name), "Loud");
    EXPECT_EQ(u->getProgramName(999, 2, name), kResultFalse);
    EXPECT_EQ(u->getProgramName(999, -1, name), kResultFalse);
    EXPECT_EQ(u->getProgramName(998, 0, name), kResultFalse);
    EXPECT_EQ(u->selectUnit(0), kResultOk);
    EXPECT_EQ(u->selectUnit(1), kResultFalse);
    int32 unitId = 5;
    EXPECT_EQ(u->getUnitByBus(kAudio, kInput, 0, 0, unitId), kResultOk);
    EXPECT_EQ(unitId, 0);
    EXPECT_EQ(u->getProgramInfo(999, 0, "x", name), kNotImplemented);
    EXPECT_EQ(plugin.controller2->setKnobMode(kLinearMode), kResultOk);
    EXPECT_EQ(plugin.controller2->setKnobMode(kCircularMode), kResultFalse);
    EXPECT_EQ(plugin.controller2->openAboutBox(0), kResultFalse);
}
