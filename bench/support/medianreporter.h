#pragma once
// A console reporter that also keeps each benchmark's CPU time per iteration, so that a
// program can print ratios between benchmarks after the run. With repetitions the median
// stands for the benchmark.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace benchsupport {

class MedianTimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred || r.iterations <= 0) continue;
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
            seconds[r.run_name.function_name] = r.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // By function name, in the benchmarks' time unit.
    std::map<std::string, double> seconds;
};

}  // namespace benchsupport
