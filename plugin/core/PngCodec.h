// PNG decoding and encoding through libpng. libpng reports errors by a long jump; the jumps stay inside
// plain C-style functions of PngCodec.cpp that hold no C++ objects, and come out of this module as statuses.
// Sizes are capped: a picture whose header claims more than the cap is refused before anything is allocated.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/mfc/cstring.h"

enum PngStatus {
    PNG_STATUS_OK = 0,
    PNG_STATUS_EMPTY,      // no bytes
    PNG_STATUS_NOT_PNG,    // no PNG signature
    PNG_STATUS_CORRUPT,    // truncated or damaged data, or anything else libpng refuses
    PNG_STATUS_TOO_LARGE,  // wider, higher or with more pixels than the cap
    PNG_STATUS_NO_MEMORY,
    PNG_STATUS_WRITE_FAILED
};

// A decoded picture: RGB rows (the top row first) and, when the PNG has transparency (an alpha channel or
// a transparent colour), an alpha plane of one byte a pixel. Palette and grey pictures are expanded to RGB
// and 16-bit channels cut to 8. m_nBpp tells what the PNG held: 32 for an alpha channel, 24 otherwise.
struct CPngImage {
    UINT m_nWidth = 0;
    UINT m_nHeight = 0;
    int m_nBpp = 0;
    UINT m_nStride = 0;         // bytes of one RGB row (width * 3)
    std::vector<BYTE> m_rgb;    // m_nHeight * m_nStride
    std::vector<BYTE> m_alpha;  // m_nWidth * m_nHeight, or empty
};

// The cap on pictures: each side and the pixel count.
constexpr UINT kMaxPngSide = 16384;
constexpr unsigned long long kMaxPngPixels = 1ull << 26;

PngStatus DecodePng(const void* data, size_t size, CPngImage& image);
// RGB, or RGBA when the image has an alpha plane.
PngStatus EncodePng(const CPngImage& image, std::vector<BYTE>& png);
// Writes the PNG through a temporary file beside it, so that a failed write leaves no half file.
PngStatus WritePngFile(const CString& path, const std::vector<BYTE>& png);
