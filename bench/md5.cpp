// MD5 throughput over small, page-sized and large buffers.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "plugin/cutil/cutil.h"

namespace {

void BM_Md5Buffer(benchmark::State& state) {
    const size_t size = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    uint8_t digest[16];
    for (auto _ : state) {
        Md5Buffer(digest, data.data(), static_cast<uint32_t>(size));
        benchmark::DoNotOptimize(digest);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

BENCHMARK(BM_Md5Buffer)->Arg(64)->Arg(4 << 10)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
