// The undo journal of a database: groups of changes in order, undone newest first and redone oldest first;
// and the marks transactions roll back to (not part of the host's surface).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbobject.h"

namespace platform::detail {

enum class Change : std::uint8_t { kAppend, kErase, kUnerase, kModify };

// How a change of data is kept: the whole state before it (in the journal's open arena, while the object may
// still change in its group), the byte ranges that differ between the states before and after (in the group's
// arena), or a whole copy (classes without a compact state).
enum class Kept : std::uint8_t { kState, kRanges, kCopy };

// One change. An append, erase or unerase needs nothing but the object's flag. Undoing or redoing a change of
// data swaps what the record keeps with what the object holds, so the same record serves both ways.
struct UndoRecord {
    DbSlot* slot;
    std::uint32_t at = 0;  // the entry's place in its arena, or the copy's index
    Change change;
    Kept kept = Kept::kState;
    bool reopened = false;  // changed again after a write-open ended: kept whole to the group's end
    bool restored = false;  // its last undo restored data (a redo must find the object as that undo left it)
};
static_assert(sizeof(UndoRecord) == 16, "a record a change: the journal of a big edit is mostly these");

struct UndoGroup {
    std::uint64_t id = 0;
    std::vector<UndoRecord> records;
    ByteBuffer arena;  // the ranges entries
    std::vector<std::unique_ptr<AcDbObject>> copies;
    bool open = true;  // it may still hold whole states
};

// A notification a transaction holds back: the object by its id, and what happened to it.
struct HeldNotification {
    AcDbObjectId id;
    Change change;
};

class UndoJournal {
public:
    // The group a change goes to. Outside any explicit group an implicit one is opened, so that undoing an
    // older group never restores a state that later changes build on. Null while changes are not undoable.
    UndoGroup* openGroup();
    // An outermost group begun lazily starts at its first change: one in which nothing is journaled leaves
    // no group behind and keeps the redo list.
    void begin(bool lazy = false);
    void end();
    bool isOpen() const { return m_depth > 0; }
    int undoCount() const { return static_cast<int>(m_undo.size()) - (isOpen() && !m_pending ? 1 : 0); }
    int redoCount() const { return static_cast<int>(m_redo.size()); }
    // The serial of the group changes go to now (0 when none): an object's before-state is taken once a
    // group.
    std::uint64_t group() const { return m_group; }
    Acad::ErrorStatus undo(AcDbDatabase* db);
    Acad::ErrorStatus redo(AcDbDatabase* db);
    // Forgets everything; a group open around the call goes on, empty.
    void clear();
    // While suspended, changes are not journaled: they are not undoable (saves). Nested.
    void suspend(bool on) { m_suspended += on ? 1 : -1; }
    // The database's undo recording (AcDbDatabase::disableUndoRecording): while off, changes are not
    // journaled, and an object changed meanwhile has its earlier records voided (voidEarlier).
    void setRecording(bool on) { m_recording = on; }
    bool recording() const { return m_recording; }
    // The object changed while recording was off: its records made so far were made against states that are
    // gone, and undo, redo and rollback pass over them. A change journaled later in the open group counts.
    void voidEarlier(DbSlot* slot) const;

    // Transactions: a mark is where the journal stood at a transaction's start; rolling back undoes, newest
    // first, every change made since, and leaves nothing of them to undo or redo.
    struct Mark {
        size_t groups = 0;
        size_t records = 0;
    };
    Mark mark() const;
    // Opens (or nests in) a group and marks where the transaction starts.
    void beginTransaction(Mark& at);
    Acad::ErrorStatus checkClosedSince(const Mark& mark) const;
    void rollBack(AcDbDatabase* db, const Mark& mark, bool notify);
    // Drops the last group when it is closed and holds no change (a rolled-back transaction's own group).
    void dropEmptyLast();

    // Adds a change to the group. A big group is given at once the room the last big one needed (a command
    // repeated on a big selection), rather than grown step by step.
    void push(UndoGroup& group, const UndoRecord& record) {
        if (group.records.size() == kBigGroup && m_lastRecords > kBigGroup) {
            group.records.reserve(m_lastRecords);
            group.arena.reserve(m_lastArena);
        }
        group.records.push_back(record);
        record.slot->journaled = true;  // the slot must outlive the record
    }
    // Journals the data of an object before its change (once a group and transaction).
    void keepBefore(UndoGroup& group, DbSlot* slot);
    // The object's write-open ended: its record keeps only what changed.
    void writeClosed(DbSlot* slot);
    // The object changes again in its group after a write-open ended: its record keeps the whole state
    // before again.
    void reopened(DbSlot* slot);
    platform::UndoJournalSize holds() const;

private:
    // Ends the last group's open form: its whole states become the ranges that differ from the state after.
    void close();
    // The open group's latest record of the object, or null.
    UndoRecord* recordOf(DbSlot* slot);
    // Turns a whole state into the ranges that differ from the object's state now.
    void keepRanges(UndoGroup& group, UndoRecord& record);
    UndoGroup& startGroup();
    // Undoes or redoes one change of data (the entry then holds the state the object had); false when there
    // was nothing to restore.
    bool swap(UndoGroup& group, UndoRecord& record);
    // Undoes one change (newest first), as undo does; index is the record's place in its group.
    void revert(AcDbDatabase* db, UndoGroup& group, UndoRecord& record, size_t index, bool notify);
    // Whether the record was made before its object was changed with recording off.
    static bool isVoid(const UndoGroup& group, const UndoRecord& record, size_t index);

    static constexpr size_t kBigGroup = 4096;
    size_t m_lastRecords = 0;  // the size of the last big group closed
    size_t m_lastArena = 0;
    ByteBuffer m_open;     // the open group's whole before-states, each a size and its bytes
    ByteBuffer m_scratch;  // a state being written
    ByteBuffer m_next;     // a state being put together
    std::vector<UndoGroup> m_undo;
    std::vector<UndoGroup> m_redo;
    int m_depth = 0;
    std::uint64_t m_group = 0;  // serial of the open group, 0 when none
    bool m_implicitOpen = false;
    bool m_pending = false;  // the outermost group was begun lazily and has not started yet
    int m_suspended = 0;
    bool m_recording = true;
};

// A copy of the object's data for the journal.
AcDbObject* Snapshot(const AcDbObject* object);

}  // namespace platform::detail
