// Reading drawing files of 20k to 500k entities (made by bench/make_dxf.py) into a fresh database, beside
// dxflib reading the same file into a creation interface that only counts what it is given: the files laid
// out as the stand-in writes them, and (20k and 100k) files ezdxf wrote, whose coordinates are full doubles.
// Also the heap the reader needs beyond the drawing it builds: (peak during the read - live once read) / file
// size, from this program's own operator new and delete. Then writing each drawing read back to a file, and
// the heap the writer needs beyond the drawing while it writes.
//
// The files are looked for in TARN_DXF_FOLDER (the environment), else in the build's folder for them;
// ./tarn.sh bench makes them there first. bench/ezdxf_read.py runs this program's cases one at a time, each
// in turn with ezdxf on the same file.
#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <utility>

#include "bench/ratio.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dxffile.h"
#include "platform/win32/core/unicode.h"

// ---- heap accounting: every operator new carries its size in front of the block ----

namespace {

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

constexpr size_t kHeader = 2 * sizeof(std::max_align_t) > 16 ? 2 * sizeof(std::max_align_t) : 16;

void* Allocate(size_t size, size_t align, bool nothrow) {
    const size_t header = align > kHeader ? align : kHeader;
    void* block = align > alignof(std::max_align_t)
                      ? std::aligned_alloc(align, (header + size + align - 1) / align * align)
                      : std::malloc(header + size);
    if (block == nullptr) {
        if (nothrow) {
            return nullptr;
        }
        throw std::bad_alloc();
    }
    char* user = static_cast<char*>(block) + header;
    reinterpret_cast<size_t*>(user)[-1] = size;
    reinterpret_cast<size_t*>(user)[-2] = header;
    const size_t live = g_live.fetch_add(size, std::memory_order_relaxed) + size;
    size_t peak = g_peak.load(std::memory_order_relaxed);
    while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return user;
}

void Release(void* user) {
    if (user == nullptr) {
        return;
    }
    const size_t size = static_cast<size_t*>(user)[-1];
    const size_t header = static_cast<size_t*>(user)[-2];
    g_live.fetch_sub(size, std::memory_order_relaxed);
    std::free(static_cast<char*>(user) - header);
}

}  // namespace

void* operator new(size_t size) {
    return Allocate(size, 0, false);
}
void* operator new[](size_t size) {
    return Allocate(size, 0, false);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, 0, true);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, 0, true);
}
void* operator new(size_t size, std::align_val_t align) {
    return Allocate(size, static_cast<size_t>(align), false);
}
void* operator new[](size_t size, std::align_val_t align) {
    return Allocate(size, static_cast<size_t>(align), false);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    Release(p);
}

