// MD5 throughput over buffers from 64 bytes to 64 MiB, beside OpenSSL's MD5 on the same bytes.
#include <openssl/md5.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/ratio.h"
#include "plugin/cutil/cutil.h"

namespace {

std::vector<uint8_t> Data(size_t size) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    return data;
}

template <void (*Digest)(uint8_t*, const uint8_t*, size_t)>
void BM_Md5(benchmark::State& state) {
    const size_t size = static_cast<size_t>(state.range(0));
    const std::vector<uint8_t> data = Data(size);
    uint8_t digest[16];
    for (auto _ : state) {
        Digest(digest, data.data(), size);
        benchmark::DoNotOptimize(digest);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

void TarnMd5(uint8_t* digest, const uint8_t* data, size_t size) {
    Md5Buffer(digest, data, static_cast<uint32_t>(size));
}

// The one-call form, the fastest OpenSSL offers (the EVP road adds a context allocation per digest).
void OpenSslMd5(uint8_t* digest, const uint8_t* data, size_t size) {
    MD5(data, size, digest);
}

// Each size runs for both before the next, so the two sides of a ratio see the same machine.
void Register() {
    for (int64_t size :
         {int64_t{64}, int64_t{1} << 10, int64_t{64} << 10, int64_t{1} << 20, int64_t{64} << 20}) {
        benchmark::RegisterBenchmark("md5/tarn", BM_Md5<TarnMd5>)->Arg(size);
        benchmark::RegisterBenchmark("md5/openssl", BM_Md5<OpenSslMd5>)->Arg(size);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Register();
    return tarnbench::RunWithRatios(argc, argv, {"openssl"}, tarnbench::Compare::kThroughput, 0.95);
}
