// Database objects and the open model.
//
// Every object of a database lives in memory for the life of the database (but one erased while undo
// recording is off, which nothing can bring back: see close()); "opening" an object grants a pointer in a
// mode: many readers or one writer. A resident object is changed only while open for write (its setters
// return eNotOpenForWrite otherwise); a non-resident object (built with new, not yet appended) is always
// writable, and close() on it deletes it, as on the host. Failed opens leave the pointer null.
//
// Notifications (see AcDbDatabaseReactor) fire in the host's order: objectAppended at the append,
// objectModified at the close of a write-open in which a setter ran (an append counts, so a new object fires
// at its first close), objectErased at erase() and at undo or redo of an erase or an append. While reactors
// run, the object is "notifying": opening it again fails with eWasNotifying.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acdb/dbstate.h"
#include "platform/arx/acdb/dbstatus.h"
#include "platform/arx/acdb/rxobject.h"

class AcDbObject;
class AcDbDatabase;

namespace platform::detail {

class StateWriter;
class StateReader;

// The database's bookkeeping of one resident object (what the object id stands for).
struct DbSlot {
    std::uint64_t serial = 0;
    AcDbDatabase* db = nullptr;
    AcDbHandle handle;
    AcDbObject* object = nullptr;
    bool erased = false;
    int readers = 0;
    bool writer = false;
    bool notifying = false;
    bool modified = false;            // a setter ran in the current write-open
    bool journaled = false;           // the undo journal has held a record of it (records point at the slot)
    bool erasedUnrecorded = false;    // erased while undo recording was off
    std::uint64_t snapshotGroup = 0;  // undo group whose before-state of this object is recorded
    // The undo journal's latest record of this object (internal to it): the group it is in, its index, and
    // whether it already holds only the ranges a write-open changed.
    std::uint64_t journalGroup = 0;
    std::uint32_t journalRecord = 0;
    bool journalRanges = false;
    // Changed while undo recording was off: the journal's records of it made before this place (a group
    // serial and a record's index in it) were made against states that are gone, and undo and redo leave the
    // object as it stands.
    std::uint32_t voidRecord = 0;
    std::uint64_t voidGroup = 0;
};

}  // namespace platform::detail

// Adds the members every database class needs beside its runtime class: the copy of its data that undo
// keeps, and the restore from such a copy. The class must be copyable (the base copies data, not identity).
#define TARN_DB_DECLARE_MEMBERS(CLASS)                      \
    TARN_RX_DECLARE_MEMBERS(CLASS)                          \
    AcRxObject* clone() const override {                    \
        return new CLASS(*this);                            \
    }                                                       \
                                                            \
protected:                                                  \
    AcDbObject* tarnCopyData() const override {             \
        return new CLASS(*this);                            \
    }                                                       \
    void tarnRestoreData(const AcDbObject& from) override { \
        *this = static_cast<const CLASS&>(from);            \
    }                                                       \
                                                            \
public:

class AcDbObject : public AcRxObject {
    TARN_RX_DECLARE_MEMBERS(AcDbObject)
public:
    AcDbObject();
    AcDbObject(const AcDbObject& other);
    AcDbObject& operator=(const AcDbObject& other);
    ~AcDbObject() override;

    AcDbObjectId objectId() const;
    AcDbObjectId ownerId() const { return m_ownerId; }
    Acad::ErrorStatus setOwnerId(AcDbObjectId ownerId);
    AcDbDatabase* database() const;
    AcDbHandle handle() const;
    void getAcDbHandle(AcDbHandle& handle) const { handle = this->handle(); }

    bool isNewObject() const;
    bool isErased() const;
    bool isReadEnabled() const;
    bool isWriteEnabled() const;
    bool isNotifyEnabled() const;
    bool isNotifying() const;
    bool isModified() const;

    // Ends this open; at the end of a write-open in which something changed, objectModified fires.
    // A non-resident object is deleted. So is a resident one that was erased while its database's undo
    // recording was off and that no undo record names: nothing can bring it back, and its id reads as
    // invalid from then on (opens fail with eNotInDatabase).
    Acad::ErrorStatus close();
    Acad::ErrorStatus upgradeOpen();
    Acad::ErrorStatus downgradeOpen();

    // Needs a write-open. erase(true) marks the object erased (its id and handle stay findable; iterators
    // that skip deleted entries skip it) and fires objectErased(obj, true); erase(false) undoes it.
    Acad::ErrorStatus erase(bool erasing = true);

    // Needs a write-open of a resident object; eAlreadyInDb when the object has a live one.
    Acad::ErrorStatus createExtensionDictionary();
    AcDbObjectId extensionDictionary() const;
    // Stand-in: a copy made for COPY owns no extension dictionary and no persistent reactors of the original.
    virtual void tarnDetachCopy();

