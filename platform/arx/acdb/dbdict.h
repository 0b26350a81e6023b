// Dictionaries: named entries owning their objects (the named-object dictionary, extension dictionaries,
// the image dictionary). Keys are case-insensitive and kept sorted; erased entries are invisible.
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acdb/acstring.h"
#include "platform/arx/acdb/dbobject.h"

class AcDbDictionaryIterator;

class AcDbDictionary : public AcDbObject {
    TARN_DB_DECLARE_MEMBERS(AcDbDictionary)
public:
    AcDbDictionary() = default;

    // eKeyNotFound for a missing (or erased) entry; open failures as acdbOpenObject.
    Acad::ErrorStatus getAt(const ACHAR* key, AcDbObject*& object, AcDb::OpenMode mode) const;
    Acad::ErrorStatus getAt(const ACHAR* key, AcDbObjectId& id) const;
    Acad::ErrorStatus nameAt(AcDbObjectId id, AcString& key) const;
    bool has(const ACHAR* key) const;
    bool has(AcDbObjectId id) const;
    Adesk::UInt32 numEntries() const;

    // Needs a write-open of a resident dictionary. A non-resident object becomes resident, owned by the
    // dictionary, and stays open for write; a resident one of the same database changes owner. A live
    // object already under the key is erased.
    Acad::ErrorStatus setAt(const ACHAR* key, AcDbObject* newValue, AcDbObjectId& id);
    // Drops the entry; the object stays (its owner becomes null).
    Acad::ErrorStatus remove(const ACHAR* key);
    Acad::ErrorStatus remove(const ACHAR* key, AcDbObjectId& id);
    Acad::ErrorStatus remove(AcDbObjectId id);
    Acad::ErrorStatus setName(const ACHAR* oldKey, const ACHAR* newKey);

    // The caller deletes the iterator. It walks the live entries in key order as they were when it was made.
    AcDbDictionaryIterator* newIterator() const;

    struct Entry {
        std::u16string key;
        AcDbObjectId id;
    };
    // Every entry, erased objects included (writers and checks).
    const std::vector<Entry>& tarnEntries() const { return m_entries; }
    bool tarnHasState() const override { return isA() == AcDbDictionary::desc(); }
    void tarnWriteState(platform::detail::StateWriter& out) const override;
    void tarnReadState(platform::detail::StateReader& in) override;

private:
    int find(const ACHAR* key) const;

    std::vector<Entry> m_entries;
};

class AcDbDictionaryIterator {
public:
    explicit AcDbDictionaryIterator(std::vector<AcDbDictionary::Entry> entries)
        : m_entries(std::move(entries)) {}

    const ACHAR* name() const;
    AcDbObjectId objectId() const;
    Acad::ErrorStatus getObject(AcDbObject*& object, AcDb::OpenMode mode = AcDb::kForRead) const;
    bool done() const { return m_index >= m_entries.size(); }
    bool next();

private:
    std::vector<AcDbDictionary::Entry> m_entries;
    size_t m_index = 0;
};
