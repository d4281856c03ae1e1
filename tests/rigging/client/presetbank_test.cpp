#include <gtest/gtest.h>

#include "testclient.h"

using namespace testsupport;

namespace {

std::vector<float> live(Client* c) {
    std::vector<float> v;
    for (Parameter* p : c->params()) v.push_back(static_cast<float>(p->getNormalized()));
    return v;
}

std::vector<float> stored(Preset* p) {
    return {p->values().begin(), p->values().end()};
}

}  // namespace

TEST(PresetBank, SelectingAProgramKeepsTheEditsOfTheOneLeft) {
    TestClient* c = make({.presets = Setup::defaults(2)});
    PresetBank& bank = c->presetBank();
    const std::vector<float> defaults = live(c);
    c->setParameterFromHost(0, 0.f);
    c->setParameterFromHost(2, 0.5f);
    const std::vector<float> edited = live(c);
    bank.loadPresetFromHost(1);
    EXPECT_EQ(bank.currentPresetIndex(), 1);
    EXPECT_EQ(stored(bank.preset(0)), edited);
    EXPECT_EQ(live(c), defaults);
    bank.loadPresetFromHost(0);
    EXPECT_EQ(live(c), edited);
    c->setParameterFromHost(3, 0.75f);  // reselecting the current one keeps the live values
    const std::vector<float> again = live(c);
    bank.loadPresetFromHost(0);
    EXPECT_EQ(live(c), again);
    EXPECT_EQ(stored(bank.preset(0)), again);
    bank.loadPresetFromHost(2);  // no such program: nothing happens
    EXPECT_EQ(bank.currentPresetIndex(), 0);
    destroyFree(c);
}

TEST(PresetBank, ShortPresetsFallBackToDefaultsAndGrowWhenLeft) {
    TestClient* c = make();
    const float longValues[] = {1.f, 0.f, 0.25f, 0.5f, 0.9f, 0.9f};
    const float shortValues[] = {0.f, 1.f};
    Vec<Preset*> presets;
    presets.pushBack(mallocNew<Preset>("Long", longValues));
    presets.pushBack(mallocNew<Preset>("Short", shortValues));
    PresetBank bank(c, std::move(presets));
    const std::vector<float> d = live(c);
    bank.loadPresetFromHost(1);
    EXPECT_EQ(live(c), (std::vector<float>{0.f, 1.f, d[2], d[3]}));
    // Preset 0 was current from the start, so leaving it stored the live values; its extra
    // values stay and are never used.
    EXPECT_EQ(stored(bank.preset(0)), (std::vector<float>{d[0], d[1], d[2], d[3], 0.9f, 0.9f}));
    c->setParameterFromHost(3, 0.5f);
    bank.loadPresetFromHost(0);
    EXPECT_EQ(stored(bank.preset(1)), (std::vector<float>{0.f, 1.f, d[2], 0.5f}));
    bank.currentPreset()->setName(bank.currentPreset()->name());  // its own text
    EXPECT_STREQ(bank.currentPreset()->name(), "Long");
    destroyFree(c);
}

TEST(PresetBank, EmptyBankHasNoCurrentPresetAndRefusesEveryChunk) {
    TestClient* c = make({.presets = {}});
    EXPECT_EQ(c->presetBank().currentPreset(), nullptr);
    Vec<std::uint8_t> chunk = c->presetBank().getStateChunkFromCurrentState();
    EXPECT_EQ(c->presetBank().loadStateChunk(chunk.slice()), ChunkError::badPresetIndex);
    destroyFree(c);
}
