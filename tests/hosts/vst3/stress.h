#pragma once
// A rough host: an audio thread processing blocks of random length and channel layout with
// parameter queues, while a UI thread changes parameters, presets, bypass and sample rate and
// loads thousands of random and truncated states. Used on the test plug-in and the real one.

#include <cstdint>
#include <string>

#include "rigging/vst3/ipluginbase.h"

namespace vst3host {

using namespace rigging::vst3;

struct StressOptions {
    int blocks = 3000;   // process calls on the audio thread
    int states = 3000;   // setState calls on the UI thread
    int maxBlock = 256;  // announced maximum; blocks go up to three times this
    std::uint32_t seed = 1;
    std::uint32_t numParams = 0;  // the plug-in's own parameter ids are 0 .. numParams - 1
};

struct StressReport {
    long processCalls = 0;
    long framesChecked = 0;
    long nonFinite = 0;  // NaN or infinite output samples
    long statesAccepted = 0;
    long statesRefused = 0;
    long badResults = 0;  // calls that answered something no host should see
    int fpViolations = 0;
    bool teardownClean = false;
};

StressReport runStress(IPluginFactory* factory, const char* classId, const StressOptions& options);

// What went wrong in a run, one finding per line; empty when the plug-in came through.
std::string stressFindings(const StressReport& report, const StressOptions& options);

}  // namespace vst3host
