#include "platform/arx/acdb/dbtextstyle.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/win32/core/unicode.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kStyleFields[] = {
    {2, FieldKind::kString, "name", nullptr, nullptr},
    {40, FieldKind::kReal, "textSize", nullptr, nullptr},
    {41, FieldKind::kReal, "xScale", nullptr, nullptr},
    {50, FieldKind::kAngle, "obliquingAngle", nullptr, nullptr},
    {42, FieldKind::kReal, "priorSize", nullptr, nullptr},
    {3, FieldKind::kString, "fileName", nullptr, nullptr},
    {4, FieldKind::kString, "bigFontFileName", nullptr, nullptr},
};

const FieldDesc kRegAppFields[] = {
    {2, FieldKind::kString, "name", nullptr, nullptr},
};

}  // namespace

TARN_RX_DEFINE(AcDbTextStyleTableRecord, AcDbSymbolTableRecord, u"STYLE", kStyleFields,
               std::size(kStyleFields))
TARN_RX_DEFINE(AcDbRegAppTableRecord, AcDbSymbolTableRecord, u"APPID", kRegAppFields,
               std::size(kRegAppFields))

#define TARN_STYLE_SETTER(NAME, MEMBER, TYPE)                      \
    Acad::ErrorStatus AcDbTextStyleTableRecord::NAME(TYPE value) { \
        Acad::ErrorStatus es = assertWriteEnabled();               \
        if (es == Acad::eOk) {                                     \
            MEMBER = value;                                        \
        }                                                          \
        return es;                                                 \
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
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_fileName = name != nullptr ? name : u"";
    }
    return es;
}

Acad::ErrorStatus AcDbTextStyleTableRecord::bigFontFileName(AcString& name) const {
    name = AcString(m_bigFontFileName);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbTextStyleTableRecord::setBigFontFileName(const ACHAR* name) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_bigFontFileName = name != nullptr ? name : u"";
    }
    return es;
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
