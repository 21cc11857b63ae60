#pragma once
// Shared by the sprite benchmarks: a console reporter that remembers the time per iteration of
// each benchmark, and a main that prints chosen pairs as ratios measured in the same run. With
// --benchmark_repetitions each side is the median of its repetitions, so one disturbed repetition
// does not make the figure.

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

namespace sprite_bench {

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && !r.error_occurred && r.iterations > 0) {
                seconds[r.benchmark_name()].push_back(r.real_accumulated_time / static_cast<double>(r.iterations));
                for (const auto& [name, counter] : r.counters) {
                    counters[r.benchmark_name() + "/" + name].push_back(counter.value);
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // Every repetition's value, by benchmark (and counter) name.
    std::map<std::string, std::vector<double>> seconds;
    std::map<std::string, std::vector<double>> counters;
};

// The median of a non-empty list (the mean of the middle two for an even count).
inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

struct Ratio {
    std::string label;
    std::string numerator;   // benchmark name
    std::string denominator; // benchmark name, or empty for an absolute time
    std::string goal;
    // When set, the ratio of this counter (per second or per run) instead of the times.
    std::string counter;
};

inline int run(int argc, char** argv, const std::vector<Ratio>& ratios) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    for (const Ratio& r : ratios) {
        if (!r.counter.empty()) {
            const auto n = reporter.counters.find(r.numerator + "/" + r.counter);
            const auto d = reporter.counters.find(r.denominator + "/" + r.counter);
            if (n != reporter.counters.end() && d != reporter.counters.end()) {
                std::printf("%-58s %10.3f x      (goal %s)\n", r.label.c_str(), median(n->second) / median(d->second),
                            r.goal.c_str());
            }
            continue;
        }
        const auto n = reporter.seconds.find(r.numerator);
        if (n == reporter.seconds.end()) {
            continue;
        }
        if (r.denominator.empty()) {
            std::printf("%-58s %10.4f ms      (goal %s)\n", r.label.c_str(), median(n->second) * 1e3, r.goal.c_str());
            continue;
        }
        const auto d = reporter.seconds.find(r.denominator);
        if (d == reporter.seconds.end()) {
            continue;
        }
        std::printf("%-58s %10.3f x      (goal %s)\n", r.label.c_str(), median(n->second) / median(d->second),
                    r.goal.c_str());
    }
    benchmark::Shutdown();
    return 0;
}

} // namespace sprite_bench
