// How the raster-image module reads a picture file: the whole PNG is decoded (so that a damaged file is found
// when it is loaded, not when it is drawn) and its size in pixels kept.
#pragma once

#include <cstdint>
#include <string>

namespace platform::imaging {

struct PngInfo {
    int width = 0;
    int height = 0;
};

enum class PngFileStatus { kOk, kMissing, kDamaged };

// Decodes a PNG file (Windows or POSIX path). kMissing for a file that cannot be opened; kDamaged for an
// empty, truncated or corrupt file and for one larger than an RGBA image may be (Atil limits); error says
// why.
PngFileStatus DecodePngFile(const std::u16string& path, PngInfo& info, std::string& error);

}  // namespace platform::imaging
