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

// One change. An append, erase or unerase needs nothing but the object's flag. A change of data keeps, for a
// class with a compact state, an entry in its group's arena (the whole state before the change while the
// group is open; once it closes, only the byte ranges that differ from the state after, with the other
// state's bytes); for a class without one, a whole copy. Undo and redo swap what the entry keeps with what the
// object holds, so the same entry serves both ways.
struct UndoRecord {
    DbSlot* slot;
    std::uint32_t at = 0;  // the entry's place in the arena, or the copy's index
    Change change;
    bool whole = false;    // a whole copy
};

struct UndoGroup {
    std::vector<UndoRecord> records;
    ByteBuffer arena;  // the entries of a closed group
    std::vector<std::unique_ptr<AcDbObject>> copies;
    bool open = true;   // its entries are whole states in the journal's open arena
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
    void begin();
    void end();
    bool isOpen() const { return m_depth > 0; }
    int undoCount() const { return static_cast<int>(m_undo.size()) - (isOpen() ? 1 : 0); }
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

    // Journals the data of an object before its change (once a group and transaction).
    void keepBefore(UndoGroup& group, DbSlot* slot);
    platform::UndoJournalSize holds() const;

private:
    // Ends the last group's open form: its entries become the ranges that differ from the state after.
    void close();
    // Undoes or redoes one change of data (the entry then holds the state the object had).
    void swap(UndoGroup& group, UndoRecord& record);
    // Undoes one change (newest first), as undo does.
    void revert(AcDbDatabase* db, UndoGroup& group, UndoRecord& record, bool notify);

    ByteBuffer m_open;     // the open group's whole before-states, each a size and its bytes
    ByteBuffer m_scratch;  // a state being written
    ByteBuffer m_next;     // a state being put together
    std::vector<UndoGroup> m_undo;
    std::vector<UndoGroup> m_redo;
    int m_depth = 0;
    std::uint64_t m_group = 0;  // serial of the open group, 0 when none
    bool m_implicitOpen = false;
    int m_suspended = 0;
};

// A copy of the object's data for the journal.
AcDbObject* Snapshot(const AcDbObject* object);

}  // namespace platform::detail
