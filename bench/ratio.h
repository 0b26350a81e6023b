// Pairs each of the project's runs with its anchors' runs in the same program and prints their ratios after
// the usual table. A project run is named ".../tarn/..."; an anchor's is the run of the same name with the
// anchor's name in place of "tarn". Times are CPU times (the median when repetitions are asked for, as
// ./tarn.sh bench does, interleaved), so a busy machine moves both sides of a ratio alike.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tarnbench {

// The process's peak resident memory in MiB since it started or since the last ResetPeakResident (Linux's
// VmHWM); 0 where it cannot be read.
inline double PeakResidentMiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return 0.0;
    }
    char line[256];
    double kib = 0.0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kib = std::strtod(line + 6, nullptr);
            break;
        }
    }
    std::fclose(status);
    return kib / 1024.0;
}

// Starts the peak over at the memory resident now.
inline void ResetPeakResident() {
    if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
}

// One goal's line after the table: what was measured, the goal, and whether it is met.
inline void PrintGoal(const std::string& what, const std::string& goal, bool met) {
    std::printf("%s (goal: %s)  %s\n", what.c_str(), goal.c_str(), met ? "met" : "MISSED");
    std::fflush(stdout);
}

enum class Compare {
    kThroughput,  // anchor time / project time: the project's share of the anchor's speed
    kTime,        // project time / anchor time: how many times the anchor's time the project takes
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) {
                continue;
            }
            const Entry entry = {run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit),
                                 median, run.family_index, run.per_family_instance_index};
            auto [found, added] = m_runs.emplace(run.run_name.str(), entry);
            if (!added && (median || !found->second.median)) {
                found->second = entry;  // the median stands for all repetitions
            }
        }
    }

    // Prints one line per project run and anchor run found, in the order they were registered (repetitions
    // may run interleaved); the number of goals missed.
    int PrintRatios(const std::vector<std::string>& anchors, Compare compare, double goal) const {
        std::vector<std::pair<const Entry*, std::string>> mine;
        for (const auto& [name, entry] : m_runs) {
            if (name.find("/tarn") != std::string::npos) {
                mine.emplace_back(&entry, name);
            }
        }
        std::sort(mine.begin(), mine.end(), [](const auto& x, const auto& y) {
            return std::tie(x.first->family, x.first->instance) <
                   std::tie(y.first->family, y.first->instance);
        });
        int missed = 0;
        std::printf("\n");
        for (const auto& [entry, name] : mine) {
            for (const std::string& anchor : anchors) {
                missed += PrintRatio(name, *entry, anchor, compare, goal) ? 0 : 1;
            }
        }
        std::fflush(stdout);
        return missed;
    }

private:
    struct Entry {
        double seconds;  // CPU seconds per iteration
        bool median;
        int64_t family;  // registration order
        int64_t instance;
    };

    // False when the goal is missed.
    bool PrintRatio(const std::string& name, const Entry& mine, const std::string& anchor, Compare compare,
                    double goal) const {
        const size_t at = name.find("/tarn");
        std::string anchorName = name;
        anchorName.replace(at + 1, 4, anchor);
        const auto theirs = m_runs.find(anchorName);
        if (theirs == m_runs.end() || !(mine.seconds > 0.0) || !(theirs->second.seconds > 0.0)) {
            return true;
        }
        std::string label = name;
        label.erase(at, 5);
        const bool throughput = compare == Compare::kThroughput;
        const double ratio =
            throughput ? theirs->second.seconds / mine.seconds : mine.seconds / theirs->second.seconds;
        const bool met = throughput ? ratio >= goal : ratio <= goal;
        std::printf("ratio %-20s %6.2fx the %s of %s (goal: %s %.2fx)  %s\n", label.c_str(), ratio,
                    throughput ? "speed" : "time", anchor.c_str(), throughput ? "at least" : "at most", goal,
                    met ? "met" : "MISSED");
        return met;
    }

    std::map<std::string, Entry> m_runs;
};

// The body of main: runs what the command line selects and prints the ratios. Exits 0 even when a goal is
// missed: a shared machine's noise must not fail a build.
inline int RunWithRatios(int argc, char** argv, const std::vector<std::string>& anchors, Compare compare,
                         double goal) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios(anchors, compare, goal);
    benchmark::Shutdown();
    return 0;
}

// Keeps each size's CPU time per iteration (by the run's arguments; the median when runs are repeated) and
// prints how the large size's time compares with the small one's: a road that must grow linearly.
class SizeRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type == Run::RT_Aggregate && !median)) {
                continue;
            }
            auto [found, added] = m_seconds.emplace(run.run_name.args, std::make_pair(0.0, false));
            if (added || median || !found->second.second) {
                found->second = {run.GetAdjustedCPUTime(), median};
            }
        }
    }

    void PrintRatio(const std::string& small, const std::string& large, double goal) const {
        const auto s = m_seconds.find(small);
        const auto l = m_seconds.find(large);
        if (s == m_seconds.end() || l == m_seconds.end() || !(s->second.first > 0.0)) {
            return;
        }
        const double ratio = l->second.first / s->second.first;
        std::printf("\nratio %s/%s entities %6.2fx the time (goal: at most %.2fx)  %s\n", large.c_str(),
                    small.c_str(), ratio, goal, ratio <= goal ? "met" : "MISSED");
    }

private:
    std::map<std::string, std::pair<double, bool>> m_seconds;  // seconds, whether a median
};

// The body of main for a benchmark of two sizes: runs what the command line selects and prints the ratio.
inline int RunWithSizeRatio(int argc, char** argv, const std::string& small, const std::string& large,
                            double goal) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    SizeRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio(small, large, goal);
    benchmark::Shutdown();
    return 0;
}

}  // namespace tarnbench
