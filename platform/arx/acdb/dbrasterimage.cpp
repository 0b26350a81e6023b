#include "platform/arx/acdb/dbrasterimage.h"

#include <algorithm>
#include <cmath>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbrasterimagedef.h"
#include "platform/arx/acdb/dbrasterimagedefreactor.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/imaging/rgbaimage.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;
using platform::dxf::Group;
using platform::dxf::ReadContext;
using platform::dxf::Writer;

// A reference as files keep it: the handle of a live object of the same database, else null.
std::int64_t FileHandle(const AcDbObject* self, AcDbObjectId id) {
    const platform::detail::DbSlot* slot = platform::detail::FindSlot(id);
    const bool live =
        slot != nullptr && slot->object != nullptr && !slot->erased && slot->db == self->database();
    return live ? static_cast<std::int64_t>(id.handle().value()) : 0;
}

// Orientation, size and clip boundary are lists and values set together: the codec below.
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbRasterImage"),
    TARN_FIELD_OUT(90, kInt32, "classVersion", AcDbRasterImage, v.integer = 0),
    TARN_FIELD(340, kHandle, "imageDefId", AcDbRasterImage, v.integer = FileHandle(self, self->imageDefId()),
               self->setImageDefId(platform::dxf::IdOfHandle(self, v.integer))),
    TARN_FIELD(
        70, kInt16, "displayOptions", AcDbRasterImage,
        v.integer = (self->isSetDisplayOpt(AcDbRasterImage::kShow) ? 1 : 0) |
                    (self->isSetDisplayOpt(AcDbRasterImage::kShowUnAligned) ? 2 : 0) |
                    (self->isSetDisplayOpt(AcDbRasterImage::kClip) ? 4 : 0) |
                    (self->isSetDisplayOpt(AcDbRasterImage::kTransparent) ? 8 : 0),
        for (int bit = 1; bit <= 8; bit <<= 1) {
            self->setDisplayOpt(static_cast<AcDbRasterImage::ImageDisplayOpt>(bit), (v.integer & bit) != 0);
        }),
    TARN_FIELD_OUT(280, kInt16, "clippingState", AcDbRasterImage, v.integer = self->isClipped() ? 1 : 0),
    TARN_FIELD(281, kInt16, "brightness", AcDbRasterImage, v.integer = self->brightness(),
               self->setBrightness(static_cast<Adesk::Int8>(std::clamp<std::int64_t>(v.integer, 0, 100)))),
    TARN_FIELD(282, kInt16, "contrast", AcDbRasterImage, v.integer = self->contrast(),
               self->setContrast(static_cast<Adesk::Int8>(std::clamp<std::int64_t>(v.integer, 0, 100)))),
    TARN_FIELD(283, kInt16, "fade", AcDbRasterImage, v.integer = self->fade(),
               self->setFade(static_cast<Adesk::Int8>(std::clamp<std::int64_t>(v.integer, 0, 100)))),
    TARN_FIELD(360, kHandle, "reactorId", AcDbRasterImage, v.integer = FileHandle(self, self->reactorId()),
               self->setReactorId(platform::dxf::IdOfHandle(self, v.integer))),
};

// ---- file form: 10 origin, 11 and 12 U and V of one pixel, 13 size in pixels, 71 boundary type,
// 91 vertex count, 14 each vertex (pixel coordinates; a rectangle round the whole picture when unclipped)
// ----

void WriteImage(const AcDbObject* object, Writer& out) {
    const auto* image = static_cast<const AcDbRasterImage*>(object);
    AcGePoint3d origin;
    AcGeVector3d u;
    AcGeVector3d v;
    image->getOrientation(origin, u, v);
    const AcGeVector2d size = image->imageSize();
    const double width = size.x > 0.0 ? size.x : 1.0;
    const double height = size.y > 0.0 ? size.y : 1.0;
    const double o[3] = {origin.x, origin.y, origin.z};
    const double uPixel[3] = {u.x / width, u.y / width, u.z / width};
    const double vPixel[3] = {v.x / height, v.y / height, v.z / height};
    const double pixels[2] = {size.x, size.y};
    out.point(10, o);
    out.point(11, uPixel);
    out.point(12, vPixel);
    out.point(13, pixels, 2);
    AcGePoint2dArray boundary = image->clipBoundary();
    int type = image->clipBoundaryType();
    if (type == AcDbRasterImage::kInvalid) {
        type = AcDbRasterImage::kRect;
        boundary = AcGePoint2dArray();
        boundary.append(AcGePoint2d(-0.5, -0.5));
        boundary.append(AcGePoint2d(size.x - 0.5, size.y - 0.5));
    }
    out.integer(71, type);
    out.integer(91, boundary.length());
    for (int i = 0; i < boundary.length(); ++i) {
        const double xy[2] = {boundary[i].x, boundary[i].y};
        out.point(14, xy, 2);
    }
}

