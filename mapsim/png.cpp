#include "mapsim/png.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win32/core/paths.h"
#include "platform/win32/sys/sys_api.h"

namespace mapsim {

namespace {

constexpr uint8_t kMagic[3] = {'T', 'R', 'N'};
constexpr size_t kMarkBytes = kMarkPixels * 3;

Bytes MarkBytes(const PictureMark& m) {
    Bytes b;
    PutBytes(b, 0, kMagic, 3);
    Put<uint8_t>(b, 3, m.hasTile ? 1 : 0);
    Put<uint32_t>(b, 4, m.mapId);
    Put<uint32_t>(b, 8, m.level);
    Put<uint32_t>(b, 12, m.width);
    Put<uint32_t>(b, 16, m.height);
    Put<uint64_t>(b, 20, m.id);
    Put<double>(b, 28, m.minX);
    Put<double>(b, 36, m.minY);
    Put<double>(b, 44, m.maxX);
    Put<double>(b, 52, m.maxY);
    Put<int32_t>(b, 60, m.col);
    Put<int32_t>(b, 64, m.row);
    b.resize(kMarkBytes, 0);
    return b;
}

bool ParseInt(const std::string& text, int32_t* value) {
    if (text.empty() || text.size() > 11) {
        return false;
    }
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < INT32_MIN || v > INT32_MAX) {
        return false;
    }
    *value = static_cast<int32_t>(v);
    return true;
}

}  // namespace

bool TileFromPath(const std::string& path, int32_t* col, int32_t* row) {
    const size_t slash = path.find_last_of("\\/");
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".png") != 0) {
        return false;
    }
    name.resize(name.size() - 4);
    // The column may be negative, so the separator is the last '_' not at the start.
    const size_t sep = name.find('_', 1);
    if (sep == std::string::npos) {
        return false;
    }
    return ParseInt(name.substr(0, sep), col) && ParseInt(name.substr(sep + 1), row);
}

Image MakePicture(const PictureMark& mark) {
    Image image;
    image.width = mark.width;
    image.height = mark.height;
    image.rgba.assign(static_cast<size_t>(mark.width) * mark.height * 4, 0);
    // A flat colour per map and level, so that tiles of different levels look different in the demo.
    const uint8_t r = static_cast<uint8_t>(80 + (mark.level * 37) % 160);
    const uint8_t g = static_cast<uint8_t>(80 + (mark.mapId * 53) % 160);
    const uint8_t b = static_cast<uint8_t>(200 - (mark.level * 11) % 120);
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            const bool border = x == 0 || y == 0 || x + 1 == image.width || y + 1 == image.height;
            uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
            p[0] = border ? r / 2 : r;
            p[1] = border ? g / 2 : g;
            p[2] = border ? b / 2 : b;
            p[3] = 255;
        }
    }
    if (static_cast<uint64_t>(image.width) * image.height >= kMarkPixels) {
        const Bytes data = MarkBytes(mark);
        for (size_t i = 0; i < kMarkPixels; ++i) {
            uint8_t* p = &image.rgba[i * 4];
            p[0] = data[i * 3];
            p[1] = data[i * 3 + 1];
            p[2] = data[i * 3 + 2];
            p[3] = 255;
        }
    }
    return image;
}

std::optional<PictureMark> ReadMark(const Image& image) {
    if (static_cast<uint64_t>(image.width) * image.height < kMarkPixels ||
        image.rgba.size() < kMarkPixels * 4) {
        return std::nullopt;
    }
    Bytes b(kMarkBytes);
    for (size_t i = 0; i < kMarkPixels; ++i) {
        b[i * 3] = image.rgba[i * 4];
        b[i * 3 + 1] = image.rgba[i * 4 + 1];
        b[i * 3 + 2] = image.rgba[i * 4 + 2];
    }
    if (b[0] != kMagic[0] || b[1] != kMagic[1] || b[2] != kMagic[2]) {
        return std::nullopt;
    }
    PictureMark m;
    m.hasTile = b[3] != 0;
    m.mapId = Get<uint32_t>(b, 4);
    m.level = Get<uint32_t>(b, 8);
    m.width = Get<uint32_t>(b, 12);
    m.height = Get<uint32_t>(b, 16);
    m.id = Get<uint64_t>(b, 20);
    m.minX = Get<double>(b, 28);
    m.minY = Get<double>(b, 36);
    m.maxX = Get<double>(b, 44);
    m.maxY = Get<double>(b, 52);
    m.col = Get<int32_t>(b, 60);
    m.row = Get<int32_t>(b, 64);
    return m;
}

bool EncodePng(const Image& image, Bytes* png) {
    if (image.width == 0 || image.height == 0 ||
        image.rgba.size() != static_cast<size_t>(image.width) * image.height * 4) {
        return false;
    }
    png_image info{};
    info.version = PNG_IMAGE_VERSION;
    info.width = image.width;
    info.height = image.height;
    info.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&info, nullptr, &size, 0, image.rgba.data(), 0, nullptr)) {
        png_image_free(&info);
        return false;
    }
    png->assign(size, 0);
    if (!png_image_write_to_memory(&info, png->data(), &size, 0, image.rgba.data(), 0, nullptr)) {
        png_image_free(&info);
        return false;
    }
    png->resize(size);
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, Image* image) {
    png_image info{};
    info.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&info, data, size)) {
        return false;
    }
    info.format = PNG_FORMAT_RGBA;
    image->width = info.width;
    image->height = info.height;
    image->rgba.assign(PNG_IMAGE_SIZE(info), 0);
    if (!png_image_finish_read(&info, nullptr, image->rgba.data(), 0, nullptr)) {
        png_image_free(&info);
        return false;
    }
    return true;
}

bool WritePngFile(const std::string& hostPath, const Image& image) {
    Bytes png;
    if (!EncodePng(image, &png)) {
        return false;
    }
    // Opened as the stand-in opens files, so that injected file faults (a full disk) reach the map
    // application's writes as well.
    FILE* file = _wfopen(platform::ToWindowsPath(hostPath).c_str(), u"wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(hostPath.c_str());  // never leave half a picture that looks like a delivered tile
        return false;
    }
    return true;
}

bool ReadPngFile(const std::string& hostPath, Image* image) {
    FILE* file = std::fopen(hostPath.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    Bytes bytes;
    uint8_t chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    std::fclose(file);
    return DecodePng(bytes.data(), bytes.size(), image);
}

}  // namespace mapsim
