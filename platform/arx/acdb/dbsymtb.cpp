#include "platform/arx/acdb/dbsymtb.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/win32/core/unicode.h"

namespace {

const platform::FieldDesc kRecordFields[] = {
    TARN_SUBCLASS("AcDbSymbolTableRecord"),
};

}  // namespace

TARN_RX_DEFINE_ABSTRACT(AcDbSymbolTableRecord, AcDbObject, kRecordFields, std::size(kRecordFields))
TARN_RX_DEFINE_ABSTRACT(AcDbSymbolTable, AcDbObject, nullptr, 0)

namespace {

bool IsErased(AcDbObjectId id) {
    const platform::detail::DbSlot* slot = platform::detail::FindSlot(id);
    return slot == nullptr || slot->object == nullptr || slot->erased;
}

}  // namespace

bool AcDbSymbolTableRecord::tarnIsValidName(const ACHAR* name) {
    if (name == nullptr || *name == 0) {
        return false;
    }
    static const std::u16string kReserved = u"<>/\\\":;?*|,=`";
    size_t length = 0;
    for (const ACHAR* c = name; *c != 0; ++c, ++length) {
        if (*c < 0x20) {
            return false;
        }
        if (kReserved.find(*c) != std::u16string::npos && !(*c == u'*' && c == name)) {
            return false;
        }
    }
    return length <= 255;
}

