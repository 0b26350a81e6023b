#include "platform/arx/acdb/dbviewrec.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kViewFields[] = {
    {2, FieldKind::kString, "name", nullptr, nullptr},
    {12, FieldKind::kPoint2d, "centerPoint", nullptr, nullptr},
    {40, FieldKind::kReal, "height", nullptr, nullptr},
    {41, FieldKind::kReal, "width", nullptr, nullptr},
    {17, FieldKind::kPoint3d, "target", nullptr, nullptr},
    {16, FieldKind::kVector3d, "viewDirection", nullptr, nullptr},
    {51, FieldKind::kAngle, "viewTwist", nullptr, nullptr},
    {42, FieldKind::kReal, "lensLength", nullptr, nullptr},
    {43, FieldKind::kReal, "frontClipDistance", nullptr, nullptr},
    {44, FieldKind::kReal, "backClipDistance", nullptr, nullptr},
    {71, FieldKind::kInt16, "viewMode", nullptr, nullptr},
};

const FieldDesc kViewportFields[] = {
    {10, FieldKind::kPoint2d, "lowerLeftCorner", nullptr, nullptr},
    {11, FieldKind::kPoint2d, "upperRightCorner", nullptr, nullptr},
};

}  // namespace

TARN_RX_DEFINE_ABSTRACT(AcDbAbstractViewTableRecord, AcDbSymbolTableRecord, kViewFields,
                        std::size(kViewFields))
TARN_RX_DEFINE(AcDbViewportTableRecord, AcDbAbstractViewTableRecord, u"VPORT", kViewportFields,
               std::size(kViewportFields))
TARN_RX_DEFINE(AcDbViewTableRecord, AcDbAbstractViewTableRecord, u"VIEW", nullptr, 0)
