#pragma once
// The shared rough host as a VST3 host runs it: parameter queues on the audio thread, while a
// UI thread changes parameters, presets, bypass and sample rate and loads thousands of random
// and truncated states. Used on the test plug-in and the real one.

#include <cstdint>
#include <string>

#include "rigging/vst3/ipluginbase.h"
#include "stressharness.h"

namespace vst3host {

using namespace rigging::vst3;

struct StressOptions {
    int blocks = 3000;   // process calls on the audio thread
    int states = 3000;   // setState calls on the UI thread
    int maxBlock = 256;  // announced maximum; blocks go up to three times this
    std::uint32_t seed = 1;
    std::uint32_t numParams = 0;  // the plug-in's own parameter ids are 0 .. numParams - 1

    // What the shared harness runs: layouts vary and states must both pass and fail.
    stress::Options harness() const;
};

stress::Report runStress(IPluginFactory* factory, const char* classId,
                         const StressOptions& options);

// What went wrong in a run, one finding per line; empty when the plug-in came through.
std::string stressFindings(const stress::Report& report, const StressOptions& options);

}  // namespace vst3host
