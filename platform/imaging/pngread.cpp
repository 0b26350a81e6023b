#include "platform/imaging/pngread.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/imaging/rgbaimage.h"
#include "platform/win32/core/paths.h"

namespace platform::imaging {

namespace {

// Files above this size are not pictures the module would load.
constexpr long kMaxFileBytes = 256L << 20;

PngFileStatus ReadWholeFile(const std::string& hostPath, std::vector<unsigned char>& bytes,
                            std::string& error) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(hostPath.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = "cannot open the file";
        return PngFileStatus::kMissing;
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        error = "cannot read the file";
        return PngFileStatus::kDamaged;
    }
    const long size = std::ftell(file.get());
    if (size <= 0 || size > kMaxFileBytes) {
        error = size == 0 ? "empty file" : "file too large or unreadable";
        return PngFileStatus::kDamaged;
    }
    std::rewind(file.get());
    bytes.resize(static_cast<size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        error = "cannot read the file";
        return PngFileStatus::kDamaged;
    }
    return PngFileStatus::kOk;
}

}  // namespace

PngFileStatus DecodePngFile(const std::u16string& path, PngInfo& info, std::string& error) {
    info = PngInfo();
    std::string hostPath;
    if (!ToHostPath(path, hostPath)) {
        error = "not a path of this machine";
        return PngFileStatus::kMissing;
    }
    std::vector<unsigned char> bytes;
    if (const PngFileStatus read = ReadWholeFile(hostPath, bytes, error); read != PngFileStatus::kOk) {
        return read;
    }
    // libpng's simplified reader keeps its own error jumps inside the library.
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
        error = image.message;
        png_image_free(&image);
        return PngFileStatus::kDamaged;
    }
    if (image.width == 0 || image.height == 0 ||
        image.width > static_cast<png_uint_32>(Atil::kMaxImageSide) ||
        image.height > static_cast<png_uint_32>(Atil::kMaxImageSide) ||
        std::int64_t{image.width} * image.height > Atil::kMaxImagePixels) {
        error = "image too large";
        png_image_free(&image);
        return PngFileStatus::kDamaged;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> pixels;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        error = image.message;
        png_image_free(&image);
        return PngFileStatus::kDamaged;
    }
    info.width = static_cast<int>(image.width);
    info.height = static_cast<int>(image.height);
    return PngFileStatus::kOk;
}

}  // namespace platform::imaging