Acad::ErrorStatus AcDbSymbolTableRecord::getName(const ACHAR*& name) const {
    name = m_name.c_str();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableRecord::getName(AcString& name) const {
    name = AcString(m_name);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableRecord::setName(const ACHAR* name) {
    if (!tarnIsValidName(name)) {
        return Acad::eInvalidInput;
    }
    if (!isWriteEnabled()) {
        return Acad::eNotOpenForWrite;
    }
    if (const auto* table = AcDbSymbolTable::cast(platform::detail::Peek(ownerId())); table != nullptr) {
        if (!table->tarnFind(name, false, objectId()).isNull()) {
            return Acad::eDuplicateRecordName;
        }
    }
    return tarnSet(m_name, name);
}

AcDbObjectId AcDbSymbolTable::tarnFind(const ACHAR* name, bool getErased, AcDbObjectId except) const {
    if (name == nullptr) {
        return AcDbObjectId();
    }
    for (const AcDbObjectId& id : m_records) {
        if (id == except || (!getErased && IsErased(id))) {
            continue;
        }
        const auto* record = AcDbSymbolTableRecord::cast(platform::detail::Peek(id));
        if (record != nullptr && platform::EqualsNoCase(record->tarnName(), name)) {
            return id;
        }
    }
    return AcDbObjectId();
}

bool AcDbSymbolTable::has(const ACHAR* name) const {
    return !tarnFind(name).isNull();
}

bool AcDbSymbolTable::has(AcDbObjectId id) const {
    for (const AcDbObjectId& member : m_records) {
        if (member == id && !IsErased(id)) {
            return true;
        }
    }
    return false;
}

Acad::ErrorStatus AcDbSymbolTable::getAt(const ACHAR* name, AcDbObjectId& id, bool getErased) const {
    AcDbObjectId found = tarnFind(name, getErased);
    if (found.isNull()) {
        return Acad::eKeyNotFound;
    }
    id = found;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTable::getAt(const ACHAR* name, AcDbSymbolTableRecord*& record,
                                         AcDb::OpenMode mode, bool openErased) const {
    record = nullptr;
    AcDbObjectId id;
    Acad::ErrorStatus es = getAt(name, id, openErased);
    return es != Acad::eOk ? es : acdbOpenObject(record, id, mode, openErased);
}

Acad::ErrorStatus AcDbSymbolTable::add(AcDbObjectId& id, AcDbSymbolTableRecord* record) {
    if (record == nullptr) {
        return Acad::eNullObjectPointer;
    }
    if (!record->isKindOf(tarnRecordClass())) {
        return Acad::eWrongObjectType;
    }
    if (record->database() != nullptr) {
        return Acad::eAlreadyInDb;
    }
    AcDbDatabase* db = database();
    if (db == nullptr) {
        return Acad::eNotInDatabase;
    }
    if (!isWriteEnabled()) {
        return Acad::eNotOpenForWrite;
    }
    if (!AcDbSymbolTableRecord::tarnIsValidName(record->tarnName())) {
        return Acad::eInvalidInput;
    }
    if (!tarnFind(record->tarnName()).isNull()) {
        return Acad::eDuplicateRecordName;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    return db->tarnAppendObject(record, objectId(), id,
                                [this](AcDbObjectId newId) { m_records.push_back(newId); });
}

Acad::ErrorStatus AcDbSymbolTable::add(AcDbSymbolTableRecord* record) {
    AcDbObjectId id;
    return add(id, record);
}

Acad::ErrorStatus AcDbSymbolTable::newIterator(AcDbSymbolTableIterator*& iterator, bool atBeginning,
                                               bool skipDeleted) const {
    iterator = new AcDbSymbolTableIterator(objectId(), atBeginning, skipDeleted);
    return Acad::eOk;
}

namespace {

const std::vector<AcDbObjectId>* RecordsOf(AcDbObjectId tableId) {
    const auto* table = AcDbSymbolTable::cast(platform::detail::Peek(tableId));
    return table != nullptr ? &table->tarnRecordIds() : nullptr;
}

}  // namespace

AcDbSymbolTableIterator::AcDbSymbolTableIterator(AcDbObjectId tableId, bool atBeginning, bool skipDeleted)
    : m_cursor(tableId, RecordsOf) {
    start(atBeginning, skipDeleted);
}

Acad::ErrorStatus AcDbSymbolTableIterator::getRecord(AcDbSymbolTableRecord*& record, AcDb::OpenMode mode,
                                                     bool openErased) const {
    record = nullptr;
    AcDbObjectId id;
    Acad::ErrorStatus es = getRecordId(id);
    return es != Acad::eOk ? es : acdbOpenObject(record, id, mode, openErased);
}

namespace platform::detail {

void IdListCursor::start(bool atBeginning, bool skipDeleted) {
    const auto* list = m_listOf(m_container);
    const long size = list != nullptr ? static_cast<long>(list->size()) : 0;
    m_index = atBeginning ? 0 : size - 1;
    skip(atBeginning, skipDeleted);
}

bool IdListCursor::done() const {
    const auto* list = m_listOf(m_container);
    return list == nullptr || m_index < 0 || m_index >= static_cast<long>(list->size());
}

void IdListCursor::skip(bool forward, bool skipDeleted) {
    while (skipDeleted && !done() && IsErased((*m_listOf(m_container))[static_cast<size_t>(m_index)])) {
        m_index += forward ? 1 : -1;
    }
}

void IdListCursor::step(bool forward, bool skipDeleted) {
    if (done()) {
        return;
    }
    m_index += forward ? 1 : -1;
    skip(forward, skipDeleted);
}

Acad::ErrorStatus IdListCursor::getId(AcDbObjectId& id) const {
    if (done()) {
        return Acad::eIteratorDone;
    }
    id = (*m_listOf(m_container))[static_cast<size_t>(m_index)];
    return Acad::eOk;
}

Acad::ErrorStatus IdListCursor::seek(AcDbObjectId id) {
    const auto* list = m_listOf(m_container);
    if (list != nullptr) {
        for (size_t i = 0; i < list->size(); ++i) {
            if ((*list)[i] == id) {
                m_index = static_cast<long>(i);
                return Acad::eOk;
            }
        }
    }
    return Acad::eInvalidInput;
}

}  // namespace platform::detail

void AcDbSymbolTableRecord::tarnWriteState(platform::detail::StateWriter& out) const {
    AcDbObject::tarnWriteState(out);
    out.put(m_name);
}

void AcDbSymbolTableRecord::tarnReadState(platform::detail::StateReader& in) {
    AcDbObject::tarnReadState(in);
    in.get(m_name);
}

void AcDbSymbolTable::tarnWriteState(platform::detail::StateWriter& out) const {
    AcDbObject::tarnWriteState(out);
    out.put(m_records);
}

void AcDbSymbolTable::tarnReadState(platform::detail::StateReader& in) {
    AcDbObject::tarnReadState(in);
    in.get(m_records);
}
