#pragma once
// Drives a wrapper the way a careless host might: random block sizes (0, 1, and far above the
// announced size), stream changes from another thread while processing, parameters set and
// read from a third thread, and a flood of events while nothing is processing.

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "vst2host.h"

namespace vsttest {

struct StressResult {
    long blocks = 0;
    long nonFinite = 0;
};

inline StressResult stressWrapper(vst2host::Host& host, int numParams, int iterations,
                                  unsigned seed) {
    using namespace rigging::vst;
    constexpr int kChannels = 8;  // the host always offers enough channel buffers
    constexpr int kMaxFrames = 3000;
    StressResult result;

    // A flood of events while the plug-in is switched off.
    vst2host::MidiEventList list(0x90, 60, 100);
    host.dispatch(effMainsChanged, 0, 0);
    for (int i = 0; i < 3000; ++i) host.dispatch(effProcessEvents, 0, 0, list.ptr());
    host.dispatch(effMainsChanged, 0, 1);

    std::atomic<bool> done{false};
    std::thread ui([&] {
        std::mt19937 rng(seed + 1);
        const float rates[] = {22050, 44100, 48000, 96000, 192000, 0, -1, NAN};
        const VstIntPtr blocks[] = {0, 1, 64, 512, 4096, 100000, -1};
        while (!done.load()) {
            switch (rng() % 5) {
                case 0:
                    host.dispatch(effSetSampleRate, 0, 0, nullptr, rates[rng() % 8]);
                    break;
                case 1:
                    host.dispatch(effSetBlockSize, 0, blocks[rng() % 7]);
                    break;
                case 2:
                    host.dispatch(effMainsChanged, 0, rng() % 2);
                    break;
                case 3:
                    host.setSpeakers(static_cast<int>(rng() % 7), static_cast<int>(rng() % 7));
                    break;
                default:
                    host.dispatch(effProcessEvents, 0, 0, list.ptr());
                    break;
            }
            // Even a careless host changes settings at human, not machine, speed.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::thread params([&] {
        std::mt19937 rng(seed + 2);
        std::uniform_real_distribution<float> unit(-0.2f, 1.2f);
        while (!done.load()) {
            int index = static_cast<int>(rng() % (numParams + 2)) - 1;
            host.setParameter(index, unit(rng));
            float v = host.getParameter(index);
            if (!std::isfinite(v)) ++result.nonFinite;
        }
    });

    std::mt19937 rng(seed);
    std::vector<std::vector<float>> in(kChannels, std::vector<float>(kMaxFrames));
    std::vector<std::vector<float>> out(kChannels, std::vector<float>(kMaxFrames));
    std::vector<std::vector<double>> din(kChannels, std::vector<double>(kMaxFrames));
    std::vector<std::vector<double>> dout(kChannels, std::vector<double>(kMaxFrames));
    std::vector<float*> ip, op;
    std::vector<double*> dip, dop;
    for (int c = 0; c < kChannels; ++c) {
        ip.push_back(in[c].data());
        op.push_back(out[c].data());
        dip.push_back(din[c].data());
        dop.push_back(dout[c].data());
    }
    std::normal_distribution<float> noise(0.0f, 0.3f);
    for (int it = 0; it < iterations; ++it) {
        int pick = static_cast<int>(rng() % 10);
        int frames = pick == 0 ? 0 : pick == 1 ? 1 : static_cast<int>(rng() % kMaxFrames);
        for (int c = 0; c < kChannels; ++c)
            for (int j = 0; j < frames; ++j) {
                in[c][j] = noise(rng);
                din[c][j] = in[c][j];
                out[c][j] = 0.0f;
                dout[c][j] = 0.0;
            }
        int kind = static_cast<int>(rng() % 3);
        if (kind == 0) host.processReplacing(ip.data(), op.data(), frames);
        if (kind == 1) host.processDoubleReplacing(dip.data(), dop.data(), frames);
        if (kind == 2) host.processAccumulating(ip.data(), op.data(), frames);
        for (int c = 0; c < kChannels; ++c)
            for (int j = 0; j < frames; ++j) {
                double v = kind == 1 ? dout[c][j] : out[c][j];
                if (!std::isfinite(v)) ++result.nonFinite;
            }
        ++result.blocks;
    }
    done = true;
    ui.join();
    params.join();
    return result;
}

}  // namespace vsttest
