// Pairs each of the project's runs with its anchors' runs in the same program and prints their ratios after
// the usual table. A project run is named ".../tarn/..."; an anchor's is the run of the same name with the
// anchor's name in place of "tarn". Times are CPU times (the median when repetitions are asked for), so a
// busy machine moves both sides of a ratio alike.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tarnbench {

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
            const std::string name = run.run_name.str();
            const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            auto found = m_seconds.find(name);
            if (found == m_seconds.end()) {
                m_order.push_back(name);
                m_seconds.emplace(name, std::make_pair(seconds, median));
            } else if (median || !found->second.second) {
                found->second = {seconds, median};  // the median stands for all repetitions
            }
        }
    }

    // Prints one line per project run and anchor run found; the number of goals missed.
    int PrintRatios(const std::vector<std::string>& anchors, Compare compare, double goal) const {
        int missed = 0;
        std::printf("\n");
        for (const std::string& name : m_order) {
            const size_t at = name.find("/tarn");
            if (at == std::string::npos) {
                continue;
            }
            for (const std::string& anchor : anchors) {
                missed += PrintRatio(name, at, anchor, compare, goal) ? 0 : 1;
            }
        }
        std::fflush(stdout);
        return missed;
    }

private:
    // False when the goal is missed.
    bool PrintRatio(const std::string& name, size_t at, const std::string& anchor, Compare compare,
                    double goal) const {
        std::string anchorName = name;
        anchorName.replace(at + 1, 4, anchor);
        const auto mine = m_seconds.find(name);
        const auto theirs = m_seconds.find(anchorName);
        if (theirs == m_seconds.end() || !(mine->second.first > 0.0) || !(theirs->second.first > 0.0)) {
            return true;
        }
        std::string label = name;
        label.erase(at, 5);
        const bool throughput = compare == Compare::kThroughput;
        const double ratio = throughput ? theirs->second.first / mine->second.first
                                        : mine->second.first / theirs->second.first;
        const bool met = throughput ? ratio >= goal : ratio <= goal;
        std::printf("ratio %-20s %6.2fx the %s of %s (goal: %s %.2fx)  %s\n", label.c_str(), ratio,
                    throughput ? "speed" : "time", anchor.c_str(), throughput ? "at least" : "at most", goal,
                    met ? "met" : "MISSED");
        return met;
    }

private:
    std::map<std::string, std::pair<double, bool>> m_seconds;  // CPU seconds, whether a median
    std::vector<std::string> m_order;
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

}  // namespace tarnbench
