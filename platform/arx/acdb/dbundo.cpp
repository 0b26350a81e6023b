// The undo journal: every change to a database in order, in groups (one per command, and implicit ones for
// changes outside commands); undo and redo of whole groups with the host's notifications; and the rollback
// of an aborted transaction.
#include "platform/arx/acdb/dbundo.h"

#include <cstring>
#include <limits>

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

// Group ids never repeat either: a slot's note of its latest record names the group it is in.
std::uint64_t g_nextGroupId = 0;

// Buffers are read and written with memcpy: they have no alignment.
std::uint32_t Load32(const char* at) {
    std::uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

std::uint64_t Load64(const char* at) {
    std::uint64_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// A closed entry is a width w (1, 2 or 4 bytes: what the larger of the two states' sizes needs) and numbers
// of that width: the range count and the size of the state it applies to; per range its offset, its length in
// that state, the length of the bytes kept for it and the room they have. Then each range's room.
constexpr size_t kFieldsPerRange = 4;
// Ranges closer than this are kept as one: a range's head costs about as much.
constexpr size_t kJoinGap = 8;

size_t WidthFor(size_t largest) {
    return largest <= 0xFF ? 1 : largest <= 0xFFFF ? 2 : 4;
}

size_t LoadN(const char* at, size_t width) {
    std::uint32_t value = 0;
    std::memcpy(&value, at, width);  // little-endian, as everything here
    return value;
}

void StoreN(char* at, size_t width, size_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    std::memcpy(at, &v, width);
}

struct Range {
    size_t offset, length, stored;
};

// The ranges where `after` differs from `before`, compared a word at a time.
void DiffRanges(const char* before, const char* after, size_t size, std::vector<Range>& ranges) {
    ranges.clear();
    constexpr size_t kWord = sizeof(std::uint64_t);
    size_t i = 0;
    while (i < size) {
        size_t n = kWord;
        if (size - i >= kWord) {
            if (Load64(before + i) == Load64(after + i)) {
                i += kWord;
                continue;
            }
        } else {
            n = size - i;
            if (std::memcmp(before + i, after + i, n) == 0) {
                break;
            }
        }
        if (!ranges.empty() && i - (ranges.back().offset + ranges.back().length) < kJoinGap) {
            ranges.back().length = i + n - ranges.back().offset;
        } else {
            ranges.push_back(Range{i, n, n});
        }
        ranges.back().stored = ranges.back().length;
        i += n;
    }
}

// Appends the entry that turns the state `after` back into `before`.
void WriteEntry(ByteBuffer& arena, const char* before, size_t beforeSize, const char* after,
                size_t afterSize) {
    thread_local std::vector<Range> ranges;
    const size_t common = std::min(beforeSize, afterSize);
    DiffRanges(before, after, common, ranges);
    if (beforeSize != afterSize) {
        // The state grew or shrank (a polyline's vertices, a block's entities). Compared place by place, with
        // the rest as one more range, a list that grew at its end costs its count and its new items; one
        // range between the common head and tail serves better where items came or went in the middle.
        size_t kept = 0;
        for (const Range& r : ranges) {
            kept += r.stored;
        }
        kept += beforeSize - common;
        size_t head = 0;
        while (head < common && before[head] == after[head]) {
            ++head;
        }
        size_t tail = 0;
        while (tail < common - head && before[beforeSize - 1 - tail] == after[afterSize - 1 - tail]) {
            ++tail;
        }
        if (beforeSize - head - tail + kFieldsPerRange * 4 < kept + kFieldsPerRange * 4 * ranges.size()) {
            ranges.assign(1, Range{head, afterSize - head - tail, beforeSize - head - tail});
        } else if (!ranges.empty() && ranges.back().offset + ranges.back().length == common) {
            ranges.back().length += afterSize - common;
            ranges.back().stored += beforeSize - common;
        } else {
            ranges.push_back(Range{common, afterSize - common, beforeSize - common});
        }
    }
    const size_t w = WidthFor(std::max(beforeSize, afterSize));
    size_t rooms = 0;
    for (const Range& r : ranges) {
        rooms += std::max(r.length, r.stored);
    }
    char* at = arena.extend(1 + w * (2 + kFieldsPerRange * ranges.size()) + rooms);
    *at++ = static_cast<char>(w);
    StoreN(at, w, ranges.size());
    StoreN(at + w, w, afterSize);
    at += 2 * w;
    for (const Range& r : ranges) {
        StoreN(at, w, r.offset);
        StoreN(at + w, w, r.length);
        StoreN(at + 2 * w, w, r.stored);
        StoreN(at + 3 * w, w, std::max(r.length, r.stored));
        at += kFieldsPerRange * w;
    }
    for (const Range& r : ranges) {
        std::memcpy(at, before + r.offset, r.stored);
        std::memset(at + r.stored, 0, std::max(r.length, r.stored) - r.stored);
        at += std::max(r.length, r.stored);
    }
}

// Puts together in `next` the other state of an entry made against the state `now`: the entry's kept bytes
// in place of its ranges. With exchange, the entry then keeps the ranges' bytes of `now` instead, so that it
// leads back. False, with nothing done, when `now` is not the state the entry was made against.
bool Compose(char* entry, const char* now, size_t nowSize, ByteBuffer& next, bool exchange) {
    const size_t w = static_cast<unsigned char>(entry[0]);
    const size_t count = LoadN(entry + 1, w);
    if (nowSize != LoadN(entry + 1 + w, w)) {
        return false;
    }
    next.clear();
    char* head = entry + 1 + 2 * w;
    char* data = head + count * kFieldsPerRange * w;
    size_t from = 0;
    for (size_t i = 0; i < count; ++i, head += kFieldsPerRange * w) {
        const size_t offset = LoadN(head, w);
        const size_t length = LoadN(head + w, w);
        const size_t stored = LoadN(head + 2 * w, w);
        const size_t room = LoadN(head + 3 * w, w);
        next.append(now + from, offset - from);
        const size_t placed = next.size();
        next.append(data, stored);
        if (exchange) {
            // The range's offset and lengths in the state that results, for the way back.
            std::memcpy(data, now + offset, length);
            StoreN(head, w, placed);
            StoreN(head + w, w, stored);
            StoreN(head + 2 * w, w, length);
        }
        from = offset + length;
        data += room;
    }
    next.append(now + from, nowSize - from);
    if (exchange) {
        StoreN(entry + 1 + w, w, next.size());
    }
    return true;
}

void WriteState(const AcDbObject* object, ByteBuffer& out) {
    out.clear();
    StateWriter writer(out);
    object->tarnWriteState(writer);
}

}  // namespace

AcDbObject* Snapshot(const AcDbObject* object) {
    AcDbObject* copy = object->tarnCopyData();
    copy->tarnMarkSnapshot();
    return copy;
}

UndoRecord* UndoJournal::recordOf(DbSlot* slot) {
    if (m_undo.empty() || !m_undo.back().open || slot->journalGroup != m_undo.back().id) {
        return nullptr;
    }
    std::vector<UndoRecord>& records = m_undo.back().records;
    if (slot->journalRecord >= records.size()) {
        return nullptr;
    }
    UndoRecord& record = records[slot->journalRecord];
    return record.slot == slot && record.change == Change::kModify ? &record : nullptr;
}

void UndoJournal::keepBefore(UndoGroup& group, DbSlot* slot) {
    // An earlier record of the object in this group (a transaction's fresh start) ends where this one begins.
    if (UndoRecord* earlier = recordOf(slot); earlier != nullptr && earlier->kept == Kept::kState) {
        keepRanges(group, *earlier);
    }
    const AcDbObject* object = slot->object;
    slot->journalGroup = group.id;
    slot->journalRecord = static_cast<std::uint32_t>(group.records.size());
    slot->journalRanges = false;
    if (object->tarnHasState() && m_open.size() < std::numeric_limits<std::uint32_t>::max() / 2) {
        // The size goes before the state: write the state in place, then its size.
        const size_t at = m_open.size();
        m_open.extend(4);
        StateWriter out(m_open);
        object->tarnWriteState(out);
        const auto size = static_cast<std::uint32_t>(m_open.size() - at - 4);
        std::memcpy(m_open.data() + at, &size, sizeof size);
        push(group, UndoRecord{slot, static_cast<std::uint32_t>(at), Change::kModify});
        return;
    }
    push(group,
         UndoRecord{slot, static_cast<std::uint32_t>(group.copies.size()), Change::kModify, Kept::kCopy});
    group.copies.emplace_back(Snapshot(object));
}

void UndoJournal::keepRanges(UndoGroup& group, UndoRecord& record) {
    DbSlot* slot = record.slot;
    const std::uint32_t at = record.at;
    const std::uint32_t size = Load32(m_open.data() + at);
    // Places in an arena are 32 bits: past that, the state before becomes a whole copy.
    if (slot->object != nullptr && group.arena.size() + 2 * size_t(size) + 4096 > 0xFFFFFFFFu) {
        std::unique_ptr<AcDbObject> copy(Snapshot(slot->object));
        StateReader in(m_open.data() + at + 4, size);
        copy->tarnReadState(in);
        record.at = static_cast<std::uint32_t>(group.copies.size());
        record.kept = Kept::kCopy;
        group.copies.push_back(std::move(copy));
        return;
    }
    record.at = static_cast<std::uint32_t>(group.arena.size());
    record.kept = Kept::kRanges;
    if (slot->object != nullptr) {
        WriteState(slot->object, m_scratch);
        WriteEntry(group.arena, m_open.data() + at + 4, size, m_scratch.data(), m_scratch.size());
    } else {
        const char gone[3] = {1, 0, 0};  // the object is gone: nothing to restore
        group.arena.append(gone, sizeof gone);
    }
    if (at + 4 + size == m_open.size()) {
        m_open.truncate(at);  // the usual case: the state written last is the one no longer needed
    }
    slot->journalRanges = true;
}

void UndoJournal::writeClosed(DbSlot* slot) {
    // An object opened again and again in one group (a block taking entities) keeps its whole state to the
    // group's end instead: rebuilding it at each open would make the group quadratic.
    if (UndoRecord* record = recordOf(slot);
        record != nullptr && record->kept == Kept::kState && !record->reopened) {
        keepRanges(m_undo.back(), *record);
    }
}

void UndoJournal::reopened(DbSlot* slot) {
    slot->journalRanges = false;
    UndoRecord* record = recordOf(slot);
    if (record == nullptr || record->kept != Kept::kRanges || slot->object == nullptr) {
        return;
    }
    UndoGroup& group = m_undo.back();
    WriteState(slot->object, m_scratch);
    const size_t at = m_open.size();
    if (Compose(group.arena.data() + record->at, m_scratch.data(), m_scratch.size(), m_next, false)) {
        const auto size = static_cast<std::uint32_t>(m_next.size());
        m_open.append(&size, sizeof size);
        m_open.append(m_next.data(), m_next.size());
    } else {
        // Changed behind the journal's back since: the state now is the best before-state left.
        const auto size = static_cast<std::uint32_t>(m_scratch.size());
        m_open.append(&size, sizeof size);
        m_open.append(m_scratch.data(), m_scratch.size());
    }
    record->at = static_cast<std::uint32_t>(at);
    record->kept = Kept::kState;
    record->reopened = true;
}

void UndoJournal::close() {
    if (m_undo.empty() || !m_undo.back().open) {
        return;
    }
    UndoGroup& group = m_undo.back();
    // Each object has at most one record still holding a whole state, its latest: the state after it is the
    // object's state now.
    for (UndoRecord& record : group.records) {
        if (record.change == Change::kModify && record.kept == Kept::kState) {
            keepRanges(group, record);
        }
    }
    group.open = false;
    if (group.records.size() > kBigGroup) {
        m_lastRecords = group.records.size();
        m_lastArena = group.arena.size();
    }
    group.arena.shrinkToFit();
    if (group.records.capacity() > group.records.size() + group.records.size() / 4) {
        group.records.shrink_to_fit();
    }
    m_open.clear();
}

bool UndoJournal::swap(UndoGroup& group, UndoRecord& record) {
    AcDbObject* object = record.slot->object;
    switch (record.kept) {
        case Kept::kCopy: {
            std::unique_ptr<AcDbObject>& copy = group.copies[record.at];
            std::unique_ptr<AcDbObject> now(Snapshot(object));
            object->tarnRestoreData(*copy);
            copy = std::move(now);
            return true;
        }
        case Kept::kState: {
            // A rollback within the open group: the whole state before. The record goes with it.
            const char* at = m_open.data() + record.at;
            StateReader in(at + 4, Load32(at));
            object->tarnReadState(in);
            return true;
        }
        case Kept::kRanges: {
            char* entry = group.arena.data() + record.at;
            if (LoadN(entry + 1, static_cast<unsigned char>(entry[0])) == 0) {
                return false;  // nothing changed
            }
            WriteState(object, m_scratch);
            // Not the state the entry was made against: nothing here can be restored exactly.
            if (Compose(entry, m_scratch.data(), m_scratch.size(), m_next, true)) {
                StateReader in(m_next.data(), m_next.size());
                object->tarnReadState(in);
                return true;
            }
            return false;
        }
    }
    return false;
}

bool UndoJournal::isVoid(const UndoGroup& group, const UndoRecord& record, size_t index) {
    const DbSlot* slot = record.slot;
    return group.id < slot->voidGroup || (group.id == slot->voidGroup && index < slot->voidRecord);
}

void UndoJournal::voidEarlier(DbSlot* slot) const {
    if (!m_undo.empty() && m_undo.back().open) {
        // Records the open group takes from now on are made against the state after this change.
        slot->voidGroup = m_undo.back().id;
        slot->voidRecord = static_cast<std::uint32_t>(m_undo.back().records.size());
    } else {
        slot->voidGroup = g_nextGroupId;  // every group made so far
        slot->voidRecord = std::numeric_limits<std::uint32_t>::max();
    }
    // Its next journaled change takes a fresh state before.
    slot->snapshotGroup = 0;
}

platform::UndoJournalSize UndoJournal::holds() const {
    platform::UndoJournalSize size;
    size.bytes = m_open.size();
    for (const std::vector<UndoGroup>* list : {&m_undo, &m_redo}) {
        for (const UndoGroup& group : *list) {
            size.bytes += group.records.size() * sizeof(UndoRecord) + group.arena.size();
            size.wholeCopies += static_cast<int>(group.copies.size());
        }
    }
    return size;
}

void UndoJournal::revert(AcDbDatabase* db, UndoGroup& group, UndoRecord& record, size_t index, bool notify) {
    DbSlot* slot = record.slot;
    record.restored = false;
    if (slot->object == nullptr || isVoid(group, record, index)) {
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
            record.restored = swap(group, record);
            if (notify) {
                db->tarnFireModified(slot->object);
            }
            break;
    }
    slot->snapshotGroup = 0;
}

UndoGroup& UndoJournal::startGroup() {
    UndoGroup& group = m_undo.emplace_back();
    group.id = ++g_nextGroupId;
    return group;
}

UndoGroup* UndoJournal::openGroup() {
    if (m_suspended > 0 || !m_recording) {
        return nullptr;
    }
    if (m_depth == 0 && !m_implicitOpen) {
        m_implicitOpen = true;
        m_group = ++g_nextGroup;
        startGroup();
        m_redo.clear();
    } else if (m_pending) {
        m_pending = false;
        startGroup();
        m_redo.clear();
    }
    return &m_undo.back();
}

void UndoJournal::begin(bool lazy) {
    if (m_depth++ == 0) {
        close();
        m_implicitOpen = false;
        m_group = ++g_nextGroup;
        m_pending = lazy;
        if (!lazy) {
            startGroup();
            m_redo.clear();
        }
    } else if (m_pending && !lazy) {
        // A command or transaction inside a lazy group: its group counts even when nothing changes.
        m_pending = false;
        startGroup();
        m_redo.clear();
    }
}

void UndoJournal::end() {
    if (m_depth > 0 && --m_depth == 0) {
        m_group = 0;
        m_pending = false;
        close();
    }
}

void UndoJournal::clear() {
    m_open.release();
    m_undo.clear();
    m_redo.clear();
    m_implicitOpen = false;
    m_group = 0;
    if (m_depth > 0) {
        m_group = ++g_nextGroup;
        if (!m_pending) {
            startGroup();
        }
    }
}

Acad::ErrorStatus UndoJournal::undo(AcDbDatabase* db) {
    if (m_depth > 0) {
        return Acad::eInvalidContext;
    }
    close();
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
    for (size_t i = group.records.size(); i-- > 0;) {
        revert(db, group, group.records[i], i, true);
    }
    m_redo.push_back(std::move(group));
    return Acad::eOk;
}

Acad::ErrorStatus UndoJournal::redo(AcDbDatabase* db) {
    if (m_depth > 0) {
        return Acad::eInvalidContext;
    }
    close();
    m_implicitOpen = false;
    if (m_redo.empty()) {
        return Acad::eNotApplicable;
    }
    const Acad::ErrorStatus es = CheckClosed(m_redo.back().records, 0);
    if (es != Acad::eOk) {
        return es;
    }
    // Data the undo restored that changed since with recording off: redoing the group over it would build
    // on a state that is gone, so the redo is refused, changing nothing.
    const UndoGroup& last = m_redo.back();
    for (size_t i = 0; i < last.records.size(); ++i) {
        if (last.records[i].restored && isVoid(last, last.records[i], i)) {
            return Acad::eNotApplicable;
        }
    }
    UndoGroup group = std::move(m_redo.back());
    m_redo.pop_back();
    for (size_t i = 0; i < group.records.size(); ++i) {
        UndoRecord& record = group.records[i];
        DbSlot* slot = record.slot;
        if (slot->object == nullptr || isVoid(group, record, i)) {
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
                swap(group, record);
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
    UndoGroup& group = m_undo.back();
    std::vector<UndoRecord>& records = group.records;
    while (records.size() > at.records) {
        UndoRecord& record = records.back();
        revert(db, group, record, records.size() - 1, notify);
        if (record.change == Change::kModify && record.kept == Kept::kCopy) {
            group.copies.pop_back();
        }
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
        if (!impl->journal.recording()) {
            impl->journal.voidEarlier(slot);
        }
        return;
    }
    if (slot->object == nullptr) {
        return;
    }
    if (slot->snapshotGroup == impl->journal.group()) {
        if (slot->journalRanges) {
            impl->journal.reopened(slot);
        }
        return;
    }
    slot->snapshotGroup = impl->journal.group();
    impl->journal.keepBefore(*group, slot);
}

void JournalWriteOpen(DbSlot* slot) {
    AcDbDatabase::Impl* impl = slot->db->tarnImpl();
    if (!impl->journal.recording() && !impl->constructing) {
        impl->journal.voidEarlier(slot);
    }
}

void JournalWriteClosed(DbSlot* slot) {
    AcDbDatabase::Impl* impl = slot->db->tarnImpl();
    if (slot->snapshotGroup == impl->journal.group() && impl->journal.group() != 0) {
        impl->journal.writeClosed(slot);
    }
}

void JournalErase(DbSlot* slot, bool erasing) {
    AcDbDatabase::Impl* impl = slot->db->tarnImpl();
    UndoGroup* group = impl->openGroup();
    slot->erasedUnrecorded = erasing && group == nullptr && !impl->journal.recording();
    if (group == nullptr) {
        if (!impl->journal.recording()) {
            impl->journal.voidEarlier(slot);
        }
        return;
    }
    slot->db->tarnImpl()->journal.push(*group,
                                       UndoRecord{slot, 0, erasing ? Change::kErase : Change::kUnerase});
}

void JournalAppend(DbSlot* slot) {
    AcDbDatabase::Impl* impl = slot->db->tarnImpl();
    UndoGroup* group = impl->openGroup();
    if (group == nullptr) {
        return;
    }
    // A new object's later changes in the same group need no before-state: undo erases it.
    slot->snapshotGroup = impl->journal.group();
    impl->journal.push(*group, UndoRecord{slot, 0, Change::kAppend});
}

}  // namespace platform::detail

namespace platform {

void BeginUndoGroup(AcDbDatabase* db, bool lazy) {
    db->tarnImpl()->journal.begin(lazy);
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

UndoJournalSize UndoJournalHolds(const AcDbDatabase* db) {
    return db->tarnImpl()->journal.holds();
}

}  // namespace platform
