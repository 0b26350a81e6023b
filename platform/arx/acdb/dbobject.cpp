#include "platform/arx/acdb/dbobject.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbdict.h"
#include "platform/arx/acdb/dbinternal.h"

using platform::detail::DbSlot;

TARN_RX_DEFINE_ABSTRACT(AcDbObject, AcRxObject, nullptr, 0)

AcDbObject::AcDbObject() {
    platform::detail::NoteNonResident(1);
}

AcDbObject::AcDbObject(const AcDbObject& other)
    : AcRxObject(other),
      m_ownerId(other.m_ownerId),
      m_extDict(other.m_extDict),
      m_reactors(other.m_reactors) {
    platform::detail::NoteNonResident(1);
}

// Copies data only: identity (slot, snapshot mark) stays with each object.
AcDbObject& AcDbObject::operator=(const AcDbObject& other) {
    if (this != &other) {
        m_ownerId = other.m_ownerId;
        m_extDict = other.m_extDict;
        m_reactors = other.m_reactors;
    }
    return *this;
}

void AcDbObject::tarnWriteState(platform::detail::StateWriter& out) const {
    out.put(m_ownerId, m_extDict);
    out.put(m_reactors);
}

void AcDbObject::tarnReadState(platform::detail::StateReader& in) {
    in.get(m_ownerId, m_extDict);
    in.get(m_reactors);
}

AcDbObject::~AcDbObject() {
    if (m_slot != nullptr) {
        // A resident object deleted by its user: the database forgets it rather than keep a dangling pointer.
        m_slot->object = nullptr;
        m_slot->erased = true;
        m_slot->readers = 0;
        m_slot->writer = false;
    } else if (!m_snapshot) {
        platform::detail::NoteNonResident(-1);
    }
}

void AcDbObject::tarnMarkSnapshot() {
    if (m_slot == nullptr && !m_snapshot) {
        m_snapshot = true;
        platform::detail::NoteNonResident(-1);
    }
}

void AcDbObject::tarnAttach(DbSlot* slot) {
    if (m_slot == nullptr && !m_snapshot) {
        platform::detail::NoteNonResident(-1);
    }
    m_slot = slot;
}

void AcDbObject::tarnDetachForDelete() {
    m_slot = nullptr;
    m_snapshot = true;
}

AcDbObjectId AcDbObject::objectId() const {
    return m_slot != nullptr ? AcDbObjectId(m_slot->serial) : AcDbObjectId();
}

Acad::ErrorStatus AcDbObject::setOwnerId(AcDbObjectId ownerId) {
    return tarnSet(m_ownerId, ownerId);
}

AcDbDatabase* AcDbObject::database() const {
    return m_slot != nullptr ? m_slot->db : nullptr;
}
AcDbHandle AcDbObject::handle() const {
    return m_slot != nullptr ? m_slot->handle : AcDbHandle();
}
bool AcDbObject::isNewObject() const {
    return m_slot == nullptr;
}
bool AcDbObject::isErased() const {
    return m_slot != nullptr && m_slot->erased;
}
bool AcDbObject::isReadEnabled() const {
    return m_slot == nullptr || m_slot->readers > 0 || m_slot->writer || m_slot->notifying;
}
bool AcDbObject::isWriteEnabled() const {
    return m_slot == nullptr || m_slot->writer;
}
bool AcDbObject::isNotifyEnabled() const {
    return m_slot != nullptr && m_slot->notifying;
}
bool AcDbObject::isNotifying() const {
    return m_slot != nullptr && m_slot->notifying;
}
bool AcDbObject::isModified() const {
    return m_slot != nullptr && m_slot->modified;
}

