#include "platform/arx/acdb/dbunknown.h"

// No file name: the reader makes these for types it does not know, never by name.
TARN_RX_DEFINE(AcDbUnknownObject, AcDbObject, u"", nullptr, 0)
TARN_RX_DEFINE(AcDbUnknownTableRecord, AcDbUnknownObject, u"", nullptr, 0)
TARN_RX_DEFINE(AcDbUnknownEntity, AcDbEntity, u"", nullptr, 0)

Acad::ErrorStatus AcDbUnknownObject::tarnSetContents(std::string type, std::vector<Pair> pairs,
                                                     std::vector<Pair> classPairs) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_type = std::move(type);
        m_pairs = std::move(pairs);
        m_classPairs = std::move(classPairs);
    }
    return es;
}

Acad::ErrorStatus AcDbUnknownEntity::tarnSetContents(std::string type, std::vector<Pair> pairs,
                                                     std::vector<Pair> classPairs) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_type = std::move(type);
        m_pairs = std::move(pairs);
        m_classPairs = std::move(classPairs);
    }
    return es;
}
