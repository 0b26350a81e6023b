// tarnhost's SELECT all and MOVE all on drawings of 100k and 500k points: the selection and the edit must
// grow linearly with the drawing.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/host.h"
#include "host/hostcmds.h"
#include "platform/arx/acdb/dbpoint.h"
#include "platform/arx/aced/acedss.h"
#include "platform/arx/arxheaders.h"

namespace {

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

void BM_SelectAll(benchmark::State& state) {
    HostWithPoints drawing(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        drawing.host().Run("SELECT all");
        benchmark::DoNotOptimize(platform::PickFirst().size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_MoveAll(benchmark::State& state) {
    HostWithPoints drawing(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        drawing.host().Run("MOVE all 0,0 1,1");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_SelectAll)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MoveAll)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
