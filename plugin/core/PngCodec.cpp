#include "plugin/core/PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/win32/windows.h"

namespace {

// Ancillary chunks larger than this are not pictures we make or take.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

// ---- plain C from here to the end of EncodeRaw: long jumps land in these frames only ----

struct ReadState {
    const unsigned char* data;
    size_t size;
    size_t offset;
    png_uint_32 width;
    png_uint_32 height;
    int colorType;
    int hasAlpha;         // an alpha channel, or a transparent colour
    unsigned char* rgba;  // malloc'ed, width * height * 4
    png_bytep* rows;      // malloc'ed row pointers into rgba
    int status;
};

void ReadData(png_structp png, png_bytep out, size_t count) {
    ReadState* s = static_cast<ReadState*>(png_get_io_ptr(png));
    if (count > s->size - s->offset) {
        png_error(png, "truncated");
    }
    std::memcpy(out, s->data + s->offset, count);
    s->offset += count;
}

void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void DecodeRaw(ReadState* s) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, s, OnError, OnWarning);
    if (png == nullptr) {
        s->status = PNG_STATUS_NO_MEMORY;
        return;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        s->status = PNG_STATUS_NO_MEMORY;
        return;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::free(s->rows);
        std::free(s->rgba);
        s->rows = nullptr;
        s->rgba = nullptr;
        if (s->status == PNG_STATUS_OK) {
            s->status = PNG_STATUS_CORRUPT;
        }
        return;
    }
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_read_fn(png, s, ReadData);
    png_read_info(png, info);
    s->width = png_get_image_width(png, info);
    s->height = png_get_image_height(png, info);
    s->colorType = png_get_color_type(png, info);
    const int trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    s->hasAlpha = (s->colorType & PNG_COLOR_MASK_ALPHA) != 0 || trns;
    // The header's claim is checked before anything of that size is made.
    if (s->width > kMaxPngSide || s->height > kMaxPngSide ||
        static_cast<unsigned long long>(s->width) * s->height > kMaxPngPixels) {
        s->status = PNG_STATUS_TOO_LARGE;
        png_error(png, "too large");
    }
    // Everything becomes 8-bit RGBA: palettes and grey expanded, a transparent colour turned into alpha.
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    if (!s->hasAlpha) {
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(s->width) * 4) {
        png_error(png, "unexpected layout");
    }
    s->rgba = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(s->width) * s->height * 4));
    s->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * s->height));
    if (s->rgba == nullptr || s->rows == nullptr) {
        s->status = PNG_STATUS_NO_MEMORY;
        png_error(png, "out of memory");
    }
    for (png_uint_32 y = 0; y < s->height; ++y) {
        s->rows[y] = s->rgba + static_cast<size_t>(y) * s->width * 4;
    }
    png_read_image(png, s->rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(s->rows);
    s->rows = nullptr;
    s->status = PNG_STATUS_OK;
}

struct WriteState {
    const unsigned char* pixels;  // rows top first, channels bytes a pixel
    png_uint_32 width;
    png_uint_32 height;
    int channels;
    unsigned char* out;  // malloc'ed
    size_t size;
    size_t capacity;
    png_bytep* rows;
    int status;
};

void WriteData(png_structp png, png_bytep data, size_t count) {
    WriteState* s = static_cast<WriteState*>(png_get_io_ptr(png));
    if (count > s->capacity - s->size) {
        size_t capacity = s->capacity != 0 ? s->capacity : 4096;
        while (count > capacity - s->size) {
            capacity *= 2;
        }
        unsigned char* grown = static_cast<unsigned char*>(std::realloc(s->out, capacity));
        if (grown == nullptr) {
            s->status = PNG_STATUS_NO_MEMORY;
            png_error(png, "out of memory");
        }
        s->out = grown;
        s->capacity = capacity;
    }
    std::memcpy(s->out + s->size, data, count);
    s->size += count;
}

void FlushData(png_structp) {}

