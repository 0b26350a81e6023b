#include "platform/imaging/rgbaimage.h"

#include <cstring>
#include <new>

namespace Atil {

RgbaImage::RgbaImage(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
        std::int64_t{width} * height > kMaxImagePixels) {
        throw ATILException(u"Invalid image size.");
    }
    try {
        m_pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    } catch (const std::bad_alloc&) {
        throw ATILException(u"Out of memory for the image.");
    }
    m_size = Size{width, height};
}

void RgbaImage::setRow(int row, const std::uint8_t* rgba) {
    if (!isValid() || rgba == nullptr || row < 0 || row >= m_size.height) {
        throw ATILException(u"Row outside the image.");
    }
    const size_t stride = static_cast<size_t>(m_size.width) * 4;
    std::memcpy(m_pixels.data() + static_cast<size_t>(row) * stride, rgba, stride);
}

}  // namespace Atil
