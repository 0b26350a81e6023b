// PNG loading: the plug-in's decoder on the input as it comes and again with its chunks' sums made right (so
// that changed bytes reach past the sum check), and the raster-image definition reading the mended bytes as
// its file. A picture accepted has the size it claims, within the cap, and encodes and decodes back to the
// same pixels.
#include <zlib.h>

#include <cstring>

#include "fuzz/entries/entries.h"
#include "fuzz/entries/files.h"
#include "platform/arx/acdb/dbrasterimagedef.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/testhooks.h"
#include "plugin/core/PngCodec.h"

namespace tarnfuzz {

namespace {

std::string CheckImage(const CPngImage& image) {
    if (image.m_nWidth == 0 || image.m_nHeight == 0 || image.m_nWidth > kMaxPngSide ||
        image.m_nHeight > kMaxPngSide ||
        static_cast<unsigned long long>(image.m_nWidth) * image.m_nHeight > kMaxPngPixels) {
        return "a picture outside the cap was accepted";
    }
    const size_t pixels = size_t(image.m_nWidth) * image.m_nHeight;
    if (image.m_nStride != image.m_nWidth * 3 ||
        image.m_rgb.size() != size_t(image.m_nStride) * image.m_nHeight) {
        return "the rows do not match the size";
    }
    if (!image.m_alpha.empty() && image.m_alpha.size() != pixels) {
        return "the alpha plane does not match the size";
    }
    if (image.m_nBpp != 24 && image.m_nBpp != 32) {
        return "an unknown depth";
    }
    return {};
}

// The bytes with the sum of every whole chunk after the signature made right.
std::vector<std::uint8_t> WithChunkSums(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    for (size_t at = 8; at + 12 <= bytes.size();) {
        const std::uint32_t length = (std::uint32_t(bytes[at]) << 24) | (std::uint32_t(bytes[at + 1]) << 16) |
                                     (std::uint32_t(bytes[at + 2]) << 8) | bytes[at + 3];
        if (length > bytes.size() - at - 12) {
            break;
        }
        const uLong sum = crc32(0L, bytes.data() + at + 4, static_cast<uInt>(length + 4));
        std::uint8_t* out = bytes.data() + at + 8 + length;
        out[0] = static_cast<std::uint8_t>(sum >> 24);
        out[1] = static_cast<std::uint8_t>(sum >> 16);
        out[2] = static_cast<std::uint8_t>(sum >> 8);
        out[3] = static_cast<std::uint8_t>(sum);
        at += 12 + length;
    }
    bytes.shrink_to_fit();
    return bytes;
}

std::string Decode(const std::uint8_t* data, std::size_t size) {
    std::string problem;
    CPngImage image;
    const PngStatus status = DecodePng(data, size, image);
    if (status == PNG_STATUS_OK) {
        problem = CheckImage(image);
        if (problem.empty() && size_t(image.m_nWidth) * image.m_nHeight <= (1u << 20)) {
            std::vector<BYTE> png;
            CPngImage again;
            if (EncodePng(image, png) != PNG_STATUS_OK ||
                DecodePng(png.data(), png.size(), again) != PNG_STATUS_OK) {
                problem = "a decoded picture does not encode and decode again";
            } else if (again.m_nWidth != image.m_nWidth || again.m_nHeight != image.m_nHeight ||
                       again.m_rgb != image.m_rgb || again.m_alpha != image.m_alpha) {
                problem = "a picture changed on its way through the encoder";
            }
        }
    } else if (status != PNG_STATUS_EMPTY && status != PNG_STATUS_NOT_PNG && status != PNG_STATUS_CORRUPT &&
               status != PNG_STATUS_TOO_LARGE && status != PNG_STATUS_NO_MEMORY) {
        problem = "a decode failed with a status of the writer";
    }
    return problem;
}

}  // namespace

std::string RunPngLoading(const std::uint8_t* data, std::size_t size) {
    std::string problem = Decode(data, size);
    if (!problem.empty()) {
        return problem;
    }
    const std::vector<std::uint8_t> mended = WithChunkSums(data, size);
    problem = Decode(mended.data(), mended.size());
    if (!problem.empty()) {
        return problem;
    }
    const std::string path = WriteScratchFile("fuzz.png", mended.data(), mended.size());
    if (path.empty()) {
        return {};
    }
    const std::u16string file = platform::ToWindowsPath(path);
    auto* def = new AcDbRasterImageDef();
    if (def->setSourceFileName(file.c_str()) == Acad::eOk) {
        const Acad::ErrorStatus loaded = def->load();
        if (loaded == Acad::eOk) {
            if (!def->isLoaded() || def->size().x <= 0 || def->size().y <= 0) {
                problem = "a definition loaded without a picture";
            }
        } else if (def->isLoaded()) {
            problem = "a failed load left the definition loaded";
        }
    }
    delete def;
    platform::ResetAll();
    return problem;
}

}  // namespace tarnfuzz