void EncodeRaw(WriteState* s) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, s, OnError, OnWarning);
    if (png == nullptr) {
        s->status = PNG_STATUS_NO_MEMORY;
        return;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        s->status = PNG_STATUS_NO_MEMORY;
        return;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::free(s->rows);
        s->rows = nullptr;
        if (s->status == PNG_STATUS_OK) {
            s->status = PNG_STATUS_WRITE_FAILED;
        }
        return;
    }
    png_set_write_fn(png, s, WriteData, FlushData);
    png_set_IHDR(png, info, s->width, s->height, 8,
                 s->channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    s->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * s->height));
    if (s->rows == nullptr) {
        s->status = PNG_STATUS_NO_MEMORY;
        png_error(png, "out of memory");
    }
    for (png_uint_32 y = 0; y < s->height; ++y) {
        s->rows[y] = const_cast<png_bytep>(s->pixels + static_cast<size_t>(y) * s->width * s->channels);
    }
    png_write_info(png, info);
    png_write_image(png, s->rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::free(s->rows);
    s->rows = nullptr;
    s->status = PNG_STATUS_OK;
}

// ---- end of the plain C part ----

}  // namespace

PngStatus DecodePng(const void* data, size_t size, CPngImage& image) {
    image = CPngImage();
    if (data == nullptr || size == 0) {
        return PNG_STATUS_EMPTY;
    }
    if (size < 8 || png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) {
        return PNG_STATUS_NOT_PNG;
    }
    ReadState s;
    std::memset(&s, 0, sizeof s);
    s.data = static_cast<const unsigned char*>(data);
    s.size = size;
    DecodeRaw(&s);
    if (s.status != PNG_STATUS_OK) {
        return static_cast<PngStatus>(s.status);
    }
    const size_t pixels = static_cast<size_t>(s.width) * s.height;
    try {
        image.m_rgb.resize(pixels * 3);
        if (s.hasAlpha) {
            image.m_alpha.resize(pixels);
        }
    } catch (...) {
        std::free(s.rgba);
        image = CPngImage();
        return PNG_STATUS_NO_MEMORY;
    }
    const unsigned char* from = s.rgba;
    BYTE* rgb = image.m_rgb.data();
    for (size_t i = 0; i < pixels; ++i, from += 4, rgb += 3) {
        rgb[0] = from[0];
        rgb[1] = from[1];
        rgb[2] = from[2];
        if (s.hasAlpha) {
            image.m_alpha[i] = from[3];
        }
    }
    std::free(s.rgba);
    image.m_nWidth = s.width;
    image.m_nHeight = s.height;
    image.m_nBpp = (s.colorType & PNG_COLOR_MASK_ALPHA) != 0 ? 32 : 24;
    image.m_nStride = s.width * 3;
    return PNG_STATUS_OK;
}

PngStatus EncodePng(const CPngImage& image, std::vector<BYTE>& png) {
    png.clear();
    const size_t pixels = static_cast<size_t>(image.m_nWidth) * image.m_nHeight;
    if (pixels == 0 || image.m_nWidth > kMaxPngSide || image.m_nHeight > kMaxPngSide ||
        pixels > kMaxPngPixels || image.m_rgb.size() != pixels * 3 ||
        (!image.m_alpha.empty() && image.m_alpha.size() != pixels)) {
        return PNG_STATUS_WRITE_FAILED;
    }
    std::vector<BYTE> rgba;
    const bool alpha = !image.m_alpha.empty();
    if (alpha) {
        rgba.resize(pixels * 4);
        for (size_t i = 0; i < pixels; ++i) {
            std::memcpy(&rgba[i * 4], &image.m_rgb[i * 3], 3);
            rgba[i * 4 + 3] = image.m_alpha[i];
        }
    }
    WriteState s;
    std::memset(&s, 0, sizeof s);
    s.pixels = alpha ? rgba.data() : image.m_rgb.data();
    s.width = image.m_nWidth;
    s.height = image.m_nHeight;
    s.channels = alpha ? 4 : 3;
    EncodeRaw(&s);
    if (s.status == PNG_STATUS_OK) {
        png.assign(s.out, s.out + s.size);
    }
    std::free(s.out);
    return static_cast<PngStatus>(s.status);
}

PngStatus WritePngFile(const CString& path, const std::vector<BYTE>& png) {
    if (path.IsEmpty() || png.empty()) {
        return PNG_STATUS_WRITE_FAILED;
    }
    const CString temp = path + _T(".tmp");
    FILE* file = _wfopen(temp, _T("wb"));
    if (file == nullptr) {
        return PNG_STATUS_WRITE_FAILED;
    }
    bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    ok = std::fclose(file) == 0 && ok;
    if (ok) {
        DeleteFileW(path);
        ok = MoveFileW(temp, path) != FALSE;
    }
    if (!ok) {
        DeleteFileW(temp);
        return PNG_STATUS_WRITE_FAILED;
    }
    return PNG_STATUS_OK;
}
