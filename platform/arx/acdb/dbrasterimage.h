// Raster images: an entity that shows the picture of an image definition in a parallelogram given by an
// origin (the picture's lower-left corner), a U vector (its bottom edge; length = width in drawing units) and
// a V vector (its left edge; length = height). The picture may be clipped to a boundary given in pixel
// coordinates; transparent pixels show what lies beneath when kTransparent is on.
#pragma once

#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acge/gearrays.h"
#include "platform/arx/acge/gevec2d.h"

class AcDbRasterImage : public AcDbEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbRasterImage)
    TARN_DB_STATE(AcDbRasterImage, AcDbEntity, m_imageDefId, m_reactorId, m_origin, m_u, m_v, m_displayOpts,
                  m_clipType, m_clip, m_brightness, m_contrast, m_fade, m_fileSize)
public:
    enum ImageDisplayOpt { kShow = 1, kShowUnAligned = 2, kClip = 4, kTransparent = 8 };
    enum ClipBoundaryType { kInvalid = 0, kRect = 1, kPoly = 2 };

    AcDbRasterImage() = default;

    // The definition shown. On a resident image that has its reactor, the reactor moves to the new one.
    Acad::ErrorStatus setImageDefId(AcDbObjectId imageDefId);
    AcDbObjectId imageDefId() const { return m_imageDefId; }
    // The image's reactor (made when the image becomes resident with a definition).
    Acad::ErrorStatus setReactorId(AcDbObjectId reactorId);
    AcDbObjectId reactorId() const { return m_reactorId; }

    // False (nothing changed) when a value is not finite, U or V is zero-length or the two are parallel, or
    // the image is not open for write. Negative directions are kept as given.
    bool setOrientation(const AcGePoint3d& origin, const AcGeVector3d& u, const AcGeVector3d& v);
    void getOrientation(AcGePoint3d& origin, AcGeVector3d& u, AcGeVector3d& v) const;

    Acad::ErrorStatus setDisplayOpt(ImageDisplayOpt option, bool on);
    bool isSetDisplayOpt(ImageDisplayOpt option) const { return (m_displayOpts & option) != 0; }

    // Pixel coordinates: kRect takes two opposite corners, kPoly at least three vertices (eInvalidInput
    // otherwise). Setting a boundary switches clipping on.
    Acad::ErrorStatus setClipBoundary(ClipBoundaryType type, const AcGePoint2dArray& boundary);
    ClipBoundaryType clipBoundaryType() const { return m_clipType; }
    const AcGePoint2dArray& clipBoundary() const { return m_clip; }
    bool isClipped() const { return m_clipType != kInvalid && isSetDisplayOpt(kClip); }

    // 0..100 (eOutOfRange otherwise); brightness and contrast default to 50, fade to 0.
    Acad::ErrorStatus setBrightness(Adesk::Int8 value);
    Adesk::Int8 brightness() const { return m_brightness; }
    Acad::ErrorStatus setContrast(Adesk::Int8 value);
    Adesk::Int8 contrast() const { return m_contrast; }
    Acad::ErrorStatus setFade(Adesk::Int8 value);
    Adesk::Int8 fade() const { return m_fade; }

    // The picture's size in pixels: the definition's, or what the file said while it has none.
    AcGeVector2d imageSize(bool cachedValue = false) const;

    // The orientation box.
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;

    // Erasing the image erases its reactor with it (and unerasing brings it back).
    Acad::ErrorStatus subErase(bool erasing) override;
    void tarnBecameResident() override;
    bool tarnOwnsResidentObjects() const override;

    // Readers of drawing files: orientation and size as the file gives them (U and V per pixel).
    void tarnSetFileOrientation(const AcGePoint3d& origin, const AcGeVector3d& uPixel,
                                const AcGeVector3d& vPixel, const AcGeVector2d& size);

private:
    AcDbObjectId m_imageDefId;
    AcDbObjectId m_reactorId;
    AcGePoint3d m_origin{0.0, 0.0, 0.0};
    AcGeVector3d m_u{1.0, 0.0, 0.0};
    AcGeVector3d m_v{0.0, 1.0, 0.0};
    Adesk::UInt16 m_displayOpts = kShow | kShowUnAligned;
    ClipBoundaryType m_clipType = kInvalid;
    AcGePoint2dArray m_clip;
    Adesk::Int8 m_brightness = 50;
    Adesk::Int8 m_contrast = 50;
    Adesk::Int8 m_fade = 0;
    AcGeVector2d m_fileSize{0.0, 0.0};
};
