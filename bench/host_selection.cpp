// tarnhost's SELECT all, MOVE all, ROTATE all, ERASE all then U, and MOVE all then U on drawings of 100k and
// 500k points: each must grow linearly with the drawing, and the undo journal must keep what a change needs
// to be undone, not copies of whole objects: the bytes it gains per entity (its own count) are printed beside
// the heap bytes the commands leave behind.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"
#include "host/hostcmds.h"
#include "platform/arx/acdb/dbpoint.h"
#include "platform/arx/aced/acedss.h"
#include "platform/arx/arxheaders.h"

namespace {

// Heap bytes in use now (malloc's own count: everything new and malloc hand out, mapped chunks included).
long long HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

long long JournalBytes() {
    return static_cast<long long>(
        platform::UndoJournalHolds(acdbHostApplicationServices()->workingDatabase()).bytes);
}

}  // namespace

namespace {

constexpr double kMoveGoalMs = 200.0;
constexpr double kLinearGoal = 6.0;  // 5x the entities: about 5x the time, with some slack for caches

// A host with a drawing of `count` points, started in a fresh temporary folder.
class HostWithPoints {
public:
    explicit HostWithPoints(int count) {
        char pattern[] = "/tmp/bench_host_XXXXXX";
        m_dir = ::mkdtemp(pattern) != nullptr ? pattern : "/tmp";
        tarnhost::HostOptions options;
        options.home = m_dir;
        options.startMap = false;
        m_host.Start(options);
        for (int i = 0; i < count; ++i) {
            tarnhost::AppendToModelSpace(new AcDbPoint(AcGePoint3d(i % 1000, i / 1000, 0)));
        }
    }
    ~HostWithPoints() {
        m_host.Stop();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    tarnhost::Host& host() { return m_host; }

private:
    std::string m_dir;
    tarnhost::Host m_host;
};

// Runs the commands once per iteration; reports per entity the bytes the undo journal gained and the heap
// bytes the commands left behind.
void RunEach(benchmark::State& state, const std::vector<std::string>& commands) {
    HostWithPoints drawing(static_cast<int>(state.range(0)));
    long long journal = 0;
    long long heap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const long long journalBefore = JournalBytes();
        const long long heapBefore = HeapInUse();
        state.ResumeTiming();
        for (const std::string& command : commands) {
            drawing.host().Run(command);
        }
        state.PauseTiming();
        journal += JournalBytes() - journalBefore;
        heap += HeapInUse() - heapBefore;
        state.ResumeTiming();
    }
    const double per = static_cast<double>(state.iterations()) * static_cast<double>(state.range(0));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    state.counters["journal_B/entity"] = static_cast<double>(journal) / per;
    state.counters["heap_B/entity"] = static_cast<double>(heap) / per;
}

void BM_SelectAll(benchmark::State& state) {
    HostWithPoints drawing(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        drawing.host().Run("SELECT all");
        benchmark::DoNotOptimize(platform::PickFirst().size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_MoveAll(benchmark::State& state) {
    RunEach(state, {"MOVE all 0,0 1,1"});
}

void BM_RotateAll(benchmark::State& state) {
    RunEach(state, {"ROTATE all 0,0 30"});
}

void BM_EraseAllUndo(benchmark::State& state) {
    RunEach(state, {"ERASE all", "U"});
}

void BM_MoveAllUndo(benchmark::State& state) {
    RunEach(state, {"MOVE all 0,0 1,1", "U"});
}

BENCHMARK(BM_SelectAll)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MoveAll)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RotateAll)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EraseAllUndo)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MoveAllUndo)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Keeps each run's CPU time and journal bytes, by benchmark and size (the median when repeated).
class Collector : public benchmark::ConsoleReporter {
public:
    struct Entry {
        double ms = 0.0;
        double journal = 0.0;
        double heap = 0.0;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type == Run::RT_Aggregate && !median)) {
                continue;
            }
            Entry entry;
            entry.ms = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
            const auto journal = run.counters.find("journal_B/entity");
            entry.journal = journal != run.counters.end() ? journal->second.value : 0.0;
            const auto heap = run.counters.find("heap_B/entity");
            entry.heap = heap != run.counters.end() ? heap->second.value : 0.0;
            Entry& slot = m_runs[run.run_name.function_name][run.run_name.args];
            if (median || !m_median[run.run_name.function_name]) {
                slot = entry;
            }
            m_median[run.run_name.function_name] = m_median[run.run_name.function_name] || median;
            if (std::find(m_order.begin(), m_order.end(), run.run_name.function_name) == m_order.end()) {
                m_order.push_back(run.run_name.function_name);
            }
        }
    }

    void PrintSummary() const {
        std::printf("\n");
        for (const std::string& name : m_order) {
            const auto& sizes = m_runs.at(name);
            const auto small = sizes.find("100000");
            const auto large = sizes.find("500000");
            if (small == sizes.end() || large == sizes.end() || !(small->second.ms > 0.0)) {
                continue;
            }
            const double ratio = large->second.ms / small->second.ms;
            std::printf("ratio %-16s 500k/100k %6.2fx the time (goal: linear, at most %.1fx)  %s\n",
                        name.c_str(), ratio, kLinearGoal, ratio <= kLinearGoal ? "met" : "MISSED");
            if (name != "BM_SelectAll") {
                std::printf(
                    "      %-16s journal %6.1f / heap %6.1f bytes per entity at 100k, %6.1f / %6.1f at "
                    "500k\n",
                    name.c_str(), small->second.journal, small->second.heap, large->second.journal,
                    large->second.heap);
            }
            if (name == "BM_MoveAll") {
                std::printf("      %-16s %7.1f ms at 500k (goal: under %.0f ms)  %s\n", name.c_str(),
                            large->second.ms, kMoveGoalMs, large->second.ms < kMoveGoalMs ? "met" : "MISSED");
            }
        }
        std::fflush(stdout);
    }

private:
    std::map<std::string, std::map<std::string, Entry>> m_runs;
    std::map<std::string, bool> m_median;
    std::vector<std::string> m_order;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Collector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
