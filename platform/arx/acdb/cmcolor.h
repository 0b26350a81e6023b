// Colours and transparency of entities and layers, and the 256-entry index palette.
#pragma once

#include <cstdint>

#include "platform/arx/acdb/dbstatus.h"
#include "platform/arx/acut/adesk.h"

class AcCmEntityColor {
public:
    enum ColorMethod : Adesk::UInt8 {
        kByLayer = 0xC0,
        kByBlock = 0xC1,
        kByColor = 0xC2,
        kByACI = 0xC3,
        kByPen = 0xC4,
        kForeground = 0xC5,
        kLayerOff = 0xC6,
        kLayerFrozen = 0xC7,
        kNone = 0xC8,
    };
};

// A colour: by layer (the default), by block, an index 1..255, or a true colour.
class AcCmColor {
public:
    AcCmColor() = default;

    AcCmEntityColor::ColorMethod colorMethod() const { return m_method; }
    // kByLayer, kByBlock, kByACI, kByColor; other methods are refused with eInvalidInput.
    Acad::ErrorStatus setColorMethod(AcCmEntityColor::ColorMethod method);

    bool isByLayer() const { return m_method == AcCmEntityColor::kByLayer; }
    bool isByBlock() const { return m_method == AcCmEntityColor::kByBlock; }
    bool isByColor() const { return m_method == AcCmEntityColor::kByColor; }
    bool isByACI() const { return m_method == AcCmEntityColor::kByACI; }

    // 0 by block, 1..255, 256 by layer; a true colour gives its nearest palette index (1..255).
    Adesk::UInt16 colorIndex() const;
    // 0 → by block, 256 → by layer, 1..255 → that index; larger → eOutOfRange (colour unchanged).
    Acad::ErrorStatus setColorIndex(Adesk::UInt16 index);

    // A true colour (method kByColor).
    Acad::ErrorStatus setRGB(Adesk::UInt8 red, Adesk::UInt8 green, Adesk::UInt8 blue);
    // For index colours the palette's channels; for by-layer/by-block colours 0.
    Adesk::UInt8 red() const;
    Adesk::UInt8 green() const;
    Adesk::UInt8 blue() const;
    // Red in the lowest byte, as a COLORREF.
    Adesk::UInt32 rgbValue() const;

    bool operator==(const AcCmColor& other) const;
    bool operator!=(const AcCmColor& other) const { return !(*this == other); }

private:
    AcCmEntityColor::ColorMethod m_method = AcCmEntityColor::kByLayer;
    Adesk::UInt16 m_index = 256;
    Adesk::UInt8 m_red = 0;
    Adesk::UInt8 m_green = 0;
    Adesk::UInt8 m_blue = 0;
};

// Transparency: by layer (the default), by block, or an alpha 0 (clear) .. 255 (opaque).
class AcCmTransparency {
public:
    enum transparencyMethod { kByLayer = 0, kByBlock = 1, kByAlpha = 2, kErrorValue = 3 };

    AcCmTransparency() = default;
    explicit AcCmTransparency(Adesk::UInt8 alpha) : m_method(kByAlpha), m_alpha(alpha) {}

    transparencyMethod method() const { return m_method; }
    void setMethod(transparencyMethod method) { m_method = method; }
    Adesk::UInt8 alpha() const { return m_method == kByAlpha ? m_alpha : 255; }
    void setAlpha(Adesk::UInt8 alpha) {
        m_method = kByAlpha;
        m_alpha = alpha;
    }
    bool isByLayer() const { return m_method == kByLayer; }
    bool isByBlock() const { return m_method == kByBlock; }
    bool isByAlpha() const { return m_method == kByAlpha; }

    bool operator==(const AcCmTransparency& other) const {
        return m_method == other.m_method && (m_method != kByAlpha || m_alpha == other.m_alpha);
    }
    bool operator!=(const AcCmTransparency& other) const { return !(*this == other); }

private:
    transparencyMethod m_method = kByLayer;
    Adesk::UInt8 m_alpha = 255;
};

namespace platform {

// The index palette (the editor's acedGetRGB): red in the lowest byte; 0 outside 0..255.
Adesk::UInt32 AciToRgb(int index);
// The nearest palette index 1..255 of an RGB colour (squared distance, lowest index on ties).
int NearestAci(Adesk::UInt8 red, Adesk::UInt8 green, Adesk::UInt8 blue);

}  // namespace platform
