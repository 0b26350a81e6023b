// Sampling bulged polylines into point rings, as the send road does for hatch loops: 10,000 polylines of
// 100 vertices with alternating bulges.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "platform/arx/acge/acge.h"
#include "plugin/arxutil/HatchUtil.h"

namespace {

struct Ring {
    AcGePoint2dArray vertices;
    AcGeDoubleArray bulges;
};

std::vector<Ring> MakeRings(int count, int vertices) {
    std::vector<Ring> rings(static_cast<size_t>(count));
    for (int r = 0; r < count; ++r) {
        Ring& ring = rings[static_cast<size_t>(r)];
        const double cx = (r % 100) * 50.0;
        const double cy = (r / 100) * 50.0;
        for (int i = 0; i < vertices; ++i) {
            const double a = 2 * 3.14159265358979323846 * i / vertices;
            ring.vertices.append(AcGePoint2d(cx + 20 * std::cos(a), cy + 20 * std::sin(a)));
            ring.bulges.append(i % 3 == 0 ? 0.0 : (i % 2 == 0 ? 0.3 : -0.2));
        }
    }
    return rings;
}

void BM_SampleBulgedPolylines(benchmark::State& state) {
    const std::vector<Ring> rings = MakeRings(10000, 100);
    int64_t points = 0;
    for (auto _ : state) {
        for (const Ring& ring : rings) {
            AcGePoint3dArray out;
            CHatchUtil::GetPolylineLoopPoints(out, ring.vertices, ring.bulges);
            points += out.length();
            benchmark::DoNotOptimize(out.asArrayPtr());
        }
    }
    state.counters["points"] = benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rings.size()));
}
BENCHMARK(BM_SampleBulgedPolylines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
