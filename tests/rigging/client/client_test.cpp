#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "alloc_probe.h"
#include "testclient.h"

using namespace testsupport;

TEST(ClientBuild, RunsTheSubclassBuildStepsInOrder) {
    TestClient* c = make();
    EXPECT_EQ(c->buildLog, (std::vector<std::string>{"info", "legalio", "parameters", "presets",
                                                     "maxframes", "built"}));
    for (Parameter* p : c->params()) EXPECT_EQ(p->client(), c);
    Preset* d = c->presetBank().preset(0);  // every normalized default in index order
    EXPECT_STREQ(d->name(), "Default");
    ASSERT_EQ(d->values().size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(d->values()[i], static_cast<float>(c->param(i)->getNormalizedDefault()));
    destroyFree(c);
}

TEST(ClientBuild, LegalIOWildcardsAndMaxima) {
    TestClient* c = make();
    EXPECT_EQ(std::pair(c->maxInputs(), c->maxOutputs()), std::pair(2, 2));
    EXPECT_TRUE(c->isLegalIO(2, -1));
    EXPECT_TRUE(c->isLegalIO(-1, -1));
    EXPECT_FALSE(c->isLegalIO(3, 2));
    EXPECT_FALSE(c->isLegalIO(0, 1));
    TestClient* oneWay = make({.legalIOs = {{1, 2}}});
    EXPECT_TRUE(oneWay->isLegalIO(-1, 2));
    EXPECT_FALSE(oneWay->isLegalIO(2, -1));  // both sides must match the same entry
    TestClient* none = make({.legalIOs = {}});
    EXPECT_EQ(std::pair(none->maxInputs(), none->maxOutputs()), std::pair(0, 0));
    EXPECT_FALSE(none->isLegalIO(-1, -1));
    for (TestClient* k : {c, oneWay, none}) destroyFree(k);
}

TEST(ClientProcessing, SplitsLongBlocksAndAdvancesTheCallersPointers) {
    TestClient* c = make();
    std::vector<float> in(3300), out(3300);  // room for the second client after the advance
    const float* ins[2] = {in.data(), in.data() + 1100};
    float* outs[2] = {out.data(), out.data() + 1100};
    c->processAudioFromHost(ins, outs, 1100, TimeInfo{.timeInSamples = 7000});
    ASSERT_EQ(c->processCalls.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(c->processCalls[i].frames, i < 2 ? 512 : 76);
        EXPECT_EQ(c->processCalls[i].info.timeInSamples, 7000 + 512 * i);
        EXPECT_EQ(c->processCalls[i].in0, in.data() + 512 * i);
        EXPECT_EQ(c->processCalls[i].out0, out.data() + 512 * i);
    }
    EXPECT_EQ(ins[1], in.data() + 2200);
    EXPECT_EQ(outs[0], out.data() + 1100);
    c->processAudioFromHost(ins, outs, 0, TimeInfo{});
    c->processAudioFromHost(ins, outs, -5, TimeInfo{});
    EXPECT_EQ(c->processCalls.size(), 3u);

    TestClient* unlimited = make({.chunkLimit = 0});
    unlimited->processAudioFromHost(ins, outs, 1100, TimeInfo{});
    ASSERT_EQ(unlimited->processCalls.size(), 1u);
    EXPECT_EQ(unlimited->processCalls[0].frames, 1100);
    EXPECT_EQ(ins[0], in.data() + 1100);  // one call: pointers stay
    for (TestClient* k : {c, unlimited}) destroyFree(k);
}

TEST(ClientProcessing, ResetPassesTheHostMaximumCappedByTheChunkLimit) {
    TestClient* c = make();
    TestClient* unlimited = make({.chunkLimit = 0});
    c->enqueueMIDIFromHost(makeMidiMessageNoteOn(0, 0, 60, 100));
    c->resetFromHost(48000, 2048, 2, 2);
    c->resetFromHost(48000, 256, 2, 2);
    unlimited->resetFromHost(48000, 2048, 2, 2);
    ASSERT_EQ(c->resets.size(), 2u);
    EXPECT_EQ(c->resets[0].maxFrames, 512);
    EXPECT_EQ(c->resets[1].maxFrames, 256);
    ASSERT_EQ(unlimited->resets.size(), 1u);
    EXPECT_EQ(unlimited->resets[0].maxFrames, 2048);
    EXPECT_EQ(c->midiQueue().size(), 0);
    for (TestClient* k : {c, unlimited}) destroyFree(k);
}

TEST(ClientProcessing, AudioThreadCallsDoNotAllocate) {
    TestClient* c = make({.parameters = Setup::pluginShaped()});
    c->processCalls.reserve(16);
    c->openGUI(nullptr, nullptr, GraphicsBackend::x11EmbedWindowID);
    std::vector<float> in(1100), out(1100);
    const float* ins[1] = {in.data()};
    float* outs[1] = {out.data()};
    alloc_probe::Scope s;
    c->processAudioFromHost(ins, outs, 1100, TimeInfo{});
    c->setParameterFromHost(3, 0.25f);
    c->enqueueMIDIFromHost(makeMidiMessageNoteOff(3, 1, 64));
    int bands = c->readEnumParamValue(59);
    IGraphics* g = c->graphicsAcquire();
    c->graphicsRelease();
    EXPECT_EQ(s.allocations(), 0u);
    EXPECT_EQ(bands, 3);
    EXPECT_NE(g, nullptr);
    destroyFree(c);
}

TEST(ClientEditor, AcquireReleaseAndLifetime) {
    int destroyedBefore = FakeGraphics::destroyed;
    TestClient* c = make();
    FakeHost host;
    c->setHostCommand(&host);
    EXPECT_EQ(c->graphicsAcquire(), nullptr);  // no editor yet
    auto* g = static_cast<FakeGraphics*>(c->openGUI(nullptr, nullptr, GraphicsBackend::hwnd));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->daw, DAW::ardour);
    EXPECT_EQ(g->backend, GraphicsBackend::hwnd);
    EXPECT_EQ(c->graphicsAcquire(), g);
    EXPECT_EQ(c->graphicsAcquire(), nullptr);  // taken
    c->graphicsRelease();
    EXPECT_EQ(c->graphicsAcquire(), g);
    c->graphicsRelease();
    int w = 0, h = 0;
    EXPECT_TRUE(c->getGUISize(&w, &h));
    EXPECT_EQ(std::pair(w, h), std::pair(1000, 700));
    c->closeGUI();
    EXPECT_EQ(c->openGUI(nullptr, nullptr, GraphicsBackend::hwnd), g);  // kept and reused
    EXPECT_EQ(std::pair(g->opens, g->closes), std::pair(2, 1));
    destroyFree(c);
    EXPECT_EQ(FakeGraphics::destroyed, destroyedBefore + 1);
}

