#include "platform/arx/acdb/dxffields.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbsymtb.h"

namespace platform::dxf {

std::u16string RecordName(AcDbObjectId id) {
    const auto* record = AcDbSymbolTableRecord::cast(platform::detail::Peek(id));
    return record != nullptr ? std::u16string(record->tarnName()) : std::u16string();
}

AcDbObjectId FindRecord(const AcDbObject* object, AcDbObjectId (AcDbDatabase::*table)() const,
                        std::u16string_view name) {
    const AcDbDatabase* db = object->database();
    if (db == nullptr) {
        return AcDbObjectId();
    }
    const auto* symbols = AcDbSymbolTable::cast(platform::detail::Peek((db->*table)()));
    return symbols != nullptr ? symbols->tarnFind(std::u16string(name).c_str()) : AcDbObjectId();
}

AcDbObjectId IdOfHandle(const AcDbObject* object, std::int64_t handle) {
    AcDbDatabase* db = object->database();
    AcDbObjectId id;
    if (db != nullptr && handle != 0) {
        db->getAcDbObjectId(id, false, AcDbHandle(static_cast<Adesk::UInt64>(handle)));
    }
    return id;
}

}  // namespace platform::dxf
