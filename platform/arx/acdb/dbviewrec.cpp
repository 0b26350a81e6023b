#include "platform/arx/acdb/dbviewrec.h"

#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

// Files carry the view of a viewport record under its own subclass marker, the width as the aspect
// ratio (41) and the clipping and perspective switches as view-mode bits (71).
int ViewMode(const AcDbAbstractViewTableRecord* self) {
    return (self->perspectiveEnabled() ? 1 : 0) | (self->frontClipEnabled() ? 2 : 0) |
           (self->backClipEnabled() ? 4 : 0) | (self->frontClipAtEye() ? 0 : 16);
}

void SetViewMode(AcDbAbstractViewTableRecord* self, long long mode) {
    self->setPerspectiveEnabled((mode & 1) != 0);
    self->setFrontClipEnabled((mode & 2) != 0);
    self->setBackClipEnabled((mode & 4) != 0);
    self->setFrontClipAtEye((mode & 16) == 0);
}

const FieldDesc kViewportFields[] = {
    TARN_SUBCLASS("AcDbViewportTableRecord"),
    TARN_FIELD(2, kString, "name", AcDbViewportTableRecord, platform::dxf::Put(v, self->tarnName()),
               self->setName(v.text.c_str())),
    TARN_FIELD_OUT(70, kInt16, "flags", AcDbViewportTableRecord, v.integer = 0),
    TARN_FIELD(10, kPoint2d, "lowerLeftCorner", AcDbViewportTableRecord,
               platform::dxf::Put(v, self->lowerLeftCorner()),
               self->setLowerLeftCorner(platform::dxf::Point2d(v))),
    TARN_FIELD(11, kPoint2d, "upperRightCorner", AcDbViewportTableRecord,
               platform::dxf::Put(v, self->upperRightCorner()),
               self->setUpperRightCorner(platform::dxf::Point2d(v))),
    TARN_FIELD(12, kPoint2d, "centerPoint", AcDbViewportTableRecord,
               platform::dxf::Put(v, self->centerPoint()), self->setCenterPoint(platform::dxf::Point2d(v))),
    TARN_FIELD(16, kVector3d, "viewDirection", AcDbViewportTableRecord,
               platform::dxf::Put(v, self->viewDirection()),
               self->setViewDirection(platform::dxf::Vector3d(v))),
    TARN_FIELD(17, kPoint3d, "target", AcDbViewportTableRecord, platform::dxf::Put(v, self->target()),
               self->setTarget(platform::dxf::Point3d(v))),
    TARN_FIELD(40, kReal, "height", AcDbViewportTableRecord, v.real = self->height(),
               self->setHeight(v.real)),
    TARN_FIELD(41, kReal, "aspectRatio", AcDbViewportTableRecord,
               v.real = self->height() != 0.0 ? self->width() / self->height() : self->width(),
               self->setWidth(self->height() != 0.0 ? v.real * self->height() : v.real)),
    TARN_FIELD(42, kReal, "lensLength", AcDbViewportTableRecord, v.real = self->lensLength(),
               self->setLensLength(v.real)),
    TARN_FIELD(43, kReal, "frontClipDistance", AcDbViewportTableRecord, v.real = self->frontClipDistance(),
               self->setFrontClipDistance(v.real)),
    TARN_FIELD(44, kReal, "backClipDistance", AcDbViewportTableRecord, v.real = self->backClipDistance(),
               self->setBackClipDistance(v.real)),
    TARN_FIELD(51, kAngle, "viewTwist", AcDbViewportTableRecord, v.real = self->viewTwist(),
               self->setViewTwist(v.real)),
    TARN_FIELD(71, kInt16, "viewMode", AcDbViewportTableRecord, v.integer = ViewMode(self),
               SetViewMode(self, v.integer)),
};

}  // namespace

TARN_RX_DEFINE_ABSTRACT(AcDbAbstractViewTableRecord, AcDbSymbolTableRecord, nullptr, 0)
TARN_RX_DEFINE(AcDbViewportTableRecord, AcDbAbstractViewTableRecord, u"VPORT", kViewportFields,
               std::size(kViewportFields))
TARN_RX_DEFINE(AcDbViewTableRecord, AcDbAbstractViewTableRecord, u"VIEW", nullptr, 0)
