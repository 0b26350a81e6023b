// The simulated map's pictures: RGBA images written and read as PNG with libpng, and the mark that the first
// pixels of every picture carry so that a test can tell which request a file answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "mapsim/wire.h"

namespace mapsim {

struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    Bytes rgba;  // width * height * 4, rows top to bottom
};

// What a picture was made for. Column and row come from a file name of the form "<col>_<row>.png" (the
// tile naming of the plug-in's cache); both are 0 with hasTile false otherwise.
struct PictureMark {
    uint32_t mapId = 0;
    uint32_t level = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint64_t id = 0;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool hasTile = false;
    int32_t col = 0;
    int32_t row = 0;
};

// Pixels the mark needs (three data bytes a pixel); a smaller picture carries no mark.
inline constexpr uint32_t kMarkPixels = 28;

// A plain picture of the given size: a colour of the map id and level, a darker one-pixel border, the mark in
// its first pixels (row by row) when it has room for it.
Image MakePicture(const PictureMark& mark);

// Reads the mark back; nullopt when the first pixels do not hold one.
std::optional<PictureMark> ReadMark(const Image& image);

// Column and row from a path ending in "<col>_<row>.png" ('\\' or '/' separated).
bool TileFromPath(const std::string& path, int32_t* col, int32_t* row);

// PNG through libpng. Encoding fails (false) only when libpng does; decoding fails on anything but a valid
// 8-bit PNG, which it expands to RGBA.
bool EncodePng(const Image& image, Bytes* png);
bool DecodePng(const uint8_t* data, size_t size, Image* image);
bool WritePngFile(const std::string& hostPath, const Image& image);
bool ReadPngFile(const std::string& hostPath, Image* image);

}  // namespace mapsim
