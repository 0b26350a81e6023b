#include "platform/arx/acdb/dbdict.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/win32/core/unicode.h"

TARN_RX_DEFINE(AcDbDictionary, AcDbObject, u"DICTIONARY", nullptr, 0)

namespace {

bool IsLive(AcDbObjectId id) {
    const platform::detail::DbSlot* slot = platform::detail::FindSlot(id);
    return slot != nullptr && slot->object != nullptr && !slot->erased;
}

}  // namespace

int AcDbDictionary::find(const ACHAR* key) const {
    if (key == nullptr) {
        return -1;
    }
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (platform::EqualsNoCase(m_entries[i].key, key)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Acad::ErrorStatus AcDbDictionary::getAt(const ACHAR* key, AcDbObjectId& id) const {
    const int i = find(key);
    if (i < 0 || !IsLive(m_entries[static_cast<size_t>(i)].id)) {
        return Acad::eKeyNotFound;
    }
    id = m_entries[static_cast<size_t>(i)].id;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDictionary::getAt(const ACHAR* key, AcDbObject*& object, AcDb::OpenMode mode) const {
    object = nullptr;
    AcDbObjectId id;
    Acad::ErrorStatus es = getAt(key, id);
    if (es != Acad::eOk) {
        return es;
    }
    return acdbOpenObject(object, id, mode);
}

Acad::ErrorStatus AcDbDictionary::nameAt(AcDbObjectId id, AcString& key) const {
    for (const Entry& entry : m_entries) {
        if (entry.id == id && IsLive(id)) {
            key = AcString(entry.key);
            return Acad::eOk;
        }
    }
    return Acad::eKeyNotFound;
}

bool AcDbDictionary::has(const ACHAR* key) const {
    AcDbObjectId id;
    return getAt(key, id) == Acad::eOk;
}

bool AcDbDictionary::has(AcDbObjectId id) const {
    for (const Entry& entry : m_entries) {
        if (entry.id == id && IsLive(id)) {
            return true;
        }
    }
    return false;
}

Adesk::UInt32 AcDbDictionary::numEntries() const {
    Adesk::UInt32 count = 0;
    for (const Entry& entry : m_entries) {
        if (IsLive(entry.id)) {
            ++count;
        }
    }
    return count;
}

Acad::ErrorStatus AcDbDictionary::setAt(const ACHAR* key, AcDbObject* newValue, AcDbObjectId& id) {
    if (newValue == nullptr) {
        return Acad::eNullObjectPointer;
    }
    if (key == nullptr || *key == 0) {
        return Acad::eInvalidKey;
    }
    AcDbDatabase* db = database();
    if (db == nullptr) {
        return Acad::eNotInDatabase;
    }
    if (newValue->database() != nullptr && newValue->database() != db) {
        return Acad::eWrongDatabase;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    // The entry takes the value's id (replacing and erasing a live one under the key).
    auto link = [&](AcDbObjectId newId) {
        const int i = find(key);
        if (i >= 0) {
            Entry& entry = m_entries[static_cast<size_t>(i)];
            if (entry.id != newId && IsLive(entry.id)) {
                platform::detail::EraseInternal(platform::detail::FindSlot(entry.id), true);
            }
            entry.key = key;
            entry.id = newId;
        } else {
            Entry entry{key, newId};
            auto at = m_entries.begin();
            while (at != m_entries.end() && platform::CompareNoCase(at->key, entry.key) < 0) {
                ++at;
            }
            m_entries.insert(at, entry);
        }
    };
    if (newValue->database() == nullptr) {
        return db->tarnAppendObject(newValue, objectId(), id, link);
    }
    platform::detail::JournalModify(newValue->tarnSlot());
    newValue->tarnSetOwner(objectId());
    link(newValue->objectId());
    id = newValue->objectId();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDictionary::remove(const ACHAR* key, AcDbObjectId& id) {
    const int i = find(key);
    if (i < 0 || !IsLive(m_entries[static_cast<size_t>(i)].id)) {
        return Acad::eKeyNotFound;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    id = m_entries[static_cast<size_t>(i)].id;
    m_entries.erase(m_entries.begin() + i);
    if (platform::detail::DbSlot* slot = platform::detail::FindSlot(id); slot != nullptr && slot->object) {
        platform::detail::JournalModify(slot);
        slot->object->tarnSetOwner(AcDbObjectId());
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDictionary::remove(const ACHAR* key) {
    AcDbObjectId id;
    return remove(key, id);
}

Acad::ErrorStatus AcDbDictionary::remove(AcDbObjectId id) {
    for (const Entry& entry : m_entries) {
        if (entry.id == id) {
            const std::u16string key = entry.key;
            AcDbObjectId removed;
            return remove(key.c_str(), removed);
        }
    }
    return Acad::eKeyNotFound;
}

Acad::ErrorStatus AcDbDictionary::setName(const ACHAR* oldKey, const ACHAR* newKey) {
    if (newKey == nullptr || *newKey == 0) {
        return Acad::eInvalidKey;
    }
    const int i = find(oldKey);
    if (i < 0) {
        return Acad::eKeyNotFound;
    }
    const int other = find(newKey);
    if (other >= 0 && other != i && IsLive(m_entries[static_cast<size_t>(other)].id)) {
        return Acad::eDuplicateKey;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    Entry entry = m_entries[static_cast<size_t>(i)];
    entry.key = newKey;
    m_entries.erase(m_entries.begin() + i);
    if (other >= 0 && other != i) {
        m_entries.erase(m_entries.begin() + (other > i ? other - 1 : other));
    }
    auto at = m_entries.begin();
    while (at != m_entries.end() && platform::CompareNoCase(at->key, entry.key) < 0) {
        ++at;
    }
    m_entries.insert(at, entry);
    return Acad::eOk;
}

AcDbDictionaryIterator* AcDbDictionary::newIterator() const {
    std::vector<Entry> live;
    for (const Entry& entry : m_entries) {
        if (IsLive(entry.id)) {
            live.push_back(entry);
        }
    }
    return new AcDbDictionaryIterator(std::move(live));
}

const ACHAR* AcDbDictionaryIterator::name() const {
    return done() ? nullptr : m_entries[m_index].key.c_str();
}

AcDbObjectId AcDbDictionaryIterator::objectId() const {
    return done() ? AcDbObjectId() : m_entries[m_index].id;
}

Acad::ErrorStatus AcDbDictionaryIterator::getObject(AcDbObject*& object, AcDb::OpenMode mode) const {
    object = nullptr;
    if (done()) {
        return Acad::eIteratorDone;
    }
    return acdbOpenObject(object, m_entries[m_index].id, mode);
}

bool AcDbDictionaryIterator::next() {
    if (!done()) {
        ++m_index;
    }
    return !done();
}

void AcDbDictionary::tarnWriteState(platform::detail::StateWriter& out) const {
    AcDbObject::tarnWriteState(out);
    out.put(static_cast<std::uint32_t>(m_entries.size()));
    for (const Entry& entry : m_entries) {
        out.put(entry.key, entry.id);
    }
}

void AcDbDictionary::tarnReadState(platform::detail::StateReader& in) {
    AcDbObject::tarnReadState(in);
    std::uint32_t count = 0;
    in.get(count);
    m_entries.clear();
    for (std::uint32_t i = 0; i < count && !in.failed(); ++i) {
        Entry& entry = m_entries.emplace_back();
        in.get(entry.key, entry.id);
    }
}
