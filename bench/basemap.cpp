// The online base map: from a view change to a fully covered view (the plug-in in the host, the simulated
// map application rendering real tiles) for 256, 512 and 1024-pixel tiles over drawings of 0, 10k and 100k
// entities; the parts of one tile (decode, insertion, draw-order move) against the drawing's size; and the
// layout's own work against the grid's size. A tile's cost must not grow with the drawing: the ratio lines
// compare the 100k-entity runs ("tarn") with the empty drawing's. Before them, a long working day's panning
// (10k tiles) in a fresh process: its peak resident memory must not grow with the tiles handled. Everything
// runs on the virtual clock: the map application renders as soon as it is asked.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "bench/ratio.h"
#include "host/host.h"
#include "host/hostcmds.h"
#include "mapsim/png.h"
#include "platform/arx/acdb/dbpoint.h"
#include "platform/arx/arxheaders.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/clock.h"
#include "platform/win32/core/paths.h"
#include "plugin/core/RasterImage.h"
#include "plugin/basemap/TileScheme.h"

namespace {

constexpr double kRefX = 500000.0;
constexpr double kRefY = 3000000.0;

std::string TempFolder(const char* what) {
    char pattern[64];
    std::snprintf(pattern, sizeof pattern, "/tmp/bench_%s_XXXXXX", what);
    return ::mkdtemp(pattern) != nullptr ? pattern : "/tmp";
}

double Resolution(int level) {
    return mapsim::MapSim::DefaultResolutions()[size_t(level - 1)].first;
}

// The host with a saved drawing of `entities` points and the plug-in loaded with the base map on, settled at
// the reference point. Each Pan moves the view to ground no tile has covered yet.
class BaseMapHost {
public:
    BaseMapHost(int screenWidth, int entities) {
        m_dir = TempFolder("basemap");
        platform::SetScreenSize(screenWidth, 1080);
        tarnhost::HostOptions options;
        options.home = m_dir;
        m_host.Start(options);
        std::array<uint8_t, 16> digest{};
        m_host.MapSim().SetCoordState(3, digest, "local grid");
        m_host.MapSim().SetGridOrigin(kRefX, kRefY);
        m_host.MapSim().SetMapState(15, 1);
        for (int i = 0; i < entities; ++i) {
            tarnhost::AppendToModelSpace(new AcDbPoint(AcGePoint3d(kRefX + i % 1000, kRefY + i / 1000, 0)));
        }
        m_host.Answer(m_dir + "/site.dxf");
        m_host.Run("SAVEAS");
        std::string error;
        m_host.LoadModule(TARN_PLUGIN_MODULE, &error);
        m_host.UnloadModule("TarnArx", &error);
        const std::u16string file =
            platform::ToWindowsPath(m_host.Options().localAppDataFolder + "/TarnArx_setting.ini");
        BYTE record[160] = {};
        GetPrivateProfileStructW(u"TarnArx", u"ini", record, sizeof record, file.c_str());
        record[65] = 1;
        WritePrivateProfileStructW(u"TarnArx", u"ini", record, sizeof record, file.c_str());
        m_loaded = m_host.LoadModule(TARN_PLUGIN_MODULE, &error);
        Settle();
    }
    ~BaseMapHost() {
        m_host.Stop();
        platform::SetScreenSize(1920, 1080);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    bool Loaded() const { return m_loaded; }

    void Pan() {
        ++m_pans;
        const double x = kRefX + 200000.0 * m_pans, y = kRefY;
        const double hw = 800 * Resolution(15), hh = 450 * Resolution(15);
        char line[256];
        std::snprintf(line, sizeof line, "ZOOM %.6f,%.6f %.6f,%.6f", x - hw, y - hh, x + hw, y + hh);
        m_host.Run(line);
    }
    // The view tracking notices, the tiles are asked for, rendered and inserted. The map application's own
    // records (every message, request and file) are counted and let go: they live in its process, not the
    // host's, and would otherwise grow with the tiles here.
    void Settle() {
        for (int i = 0; i < 3; ++i) {
            m_host.Wait(500);
        }
        m_filesWritten += m_host.MapSim().WrittenFiles().size();
        m_host.MapSim().ForgetWrittenFiles();
        m_host.MapSim().ClearRecords();
    }
    size_t FilesWritten() const { return m_filesWritten; }
    tarnhost::Host& Host() { return m_host; }

private:
    std::string m_dir;
    tarnhost::Host m_host;
    bool m_loaded = false;
    int m_pans = 0;
    size_t m_filesWritten = 0;
};

int EntitiesOf(int64_t code) {
    return code == 0 ? 0 : code == 1 ? 10000 : 100000;
}

void BM_ViewToCovered(benchmark::State& state, int screen, int64_t drawing) {
    BaseMapHost setup(screen, EntitiesOf(drawing));
    if (!setup.Loaded()) {
        state.SkipWithError("the plug-in did not load");
        return;
    }
    size_t tiles = 0;
    for (auto _ : state) {
        const size_t before = setup.FilesWritten();
        setup.Pan();
        setup.Settle();
        tiles += setup.FilesWritten() - before;
    }
    state.counters["tiles"] =
        benchmark::Counter(static_cast<double>(tiles), benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(static_cast<int64_t>(tiles));
}

// One tile's parts in a drawing of its own: the PNG written by the map application, its definition loaded
// (decode), the image inserted at the bottom of the draw order (insert), and a move to the bottom alone.
class TileParts {
public:
    TileParts(uint32_t pixels, int entities) {
        m_dir = TempFolder("tileparts");
        m_doc = platform::NewDocument(platform::ToWindowsPath(m_dir + "/parts.dwg"));
        acDocManager->lockDocument(m_doc);
        for (int i = 0; i < entities; ++i) {
            tarnhost::AppendToModelSpace(new AcDbPoint(AcGePoint3d(i % 1000, i / 1000, 0)));
        }
        mapsim::PictureMark mark;
        mark.width = mark.height = pixels;
        mark.level = 15;
        mark.mapId = 1;
        m_path = m_dir + "/tile.png";
        mapsim::WritePngFile(m_path, mapsim::MakePicture(mark));
        m_windowsPath = platform::ToWindowsPath(m_path).c_str();
        m_layer = AcDbObjectId();
    }
    ~TileParts() {
        acDocManager->unlockDocument(m_doc);
        platform::CloseAllDocuments();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    const CString& Path() const { return m_windowsPath; }
    AcDbObjectId Layer() {
        if (m_layer.isNull()) {
            m_layer = acdbHostApplicationServices()->workingDatabase()->clayer();
        }
        return m_layer;
    }

private:
    std::string m_dir;
    std::string m_path;
    CString m_windowsPath;
    AcApDocument* m_doc = nullptr;
    AcDbObjectId m_layer;
};

void BM_TileDecode(benchmark::State& state, uint32_t pixels) {
    TileParts parts(pixels, 0);
    for (auto _ : state) {
        auto* def = new AcDbRasterImageDef();
        def->setSourceFileName(parts.Path());
        benchmark::DoNotOptimize(def->load());
        delete def;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TileInsert(benchmark::State& state, uint32_t pixels, int64_t drawing) {
    TileParts parts(pixels, EntitiesOf(drawing));
    int n = 0;
    for (auto _ : state) {
        CString name;
        name.Format(u"%d", ++n);
        AcDbObjectId image;
        InsertIMGFile(image, parts.Layer(), parts.Path(), name, AcGePoint2d(n, 0), AcGePoint2d(n + 1, 1));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DrawOrderMove(benchmark::State& state, int64_t drawing) {
    TileParts parts(256, EntitiesOf(drawing));
    AcDbObjectId image;
    InsertIMGFile(image, parts.Layer(), parts.Path(), u"1", AcGePoint2d(0, 0), AcGePoint2d(1, 1));
    AcDbBlockTable* table = nullptr;
    acdbHostApplicationServices()->workingDatabase()->getBlockTable(table, AcDb::kForRead);
    AcDbBlockTableRecord* model = nullptr;
    table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead);
    table->close();
    AcDbObjectIdArray ids;
    ids.append(image);
    for (auto _ : state) {
        AcDbSortentsTable* sortents = GetSortentsTable(model);
        if (sortents != nullptr) {
            benchmark::DoNotOptimize(sortents->moveToBottom(ids));
            sortents->close();
        }
    }
    model->close();
    state.SetItemsProcessed(state.iterations());
}

// The layout's work per grid cell: the visiting order, the tile's path and key, the lookup among the known
// files (half of them known).
void BM_LayoutCells(benchmark::State& state) {
    const int32_t half = static_cast<int32_t>(state.range(0));
    std::map<uint64_t, CString> known;
    for (const TileIndex& t : RingOrder(half, half)) {
        if ((t.col + t.row) % 2 == 0) {
            const CString path = TilePath(u"C:\\cache\\MapTemp\\4673654182620523187", 1, 15, t.col, t.row);
            known[StringKey63(path)] = path;
        }
    }
    size_t cells = 0;
    for (auto _ : state) {
        size_t found = 0;
        for (const TileIndex& t : RingOrder(half, half)) {
            const CString path =
                TilePath(u"C:\\cache\\MapTemp\\4673654182620523187", 1, 15, 100 + t.col, t.row);
            found += known.count(StringKey63(path));
            ++cells;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(static_cast<int64_t>(cells));
}

// Pans over new ground until `tiles` tiles have been written, printing the peak resident memory after a tenth
// of them and after all: the base map keeps only the tiles in view, so the peak must not grow with the tiles
// handled. Runs first, before any benchmark has grown the heap.
void PanMemory(size_t tiles) {
    if (tiles == 0) {
        return;
    }
    BaseMapHost setup(1400, 0);
    if (!setup.Loaded()) {
        std::printf("pan memory: the plug-in did not load\n");
        return;
    }
    const size_t first = tiles / 10;
    double peakFirst = 0.0;
    const size_t start = setup.FilesWritten();
    size_t pans = 0;
    while (setup.FilesWritten() - start < tiles) {
        setup.Pan();
        setup.Settle();
        if (++pans > tiles) {
            std::printf("pan memory: no tiles written\n");
            return;
        }
        if (peakFirst == 0.0 && setup.FilesWritten() - start >= first) {
            peakFirst = tarnbench::PeakResidentMiB();
        }
    }
    const double peakAll = tarnbench::PeakResidentMiB();
    const double ratio = peakFirst > 0.0 ? peakAll / peakFirst : 0.0;
    char what[200];
    std::snprintf(what, sizeof what,
                  "memory pan %zuk tiles: peak %.1f MiB at %zuk tiles, %.1f MiB at %zuk, %.3fx", tiles / 1000,
                  peakFirst, first / 1000, peakAll, tiles / 1000, ratio);
    tarnbench::PrintGoal(what, "at most 1.10x", ratio > 0.0 && ratio <= 1.10);
}

// Names without arguments, so that each "tarn" run (100k entities) pairs with its "empty" one.
void Register() {
    const std::pair<int, const char*> screens[] = {{1400, "256px"}, {1920, "512px"}, {3200, "1024px"}};
    const std::pair<int64_t, const char*> drawings[] = {{0, "empty"}, {1, "10k"}, {2, "tarn"}};
    for (const auto& [screen, px] : screens) {
        for (const auto& [code, name] : drawings) {
            const std::string label = std::string("view_to_covered_") + px + "/" + name;
            benchmark::RegisterBenchmark(label.c_str(), BM_ViewToCovered, screen, code)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
        }
    }
    for (uint32_t pixels : {256u, 512u, 1024u}) {
        const std::string decode = "tile_decode_" + std::to_string(pixels) + "px";
        benchmark::RegisterBenchmark(decode.c_str(), BM_TileDecode, pixels)->Unit(benchmark::kMicrosecond);
        for (const auto& [code, name] : drawings) {
            const std::string insert = "tile_insert_" + std::to_string(pixels) + "px/" + name;
            benchmark::RegisterBenchmark(insert.c_str(), BM_TileInsert, pixels, code)
                ->Unit(benchmark::kMicrosecond)
                ->Iterations(50);
        }
    }
    for (const auto& [code, name] : drawings) {
        const std::string move = std::string("draw_order_move/") + name;
        benchmark::RegisterBenchmark(move.c_str(), BM_DrawOrderMove, code)->Unit(benchmark::kMicrosecond);
    }
    for (int half : {1, 3, 7, 15, 30}) {
        benchmark::RegisterBenchmark("layout_cells", BM_LayoutCells)
            ->Arg(half)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    platform::clock::UseVirtual(true);
    // --pan_tiles=N: the tiles the memory row pans over (0 leaves it out).
    size_t panTiles = 10000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--pan_tiles=", 12) == 0) {
            panTiles = std::strtoul(argv[i] + 12, nullptr, 10);
            for (int j = i; j + 1 < argc; ++j) {
                argv[j] = argv[j + 1];
            }
            --argc;
            --i;
        }
    }
    PanMemory(panTiles);
    Register();
    // A tile in a drawing of 100k entities should cost about what it costs in an empty one.
    return tarnbench::RunWithRatios(argc, argv, {"empty"}, tarnbench::Compare::kTime, 1.5);
}
