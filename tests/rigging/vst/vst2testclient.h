#pragma once
// The test client as the VST 2.4 wrapper's tests set it up: names longer than the record's
// fields, three parameters (0 "Gain" linear dB -12..12, 1 "Mode" integer 0..3, 2 "Switch" bool,
// not automatable), three presets, chunks of 512, a latency of 1 ms, and outputs at half the
// inputs; with and without MIDI input, and with a buildable editor or none at all.

#include "testclient.h"

namespace vsttest {

using testsupport::ParamSpec;
using testsupport::Setup;

constexpr int kNumParams = 3;

inline Setup vst2Setup() {
    Setup s;
    s.vendor = "Test Vendor With A Name Longer Than Thirty Two";
    s.vendorID = rigging::FourCC("TSTV");
    s.name = "Test Plug-in Whose Name Exceeds 32 Bytes";
    s.pluginID = rigging::FourCC("tplg");
    s.version = {2, 3, 4};
    s.category = rigging::PluginCategory::dynamics;
    s.makesGraphics = false;
    s.latencyMs = 1;
    s.parameters = {
        {ParamSpec::linear, "Gain", "dB", -12.0f, 12.0f, 0.0f},
        {ParamSpec::integer, "Mode", "", 0, 3, 1},
        {ParamSpec::boolean, "Switch", "", 0, 1, 0, false},
    };
    s.presets = {{"Default"},
                 {"Bright", {{0, 1.0f}, {1, 0.0f}, {2, 1.0f}}},
                 {"", {{0, 1.0f}, {1, 0.0f}, {2, 1.0f}}}};
    s.outputScale = 0.5f;
    return s;
}

inline Setup vst2MidiSetup() {
    Setup s = vst2Setup();
    s.receivesMIDI = true;
    return s;
}

// With an editor it can build (a fake one), and without any editor.
inline Setup vst2EditorSetup() {
    Setup s = vst2Setup();
    s.makesGraphics = true;
    return s;
}

inline Setup vst2NoEditorSetup() {
    Setup s = vst2Setup();
    s.hasGUI = false;
    return s;
}

using TestClient = testsupport::FixedTestClient<&vst2Setup>;
using MidiTestClient = testsupport::FixedTestClient<&vst2MidiSetup>;
using EditorTestClient = testsupport::FixedTestClient<&vst2EditorSetup>;
using NoEditorTestClient = testsupport::FixedTestClient<&vst2NoEditorSetup>;

}  // namespace vsttest
