// The host's imaging library, as far as the plug-in uses it: RGBA images of a given size whose rows are
// written one at a time, their validity and size, and the exception type through which the library reports
// every failure. Row 0 is the top row; each pixel is four bytes in the order red, green, blue, alpha.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Atil {

// What the library throws; getMessage is the text a caller shows.
class ATILException {
public:
    explicit ATILException(std::u16string message) : m_message(std::move(message)) {}
    const char16_t* getMessage() const { return m_message.c_str(); }

private:
    std::u16string m_message;
};

struct Size {
    int width = 0;
    int height = 0;
};

class RgbaImage {
public:
    // Throws for a size that is not positive or above the library's limit, and when the pixels cannot be
    // held. A new image is fully transparent black.
    RgbaImage(int width, int height);

    bool isValid() const { return !m_pixels.empty(); }
    Size size() const { return m_size; }
    // Writes row `row` from width * 4 bytes; throws for a row outside the image or a null buffer.
    void setRow(int row, const std::uint8_t* rgba);

    // Stand-in: the pixels, rows top to bottom.
    const std::vector<std::uint8_t>& tarnPixels() const { return m_pixels; }

private:
    Size m_size;
    std::vector<std::uint8_t> m_pixels;
};

// The largest side and the largest pixel count an image may have.
inline constexpr int kMaxImageSide = 32768;
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 26;

}  // namespace Atil
