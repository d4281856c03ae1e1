#include "stressharness.h"

#include <atomic>
#include <cmath>
#include <thread>

namespace stress {

Report& Report::operator+=(const Report& o) {
    blocks += o.blocks;
    framesChecked += o.framesChecked;
    nonFinite += o.nonFinite;
    badResults += o.badResults;
    statesAccepted += o.statesAccepted;
    statesRefused += o.statesRefused;
    fpViolations += o.fpViolations;
    teardownClean = teardownClean && o.teardownClean;
    return *this;
}

Report run(const Options& o, const ProcessBlock& process, std::vector<SideThread> side) {
    std::atomic<bool> audioDone{false};
    std::atomic<int> belowMinimum{static_cast<int>(side.size())};
    std::vector<Report> sideReports(side.size());
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < side.size(); ++t)
        threads.emplace_back([&, t] {
            std::mt19937 rng(o.seed * 7919u + 1 + static_cast<std::uint32_t>(t));
            const SideThread& s = side[t];
            int n = 0;
            auto step = [&] {
                s.step(n++, rng, sideReports[t]);
                if (s.pause.count() > 0) std::this_thread::sleep_for(s.pause);
            };
            while (n < s.minSteps) step();
            belowMinimum.fetch_sub(1);
            while (!audioDone.load()) step();
        });

    std::mt19937 rng(o.seed);
    const int maxFrames = o.maxFrames > 2 ? o.maxFrames : 2;
    const int maxChannels = o.varyLayout && o.channels < 4 ? 4 : o.channels;
    std::vector<std::vector<float>> in(maxChannels, std::vector<float>(maxFrames));
    std::vector<std::vector<float>> out(maxChannels, std::vector<float>(maxFrames));
    Report r;
    long phase = 0;
    for (int b = 0; b < o.blocks || belowMinimum.load() > 0; ++b) {
        const int kind = static_cast<int>(rng() % 10);
        Block block{kind == 0   ? 0
                    : kind == 1 ? 1
                                : static_cast<int>(rng() % maxFrames),
                    {},
                    {},
                    rng};
        int ins = o.channels, outs = o.channels;
        if (o.varyLayout && rng() % 4 == 0) {
            ins = static_cast<int>(rng() % 5);
            outs = static_cast<int>(rng() % 5);
        }
        auto given = [&] { return !(o.varyLayout && rng() % 20 == 0); };
        for (int c = 0; c < ins; ++c) {
            for (int i = 0; i < block.frames; ++i)
                in[c][i] = 0.7f * static_cast<float>(std::sin(0.031 * (phase + i) + c)) *
                           (rng() % 50 == 0 ? 4.f : 1.f);
            block.inputs.push_back(given() ? in[c].data() : nullptr);
        }
        for (int c = 0; c < outs; ++c) {
            std::fill(out[c].begin(), out[c].begin() + block.frames, std::nanf(""));
            block.outputs.push_back(given() ? out[c].data() : nullptr);
        }
        process(block, r);
        ++r.blocks;
        for (const float* written : block.outputs) {
            if (written == nullptr) continue;
            for (int i = 0; i < block.frames; ++i)
                if (!std::isfinite(written[i])) ++r.nonFinite;
            r.framesChecked += block.frames;
        }
        phase += block.frames;
    }
    audioDone = true;
    for (std::thread& t : threads) t.join();
    for (const Report& s : sideReports) r += s;
    return r;
}

std::string findings(const Report& r, const Options& o) {
    std::string f;
    auto note = [&](bool bad, const std::string& what) {
        if (bad) f += what + "\n";
    };
    note(r.blocks < o.blocks, "only " + std::to_string(r.blocks) + " process calls");
    note(r.framesChecked == 0, "no output was checked");
    note(r.nonFinite != 0, std::to_string(r.nonFinite) + " non-finite samples or values");
    note(r.badResults != 0, std::to_string(r.badResults) + " unexpected result codes");
    note(o.expectStates && r.statesAccepted == 0, "no state was accepted");
    note(o.expectStates && r.statesRefused == 0, "no state was refused");
    note(r.fpViolations != 0,
         "floating-point control changed by " + std::to_string(r.fpViolations) + " calls");
    note(!r.teardownClean, "references left after teardown");
    return f;
}

}  // namespace stress
