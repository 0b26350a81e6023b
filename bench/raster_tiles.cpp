// Map tiles into the drawing: 100 PNG tiles of 256 x 256 decoded and inserted as raster images at the bottom
// of the draw order, against a bare libpng decode of the same files in the same run (the goal: the insertion
// within 1.5 times the bare decode's time).
#include <benchmark/benchmark.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/arx/arxheaders.h"
#include "platform/win32/core/paths.h"
#include "plugin/core/PngCodec.h"
#include "plugin/core/RasterImage.h"
#include "ratio.h"

namespace {

constexpr int kTiles = 100;
constexpr UINT kTilePixels = 256;

// Tiles that compress as map tiles do: flat areas, roads and a grid, each tile a little different.
std::vector<std::string> MakeTiles() {
    static std::vector<std::string> paths;
    if (!paths.empty()) {
        return paths;
    }
    // The tiles go with the process.
    static struct Folder {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("tarn_bench_tiles_" + std::to_string(getpid()));
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } tiles;
    const std::filesystem::path& folder = tiles.path;
    std::filesystem::create_directories(folder);
    for (int t = 0; t < kTiles; ++t) {
        CPngImage image;
        image.m_nWidth = kTilePixels;
        image.m_nHeight = kTilePixels;
        image.m_nStride = kTilePixels * 3;
        image.m_rgb.resize(static_cast<size_t>(kTilePixels) * kTilePixels * 3);
        for (UINT y = 0; y < kTilePixels; ++y) {
            for (UINT x = 0; x < kTilePixels; ++x) {
                BYTE* p = &image.m_rgb[(static_cast<size_t>(y) * kTilePixels + x) * 3];
                const bool road = (x + y + t) % 61 < 4 || (x * 3 + t) % 97 < 3;
                const bool grid = x % 64 == 0 || y % 64 == 0;
                p[0] = road ? 250 : grid ? 200 : static_cast<BYTE>(230 - (x * y + t) % 17);
                p[1] = road ? 220 : grid ? 200 : static_cast<BYTE>(235 - (x + t) % 9);
                p[2] = road ? 160 : grid ? 200 : static_cast<BYTE>(220 - (y + t) % 13);
            }
        }
        std::vector<BYTE> png;
        if (EncodePng(image, png) != PNG_STATUS_OK) {
            std::abort();
        }
        const std::string path = (folder / (std::to_string(t) + ".png")).string();
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(png.data(), 1, png.size(), file);
        std::fclose(file);
        paths.push_back(path);
    }
    return paths;
}

void BM_BareLibpngDecode(benchmark::State& state) {
    const std::vector<std::string> paths = MakeTiles();
    std::vector<unsigned char> pixels(static_cast<size_t>(kTilePixels) * kTilePixels * 4);
    for (auto _ : state) {
        for (const std::string& path : paths) {
            png_image image{};
            image.version = PNG_IMAGE_VERSION;
            if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
                state.SkipWithError("decode failed");
                return;
            }
            image.format = PNG_FORMAT_RGBA;
            png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
            benchmark::DoNotOptimize(pixels.data());
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kTiles);
}

void BM_DecodeAndInsertTiles(benchmark::State& state) {
    const std::vector<std::string> paths = MakeTiles();
    std::vector<CString> windowsPaths;
    for (const std::string& path : paths) {
        windowsPaths.emplace_back(platform::ToWindowsPath(path).c_str());
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto* db = new AcDbDatabase();
        acdbHostApplicationServices()->setWorkingDatabase(db);
        const AcDbObjectId layer = db->layerZero();
        state.ResumeTiming();
        for (int t = 0; t < kTiles; ++t) {
            CString name;
            name.Format(_T("%d"), 1000 + t);
            const AcGePoint2d lowerLeft((t % 10) * 256.0, (t / 10) * 256.0);
            AcDbObjectId imageId;
            if (InsertIMGFile(imageId, layer, windowsPaths[static_cast<size_t>(t)], name, lowerLeft,
                              AcGePoint2d(lowerLeft.x + 256.0, lowerLeft.y + 256.0)) != Acad::eOk) {
                state.SkipWithError("insertion failed");
                break;
            }
        }
        state.PauseTiming();
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
        delete db;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kTiles);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("tiles100/tarn", BM_DecodeAndInsertTiles)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("tiles100/libpng", BM_BareLibpngDecode)->Unit(benchmark::kMillisecond);
    return tarnbench::RunWithRatios(argc, argv, {"libpng"}, tarnbench::Compare::kTime, 1.5);
}
