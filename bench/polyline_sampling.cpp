// Sampling bulged polylines into point rings, as the send road does for hatch loops: 10,000 polylines of
// 100 vertices with alternating bulges. Besides the time it counts the heap allocations made per sampled
// point: the rings' own growth only, nothing per point or per arc.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "platform/arx/acge/acge.h"
#include "plugin/arxutil/HatchUtil.h"

namespace {

std::atomic<int64_t> g_allocations{0};
double g_allocationsPerRing = -1;  // of the last run, for the closing line
double g_pointsPerRing = 0;

}  // namespace

// The replaced operators pair malloc with free, which GCC cannot see through once they are inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

#pragma GCC diagnostic pop

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
    const int64_t allocationsBefore = g_allocations.load();
    for (auto _ : state) {
        for (const Ring& ring : rings) {
            AcGePoint3dArray out;
            CHatchUtil::GetPolylineLoopPoints(out, ring.vertices, ring.bulges);
            points += out.length();
            benchmark::DoNotOptimize(out.asArrayPtr());
        }
    }
    const int64_t allocations = g_allocations.load() - allocationsBefore;
    state.counters["points"] = benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsRate);
    state.counters["allocs_per_point"] = static_cast<double>(allocations) / static_cast<double>(points);
    g_allocationsPerRing = static_cast<double>(allocations) / static_cast<double>(state.iterations() * 10000);
    g_pointsPerRing = static_cast<double>(points) / static_cast<double>(state.iterations() * 10000);
    state.counters["allocs_per_ring"] = g_allocationsPerRing;
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rings.size()));
}
BENCHMARK(BM_SampleBulgedPolylines)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_allocationsPerRing >= 0) {
        // The goal is none per point (nor per arc): only the ring's own growth, logarithmic in its points.
        const double perPoint = g_allocationsPerRing / g_pointsPerRing;
        std::printf(
            "\nsampling: %.1f allocations per ring of %.0f points, %.4f per point (goal: none per point)  "
            "%s\n",
            g_allocationsPerRing, g_pointsPerRing, perPoint,
            g_allocationsPerRing <= 2 * std::log2(g_pointsPerRing) ? "met" : "MISSED");
    }
    return 0;
}