TEST(ClientEditor, NullEditorObjectLeavesNothingSetUp) {
    TestClient* c = make({.makesGraphics = false});
    int w = -1, h = -1;
    EXPECT_EQ(c->openGUI(nullptr, nullptr, GraphicsBackend::x11EmbedWindowID), nullptr);
    EXPECT_FALSE(c->getGUISize(&w, &h));
    EXPECT_EQ(c->graphicsAcquire(), nullptr);
    c->closeGUI();
    EXPECT_EQ(w, -1);
    destroyFree(c);  // must not wait for a flag that was never set
    int madeBefore = FakeGraphics::destroyed;
    TestClient* noGUI = make({.hasGUI = false});
    EXPECT_FALSE(noGUI->getGUISize(&w, &h));  // no editor object is made just to ask
    destroyFree(noGUI);
    EXPECT_EQ(FakeGraphics::destroyed, madeBefore);
}

TEST(ClientEditor, DestructionWaitsForTheAudioThreadToReleaseTheEditor) {
    int destroyedBefore = FakeGraphics::destroyed;
    TestClient* c = make();
    c->openGUI(nullptr, nullptr, GraphicsBackend::x11EmbedWindowID);
    ASSERT_NE(c->graphicsAcquire(), nullptr);
    std::atomic<bool> done{false};
    std::thread ui([&] { destroyFree(c), done = true; });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(done.load());
    c->graphicsRelease();
    ui.join();
    EXPECT_EQ(FakeGraphics::destroyed, destroyedBefore + 1);
}

TEST(ClientIdentity, NamesAndVersionForms) {
    TestClient* c = make();
    char full[64], cut[10], ver[4];
    c->getPluginFullName(full, sizeof full);
    c->getPluginFullName(cut, sizeof cut);
    c->getPublicVersion().toVST3VersionString(ver, sizeof ver);
    EXPECT_STREQ(full, "Mossgrove Audio Brindlewave");
    EXPECT_STREQ(cut, "Mossgrove");
    EXPECT_STREQ(ver, "1.1");
    EXPECT_EQ(c->getPublicVersion().toVSTVersion(), 1120);
    EXPECT_EQ(c->getPluginUniqueID().bigEndian(), 0x6D676277u);  // 'm' in the highest byte
    destroyFree(c);
}
