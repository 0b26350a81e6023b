#include "platform/arx/acdb/dbtextstyle.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/win32/core/unicode.h"

#include "platform/arx/acdb/dxffields.h"
namespace {

using platform::FieldDesc;
using platform::FieldKind;

// Flags 1 shape file and 4 vertical.
const FieldDesc kStyleFields[] = {
    TARN_SUBCLASS("AcDbTextStyleTableRecord"),
    TARN_FIELD(2, kString, "name", AcDbTextStyleTableRecord, platform::dxf::Put(v, self->tarnName()),
               self->setName(v.text.c_str())),
    TARN_FIELD(70, kInt16, "flags", AcDbTextStyleTableRecord,
               v.integer = (self->isShapeFile() ? 1 : 0) | (self->isVertical() ? 4 : 0),
               (self->setIsShapeFile((v.integer & 1) != 0), self->setIsVertical((v.integer & 4) != 0))),
    TARN_FIELD(40, kReal, "textSize", AcDbTextStyleTableRecord, v.real = self->textSize(),
               self->setTextSize(v.real)),
    TARN_FIELD(41, kReal, "xScale", AcDbTextStyleTableRecord, v.real = self->xScale(),
               self->setXScale(v.real)),
    TARN_FIELD(50, kAngle, "obliquingAngle", AcDbTextStyleTableRecord, v.real = self->obliquingAngle(),
               self->setObliquingAngle(v.real)),
    TARN_FIELD_OUT(71, kInt16, "generation", AcDbTextStyleTableRecord, v.integer = 0),
    TARN_FIELD(42, kReal, "priorSize", AcDbTextStyleTableRecord, v.real = self->priorSize(),
               self->setPriorSize(v.real)),
    TARN_FIELD(
        3, kString, "fileName", AcDbTextStyleTableRecord,
        {
            AcString name;
            self->fileName(name);
            platform::dxf::Put(v, name.str());
        },
        self->setFileName(v.text.c_str())),
    TARN_FIELD(
        4, kString, "bigFontFileName", AcDbTextStyleTableRecord,
        {
            AcString name;
            self->bigFontFileName(name);
            platform::dxf::Put(v, name.str());
            v.skip = name.isEmpty();
        },
        self->setBigFontFileName(v.text.c_str())),
};

const FieldDesc kRegAppFields[] = {
    TARN_SUBCLASS("AcDbRegAppTableRecord"),
    TARN_FIELD(2, kString, "name", AcDbRegAppTableRecord, platform::dxf::Put(v, self->tarnName()),
               self->setName(v.text.c_str())),
    TARN_FIELD_OUT(70, kInt16, "flags", AcDbRegAppTableRecord, v.integer = 0),
};

}  // namespace

TARN_RX_DEFINE(AcDbTextStyleTableRecord, AcDbSymbolTableRecord, u"STYLE", kStyleFields,
               std::size(kStyleFields))
TARN_RX_DEFINE(AcDbRegAppTableRecord, AcDbSymbolTableRecord, u"APPID", kRegAppFields,
               std::size(kRegAppFields))

#define TARN_STYLE_SETTER(NAME, MEMBER, TYPE)                      \
    Acad::ErrorStatus AcDbTextStyleTableRecord::NAME(TYPE value) { \
        return tarnSet(MEMBER, value);                             \
    }

TARN_STYLE_SETTER(setXScale, m_xScale, double)
TARN_STYLE_SETTER(setTextSize, m_textSize, double)
TARN_STYLE_SETTER(setObliquingAngle, m_oblique, double)
TARN_STYLE_SETTER(setPriorSize, m_priorSize, double)
TARN_STYLE_SETTER(setIsShapeFile, m_shapeFile, bool)
TARN_STYLE_SETTER(setIsVertical, m_vertical, bool)

#undef TARN_STYLE_SETTER

Acad::ErrorStatus AcDbTextStyleTableRecord::fileName(AcString& name) const {
    name = AcString(m_fileName);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbTextStyleTableRecord::setFileName(const ACHAR* name) {
    return tarnSet(m_fileName, name != nullptr ? name : u"");
}

Acad::ErrorStatus AcDbTextStyleTableRecord::bigFontFileName(AcString& name) const {
    name = AcString(m_bigFontFileName);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbTextStyleTableRecord::setBigFontFileName(const ACHAR* name) {
    return tarnSet(m_bigFontFileName, name != nullptr ? name : u"");
}

Acad::ErrorStatus AcDbTextStyleTableRecord::subErase(bool erasing) {
    if (!erasing) {
        return Acad::eOk;
    }
    AcDbDatabase* db = database();
    if (platform::EqualsNoCase(tarnName(), u"Standard") || (db != nullptr && db->textstyle() == objectId())) {
        return Acad::eCannotBeErasedByCaller;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbRegAppTableRecord::subErase(bool erasing) {
    return erasing && platform::EqualsNoCase(tarnName(), u"ACAD") ? Acad::eCannotBeErasedByCaller : Acad::eOk;
}
