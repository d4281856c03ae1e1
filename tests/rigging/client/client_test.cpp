#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "alloc_probe.h"
#include "testclient.h"

using namespace testclient;

TEST(ClientBuild, RunsTheSubclassBuildStepsInOrderThenOnBuilt) {
    TestClient* c = make();
    EXPECT_EQ(c->buildLog, (std::vector<std::string>{"info", "legalio", "parameters", "presets",
                                                     "maxframes", "built"}));
    EXPECT_STREQ(c->pluginName(), "Brindlewave");
    ASSERT_EQ(c->numParams(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(c->param(i)->client(), c);
    // The default preset holds every normalized default in index order.
    std::span<const float> d = c->presetBank().preset(0)->values();
    ASSERT_EQ(d.size(), 4u);
    EXPECT_STREQ(c->presetBank().preset(0)->name(), "Default");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(d[i], static_cast<float>(c->param(i)->getNormalizedDefault()));
    destroyFree(c);
}

TEST(ClientBuild, LegalIOWildcardsAndMaxima) {
    TestClient* c = make();
    EXPECT_EQ(c->maxInputs(), 2);
    EXPECT_EQ(c->maxOutputs(), 2);
    EXPECT_TRUE(c->isLegalIO(2, -1));
    EXPECT_TRUE(c->isLegalIO(1, 2));
    EXPECT_TRUE(c->isLegalIO(-1, -1));
    EXPECT_FALSE(c->isLegalIO(3, 2));
    EXPECT_FALSE(c->isLegalIO(0, 1));
    destroyFree(c);

    TestClient* oneWay = make({.legalIOs = {{1, 2}}});
    EXPECT_TRUE(oneWay->isLegalIO(-1, 2));
    EXPECT_FALSE(oneWay->isLegalIO(2, -1));  // wildcards match per side, in the same entry
    destroyFree(oneWay);

    TestClient* none = make({.legalIOs = {}});
    EXPECT_EQ(none->maxInputs(), 0);
    EXPECT_EQ(none->maxOutputs(), 0);
    EXPECT_FALSE(none->isLegalIO(-1, -1));
    destroyFree(none);
}

TEST(ClientProcessing, SplitsLongBlocksAndAdvancesTheCallersPointers) {
    TestClient* c = make();
    std::vector<float> in(2 * 1100), out(2 * 1100);
    const float* ins[2] = {in.data(), in.data() + 1100};
    float* outs[2] = {out.data(), out.data() + 1100};
    TimeInfo t;
    t.timeInSamples = 7000;
    c->processAudioFromHost(ins, outs, 1100, t);
    ASSERT_EQ(c->blocks.size(), 3u);
    const int frames[] = {512, 512, 76};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(c->blocks[i].frames, frames[i]);
        EXPECT_EQ(c->blocks[i].time, 7000 + 512 * i);
        EXPECT_EQ(c->blocks[i].in0, in.data() + 512 * i);
        EXPECT_EQ(c->blocks[i].out0, out.data() + 512 * i);
    }
    EXPECT_EQ(ins[1], in.data() + 2200);
    EXPECT_EQ(outs[0], out.data() + 1100);
    c->processAudioFromHost(ins, outs, 0, t);
    c->processAudioFromHost(ins, outs, -5, t);
    EXPECT_EQ(c->blocks.size(), 3u);
    destroyFree(c);

    TestClient* unlimited = make({.chunkLimit = 0});
    unlimited->processAudioFromHost(ins, outs, 1100, t);
    ASSERT_EQ(unlimited->blocks.size(), 1u);
    EXPECT_EQ(unlimited->blocks[0].frames, 1100);
    EXPECT_EQ(ins[0], in.data() + 1100);  // no limit: pointers stay
    destroyFree(unlimited);
}

TEST(ClientProcessing, ResetPassesTheHostMaximumCappedByTheChunkLimit) {
    TestClient* c = make();
    c->enqueueMIDIFromHost(makeMidiMessageNoteOn(0, 0, 60, 100));
    c->resetFromHost(48000, 2048, 2, 2);
    c->resetFromHost(48000, 256, 2, 2);
    EXPECT_EQ(c->resetFrames, (std::vector<int>{512, 256}));
    EXPECT_EQ(c->midiQueue().size(), 0);
    destroyFree(c);
    TestClient* unlimited = make({.chunkLimit = 0});
    unlimited->resetFromHost(48000, 2048, 2, 2);
    EXPECT_EQ(unlimited->resetFrames, (std::vector<int>{2048}));
    destroyFree(unlimited);
}

TEST(ClientProcessing, AudioThreadCallsDoNotAllocate) {
    TestClient* c = make({.numParams = 139});
    c->blocks.reserve(16);
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
    void* window = c->openGUI(nullptr, nullptr, GraphicsBackend::x11EmbedWindowID);
    auto* g = static_cast<FakeGraphics*>(window);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->lastDAW, DAW::ardour);
    EXPECT_EQ(g->lastBackend, GraphicsBackend::x11EmbedWindowID);
    EXPECT_EQ(c->graphicsAcquire(), g);
    EXPECT_EQ(c->graphicsAcquire(), nullptr);  // taken
    c->graphicsRelease();
    EXPECT_EQ(c->graphicsAcquire(), g);
    c->graphicsRelease();
    int w = 0, h = 0;
    EXPECT_TRUE(c->getGUISize(&w, &h));
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(h, 700);
    c->closeGUI();
    EXPECT_EQ(c->openGUI(nullptr, nullptr, GraphicsBackend::hwnd), g);  // same editor reused
    EXPECT_EQ(g->opens, 2);
    EXPECT_EQ(g->closes, 1);
    destroyFree(c);
    EXPECT_EQ(FakeGraphics::destroyed, destroyedBefore + 1);
}

