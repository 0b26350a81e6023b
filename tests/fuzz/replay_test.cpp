// Replays every input the fuzz targets keep (the seeds and every input that ever found a fault) through the
// targets' own entry points, built with the normal compiler.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/entries/entries.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(folder, ec)) {
        if (item.is_regular_file()) {
            files.push_back(item.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Replay(const tarnfuzz::Entry& entry, const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A block of exactly the input's size, as the engine hands it over.
    std::vector<std::uint8_t> block(bytes.begin(), bytes.end());
    block.shrink_to_fit();
    return entry.run(block.data(), block.size());
}

TEST(FuzzReplay, EveryKeptInputPassesItsTarget) {
    size_t replayed = 0;
    for (const tarnfuzz::Entry& entry : tarnfuzz::Entries()) {
        const fs::path seeds = fs::path(TARN_SOURCE_DIR) / "fuzz" / "corpus" / entry.name;
        EXPECT_FALSE(FilesIn(seeds).empty()) << entry.name << " has no seed corpus";
        for (const char* kind : {"corpus", "regress"}) {
            for (const fs::path& file : FilesIn(fs::path(TARN_SOURCE_DIR) / "fuzz" / kind / entry.name)) {
                EXPECT_EQ(Replay(entry, file), "") << file;
                ++replayed;
            }
        }
    }
    EXPECT_GT(replayed, 0u);
}

TEST(FuzzReplay, EmptyAndOneByteInputsAreHarmless) {
    for (const tarnfuzz::Entry& entry : tarnfuzz::Entries()) {
        for (int b = 0; b < 256; b += 17) {
            const std::uint8_t byte = static_cast<std::uint8_t>(b);
            EXPECT_EQ(entry.run(&byte, 1), "") << entry.name << " " << b;
        }
        EXPECT_EQ(entry.run(nullptr, 0), "") << entry.name;
    }
}

}  // namespace
