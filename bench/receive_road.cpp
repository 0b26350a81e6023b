// The receive road end to end on 10,000 and 100,000 map objects: the map application's user selects them and
// chooses "send to CAD"; the plug-in loaded into the host reads the selection and builds the entities into
// the drawing. The plug-in's side is timed: the simulated map application's own work is not. Prints the time
// per object, the ratio between the two sizes (goal: per object at most 1.1 times the small size's, that is
// 11x the time for 10x the objects) and the peak memory: per run, the peak resident from the host's start to
// the receive's end and what the receive added to what was resident before it; after the table, the whole
// process's peak.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/ratio.h"
#include "host/host.h"
#include "mapsim/samples.h"
#include "platform/arx/arxheaders.h"

namespace {

constexpr double kGoal = 11.0;

// Marks, roads and labels in turn, spread over a square kilometre.
mapsim::Bytes MakeObject(int i, uint32_t* type) {
    const double x = 1000.0 * (i % 1000) / 1000.0;
    const double y = i / 1000;
    if (i % 3 == 2) {
        mapsim::SampleTrack road;
        road.name = "road " + std::to_string(i);
        road.text = "asphalt";
        road.points = {{x, y}, {x + 0.5, y, 0, 0.5}, {x + 0.8, y + 0.3}};
        *type = mapsim::kTypeTrack;
        return mapsim::MakeTrackRecord(road);
    }
    mapsim::SampleMark mark;
    mark.name = "mark " + std::to_string(i);
    mark.text = "survey point";
    mark.x = x;
    mark.y = y;
    mark.height = 3;
    mark.style = i % 3 == 0 ? 1 : 3;
    *type = mapsim::kTypeMark;
    return mapsim::MakeMarkRecord(mark);
}

// The process's resident memory now in MiB (Linux's VmRSS); 0 where it cannot be read.
double ResidentMiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return 0.0;
    }
    char line[256];
    double kib = 0.0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            kib = std::strtod(line + 6, nullptr);
            break;
        }
    }
    std::fclose(status);
    return kib / 1024.0;
}

// A host with the plug-in loaded on a saved drawing, and the map application holding `count` objects in one
// folder, all selected.
class ReceiveHost {
public:
    explicit ReceiveHost(int count) {
        char pattern[] = "/tmp/bench_receive_XXXXXX";
        m_dir = ::mkdtemp(pattern) != nullptr ? pattern : "/tmp";
        tarnhost::HostOptions options;
        options.home = m_dir;
        m_host.Start(options);
        m_host.Run("SAVEAS " + m_dir + "/bench.dxf");
        std::string error;
        m_loaded = m_host.LoadModule(TARN_PLUGIN_MODULE, &error);
        if (!m_loaded) {
            std::fprintf(stderr, "cannot load the plug-in: %s\n", error.c_str());
        }
        mapsim::MapSim& map = m_host.MapSim();
        const uint32_t folder = map.AddFolder(mapsim::kRootFolder, "Survey");
        std::vector<uint32_t> ids;
        ids.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            uint32_t type = 0;
            mapsim::Bytes bytes = MakeObject(i, &type);
            ids.push_back(map.AddObject(type, folder, std::move(bytes)));
        }
        map.Select(std::move(ids));
        map.ClearRecords();
    }
    ~ReceiveHost() {
        m_host.Stop();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    bool Loaded() const { return m_loaded; }
    // The map application's user sends the selection; the time the simulated map application spends on
    // its side (picking the objects, writing the answer) is left out of the benchmark's time.
    void Receive(benchmark::State& state) {
        mapsim::MapSim& map = m_host.MapSim();
        map.SetBusyHook([&state](bool busy) { busy ? state.PauseTiming() : state.ResumeTiming(); });
        map.NotifySendToCad(true);
        m_host.Idle();
        map.SetBusyHook(nullptr);
    }
    size_t Entities() {
        size_t n = 0;
        AcDbBlockTable* table = nullptr;
        if (m_host.Drawing()->getBlockTable(table, AcDb::kForRead) != Acad::eOk) {
            return 0;
        }
        AcDbBlockTableRecord* model = nullptr;
        const Acad::ErrorStatus es = table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead);
        table->close();
        if (es == Acad::eOk) {
            AcDbBlockTableRecordIterator* it = nullptr;
            model->newIterator(it);
            for (; it != nullptr && !it->done(); it->step()) {
                ++n;
            }
            delete it;
            model->close();
        }
        return n;
    }

private:
    std::string m_dir;
    tarnhost::Host m_host;
    bool m_loaded = false;
};

// One receive a host: a second one into the same drawing would only find its objects there already.
void BM_ReceiveMixed(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    // The memory of this size's runs alone: the process's own peak would also hold the other size's runs,
    // whichever ran before.
    double peakMiB = 0.0;
    double receiveMiB = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        tarnbench::ResetPeakResident();
        auto host = std::make_unique<ReceiveHost>(count);
        if (!host->Loaded()) {
            state.SkipWithError("the plug-in did not load");
            return;
        }
        const double before = ResidentMiB();
        state.ResumeTiming();
        host->Receive(state);
        state.PauseTiming();
        const double peak = tarnbench::PeakResidentMiB();
        peakMiB = std::max(peakMiB, peak);
        receiveMiB = std::max(receiveMiB, peak - before);
        const size_t built = host->Entities();
        if (built < static_cast<size_t>(count)) {
            const std::string error = "not every object reached the drawing: " + std::to_string(built) +
                                      " of " + std::to_string(count);
            state.SkipWithError(error.c_str());
        }
        host.reset();
        // The freed heap goes back to the system, so that every receive starts from the same heap whichever
        // size ran before it: the small size must not run on pages the large one left warm.
        ::malloc_trim(0);
        state.ResumeTiming();
    }
    state.counters["peak_MiB"] = peakMiB;
    state.counters["receive_MiB"] = receiveMiB;
    state.counters["us_per_object"] =
        benchmark::Counter(static_cast<double>(count),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * count);
}

// Several receives a repetition, each into a host of its own: one receive alone varies by more than the
// goal's margin on a busy machine, so that a run's verdict would depend on the run.
BENCHMARK(BM_ReceiveMixed)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_ReceiveMixed)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace

int main(int argc, char** argv) {
    const int status = tarnbench::RunWithSizeRatio(argc, argv, "10000", "100000", kGoal);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory %.1f MiB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return status;
}
