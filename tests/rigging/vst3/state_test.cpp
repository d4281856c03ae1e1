// Saving and restoring: the two-byte header around the state chunk, streams that read or
// write short, and refusals that leave the plug-in exactly as it was.

#include <cmath>
#include <cstring>

#include "fixture.h"

using namespace vst3test;

namespace {

class StateTest : public PluginTest {
protected:
    std::vector<std::uint8_t> save() {
        std::vector<std::uint8_t> s;
        EXPECT_EQ(plugin.getState(s), kResultOk);
        return s;
    }
    // Every host-visible value, to compare before and after a refused load.
    std::vector<double> snapshot() {
        std::vector<double> v;
        for (ParamID id : {998u, 999u, 0u, 1u, 2u, 3u})
            v.push_back(plugin.controller->getParamNormalized(id));
        return v;
    }
};

void putFloat(std::vector<std::uint8_t>& s, std::size_t at, float v) {
    std::memcpy(&s[at], &v, 4);  // the chunk is little-endian, like this machine
}

}  // namespace

TEST_F(StateTest, FreshStateIsHeaderAndChunk) {
    auto s = save();
    ASSERT_EQ(s.size(), 2u + 24u + 4u * 4u);
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[1], 0);
    const std::uint8_t magic[4] = {0x0B, 0x20, 0xBA, 0x92};
    EXPECT_EQ(std::memcmp(&s[2], magic, 4), 0);
    EXPECT_EQ(s[2 + 12], 4);  // plug-in version 2.3.4
    EXPECT_EQ(s[2 + 13], 3);
    EXPECT_EQ(s[2 + 14], 2);
    EXPECT_EQ(s[2 + 20], 4);  // parameter count
}

TEST_F(StateTest, RoundTripRestoresBypassPresetAndValues) {
    plugin.controller->setParamNormalized(999, 1.0);
    plugin.controller->setParamNormalized(2, 0.125);
    plugin.controller->setParamNormalized(998, 1.0);
    auto saved = save();
    EXPECT_EQ(saved[1], 1);
    auto before = snapshot();
    plugin.controller->setParamNormalized(999, 0.0);
    plugin.controller->setParamNormalized(998, 0.0);
    plugin.controller->setParamNormalized(1, 0.0);
    ASSERT_EQ(plugin.setState(saved), kResultOk);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(save(), saved);
}

// A preset load as hosts make it: the component's setState, then the controller's
// setComponentState with the same bytes; only after the controller accepts them does a host
// read its parameters again. Nothing calls the host back meanwhile: hosts hold a lock across
// the load, and one that takes it again in restartComponent hangs.
TEST_F(StateTest, ALoadedStateReachesTheHostsValuesAndTheAudio) {
    prepare();
    plugin.controller->setParamNormalized(999, 1.0);  // "Loud"
    plugin.controller->setParamNormalized(2, 0.125);
    plugin.controller->setParamNormalized(1, 2.0 / 3);
    auto saved = save();
    auto loaded = snapshot();

    // Other values from both sides: the controller and the processor's parameter queue.
    plugin.controller->setParamNormalized(999, 0.0);
    plugin.controller->setParamNormalized(2, 0.75);
    plugin.controller->setParamNormalized(998, 1.0);
    ParameterChanges changes;
    changes.add(1, 0, 0.0);
    changes.add(0, 0, 1.0);
    Block in(2, 64, 0.5f), out(2, 64);
    ASSERT_EQ(plugin.process(in.ptrs(), out.ptrs(), 64, &changes), kResultOk);
    ASSERT_NE(snapshot(), loaded);

    handler.clear();
    ASSERT_EQ(plugin.setState(saved), kResultOk);
    EXPECT_EQ(snapshot(), loaded);
    EXPECT_TRUE(handler.calls().empty());  // no restart, and no edits reported back
    EXPECT_EQ(save(), saved);

    // What is heard is the loaded state, as from an instance that only ever loaded it.
    RecordingComponentHandler otherHandler;
    PluginInstance other;
    ASSERT_TRUE(other.create(factory, testClassId()));
    ASSERT_TRUE(other.initialize(&app, &otherHandler));
    ASSERT_EQ(other.setArrangement(2, 2), kResultOk);
    ASSERT_EQ(other.setup(44100, 256), kResultOk);
    other.start();
    ASSERT_EQ(other.setState(saved), kResultOk);
    Block ramp(2, 256), a(2, 256), b(2, 256);
    for (int i = 0; i < 256; ++i) ramp[0][i] = ramp[1][i] = std::ldexp(1.0f + i, -(i % 9));
    ASSERT_EQ(plugin.process(ramp.ptrs(), a.ptrs(), 256), kResultOk);
    ASSERT_EQ(other.process(ramp.ptrs(), b.ptrs(), 256), kResultOk);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(std::memcmp(a[c].data(), b[c].data(), 256 * sizeof(float)), 0) << c;
        EXPECT_NE(a[c], ramp[c]);  // not bypassed, and not at unity gain
    }
    EXPECT_TRUE(other.teardown());
    EXPECT_EQ(otherHandler.extraRefs(), 0);
}

