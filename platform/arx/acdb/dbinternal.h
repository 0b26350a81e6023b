// Internal wiring between the database, its objects and the undo journal (not part of the host's surface).
#pragma once

#include <cstdint>

#include "platform/arx/acdb/dbobject.h"

namespace platform::detail {

// The slot behind an id, or null for null and stale ids.
DbSlot* FindSlot(AcDbObjectId id);
// The object behind an id whatever its open state (internal peeks: tables, iterators, checks).
AcDbObject* Peek(AcDbObjectId id);
// Live non-resident object count.
void NoteNonResident(int delta);
// Whether every write-close notifies (platform::SetNotifyEveryWriteClose).
bool NotifyEveryWriteClose();
// Tells the write observer that db is about to change.
void NotifyWrite(AcDbDatabase* db);
// Journals the data of an object before its first change in the open undo group.
void JournalModify(DbSlot* slot);
// An object opened for write while undo recording is off counts as changed then: the journal's earlier
// records of it are void (an erased object the unrecorded work takes over must not come back by an undo).
void JournalWriteOpen(DbSlot* slot);
// Tells the journal that a write-open in which the object changed has ended: what changed is known now.
void JournalWriteClosed(DbSlot* slot);
// Journals an erase (erasing true) or unerase.
void JournalErase(DbSlot* slot, bool erasing);
// Journals a new object.
void JournalAppend(DbSlot* slot);
// Deletes an object erased while undo recording was off, at the end of its write-open, when nothing can
// bring it back: no undo record names it, nobody has it open, it owns nothing resident and its owner does
// not list it (a block drops it from its entities). True when it is gone.
bool ReleaseErased(DbSlot* slot);

}  // namespace platform::detail

namespace platform::detail {

// Erases or unerases a resident object whatever its open state (containers replacing an entry), journaled
// and notified like erase().
void EraseInternal(DbSlot* slot, bool erasing);

}  // namespace platform::detail
