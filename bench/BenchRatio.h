// Runs the registered benchmarks five times each, in turns, and prints, for
// every pair of (ours, baseline), one line "RATIO <name> <ours/baseline>" of
// the medians.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

class TMedianReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> Medians; // run name -> median real time

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                Medians[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

struct TRatio
{
    std::string Name, Ours, Baseline;
};

inline int RunWithRatios(int argc, char **argv, const std::vector<TRatio> &ratios)
{
    std::vector<char *> args(argv, argv + argc);
    std::string reps = "--benchmark_repetitions=5";
    std::string aggr = "--benchmark_report_aggregates_only=true";
    // Repetitions of ours and of the baselines take turns, so that a busy
    // machine slows both sides of a ratio alike.
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.push_back(reps.data());
    args.push_back(aggr.data());
    args.push_back(interleave.data());
    int n = int(args.size());
    benchmark::Initialize(&n, args.data());
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    int rc = 0;
    for (const TRatio &r : ratios) {
        const auto a = reporter.Medians.find(r.Ours), b = reporter.Medians.find(r.Baseline);
        if (a == reporter.Medians.end() || b == reporter.Medians.end() || b->second <= 0) {
            std::printf("RATIO %s missing\n", r.Name.c_str());
            rc = 1;
            continue;
        }
        std::printf("RATIO %s %.3f\n", r.Name.c_str(), a->second / b->second);
    }
    return rc;
}

} // namespace bench
