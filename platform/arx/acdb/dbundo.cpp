// The undo journal: every change to a database in order, in groups (one per command, and implicit ones for
// changes outside commands); undo and redo of whole groups with the host's notifications; and the rollback
// of an aborted transaction.
#include "platform/arx/acdb/dbundo.h"

#include "platform/arx/acdb/dbimpl.h"

namespace platform::detail {

namespace {

// Group serials never repeat, so a slot's snapshot mark never matches a later group by accident.
std::uint64_t g_nextGroup = 0;

Acad::ErrorStatus CheckClosed(const std::vector<UndoRecord>& records, size_t from) {
    for (size_t i = from; i < records.size(); ++i) {
        const DbSlot* slot = records[i].slot;
        if (slot->writer) {
            return Acad::eWasOpenedForWrite;
        }
        if (slot->readers > 0) {
            return Acad::eWasOpenedForRead;
        }
        if (slot->notifying) {
            return Acad::eWasNotifying;
        }
    }
    return Acad::eOk;
}

void SetErased(AcDbDatabase* db, DbSlot* slot, bool erased, bool notify) {
    slot->erased = erased;
    if (notify) {
        db->tarnFireErased(slot->object, erased);
    }
}

// Undoes one record (newest first), as undo does.
void UndoRecordOf(AcDbDatabase* db, UndoRecord& record, bool notify) {
    DbSlot* slot = record.slot;
    if (slot->object == nullptr) {
        return;
    }
    switch (record.change) {
        case Change::kAppend:
        case Change::kUnerase:
            SetErased(db, slot, true, notify);
            break;
        case Change::kErase:
            SetErased(db, slot, false, notify);
            break;
        case Change::kModify:
            record.after.reset(Snapshot(slot->object));
            slot->object->tarnRestoreData(*record.before);
            if (notify) {
                db->tarnFireModified(slot->object);
            }
            break;
    }
    slot->snapshotGroup = 0;
}

}  // namespace

AcDbObject* Snapshot(const AcDbObject* object) {
    AcDbObject* copy = object->tarnCopyData();
    copy->tarnMarkSnapshot();
    return copy;
}

UndoGroup* UndoJournal::openGroup() {
    if (m_suspended > 0) {
        return nullptr;
    }
    if (m_depth == 0 && !m_implicitOpen) {
        m_implicitOpen = true;
        m_group = ++g_nextGroup;
        m_undo.emplace_back();
        m_redo.clear();
    }
    return &m_undo.back();
}

void UndoJournal::begin() {
    if (m_depth++ == 0) {
        m_implicitOpen = false;
        m_group = ++g_nextGroup;
        m_undo.emplace_back();
        m_redo.clear();
    }
}

void UndoJournal::end() {
    if (m_depth > 0 && --m_depth == 0) {
        m_group = 0;
    }
}

void UndoJournal::clear() {
    m_undo.clear();
    m_redo.clear();
    m_implicitOpen = false;
    m_group = 0;
    if (m_depth > 0) {
        m_group = ++g_nextGroup;
        m_undo.emplace_back();
    }
}

Acad::ErrorStatus UndoJournal::undo(AcDbDatabase* db) {
    if (m_depth > 0) {
        return Acad::eInvalidContext;
    }
    m_implicitOpen = false;
    if (m_undo.empty()) {
        return Acad::eNotApplicable;
    }
    const Acad::ErrorStatus es = CheckClosed(m_undo.back().records, 0);
    if (es != Acad::eOk) {
        return es;
    }
    UndoGroup group = std::move(m_undo.back());
    m_undo.pop_back();
    for (auto it = group.records.rbegin(); it != group.records.rend(); ++it) {
        UndoRecordOf(db, *it, true);
    }
    m_redo.push_back(std::move(group));
    return Acad::eOk;
}

Acad::ErrorStatus UndoJournal::redo(AcDbDatabase* db) {
    if (m_depth > 0) {
        return Acad::eInvalidContext;
    }
    m_implicitOpen = false;
    if (m_redo.empty()) {
        return Acad::eNotApplicable;
    }
    const Acad::ErrorStatus es = CheckClosed(m_redo.back().records, 0);
    if (es != Acad::eOk) {
        return es;
    }
    UndoGroup group = std::move(m_redo.back());
    m_redo.pop_back();
    for (UndoRecord& record : group.records) {
        DbSlot* slot = record.slot;
        if (slot->object == nullptr) {
            continue;
        }
        switch (record.change) {
            case Change::kAppend:
            case Change::kUnerase:
                SetErased(db, slot, false, true);
                break;
            case Change::kErase:
                SetErased(db, slot, true, true);
                break;
            case Change::kModify:
                if (record.after) {
                    slot->object->tarnRestoreData(*record.after);
                }
                db->tarnFireModified(slot->object);
                break;
        }
    }
    m_undo.push_back(std::move(group));
    return Acad::eOk;
}

UndoJournal::Mark UndoJournal::mark() const {
    return Mark{m_undo.size(), m_undo.empty() ? 0 : m_undo.back().records.size()};
}

void UndoJournal::beginTransaction(Mark& at) {
    begin();
    // A fresh serial: objects changed earlier in the group get their before-state taken again at their first
    // change in the transaction, so that a rollback restores the state at its start.
    m_group = ++g_nextGroup;
    at = mark();
}

Acad::ErrorStatus UndoJournal::checkClosedSince(const Mark& at) const {
    if (m_undo.size() != at.groups || m_undo.empty()) {
        return Acad::eOk;
    }
    return CheckClosed(m_undo.back().records, at.records);
}

void UndoJournal::rollBack(AcDbDatabase* db, const Mark& at, bool notify) {
    if (m_undo.size() != at.groups || m_undo.empty()) {
        return;
    }
    std::vector<UndoRecord>& records = m_undo.back().records;
    while (records.size() > at.records) {
        UndoRecordOf(db, records.back(), notify);
        records.pop_back();
    }
    // The transaction's changes are gone; what the group held before stays undoable.
    m_group = ++g_nextGroup;
}

void UndoJournal::dropEmptyLast() {
    if (m_depth == 0 && !m_implicitOpen && !m_undo.empty() && m_undo.back().records.empty()) {
        m_undo.pop_back();
    }
}

// ---- journaling, from the database and its objects ----

void JournalModify(DbSlot* slot) {
    AcDbDatabase::Impl* impl = slot->db->tarnImpl();
    UndoGroup* group = impl->openGroup();
    if (group == nullptr) {
        return;
    }
    if (slot->snapshotGroup == impl->journal.group() || slot->object == nullptr) {
        return;
    }
    slot->snapshotGroup = impl->journal.group();
    group->records.push_back(
        UndoRecord{Change::kModify, slot, std::unique_ptr<AcDbObject>(Snapshot(slot->object)), nullptr});
}

void JournalErase(DbSlot* slot, bool erasing) {
    UndoGroup* group = slot->db->tarnImpl()->openGroup();
    if (group == nullptr) {
        return;
    }
    group->records.push_back(UndoRecord{erasing ? Change::kErase : Change::kUnerase, slot, nullptr, nullptr});
}

void JournalAppend(DbSlot* slot) {
    AcDbDatabase::Impl* impl = slot->db->tarnImpl();
    UndoGroup* group = impl->openGroup();
    if (group == nullptr) {
        return;
    }
    // A new object's later changes in the same group need no before-state: undo erases it.
    slot->snapshotGroup = impl->journal.group();
    group->records.push_back(UndoRecord{Change::kAppend, slot, nullptr, nullptr});
}

}  // namespace platform::detail

namespace platform {

void BeginUndoGroup(AcDbDatabase* db) {
    db->tarnImpl()->journal.begin();
}

void EndUndoGroup(AcDbDatabase* db) {
    db->tarnImpl()->journal.end();
}

bool IsUndoGroupOpen(const AcDbDatabase* db) {
    return db->tarnImpl()->journal.isOpen();
}

int UndoGroupCount(const AcDbDatabase* db) {
    return db->tarnImpl()->journal.undoCount();
}

int RedoGroupCount(const AcDbDatabase* db) {
    return db->tarnImpl()->journal.redoCount();
}

Acad::ErrorStatus UndoLastGroup(AcDbDatabase* db) {
    return db->tarnImpl()->journal.undo(db);
}

Acad::ErrorStatus RedoLastGroup(AcDbDatabase* db) {
    return db->tarnImpl()->journal.redo(db);
}

void SuspendUndo(AcDbDatabase* db, bool on) {
    db->tarnImpl()->journal.suspend(on);
}

}  // namespace platform
