#include "platform/arx/aced/acedcolor.h"

#include <array>
#include <cmath>

namespace {

DWORD Pack(double r, double g, double b) {
    // Truncation matches the table values the palette is known by (index 11 is 255, 127, 127).
    return RGB(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b));
}

// Hue in degrees, saturation 0..1, value 0..255.
DWORD FromHsv(double hue, double saturation, double value) {
    const int sector = static_cast<int>(hue / 60.0) % 6;
    const double f = hue / 60.0 - std::floor(hue / 60.0);
    const double p = value * (1.0 - saturation);
    const double q = value * (1.0 - saturation * f);
    const double t = value * (1.0 - saturation * (1.0 - f));
    switch (sector) {
        case 0:
            return Pack(value, t, p);
        case 1:
            return Pack(q, value, p);
        case 2:
            return Pack(p, value, t);
        case 3:
            return Pack(p, q, value);
        case 4:
            return Pack(t, p, value);
        default:
            return Pack(value, p, q);
    }
}

std::array<DWORD, 256> BuildPalette() {
    std::array<DWORD, 256> palette{};
    const DWORD basic[10] = {RGB(0, 0, 0),       RGB(255, 0, 0),    RGB(255, 255, 0), RGB(0, 255, 0),
                             RGB(0, 255, 255),   RGB(0, 0, 255),    RGB(255, 0, 255), RGB(255, 255, 255),
                             RGB(128, 128, 128), RGB(192, 192, 192)};
    for (int i = 0; i < 10; ++i) {
        palette[static_cast<size_t>(i)] = basic[i];
    }
    const double values[5] = {255.0, 165.0, 127.0, 76.0, 38.0};
    for (int i = 10; i < 250; ++i) {
        const int hue = (i - 10) / 10;
        const int shade = (i - 10) % 10;
        const double saturation = (shade % 2 == 0) ? 1.0 : 0.5;
        palette[static_cast<size_t>(i)] = FromHsv(hue * 15.0, saturation, values[shade / 2]);
    }
    for (int i = 250; i < 256; ++i) {
        const double grey = 51.0 + 40.8 * (i - 250);
        palette[static_cast<size_t>(i)] = Pack(grey, grey, grey);
    }
    return palette;
}

}  // namespace

DWORD acedGetRGB(int color) {
    static const std::array<DWORD, 256> palette = BuildPalette();
    if (color < 0 || color > 255) {
        return 0;
    }
    return palette[static_cast<size_t>(color)];
}