TEST_F(StateTest, AwkwardStreamsStillLoad) {
    plugin.controller->setParamNormalized(2, 0.125);
    auto saved = save();
    plugin.controller->setParamNormalized(2, 0.5);
    MemoryStream trickle(saved);
    trickle.maxChunk = 3;  // every read comes back short
    ASSERT_EQ(plugin.setState(trickle), kResultOk);
    EXPECT_EQ(plugin.controller->getParamNormalized(2), 0.125);
    plugin.controller->setParamNormalized(2, 0.5);
    MemoryStream unseekable(saved);
    unseekable.seekable = false;
    unseekable.maxChunk = 5;
    ASSERT_EQ(plugin.setState(unseekable), kResultOk);
    EXPECT_EQ(plugin.controller->getParamNormalized(2), 0.125);
}

TEST_F(StateTest, EveryRefusalLeavesThePlugInUnchanged) {
    auto good = save();
    good[1] = 1;                           // would bypass
    putFloat(good, 2 + 24 + 2 * 4, 0.9f);  // would change the gain
    good[2 + 16] = 1;                      // would select "Loud"
    plugin.controller->setParamNormalized(2, 0.3);
    auto before = snapshot();

    std::vector<std::vector<std::uint8_t>> bad;
    bad.push_back({});      // nothing at all
    bad.push_back({0});     // half a header
    bad.push_back({0, 1});  // header only: no chunk
    auto v = good;
    v[0] = 1;  // newer state format
    bad.push_back(v);
    v = good;
    v[2] ^= 0xFF;  // magic
    bad.push_back(v);
    v = good;
    v[2 + 4] = 1;  // newer chunk version
    bad.push_back(v);
    v = good;
    v[2 + 16] = 2;  // no such preset
    bad.push_back(v);
    v = good;
    v.resize(v.size() - 1);  // values cut short
    bad.push_back(v);
    v = good;
    v.resize(2u + (1u << 20) + 1);  // beyond any sane state
    bad.push_back(v);
    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(plugin.setState(bad[i]), kResultFalse) << "case " << i;
        // The controller, handed the same bytes, refuses them too: the host keeps its values.
        MemoryStream s(bad[i]);
        EXPECT_EQ(plugin.controller->setComponentState(&s), kResultFalse) << "case " << i;
        EXPECT_EQ(snapshot(), before) << "case " << i;
    }
    EXPECT_EQ(handler.countRestarts(kParamValuesChanged), 0);
    MemoryStream failing(good);
    failing.maxChunk = 0;  // reads give nothing
    EXPECT_EQ(plugin.setState(failing), kResultFalse);
    EXPECT_EQ(plugin.component->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(plugin.controller->setComponentState(nullptr), kInvalidArgument);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(plugin.setState(good), kResultOk);  // the same bytes, intact, do load
    EXPECT_EQ(plugin.controller->getParamNormalized(998), 1.0);
    EXPECT_EQ(plugin.controller->getParamNormalized(999), 1.0);
    EXPECT_FLOAT_EQ(static_cast<float>(plugin.controller->getParamNormalized(2)), 0.9f);
}

TEST_F(StateTest, ShortWritesAreFailures) {
    for (std::size_t limit : {0u, 1u, 2u, 20u}) {
        MemoryStream s;
        s.writeLimit = limit;
        EXPECT_EQ(plugin.component->getState(&s), kResultFalse) << limit;
    }
    EXPECT_EQ(plugin.component->getState(nullptr), kInvalidArgument);
}