Acad::ErrorStatus AcDbObject::assertWriteEnabled() {
    if (m_slot == nullptr) {
        return Acad::eOk;
    }
    if (!m_slot->writer) {
        return Acad::eNotOpenForWrite;
    }
    platform::detail::JournalModify(m_slot);
    m_slot->modified = true;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::assertReadEnabled() const {
    return isReadEnabled() ? Acad::eOk : Acad::eNotOpenForRead;
}

Acad::ErrorStatus AcDbObject::close() {
    if (m_slot == nullptr) {
        if (m_snapshot) {
            return Acad::eInvalidInput;
        }
        delete this;
        return Acad::eOk;
    }
    DbSlot* slot = m_slot;
    if (slot->writer) {
        slot->writer = false;
        if (slot->modified) {
            platform::detail::JournalWriteClosed(slot);
        }
        if (slot->modified || platform::detail::NotifyEveryWriteClose()) {
            slot->modified = false;
            slot->db->tarnFireModified(this);
        }
        if (slot->erasedUnrecorded) {
            platform::detail::ReleaseErased(slot);  // this object may be gone now
        }
        return Acad::eOk;
    }
    if (slot->readers > 0) {
        --slot->readers;
        return Acad::eOk;
    }
    return Acad::eNotOpenForRead;
}

Acad::ErrorStatus AcDbObject::upgradeOpen() {
    if (m_slot == nullptr) {
        return Acad::eOk;
    }
    if (m_slot->writer) {
        return Acad::eWasOpenedForWrite;
    }
    if (m_slot->readers == 0) {
        return Acad::eNotOpenForRead;
    }
    if (m_slot->readers > 1) {
        return Acad::eHadMultipleReaders;
    }
    if (tarnOnLockedLayer()) {
        return Acad::eOnLockedLayer;
    }
    platform::detail::NotifyWrite(m_slot->db);
    platform::detail::JournalWriteOpen(m_slot);
    m_slot->readers = 0;
    m_slot->writer = true;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::downgradeOpen() {
    if (m_slot == nullptr) {
        return Acad::eOk;
    }
    if (!m_slot->writer) {
        return Acad::eNotOpenForWrite;
    }
    DbSlot* slot = m_slot;
    slot->writer = false;
    slot->readers = 1;
    if (slot->modified || platform::detail::NotifyEveryWriteClose()) {
        slot->modified = false;
        slot->db->tarnFireModified(this);
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::subErase(bool) {
    return Acad::eOk;
}

bool AcDbObject::tarnOwnsResidentObjects() const {
    // An erased extension dictionary still names this object as its owner.
    return platform::detail::Peek(m_extDict) != nullptr;
}

Acad::ErrorStatus AcDbObject::erase(bool erasing) {
    if (m_slot == nullptr) {
        return Acad::eNotInDatabase;
    }
    if (!m_slot->writer) {
        return Acad::eNotOpenForWrite;
    }
    if (m_slot->erased == erasing) {
        return erasing ? Acad::eWasErased : Acad::eWasNotErased;
    }
    Acad::ErrorStatus es = subErase(erasing);
    if (es != Acad::eOk) {
        return es;
    }
    platform::detail::NotifyWrite(m_slot->db);
    platform::detail::JournalErase(m_slot, erasing);
    m_slot->erased = erasing;
    m_slot->db->tarnFireErased(this, erasing);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::createExtensionDictionary() {
    if (m_slot == nullptr) {
        return Acad::eNotInDatabase;
    }
    if (!m_slot->writer) {
        return Acad::eNotOpenForWrite;
    }
    if (!extensionDictionary().isNull()) {
        return Acad::eAlreadyInDb;
    }
    AcDbDatabase* db = m_slot->db;
    auto* dict = new AcDbDictionary();
    AcDbObjectId dictId;
    const Acad::ErrorStatus es = db->tarnAppendObject(dict, objectId(), dictId, [this](AcDbObjectId newId) {
        assertWriteEnabled();
        m_extDict = newId;
    });
    if (es != Acad::eOk) {
        delete dict;
        return es;
    }
    dict->close();
    return Acad::eOk;
}

void AcDbObject::tarnDetachCopy() {
    if (m_slot == nullptr) {
        m_extDict = AcDbObjectId();
        m_reactors.setLogicalLength(0);
    }
}

AcDbObjectId AcDbObject::extensionDictionary() const {
    const DbSlot* slot = platform::detail::FindSlot(m_extDict);
    return (slot != nullptr && !slot->erased && slot->object != nullptr) ? m_extDict : AcDbObjectId();
}

void AcDbObject::addPersistentReactor(AcDbObjectId reactorId) {
    if (reactorId.isNull() || m_reactors.contains(reactorId) || assertWriteEnabled() != Acad::eOk) {
        return;
    }
    m_reactors.append(reactorId);
}

Acad::ErrorStatus AcDbObject::removePersistentReactor(AcDbObjectId reactorId) {
    if (!m_reactors.contains(reactorId)) {
        return Acad::eKeyNotFound;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_reactors.remove(reactorId);
    }
    return es;
}

bool AcDbObject::hasPersistentReactor(AcDbObjectId reactorId) const {
    return m_reactors.contains(reactorId);
}

void AcDbObject::modified(const AcDbObject*) {}
void AcDbObject::erased(const AcDbObject*, bool) {}

Acad::ErrorStatus acdbOpenObject(AcDbObject*& object, AcDbObjectId id, AcDb::OpenMode mode, bool openErased) {
    object = nullptr;
    if (id.isNull()) {
        return Acad::eNullObjectId;
    }
    DbSlot* slot = platform::detail::FindSlot(id);
    if (slot == nullptr || slot->object == nullptr) {
        return Acad::eNotInDatabase;
    }
    if (slot->erased && !openErased) {
        return Acad::eWasErased;
    }
    if (slot->notifying) {
        return Acad::eWasNotifying;
    }
    if (mode == AcDb::kForWrite) {
        if (slot->writer) {
            return Acad::eWasOpenedForWrite;
        }
        if (slot->readers > 0) {
            return Acad::eWasOpenedForRead;
        }
        if (slot->object->tarnOnLockedLayer()) {
            return Acad::eOnLockedLayer;
        }
        platform::detail::NotifyWrite(slot->db);
        platform::detail::JournalWriteOpen(slot);
        slot->writer = true;
    } else {
        if (slot->writer) {
            return Acad::eWasOpenedForWrite;
        }
        ++slot->readers;
    }
    object = slot->object;
    return Acad::eOk;
}
