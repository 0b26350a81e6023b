#include "platform/arx/acdb/dblayer.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/win32/core/unicode.h"

#include "platform/arx/acdb/dxffields.h"
namespace {

using platform::FieldDesc;
using platform::FieldKind;

// Flags 1 frozen and 4 locked; a layer that is off has a negative colour number.
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbLayerTableRecord"),
    TARN_FIELD(2, kString, "name", AcDbLayerTableRecord, platform::dxf::Put(v, self->tarnName()),
               self->setName(v.text.c_str())),
    TARN_FIELD(70, kInt16, "flags", AcDbLayerTableRecord,
               v.integer = (self->isFrozen() ? 1 : 0) | (self->isLocked() ? 4 : 0),
               (self->setIsFrozen((v.integer & 1) != 0), self->setIsLocked((v.integer & 4) != 0))),
    TARN_FIELD(62, kInt16, "colorIndex", AcDbLayerTableRecord,
               v.integer = (self->isOff() ? -1 : 1) * static_cast<int>(self->color().colorIndex()),
               {
                   AcCmColor color;
                   if (color.setColorIndex(
                           static_cast<Adesk::UInt16>(v.integer < 0 ? -v.integer : v.integer)) == Acad::eOk) {
                       self->setColor(color);
                   }
                   self->setIsOff(v.integer < 0);
               }),
    TARN_FIELD(420, kInt32, "trueColor", AcDbLayerTableRecord, platform::dxf::PutTrueColor(v, self->color()),
               self->setColor(platform::dxf::TrueColor(v))),
    TARN_FIELD(
        6, kString, "linetype", AcDbLayerTableRecord,
        platform::dxf::Put(v, platform::dxf::RecordName(self->linetypeObjectId())),
        self->setLinetypeObjectId(platform::dxf::FindRecord(self, &AcDbDatabase::linetypeTableId, v.text))),
    TARN_FIELD(290, kBool, "plottable", AcDbLayerTableRecord,
               (v.integer = self->isPlottable() ? 1 : 0, v.skip = v.integer == 1),
               self->setIsPlottable(v.integer != 0)),
    TARN_FIELD_OUT(370, kInt16, "lineweight", AcDbLayerTableRecord, v.integer = -3),
    TARN_FIELD(
        440, kInt32, "transparency", AcDbLayerTableRecord,
        (v.skip = !self->transparency().isByAlpha(), v.integer = 0x02000000LL | self->transparency().alpha()),
        if ((v.integer & 0x02000000LL) != 0)
            self->setTransparency(AcCmTransparency(static_cast<Adesk::UInt8>(v.integer & 0xFF)))),
};

}  // namespace

TARN_RX_DEFINE(AcDbLayerTableRecord, AcDbSymbolTableRecord, u"LAYER", kFields, std::size(kFields))

AcDbLayerTableRecord::AcDbLayerTableRecord() {
    m_color.setColorIndex(7);
}

Acad::ErrorStatus AcDbLayerTableRecord::setColor(const AcCmColor& color) {
    return tarnSet(m_color, color);
}

Acad::ErrorStatus AcDbLayerTableRecord::setLinetypeObjectId(AcDbObjectId id) {
    return tarnSet(m_linetype, id);
}

#define TARN_LAYER_FLAG_SETTER(NAME, MEMBER, TYPE)             \
    Acad::ErrorStatus AcDbLayerTableRecord::NAME(TYPE value) { \
        return tarnSet(MEMBER, value);                         \
    }

TARN_LAYER_FLAG_SETTER(setIsLocked, m_locked, bool)
TARN_LAYER_FLAG_SETTER(setIsOff, m_off, bool)
TARN_LAYER_FLAG_SETTER(setIsFrozen, m_frozen, bool)
TARN_LAYER_FLAG_SETTER(setIsPlottable, m_plottable, bool)
TARN_LAYER_FLAG_SETTER(setTransparency, m_transparency, const AcCmTransparency&)

#undef TARN_LAYER_FLAG_SETTER

Acad::ErrorStatus AcDbLayerTableRecord::subErase(bool erasing) {
    if (!erasing) {
        return Acad::eOk;
    }
    if (platform::EqualsNoCase(tarnName(), u"0")) {
        return Acad::eCannotBeErasedByCaller;
    }
    AcDbDatabase* db = database();
    if (db != nullptr && db->clayer() == objectId()) {
        return Acad::eCannotBeErasedByCaller;
    }
    return Acad::eOk;
}

void AcDbLayerTableRecord::tarnBecameResident() {
    if (m_linetype.isNull() && database() != nullptr) {
        m_linetype = database()->continuousLinetype();
    }
}
