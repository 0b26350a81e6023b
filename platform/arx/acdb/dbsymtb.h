// Symbol tables and their records. Names are case-insensitive, may begin with '*' ("*MapLayer"), and erased
// records are invisible to look-ups (a new record may take an erased one's name). Tables keep insertion
// order.
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acdb/acstring.h"
#include "platform/arx/acdb/dbobject.h"

class AcDbSymbolTableRecord : public AcDbObject {
    TARN_RX_DECLARE_MEMBERS(AcDbSymbolTableRecord)
public:
    // The pointer is valid while the record is open and unchanged.
    Acad::ErrorStatus getName(const ACHAR*& name) const;
    Acad::ErrorStatus getName(AcString& name) const;
    const ACHAR* tarnName() const { return m_name.c_str(); }
    // eInvalidInput for an empty name, reserved characters (<>/\":;?*|,=` and control characters, '*'
    // allowed as the first character) or more than 255 characters; eDuplicateRecordName when another live
    // record of the table has the name.
    Acad::ErrorStatus setName(const ACHAR* name);
    bool isDependent() const { return false; }
    bool isResolved() const { return true; }

    // Stand-in: the name rule of setName.
    static bool tarnIsValidName(const ACHAR* name);
    void tarnWriteState(platform::detail::StateWriter& out) const override;
    void tarnReadState(platform::detail::StateReader& in) override;

private:
    std::u16string m_name;
};

class AcDbSymbolTableIterator;

namespace platform::detail {

// The position of an iterator over a container's id list (a table's records, a block's entities). The list
// is looked up through the container's id at every call, so the iterator sees appends and outlives the
// container's open.
class IdListCursor {
public:
    using ListOf = const std::vector<AcDbObjectId>* (*)(AcDbObjectId container);

    IdListCursor(AcDbObjectId container, ListOf listOf) : m_container(container), m_listOf(listOf) {}

    void start(bool atBeginning, bool skipDeleted);
    bool done() const;
    void step(bool forward, bool skipDeleted);
    // eIteratorDone past either end.
    Acad::ErrorStatus getId(AcDbObjectId& id) const;
    // eInvalidInput when the id is not in the list (the position is unchanged).
    Acad::ErrorStatus seek(AcDbObjectId id);

private:
    void skip(bool forward, bool skipDeleted);

    AcDbObjectId m_container;
    ListOf m_listOf;
    long m_index = 0;
};

}  // namespace platform::detail

class AcDbSymbolTable : public AcDbObject {
    TARN_RX_DECLARE_MEMBERS(AcDbSymbolTable)
public:
    bool has(const ACHAR* name) const;
    bool has(AcDbObjectId id) const;
    // eKeyNotFound when no live record has the name (with getErased, erased records count too).
    Acad::ErrorStatus getAt(const ACHAR* name, AcDbObjectId& id, bool getErased = false) const;
    Acad::ErrorStatus getAt(const ACHAR* name, AcDbSymbolTableRecord*& record, AcDb::OpenMode mode,
                            bool openErased = false) const;
    // Needs a write-open table. eNullObjectPointer, eWrongObjectType (a record of another table),
    // eAlreadyInDb (record resident), eInvalidInput (name not valid), eDuplicateRecordName. On success the
    // record is resident and stays open for write.
    Acad::ErrorStatus add(AcDbSymbolTableRecord* record);
    Acad::ErrorStatus add(AcDbObjectId& id, AcDbSymbolTableRecord* record);
    // The caller deletes the iterator.
    Acad::ErrorStatus newIterator(AcDbSymbolTableIterator*& iterator, bool atBeginning = true,
                                  bool skipDeleted = true) const;

    // Stand-in: every record id in insertion order, erased ones included.
    const std::vector<AcDbObjectId>& tarnRecordIds() const { return m_records; }
    // For readers of drawing files: adds a record already made resident with this table as owner.
    void tarnAddRecordId(AcDbObjectId id) { m_records.push_back(id); }
    // The class of the records the table takes.
    virtual AcRxClass* tarnRecordClass() const = 0;
    // A live record of the name other than except; null id when none.
    AcDbObjectId tarnFind(const ACHAR* name, bool getErased = false,
                          AcDbObjectId except = AcDbObjectId()) const;
    void tarnWriteState(platform::detail::StateWriter& out) const override;
    void tarnReadState(platform::detail::StateReader& in) override;

private:
    std::vector<AcDbObjectId> m_records;
};

class AcDbSymbolTableIterator {
public:
    AcDbSymbolTableIterator(AcDbObjectId tableId, bool atBeginning, bool skipDeleted);
    virtual ~AcDbSymbolTableIterator() = default;

    void start(bool atBeginning = true, bool skipDeleted = true) { m_cursor.start(atBeginning, skipDeleted); }
    bool done() const { return m_cursor.done(); }
    void step(bool forward = true, bool skipDeleted = true) { m_cursor.step(forward, skipDeleted); }
    Acad::ErrorStatus getRecordId(AcDbObjectId& id) const { return m_cursor.getId(id); }
    Acad::ErrorStatus getRecord(AcDbSymbolTableRecord*& record, AcDb::OpenMode mode = AcDb::kForRead,
                                bool openErased = false) const;
    Acad::ErrorStatus seek(AcDbObjectId id) { return m_cursor.seek(id); }

private:
    platform::detail::IdListCursor m_cursor;
};

// The typed face of a table: records and iterators of its own kind.
template <class Record>
class AcDbSymbolTableIteratorOf : public AcDbSymbolTableIterator {
public:
    using AcDbSymbolTableIterator::AcDbSymbolTableIterator;
    using AcDbSymbolTableIterator::getRecord;
    Acad::ErrorStatus getRecord(Record*& record, AcDb::OpenMode mode = AcDb::kForRead,
                                bool openErased = false) const {
        record = nullptr;
        AcDbObjectId id;
        Acad::ErrorStatus es = getRecordId(id);
        return es != Acad::eOk ? es : acdbOpenObject(record, id, mode, openErased);
    }
};

template <class Record>
class AcDbSymbolTableOf : public AcDbSymbolTable {
public:
    typedef AcDbSymbolTableIteratorOf<Record> Iterator;

    using AcDbSymbolTable::add;
    using AcDbSymbolTable::getAt;
    using AcDbSymbolTable::newIterator;

    Acad::ErrorStatus getAt(const ACHAR* name, Record*& record, AcDb::OpenMode mode,
                            bool openErased = false) const {
        record = nullptr;
        AcDbObjectId id;
        Acad::ErrorStatus es = getAt(name, id, openErased);
        return es != Acad::eOk ? es : acdbOpenObject(record, id, mode, openErased);
    }
    Acad::ErrorStatus add(Record* record) { return AcDbSymbolTable::add(record); }
    Acad::ErrorStatus add(AcDbObjectId& id, Record* record) { return AcDbSymbolTable::add(id, record); }
    Acad::ErrorStatus newIterator(Iterator*& iterator, bool atBeginning = true,
                                  bool skipDeleted = true) const {
        iterator = new Iterator(objectId(), atBeginning, skipDeleted);
        return Acad::eOk;
    }
    AcRxClass* tarnRecordClass() const override { return Record::desc(); }
};