namespace {

constexpr double kMemoryGoal = 2.0;
constexpr double kWriteHeapGoal = 1024.0 * 1024.0;  // bytes beyond the drawing while it is written
constexpr int kCounts[] = {20000, 100000, 500000};
constexpr int kEzdxfCounts[] = {20000, 100000};  // bench/make_dxf.py's EZDXF_MAX_COUNT

std::string Folder() {
    const char* folder = std::getenv("TARN_DXF_FOLDER");
    return folder != nullptr && *folder != 0 ? folder : TARN_DXF_FOLDER;
}

// The files of each kind: "" the stand-in's layout, "-ezdxf" written by ezdxf.
std::string FileOf(int count, const char* kind = "") {
    return Folder() + "/drawing-" + std::to_string(count) + kind + ".dxf";
}

// The heap the last read of each file needed beyond its drawing, per byte of the file.
std::map<int, double>& MemoryRatios() {
    static std::map<int, double> ratios;
    return ratios;
}

void BM_TarnRead(benchmark::State& state, const char* kind) {
    const int count = static_cast<int>(state.range(0));
    const std::string path = FileOf(count, kind);
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        state.SkipWithError(("no " + path + ": run bench/make_dxf.py " + Folder()).c_str());
        return;
    }
    const std::u16string wide = platform::Utf8ToUtf16(path);
    double ratio = 0.0;
    for (auto _ : state) {
        auto db = std::make_unique<AcDbDatabase>(false, true);
        const size_t before = g_live.load();
        g_peak.store(before);
        const Acad::ErrorStatus es = platform::ReadDxfFile(db.get(), wide.c_str());
        const size_t after = g_live.load();
        ratio = static_cast<double>(g_peak.load() - after) / static_cast<double>(size);
        if (es != Acad::eOk) {
            state.SkipWithError(platform::LastDxfError().message.c_str());
            return;
        }
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.counters["heap_per_file_byte"] = ratio;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
    if (*kind == 0) {
        MemoryRatios()[count] = ratio;
    }
}

// The heap the last write of each drawing needed beyond the drawing, in bytes.
std::map<int, size_t>& WriteHeap() {
    static std::map<int, size_t> heap;
    return heap;
}

// The drawing read from its file (untimed), then written to a file of its own.
void BM_TarnWrite(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string path = FileOf(count);
    auto db = std::make_unique<AcDbDatabase>(false, true);
    if (platform::ReadDxfFile(db.get(), platform::Utf8ToUtf16(path).c_str()) != Acad::eOk) {
        state.SkipWithError(("cannot read " + path + ": run bench/make_dxf.py " + Folder()).c_str());
        return;
    }
    const std::u16string target =
        platform::Utf8ToUtf16(Folder() + "/written-" + std::to_string(count) + ".dxf");
    size_t extra = 0;
    for (auto _ : state) {
        const size_t before = g_live.load();
        g_peak.store(before);
        if (platform::SaveDxfFile(db.get(), target.c_str()) != Acad::eOk) {
            state.SkipWithError(platform::LastDxfError().message.c_str());
            return;
        }
        extra = g_peak.load() - before;
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(platform::Utf16ToUtf8(target), error);
    std::filesystem::remove(platform::Utf16ToUtf8(target), error);
    state.counters["heap_KiB"] = static_cast<double>(extra) / 1024.0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(error ? 0 : size));
    WriteHeap()[count] = extra;
}

// Receives every entity and keeps a count, so that the anchor pays for parsing only.
class Counter : public DL_CreationAdapter {
public:
    void addPoint(const DL_PointData&) override { ++m_count; }
    void addLine(const DL_LineData&) override { ++m_count; }
    void addArc(const DL_ArcData&) override { ++m_count; }
    void addCircle(const DL_CircleData&) override { ++m_count; }
    void addPolyline(const DL_PolylineData&) override { ++m_count; }
    void addVertex(const DL_VertexData&) override { ++m_count; }
    void addText(const DL_TextData&) override { ++m_count; }
    void addInsert(const DL_InsertData&) override { ++m_count; }
    size_t count() const { return m_count; }

private:
    size_t m_count = 0;
};

void BM_DxflibRead(benchmark::State& state, const char* kind) {
    const std::string path = FileOf(static_cast<int>(state.range(0)), kind);
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        state.SkipWithError(("no " + path).c_str());
        return;
    }
    for (auto _ : state) {
        Counter counter;
        DL_Dxf dxf;
        if (!dxf.in(path, &counter)) {
            state.SkipWithError("dxflib could not read the file");
            return;
        }
        benchmark::DoNotOptimize(counter.count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

}  // namespace

int main(int argc, char** argv) {
    // Each size runs for both before the next, so the two sides of a ratio see the same machine.
    for (int count : kCounts) {
        benchmark::RegisterBenchmark("dxf_read/tarn", BM_TarnRead, "")
            ->Arg(count)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("dxf_read/dxflib", BM_DxflibRead, "")
            ->Arg(count)
            ->Unit(benchmark::kMillisecond);
    }
    for (int count : kEzdxfCounts) {
        benchmark::RegisterBenchmark("dxf_read_ezdxf/tarn", BM_TarnRead, "-ezdxf")
            ->Arg(count)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("dxf_read_ezdxf/dxflib", BM_DxflibRead, "-ezdxf")
            ->Arg(count)
            ->Unit(benchmark::kMillisecond);
    }
    for (int count : kCounts) {
        benchmark::RegisterBenchmark("dxf_write/tarn", BM_TarnWrite)
            ->Arg(count)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    tarnbench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios({"dxflib"}, tarnbench::Compare::kThroughput, 3.0);
    for (const auto& [count, ratio] : MemoryRatios()) {
        std::printf(
            "heap   dxf_read/%-13d %6.2fx the file size beyond the drawing (goal: at most %.2fx)  %s\n",
            count, ratio, kMemoryGoal, ratio <= kMemoryGoal ? "met" : "MISSED");
    }
    for (const auto& [count, bytes] : WriteHeap()) {
        std::printf(
            "heap   dxf_write/%-12d %8.1f KiB beyond the drawing while it is written (goal: under %.0f KiB)  "
            "%s\n",
            count, static_cast<double>(bytes) / 1024.0, kWriteHeapGoal / 1024.0,
            static_cast<double>(bytes) < kWriteHeapGoal ? "met" : "MISSED");
    }
    std::fflush(stdout);
    benchmark::Shutdown();
    return 0;
}
