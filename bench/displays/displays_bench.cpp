// The displays' costs on the audio side: the hand-off (the spectrum's recomputing call, the
// band meters and histories) and the worst hand-off while the GUI draws on other threads. The
// playback frame is the editor benchmark's.

#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "displays/displayrig.h"
#include "rigging/gui/offscreen.h"

namespace {

using brindlewave::displays::DisplayRig;
using brindlewave::displays::kFFTSize;
using brindlewave::displays::kSampleRate;
using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t i =
        std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5));
    return v[i];
}

// Only the third of every three calls recomputes; the two before it are timed apart.
void BM_UpdateFFTDataRecomputing(benchmark::State& state) {
    DisplayRig rig;
    int block = 0;
    for (auto _ : state) {
        rig.updateFFTData(rig.programmeFrame(block), kFFTSize, kSampleRate);
        rig.updateFFTData(rig.programmeFrame(block + 1), kFFTSize, kSampleRate);
        const auto t0 = Clock::now();
        rig.updateFFTData(rig.programmeFrame(block + 2), kFFTSize, kSampleRate);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
        block += 3;
    }
}
BENCHMARK(BM_UpdateFFTDataRecomputing)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_UpdateFFTDataDropped(benchmark::State& state) {
    DisplayRig rig;
    int block = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        rig.updateFFTData(rig.programmeFrame(block), kFFTSize, kSampleRate);
        rig.updateFFTData(rig.programmeFrame(block + 1), kFFTSize, kSampleRate);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count() / 2);
        rig.updateFFTData(rig.programmeFrame(block + 2), kFFTSize, kSampleRate);
        block += 3;
    }
}
// A fixed count: timed calls of 100 ns against untimed ones of 10 us would otherwise run for
// minutes before the timed total reaches the default minimum.
BENCHMARK(BM_UpdateFFTDataDropped)
    ->UseManualTime()
    ->Iterations(100000)
    ->Unit(benchmark::kNanosecond);

// Four band meters and four histories, as the editor forwards one block's levels.
void BM_UpdateMeters(benchmark::State& state) {
    DisplayRig rig;
    float pre[4] = {0.5f, 0.25f, 0.125f, 0.0625f}, post[4] = {0.4f, 0.2f, 0.1f, 0.05f};
    for (auto _ : state) {
        pre[0] = pre[0] * 0.999f + 0.0001f;
        rig.updateMeters(pre, post, kSampleRate);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_UpdateMeters)->Unit(benchmark::kNanosecond);

// Context switches of the calling thread so far: voluntary ones (it waited for something) and
// involuntary ones (the scheduler took the processor away).
void contextSwitches(long& voluntary, long& involuntary, long& faults) {
    rusage r;
    getrusage(RUSAGE_THREAD, &r);
    voluntary = r.ru_nvcsw;
    involuntary = r.ru_nivcsw;
    faults = r.ru_minflt + r.ru_majflt;
}

// 10,000 hand-offs, each timed, made while another thread ticks and draws the editor without
// pause (so every lock the audio side could meet is busy as often as it can be). The calling
// thread asks for real-time scheduling, as hosts give their audio threads, when it may. A
// hand-off that waited on anything would show as a voluntary context switch inside it; the
// slow outliers that remain are the scheduler's (involuntary switches, or time slices lost to
// the other processes of a busy machine).
void BM_HandOffWhileDrawing(benchmark::State& state) {
    constexpr int kCalls = 10000;
    for (auto _ : state) {
        DisplayRig rig;
        rigging::OffscreenDriver driver(rig.gui());
        driver.open();
        driver.tick();
        std::atomic<bool> stop{false};
        std::atomic<int> frames{0};
        std::thread gui([&] {
            while (!stop.load()) {
                driver.tick();
                frames.fetch_add(1);
            }
        });
        std::vector<double> fftRecompute, fftAll, meters;
        fftRecompute.reserve(kCalls / 3 + 1);
        fftAll.reserve(kCalls);
        meters.reserve(kCalls);
        sched_param sp{};
        sp.sched_priority = 10;
        const bool realtime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp) == 0;
        long waits = 0, preemptions = 0, faults = 0;
        // Controls: two clock reads with nothing between, and local arithmetic of about the
        // meters' length that shares nothing with any other thread.
        std::vector<double> nothing, local;
        nothing.reserve(kCalls);
        local.reserve(kCalls);
        float pre[4], post[4];
        for (int i = 0; i < kCalls; ++i) {
            for (int b = 0; b < 4; ++b) {
                pre[b] = 0.1f + 0.4f * static_cast<float>((i + 50 * b) % 200) / 200.0f;
                post[b] = 0.8f * pre[b];
            }
            long v0, n0, f0, v1, n1, f1;
            contextSwitches(v0, n0, f0);
            const auto c0 = Clock::now();
            const auto c1 = Clock::now();
            nothing.push_back(microseconds(c1 - c0));
            float acc = static_cast<float>(i);
            for (int k = 0; k < 8; ++k) {
                acc = std::log10(acc + 2.0f);
                benchmark::DoNotOptimize(acc);
            }
            const auto c2 = Clock::now();
            local.push_back(microseconds(c2 - c1));
            const auto t0 = Clock::now();
            rig.updateFFTData(rig.programmeFrame(i), kFFTSize, kSampleRate);
            const auto t1 = Clock::now();
            rig.updateMeters(pre, post, kSampleRate);
            const auto t2 = Clock::now();
            contextSwitches(v1, n1, f1);
            waits += v1 - v0;
            preemptions += n1 - n0;
            faults += f1 - f0;
            fftAll.push_back(microseconds(t1 - t0));
            if (i % 3 == 2) fftRecompute.push_back(microseconds(t1 - t0));
            meters.push_back(microseconds(t2 - t1));
            std::this_thread::sleep_for(std::chrono::microseconds(150));
        }
        if (realtime) {
            sp.sched_priority = 0;
            pthread_setschedparam(pthread_self(), SCHED_OTHER, &sp);
        }
        stop = true;
        gui.join();
        state.counters["realtime"] = realtime ? 1 : 0;
        state.counters["waits"] = static_cast<double>(waits);
        state.counters["preemptions"] = static_cast<double>(preemptions);
        state.counters["pageFaults"] = static_cast<double>(faults);
        state.counters["emptyTiming_max_us"] = *std::max_element(nothing.begin(), nothing.end());
        state.counters["localWork_p50_us"] = percentile(local, 0.5);
        state.counters["localWork_max_us"] = *std::max_element(local.begin(), local.end());
        state.counters["guiFrames"] = frames.load();
        state.counters["fftRecompute_p50_us"] = percentile(fftRecompute, 0.5);
        state.counters["fftRecompute_p99_us"] = percentile(fftRecompute, 0.99);
        state.counters["fft_max_us"] = *std::max_element(fftAll.begin(), fftAll.end());
        state.counters["meters_p50_us"] = percentile(meters, 0.5);
        state.counters["meters_p99_us"] = percentile(meters, 0.99);
        state.counters["meters_max_us"] = *std::max_element(meters.begin(), meters.end());
    }
}
BENCHMARK(BM_HandOffWhileDrawing)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
