#include "platform/arx/acdb/cmcolor.h"

#include "platform/arx/aced/acedcolor.h"

namespace platform {

// The palette is the editor's (acedGetRGB), so index colours and nearest-index answers agree everywhere.
Adesk::UInt32 AciToRgb(int index) {
    if (index < 0 || index > 255) {
        return 0;
    }
    return static_cast<Adesk::UInt32>(acedGetRGB(index)) & 0xFFFFFFu;
}

int NearestAci(Adesk::UInt8 red, Adesk::UInt8 green, Adesk::UInt8 blue) {
    int best = 1;
    long bestDistance = -1;
    for (int i = 1; i < 256; ++i) {
        const Adesk::UInt32 c = AciToRgb(i);
        const long dr = static_cast<long>(c & 0xFF) - red;
        const long dg = static_cast<long>((c >> 8) & 0xFF) - green;
        const long db = static_cast<long>((c >> 16) & 0xFF) - blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace platform

Acad::ErrorStatus AcCmColor::setColorMethod(AcCmEntityColor::ColorMethod method) {
    switch (method) {
        case AcCmEntityColor::kByLayer:
            m_index = 256;
            break;
        case AcCmEntityColor::kByBlock:
            m_index = 0;
            break;
        case AcCmEntityColor::kByACI:
            if (m_index == 0 || m_index > 255) {
                m_index = 7;
            }
            break;
        case AcCmEntityColor::kByColor:
            break;
        default:
            return Acad::eInvalidInput;
    }
    m_method = method;
    return Acad::eOk;
}

Adesk::UInt16 AcCmColor::colorIndex() const {
    switch (m_method) {
        case AcCmEntityColor::kByLayer:
            return 256;
        case AcCmEntityColor::kByBlock:
            return 0;
        case AcCmEntityColor::kByColor:
            return static_cast<Adesk::UInt16>(platform::NearestAci(m_red, m_green, m_blue));
        default:
            return m_index;
    }
}

Acad::ErrorStatus AcCmColor::setColorIndex(Adesk::UInt16 index) {
    if (index > 256) {
        return Acad::eOutOfRange;
    }
    m_index = index;
    if (index == 256) {
        m_method = AcCmEntityColor::kByLayer;
    } else if (index == 0) {
        m_method = AcCmEntityColor::kByBlock;
    } else {
        m_method = AcCmEntityColor::kByACI;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcCmColor::setRGB(Adesk::UInt8 red, Adesk::UInt8 green, Adesk::UInt8 blue) {
    m_method = AcCmEntityColor::kByColor;
    m_red = red;
    m_green = green;
    m_blue = blue;
    return Acad::eOk;
}

Adesk::UInt32 AcCmColor::rgbValue() const {
    switch (m_method) {
        case AcCmEntityColor::kByColor:
            return static_cast<Adesk::UInt32>(m_red) | static_cast<Adesk::UInt32>(m_green) << 8 |
                   static_cast<Adesk::UInt32>(m_blue) << 16;
        case AcCmEntityColor::kByACI:
            return platform::AciToRgb(m_index);
        default:
            return 0;
    }
}

Adesk::UInt8 AcCmColor::red() const {
    return static_cast<Adesk::UInt8>(rgbValue() & 0xFF);
}
Adesk::UInt8 AcCmColor::green() const {
    return static_cast<Adesk::UInt8>((rgbValue() >> 8) & 0xFF);
}
Adesk::UInt8 AcCmColor::blue() const {
    return static_cast<Adesk::UInt8>((rgbValue() >> 16) & 0xFF);
}

bool AcCmColor::operator==(const AcCmColor& other) const {
    if (m_method != other.m_method) {
        return false;
    }
    if (m_method == AcCmEntityColor::kByColor) {
        return m_red == other.m_red && m_green == other.m_green && m_blue == other.m_blue;
    }
    return colorIndex() == other.colorIndex();
}