    // Persistent reactors: objects told through modified()/erased() when this object changes.
    void addPersistentReactor(AcDbObjectId reactorId);
    Acad::ErrorStatus removePersistentReactor(AcDbObjectId reactorId);
    bool hasPersistentReactor(AcDbObjectId reactorId) const;
    const AcDbObjectIdArray& persistentReactorIds() const { return m_reactors; }
    virtual void modified(const AcDbObject* changed);
    virtual void erased(const AcDbObject* changed, bool erasing = true);

    // Stand-in internals.
    platform::detail::DbSlot* tarnSlot() const { return m_slot; }
    void tarnAttach(platform::detail::DbSlot* slot);
    // Deletes a resident object when its database goes away.
    void tarnDetachForDelete();
    // Checks that a change is allowed now and records the object for undo and notification.
    Acad::ErrorStatus assertWriteEnabled();
    Acad::ErrorStatus assertReadEnabled() const;
    // Sets the extension dictionary id (readers of drawing files).
    void tarnSetExtensionDictionary(AcDbObjectId id) { m_extDict = id; }
    // Sets the owner without a write-open (containers taking or dropping an object; journaled by them).
    void tarnSetOwner(AcDbObjectId id) { m_ownerId = id; }
    virtual AcDbObject* tarnCopyData() const = 0;
    virtual void tarnRestoreData(const AcDbObject& from) = 0;
    // The compact state the undo journal keeps of classes that have one (TARN_DB_STATE): exactly the data
    // the copy and restore handle, written and read back field by field. Classes without one are journaled
    // by whole copies.
    virtual bool tarnHasState() const { return false; }
    virtual void tarnWriteState(platform::detail::StateWriter& out) const;
    virtual void tarnReadState(platform::detail::StateReader& in);
    // Entities refuse write-opens on locked layers.
    virtual bool tarnOnLockedLayer() const { return false; }
    // A class's veto of an erase (default records, current layer).
    virtual Acad::ErrorStatus subErase(bool erasing);
    // Called once the object has become resident (records fill database defaults).
    virtual void tarnBecameResident() {}
    // Whether a resident object names this one as its owner outside a container's list (its extension
    // dictionary, an image's reactor, a reference's attributes): such an owner is never released.
    virtual bool tarnOwnsResidentObjects() const;

protected:
    // The body of a plain setter: the value is stored only when the object may change now (the write check
    // also records it for undo and notification). A number, point or vector that is not finite is refused:
    // no drawing file can hold it.
    template <class T, class V>
    Acad::ErrorStatus tarnSet(T& member, V&& value) {
        if (!tarnIsFinite(value)) {
            return Acad::eInvalidInput;
        }
        Acad::ErrorStatus es = assertWriteEnabled();
        if (es == Acad::eOk) {
            member = std::forward<V>(value);
        }
        return es;
    }

    // Whether a value holds only finite numbers (values without numbers always do).
    template <class V>
    static bool tarnIsFinite(const V& value) {
        using Plain = std::decay_t<V>;
        if constexpr (std::is_floating_point_v<Plain>) {
            return std::isfinite(value);
        } else if constexpr (requires { std::isfinite(value.z); }) {
            return std::isfinite(value.x) && std::isfinite(value.y) && std::isfinite(value.z);
        } else if constexpr (requires { std::isfinite(value.y); }) {
            return std::isfinite(value.x) && std::isfinite(value.y);
        } else {
            return true;
        }
    }

private:
    friend class AcDbDatabase;
    friend struct platform::detail::DbSlot;

    platform::detail::DbSlot* m_slot = nullptr;
    bool m_snapshot = false;
    AcDbObjectId m_ownerId;
    AcDbObjectId m_extDict;
    AcDbObjectIdArray m_reactors;

public:
    // Marks an object as a data copy held by the undo journal (not counted as a live non-resident object).
    void tarnMarkSnapshot();
};

// Opens an object by id. openErased allows erased objects. On failure the pointer is null and the status says
// why: eNullObjectId, eNotInDatabase (the id's database or the object itself is gone), eWasErased,
// eWasOpenedForWrite, eWasOpenedForRead, eOnLockedLayer (write-open of an entity on a locked layer),
// eWasNotifying, eNotThatKindOfClass (typed forms).
Acad::ErrorStatus acdbOpenObject(AcDbObject*& object, AcDbObjectId id, AcDb::OpenMode mode,
                                 bool openErased = false);

template <class T>
Acad::ErrorStatus acdbOpenObject(T*& object, AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false) {
    object = nullptr;
    AcDbObject* opened = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(opened, id, mode, openErased);
    if (es != Acad::eOk) {
        return es;
    }
    T* typed = T::cast(opened);
    if (typed == nullptr) {
        opened->close();
        return Acad::eNotThatKindOfClass;
    }
    object = typed;
    return Acad::eOk;
}

namespace platform {

// Objects currently open (any mode), in one database or in all of them.
int OpenObjectCount(const AcDbDatabase* db = nullptr);
// Live objects that are not resident in a database (built and neither appended nor deleted yet).
int LiveNonResidentObjectCount();

}  // namespace platform
