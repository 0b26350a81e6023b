#include "platform/arx/acdb/dbrasterimagedefreactor.h"

#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

// Class version 2; the image is the owner (written in the object's head), repeated in the body.
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbRasterImageDefReactor"),
    TARN_FIELD_OUT(90, kInt32, "classVersion", AcDbRasterImageDefReactor, v.integer = 2),
    TARN_FIELD_OUT(330, kHandle, "image", AcDbRasterImageDefReactor,
                   v.integer = static_cast<std::int64_t>(self->imageId().handle().value())),
};

}  // namespace

TARN_RX_DEFINE(AcDbRasterImageDefReactor, AcDbObject, u"IMAGEDEF_REACTOR", kFields, std::size(kFields))
