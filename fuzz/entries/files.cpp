#include "fuzz/entries/files.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tarnfuzz {

std::string WriteScratchFile(const char* name, const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = [] {
        std::error_code ec;
        auto base = std::filesystem::temp_directory_path(ec);
        auto path = (ec ? std::filesystem::path("/tmp") : base) /
                    ("tarn-fuzz-" + std::to_string(static_cast<long>(::getpid())));
        std::filesystem::create_directories(path, ec);
        return path;
    }();
    const std::filesystem::path path = folder / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return out ? path.string() : std::string();
}

}  // namespace tarnfuzz