void ReadImage(AcDbObject* object, const std::vector<Group>& body, const ReadContext&) {
    auto* image = static_cast<AcDbRasterImage*>(object);
    double values[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}};  // codes 10..13
    bool seen[4][3] = {};
    int type = 0;
    AcGePoint2dArray boundary;
    for (const Group& g : body) {
        const int base = g.code % 10;
        const int axis = g.code / 10 - 1;
        if (g.code >= 10 && g.code <= 33 && base <= 3 && axis <= 2 && !seen[base][axis]) {
            seen[base][axis] = true;
            values[base][axis] = ReadContext::real(g);
        } else if (g.code == 71) {
            type = static_cast<int>(ReadContext::integer(g));
        } else if (g.code == 14 && static_cast<size_t>(boundary.length()) < platform::dxf::kMaxListItems) {
            boundary.append(AcGePoint2d(ReadContext::real(g), 0.0));
        } else if (g.code == 24 && boundary.length() > 0) {
            boundary[boundary.length() - 1].y = ReadContext::real(g);
        }
    }
    image->tarnSetFileOrientation(AcGePoint3d(values[0][0], values[0][1], values[0][2]),
                                  AcGeVector3d(values[1][0], values[1][1], values[1][2]),
                                  AcGeVector3d(values[2][0], values[2][1], values[2][2]),
                                  AcGeVector2d(values[3][0], values[3][1]));
    // The rectangle round the whole picture is what unclipped images carry.
    const bool clipped = (image->isSetDisplayOpt(AcDbRasterImage::kClip));
    if (clipped && (type == AcDbRasterImage::kRect || type == AcDbRasterImage::kPoly)) {
        image->setClipBoundary(static_cast<AcDbRasterImage::ClipBoundaryType>(type), boundary);
    }
}

const platform::dxf::Codec kImageCodec = {u"AcDbRasterImage", WriteImage, ReadImage};
const platform::dxf::CodecRegistration kRegistration(&kImageCodec);

bool IsDegenerate(const AcGeVector3d& u, const AcGeVector3d& v) {
    return u.isZeroLength() || v.isZeroLength() || u.crossProduct(v).isZeroLength();
}

}  // namespace

TARN_RX_DEFINE(AcDbRasterImage, AcDbEntity, u"IMAGE", kFields, std::size(kFields))

namespace {

// A copy of an image carries the reactor id of the image it was copied from; only the image that owns a
// reactor acts on it.
bool OwnsReactor(const AcDbRasterImage* image) {
    const AcDbObject* reactor = platform::detail::Peek(image->reactorId());
    return reactor != nullptr && reactor->ownerId() == image->objectId();
}

}  // namespace

Acad::ErrorStatus AcDbRasterImage::setImageDefId(AcDbObjectId imageDefId) {
    const AcDbObjectId old = m_imageDefId;
    Acad::ErrorStatus es = tarnSet(m_imageDefId, imageDefId);
    if (es != Acad::eOk || database() == nullptr || !OwnsReactor(this) || old == imageDefId) {
        return es;
    }
    // The reactor follows the image to its new definition.
    AcDbRasterImageDef* def = nullptr;
    if (acdbOpenObject(def, old, AcDb::kForWrite, true) == Acad::eOk) {
        def->removePersistentReactor(m_reactorId);
        def->close();
    }
    if (acdbOpenObject(def, imageDefId, AcDb::kForWrite) == Acad::eOk) {
        def->addPersistentReactor(m_reactorId);
        def->close();
    }
    return es;
}

Acad::ErrorStatus AcDbRasterImage::setReactorId(AcDbObjectId reactorId) {
    return tarnSet(m_reactorId, reactorId);
}

bool AcDbRasterImage::setOrientation(const AcGePoint3d& origin, const AcGeVector3d& u,
                                     const AcGeVector3d& v) {
    // A place that is not finite would stay in the drawing and make its file unreadable.
    if (!tarnIsFinite(origin) || !tarnIsFinite(u) || !tarnIsFinite(v) || IsDegenerate(u, v) ||
        assertWriteEnabled() != Acad::eOk) {
        return false;
    }
    m_origin = origin;
    m_u = u;
    m_v = v;
    return true;
}

void AcDbRasterImage::getOrientation(AcGePoint3d& origin, AcGeVector3d& u, AcGeVector3d& v) const {
    origin = m_origin;
    u = m_u;
    v = m_v;
}

Acad::ErrorStatus AcDbRasterImage::setDisplayOpt(ImageDisplayOpt option, bool on) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_displayOpts = static_cast<Adesk::UInt16>(on ? (m_displayOpts | option) : (m_displayOpts & ~option));
    }
    return es;
}