TEST(ClientEditor, WithoutAnEditorObjectNothingIsSetUp) {
    TestClient* c = make({.makesGraphics = false});
    int w = -1, h = -1;
    EXPECT_EQ(c->openGUI(nullptr, nullptr, GraphicsBackend::x11EmbedWindowID), nullptr);
    EXPECT_FALSE(c->getGUISize(&w, &h));
    EXPECT_EQ(c->graphicsAcquire(), nullptr);
    c->closeGUI();
    EXPECT_EQ(w, -1);
    destroyFree(c);  // must not wait for a flag that was never set

    TestClient* noGUI = make({.hasGUI = false});
    EXPECT_FALSE(noGUI->getGUISize(&w, &h));  // no editor object is made for the question
    EXPECT_EQ(noGUI->graphicsAcquire(), nullptr);
    destroyFree(noGUI);
}

TEST(ClientEditor, DestructionWaitsForTheAudioThreadToReleaseTheEditor) {
    int destroyedBefore = FakeGraphics::destroyed;
    TestClient* c = make();
    c->openGUI(nullptr, nullptr, GraphicsBackend::x11EmbedWindowID);
    ASSERT_NE(c->graphicsAcquire(), nullptr);
    std::atomic<bool> done{false};
    std::thread ui([&] {
        destroyFree(c);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(done.load());
    EXPECT_EQ(FakeGraphics::destroyed, destroyedBefore);
    c->graphicsRelease();
    ui.join();
    EXPECT_EQ(FakeGraphics::destroyed, destroyedBefore + 1);
}

TEST(ClientIdentity, NamesAndVersionForms) {
    TestClient* c = make();
    char full[64], cut[10], ver[64], shortVer[4];
    c->getPluginFullName(full, sizeof full);
    c->getPluginFullName(cut, sizeof cut);
    EXPECT_STREQ(full, "Mossgrove Audio Brindlewave");
    EXPECT_STREQ(cut, "Mossgrove");
    PluginVersion v = c->getPublicVersion();
    EXPECT_EQ(v.toVSTVersion(), 1120);
    EXPECT_EQ(v.toAUVersion(), 0x00010102);
    EXPECT_EQ((PluginVersion{2, 10, 3}.toAUVersion()), 0x00020A03);
    v.toVST3VersionString(ver, sizeof ver);
    v.toVST3VersionString(shortVer, sizeof shortVer);
    EXPECT_STREQ(ver, "1.1.2");
    EXPECT_STREQ(shortVer, "1.1");
    EXPECT_EQ(c->getPluginUniqueID().bigEndian(), 0x6D676277u);  // 'm' in the highest byte
    EXPECT_EQ(c->getPluginUniqueID().littleEndian(), 0x7762676Du);
    destroyFree(c);
}
