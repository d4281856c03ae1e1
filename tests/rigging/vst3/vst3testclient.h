#pragma once
// The test client as the VST3 binding's tests set it up: four parameters (0 "Switch" bool,
// 1 "Mode" integer 0..3, 2 "Gain" linear dB -12..12 applied to every output, 3 "Freq"
// logarithmic 20..20000 Hz, not automatable), presets "Default" and "Loud", chunks of 64 frames
// and a MIDI input.

#include "testclient.h"

namespace vst3test {

using testsupport::ParamSpec;
using testsupport::Setup;

inline Setup vst3Setup() {
    Setup s;
    s.vendor = "Test Vendor";
    s.vendorID = rigging::FourCC("TSTV");
    s.name = "Rigging Test";
    s.pluginID = rigging::FourCC("rgts");
    s.version = {2, 3, 4};
    s.category = rigging::PluginCategory::dynamics;
    s.hasGUI = false;
    s.makesGraphics = false;
    s.receivesMIDI = true;
    s.chunkLimit = 64;
    s.parameters = {
        {ParamSpec::boolean, "Switch", "", 0, 1, 0},
        {ParamSpec::integer, "Mode", "", 0, 3, 1},
        {ParamSpec::linear, "Gain", "dB", -12.f, 12.f, 0.f},
        {ParamSpec::logarithmic, "Freq", "Hz", 20.0, 20000.0, 1000.0, false},
    };
    s.presets = {{"Default"}, {"Loud", {{2, 1.0f}}}};
    s.gainParam = 2;
    return s;
}

using TestClient = testsupport::FixedTestClient<&vst3Setup>;

inline rigging::Client* makeTestClient() {
    return rigging::createClient<TestClient>();
}

// The instance the binding made last (the factory's own temporary one goes first).
inline testsupport::TestClient& newestClient() {
    return *testsupport::TestClient::newest.load();
}
inline int resetCount() {
    return static_cast<int>(newestClient().resets.size());
}
inline const testsupport::ResetCall& lastReset() {
    return newestClient().resets.back();
}

}  // namespace vst3test
