#pragma once
// A rough host for any plug-in format: an audio thread processing blocks of random length
// (0, 1 and far beyond any announced size) and, if asked, random channel layouts with
// channels missing, checking that every output sample given is written and finite; beside it,
// threads doing whatever else a host does meanwhile. A format's host supplies how a block
// reaches the plug-in and what the other threads do.

#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace stress {

struct Options {
    int blocks = 3000;          // process calls on the audio thread, at least
    int maxFrames = 3000;       // a block holds 0, 1 or up to maxFrames - 1 frames
    int channels = 2;           // channel buffers given each way when the layout is fixed
    bool varyLayout = false;    // then a quarter of the blocks have 0..4 channels each way (the
                                // rest 2 and 2), and one channel in twenty is not given at all
    bool expectStates = false;  // the plug-in must have accepted and refused states
    std::uint32_t seed = 1;
};

struct Report {
    long blocks = 0;         // process calls made
    long framesChecked = 0;  // output frames found written and checked
    long nonFinite = 0;      // NaN or infinite samples or parameter values read back
    long badResults = 0;     // calls that answered something no host should see
    long statesAccepted = 0;
    long statesRefused = 0;
    int fpViolations = 0;  // calls that left the host's floating-point registers changed
    bool teardownClean = true;

    Report& operator+=(const Report& other);
};

// One block for the audio thread to hand the plug-in. Outputs arrive filled with NaN: what
// the plug-in does not write is found. rng serves the format's own choices.
struct Block {
    int frames = 0;
    std::vector<float*> inputs;   // null: a channel the host does not give
    std::vector<float*> outputs;  // null: likewise; not checked
    std::mt19937& rng;
};

// A thread beside the audio thread. It runs step(n) for n = 0, 1, ... at least minSteps times
// and on until the audio thread is done; the audio thread goes on until every side thread made
// its minimum.
struct SideThread {
    std::function<void(int n, std::mt19937& rng, Report& report)> step;
    int minSteps = 0;
    std::chrono::microseconds pause{0};  // between steps: hosts change settings at human speed
};

using ProcessBlock = std::function<void(Block& block, Report& report)>;

// Runs the audio thread on the caller's thread and every side thread on its own; their
// reports are summed.
Report run(const Options& options, const ProcessBlock& process, std::vector<SideThread> side);

// What went wrong, one finding a line; empty when the plug-in came through.
std::string findings(const Report& report, const Options& options);

}  // namespace stress