Acad::ErrorStatus AcDbRasterImage::setClipBoundary(ClipBoundaryType type, const AcGePoint2dArray& boundary) {
    const bool valid = (type == kRect && boundary.length() == 2) || (type == kPoly && boundary.length() >= 3);
    if (!valid) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_clipType = type;
        m_clip = boundary;
        m_displayOpts = static_cast<Adesk::UInt16>(m_displayOpts | kClip);
    }
    return es;
}

namespace {

Acad::ErrorStatus SetPercent(AcDbRasterImage* image, Adesk::Int8& member, Adesk::Int8 value) {
    if (value < 0 || value > 100) {
        return Acad::eOutOfRange;
    }
    Acad::ErrorStatus es = image->assertWriteEnabled();
    if (es == Acad::eOk) {
        member = value;
    }
    return es;
}

}  // namespace

Acad::ErrorStatus AcDbRasterImage::setBrightness(Adesk::Int8 value) {
    return SetPercent(this, m_brightness, value);
}
Acad::ErrorStatus AcDbRasterImage::setContrast(Adesk::Int8 value) {
    return SetPercent(this, m_contrast, value);
}
Acad::ErrorStatus AcDbRasterImage::setFade(Adesk::Int8 value) {
    return SetPercent(this, m_fade, value);
}

AcGeVector2d AcDbRasterImage::imageSize(bool) const {
    const auto* def = AcDbRasterImageDef::cast(platform::detail::Peek(m_imageDefId));
    if (def != nullptr && def->size().x > 0.0 && def->size().y > 0.0) {
        return def->size();
    }
    return m_fileSize;
}

Acad::ErrorStatus AcDbRasterImage::getGeomExtents(AcDbExtents& extents) const {
    AcDbExtents box;
    box.addPoint(m_origin);
    box.addPoint(m_origin + m_u);
    box.addPoint(m_origin + m_v);
    box.addPoint(m_origin + m_u + m_v);
    extents = box;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbRasterImage::transformBy(const AcGeMatrix3d& matrix) {
    AcGePoint3d origin = m_origin;
    origin.transformBy(matrix);
    const AcGeVector3d u = matrix * m_u;
    const AcGeVector3d v = matrix * m_v;
    if (IsDegenerate(u, v)) {
        return Acad::eCannotScaleNonUniformly;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_origin = origin;
        m_u = u;
        m_v = v;
    }
    return es;
}

Acad::ErrorStatus AcDbRasterImage::subErase(bool erasing) {
    AcDbObject* reactor = nullptr;
    if (OwnsReactor(this) && acdbOpenObject(reactor, m_reactorId, AcDb::kForWrite, true) == Acad::eOk) {
        if (reactor->isErased() != erasing) {
            reactor->erase(erasing);
        }
        reactor->close();
    }
    return AcDbObject::subErase(erasing);
}

bool AcDbRasterImage::tarnOwnsResidentObjects() const {
    return OwnsReactor(this) || AcDbEntity::tarnOwnsResidentObjects();
}

void AcDbRasterImage::tarnBecameResident() {
    AcDbDatabase* db = database();
    if (db == nullptr || m_imageDefId.isNull() || OwnsReactor(this)) {
        return;
    }
    auto* reactor = new AcDbRasterImageDefReactor();
    AcDbObjectId reactorId;
    if (db->addAcDbObject(reactorId, reactor) != Acad::eOk) {
        delete reactor;
        return;
    }
    reactor->setOwnerId(objectId());
    reactor->close();
    m_reactorId = reactorId;
    AcDbRasterImageDef* def = nullptr;
    if (acdbOpenObject(def, m_imageDefId, AcDb::kForWrite) == Acad::eOk) {
        def->addPersistentReactor(reactorId);
        def->close();
    }
}

void AcDbRasterImage::tarnSetFileOrientation(const AcGePoint3d& origin, const AcGeVector3d& uPixel,
                                             const AcGeVector3d& vPixel, const AcGeVector2d& size) {
    if (assertWriteEnabled() != Acad::eOk) {
        return;
    }
    // Sizes and vectors a picture cannot have are not taken.
    auto count = [](double value) { return value >= 1.0 && value <= Atil::kMaxImageSide ? value : 0.0; };
    m_fileSize = AcGeVector2d(count(size.x), count(size.y));
    const AcGeVector3d u = uPixel * (m_fileSize.x > 0.0 ? m_fileSize.x : 1.0);
    const AcGeVector3d v = vPixel * (m_fileSize.y > 0.0 ? m_fileSize.y : 1.0);
    auto finite = [](const AcGeVector3d& w) {
        return std::isfinite(w.x) && std::isfinite(w.y) && std::isfinite(w.z);
    };
    if (std::isfinite(origin.x) && std::isfinite(origin.y) && std::isfinite(origin.z)) {
        m_origin = origin;
    }
    if (finite(u) && finite(v) && !IsDegenerate(u, v)) {
        m_u = u;
        m_v = v;
    }
}
