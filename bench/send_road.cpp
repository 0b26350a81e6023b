// The send road end to end on 10,000 and 100,000 mixed entities: the plug-in loaded into the host converts
// the selection, packs it in one transfer packet and the simulated map application parses and stores it.
// Prints the time per entity, the ratio between the two sizes (goal: linear, at most 11x for 10x the
// entities) and the peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/hostcmds.h"
#include "platform/arx/aced/acedss.h"
#include "bench/ratio.h"
#include "platform/arx/arxheaders.h"

namespace {

constexpr double kGoal = 11.0;

AcDbEntity* MakeEntity(int i) {
    const double x = i % 1000;
    const double y = i / 1000;
    switch (i % 5) {
        case 0:
            return new AcDbLine(AcGePoint3d(x, y, 0), AcGePoint3d(x + 0.5, y + 0.5, 0));
        case 1:
            return new AcDbCircle(AcGePoint3d(x, y, 0), AcGeVector3d::kZAxis, 0.4);
        case 2:
            return new AcDbText(AcGePoint3d(x, y, 0), u"label", AcDbObjectId(), 2.5);
        case 3: {
            auto* pline = new AcDbPolyline;
            pline->addVertexAt(0, AcGePoint2d(x, y));
            pline->addVertexAt(1, AcGePoint2d(x + 0.3, y), 0.5);
            pline->addVertexAt(2, AcGePoint2d(x + 0.3, y + 0.3));
            return pline;
        }
        default:
            return new AcDbArc(AcGePoint3d(x, y, 0), 0.3, 0.0, 2.0);
    }
}

// A host with the plug-in loaded and a drawing of `count` entities: lines, circles, texts, polylines and
// arcs in turn, on four layers.
class HostWithDrawing {
public:
    explicit HostWithDrawing(int count) {
        char pattern[] = "/tmp/bench_send_XXXXXX";
        m_dir = ::mkdtemp(pattern) != nullptr ? pattern : "/tmp";
        tarnhost::HostOptions options;
        options.home = m_dir;
        m_host.Start(options);
        m_host.Run("SAVEAS " + m_dir + "/bench.dxf");
        std::string error;
        if (!m_host.LoadModule(TARN_PLUGIN_MODULE, &error)) {
            std::fprintf(stderr, "cannot load the plug-in: %s\n", error.c_str());
        }
        const char* layers[] = {"Roads", "Buildings", "Labels", "Water"};
        for (int layer = 0; layer < 4; ++layer) {
            // Make sets the new layer current: the entities that follow go on it.
            m_host.Answer("");
            m_host.Run(std::string("-LAYER Make ") + layers[layer]);
            for (int i = layer; i < count; i += 4) {
                m_ids.push_back(tarnhost::AppendToModelSpace(MakeEntity(i)));
            }
        }
    }
    ~HostWithDrawing() {
        m_host.Stop();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    void Send() {
        m_host.MapSim().ClearRecords();  // the simulator's request log is no part of the road
        platform::SetPickFirst(m_ids);
        if (m_host.Run("TOOLBAR 发送") != platform::CommandOutcome::kEnded) {
            std::fprintf(stderr, "the toolbar's send failed\n");
        }
    }
    size_t Stored() { return m_host.MapSim().Objects().size(); }

private:
    std::string m_dir;
    tarnhost::Host m_host;
    std::vector<AcDbObjectId> m_ids;
};

void BM_SendMixed(benchmark::State& state) {
    HostWithDrawing drawing(static_cast<int>(state.range(0)));
    drawing.Send();  // the layers' folders, once
    for (auto _ : state) {
        drawing.Send();
    }
    if (drawing.Stored() != static_cast<size_t>(state.range(0))) {
        const std::string error =
            "not every entity reached the map application: " + std::to_string(drawing.Stored()) + " of " +
            std::to_string(state.range(0));
        state.SkipWithError(error.c_str());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["us_per_entity"] =
        benchmark::Counter(static_cast<double>(state.range(0)),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_SendMixed)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    const int status = tarnbench::RunWithSizeRatio(argc, argv, "10000", "100000", kGoal);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory %.1f MiB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return status;
}
