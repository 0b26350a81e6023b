#include "platform/arx/acdb/dblayer.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/win32/core/unicode.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    {2, FieldKind::kString, "name", nullptr, nullptr},
    {70, FieldKind::kInt16, "flags", nullptr, nullptr},
    {62, FieldKind::kInt16, "colorIndex", nullptr, nullptr},
    {420, FieldKind::kInt32, "trueColor", nullptr, nullptr},
    {6, FieldKind::kString, "linetype", nullptr, nullptr},
    {290, FieldKind::kBool, "plottable", nullptr, nullptr},
    {440, FieldKind::kInt32, "transparency", nullptr, nullptr},
};

}  // namespace

TARN_RX_DEFINE(AcDbLayerTableRecord, AcDbSymbolTableRecord, u"LAYER", kFields, std::size(kFields))

AcDbLayerTableRecord::AcDbLayerTableRecord() {
    m_color.setColorIndex(7);
}

Acad::ErrorStatus AcDbLayerTableRecord::setColor(const AcCmColor& color) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_color = color;
    }
    return es;
}

Acad::ErrorStatus AcDbLayerTableRecord::setLinetypeObjectId(AcDbObjectId id) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_linetype = id;
    }
    return es;
}

#define TARN_LAYER_FLAG_SETTER(NAME, MEMBER, TYPE)             \
    Acad::ErrorStatus AcDbLayerTableRecord::NAME(TYPE value) { \
        Acad::ErrorStatus es = assertWriteEnabled();           \
        if (es == Acad::eOk) {                                 \
            MEMBER = value;                                    \
        }                                                      \
        return es;                                             \
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
