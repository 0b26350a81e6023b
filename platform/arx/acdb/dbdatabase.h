// The drawing database: its objects by handle, its symbol tables and named-object dictionary, its current
// settings, its reactors, and the undo journal a command runner drives.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/arx/acdb/cmcolor.h"
#include "platform/arx/acdb/dbobject.h"

class AcDbBlockTable;
class AcDbLayerTable;
class AcDbLinetypeTable;
class AcDbTextStyleTable;
class AcDbRegAppTable;
class AcDbViewportTable;
class AcDbDictionary;

// Database notifications. Reactors are attached per database and hear only their own database. The object
// passed is open (notifying); handlers read it and must not open it again.
//
// A handler must not write to the database it hears (open for write, append, erase): the host may be in the
// middle of the change it reports. It defers its edits instead, for example by posting a message to its own
// window and making them from there. The stand-in records every write made inside a notification as a
// violation (platform::ReactorViolations), and tests fail on any. Note for authors of reactors: a new
// entity's first objectModified fires at its first close, while whoever appended it may still hold its block
// open for write; a handler that opens the block then gets eWasOpenedForWrite.
class AcDbDatabaseReactor : public AcRxObject {
    TARN_RX_DECLARE_MEMBERS(AcDbDatabaseReactor)
public:
    // At the append (table add, block append, dictionary setAt, addAcDbObject).
    virtual void objectAppended(const AcDbDatabase* db, const AcDbObject* object);
    // At the close of a write-open that changed the object (and at the first close of a new object), and
    // when undo or redo restores an object's data.
    virtual void objectModified(const AcDbDatabase* db, const AcDbObject* object);
    // At erase (erased true) and unerase (false), also when undo or redo erases or restores an object.
    virtual void objectErased(const AcDbDatabase* db, const AcDbObject* object, bool erased = true);
    // The database is being destroyed.
    virtual void goodbye(const AcDbDatabase* db);
};

class AcDbDatabase : public AcRxObject {
    TARN_RX_DECLARE_MEMBERS(AcDbDatabase)
public:
    // A default drawing holds the block records "*Model_Space" and "*Paper_Space", layer "0" (current),
    // linetypes "ByBlock", "ByLayer" and "Continuous", text style "Standard", registered application "ACAD"
    // and viewport "*ACTIVE". Without it the database holds its tables and named-object dictionary only,
    // for a reader to fill.
    explicit AcDbDatabase(bool buildDefaultDrawing = true, bool noDocument = false);
    ~AcDbDatabase() override;
    AcDbDatabase(const AcDbDatabase&) = delete;
    AcDbDatabase& operator=(const AcDbDatabase&) = delete;

    Acad::ErrorStatus getBlockTable(AcDbBlockTable*& table, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getLayerTable(AcDbLayerTable*& table, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getLinetypeTable(AcDbLinetypeTable*& table, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getTextStyleTable(AcDbTextStyleTable*& table, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getRegAppTable(AcDbRegAppTable*& table, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getViewportTable(AcDbViewportTable*& table, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getNamedObjectsDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode = AcDb::kForRead);

    AcDbObjectId blockTableId() const;
    AcDbObjectId layerTableId() const;
    AcDbObjectId linetypeTableId() const;
    AcDbObjectId textStyleTableId() const;
    AcDbObjectId regAppTableId() const;
    AcDbObjectId viewportTableId() const;
    AcDbObjectId namedObjectsDictionaryId() const;
    AcDbObjectId byLayerLinetype() const;
    AcDbObjectId byBlockLinetype() const;
    AcDbObjectId continuousLinetype() const;
    AcDbObjectId layerZero() const;

    // The id of the object with that handle, erased objects included. An unknown or null handle fails
    // (eUnknownHandle / eNullHandle) and gives the null id; createIfNotFound is not supported.
    Acad::ErrorStatus getAcDbObjectId(AcDbObjectId& id, bool createIfNotFound, const AcDbHandle& handle,
                                      Adesk::UInt32 xRefId = 0);

    // Makes a non-resident object resident without an owner; it stays open for write.
    Acad::ErrorStatus addAcDbObject(AcDbObjectId& id, AcDbObject* object);
    Acad::ErrorStatus addAcDbObject(AcDbObject* object);

    AcDbObjectId clayer() const;
    // eInvalidInput unless the id is a live layer record of this database.
    Acad::ErrorStatus setClayer(AcDbObjectId layerId);
    AcDbObjectId celtype() const;
    Acad::ErrorStatus setCeltype(AcDbObjectId linetypeId);
    AcDbObjectId textstyle() const;
    Acad::ErrorStatus setTextstyle(AcDbObjectId styleId);
    AcCmColor cecolor() const;
    Acad::ErrorStatus setCecolor(const AcCmColor& color);

    // The next handle the database will give out.
    AcDbHandle handseed() const;

    // Undo recording, on by default. While it is off nothing is journaled: what is appended then is never
    // erased by an undo, and what is erased then and was never journaled is deleted at the end of its
    // write-open (see AcDbObject::close). An object changed while it is off (modified, erased or unerased)
    // is left as it stands by the undo and redo of the groups before: their records of it were made against
    // a state that is gone. A redo that would build on such a state (its undo restored data of the object)
    // is refused.
    void disableUndoRecording(bool disable);
    bool undoRecording() const;

    void addReactor(AcDbDatabaseReactor* reactor) const;
    void removeReactor(AcDbDatabaseReactor* reactor) const;

    // The file the drawing was read from or last saved to (empty for a new drawing).
    Acad::ErrorStatus getFilename(const ACHAR*& name) const;

    // Reads a drawing file (ASCII DXF; Windows or POSIX path) in place of the database's contents. On
    // failure the database is unchanged: eFileNotFound, eFileAccessErr, eInvalidDwgVersion (not an ASCII
    // drawing file), eDxfReadAborted (damaged; platform::LastDxfError names the line). The file name becomes
    // the Windows form of the path.
    Acad::ErrorStatus readDwgFile(const ACHAR* fileName, int shareMode = 64, bool allowCPConversion = false,
                                  const ACHAR* password = nullptr);
    // Writes the drawing (ASCII DXF) through a temporary file in the same folder that replaces the file only
    // when complete; a failed save leaves the old file as it was (eFileAccessErr, eInvalidInput).
    Acad::ErrorStatus saveAs(const ACHAR* fileName);

    // Writes a block of this database out to a new database (the caller deletes it) whose model space holds
    // copies of the block's entities, with the layers, linetypes, text styles and nested blocks they use
    // (found by name). eInvalidInput when the id is not a block of this database.
    Acad::ErrorStatus wblock(AcDbDatabase*& output, AcDbObjectId blockId);
    // Copies the model space of source into this database as the block named name (an existing block of
    // that name is redefined), with the records its entities use; the source is never changed.
    // eInvalidInput for a null or the same database, eInvalidSymbolTableName for a bad name.
    Acad::ErrorStatus insert(AcDbObjectId& blockId, const ACHAR* name, AcDbDatabase* source,
                             bool preserveSourceDatabase = true);

    // Stand-in internals, used by tables, blocks and dictionaries.
    struct Impl;
    Impl* tarnImpl() const { return m_impl.get(); }
    // Makes object resident with the owner; with a null handle it gets the next one. It is left open for
    // write.
    Acad::ErrorStatus tarnAddObject(AcDbObject* object, AcDbObjectId ownerId, AcDbObjectId& id,
                                    AcDbHandle handle = AcDbHandle());
    // The one road of a new object into the database: made resident (left open for write), recorded by its
    // owner (link gets the new id), then announced, so that reactors find it in its container.
    Acad::ErrorStatus tarnAppendObject(AcDbObject* object, AcDbObjectId ownerId, AcDbObjectId& id,
                                       const std::function<void(AcDbObjectId id)>& link = nullptr);
    void tarnFireAppended(AcDbObject* object);
    void tarnFireModified(AcDbObject* object);
    void tarnFireErased(AcDbObject* object, bool erased);
    void tarnSetFilename(const ACHAR* name);
    // For readers of drawing files: takes every object, table and setting of source (a database the reader
    // filled), which gets this database's in exchange; reactors stay where they are and the undo journal of
    // both starts empty.
    void tarnTakeContents(AcDbDatabase& source);
    // For readers of drawing files: finds the default records by name (layer "0", linetypes "ByBlock",
    // "ByLayer", "Continuous", style "Standard") and makes them current where nothing is.
    void tarnFindDefaultRecords();

private:
    std::unique_ptr<Impl> m_impl;
};

// The host's application services: the working database is the current document's, or null when no drawing
// is open. The document manager sets it.
class AcDbHostApplicationServices {
public:
    AcDbDatabase* workingDatabase() const;
    void setWorkingDatabase(AcDbDatabase* db);
};

AcDbHostApplicationServices* acdbHostApplicationServices();

namespace platform {

// Undo groups. A command runner opens one group per command. While a group is open every change is
// journaled: an append, an erase or unerase, and the data of an object before its first change in the group.
// Groups nest (only the outermost counts); a group that changed nothing still counts as a group. Changes
// made outside any group gather in an implicit group that ends at the next BeginUndoGroup (or undo), so the
// journal always holds every change in order. Opening a group (explicit or implicit) clears the redo list.
// An outermost group begun lazily (a write lock's outside commands) opens only at its first journaled
// change: one in which nothing was journaled leaves no group and keeps the redo list.
void BeginUndoGroup(AcDbDatabase* db, bool lazy = false);
void EndUndoGroup(AcDbDatabase* db);
bool IsUndoGroupOpen(const AcDbDatabase* db);
int UndoGroupCount(const AcDbDatabase* db);
int RedoGroupCount(const AcDbDatabase* db);
// Undoes the last group, newest change first, firing as the host does: an undone append erases the object
// (objectErased true), an undone erase restores it (objectErased false), an undone change restores the data
// (objectModified). eNotApplicable when there is nothing to undo, eInvalidContext inside an open group,
// eWasOpenedForWrite / eWasOpenedForRead when an object of the group is open (nothing is changed then).
Acad::ErrorStatus UndoLastGroup(AcDbDatabase* db);
// Replays the last undone group, oldest change first, with the inverse notifications.
Acad::ErrorStatus RedoLastGroup(AcDbDatabase* db);
// What the journal holds: the bytes of its records and kept states, and how many objects it keeps as whole
// copies (classes without a compact state).
struct UndoJournalSize {
    size_t bytes = 0;
    int wholeCopies = 0;
};
UndoJournalSize UndoJournalHolds(const AcDbDatabase* db);
// Transactions, as the document's transaction manager drives them. A transaction's changes are one undo
// group with the command's (or one of their own outside a command). Ending the outermost one fires the
// notifications held back (below). Aborting rolls back, newest first, every change made since its start
// through the undo journal (appended objects end erased), leaving nothing of them to undo; it fails with
// eWasOpenedForWrite / eWasOpenedForRead, changing nothing, while an object it would restore is open.
// eNotApplicable when no transaction is open.
void BeginTransaction(AcDbDatabase* db);
Acad::ErrorStatus EndTransaction(AcDbDatabase* db);
Acad::ErrorStatus AbortTransaction(AcDbDatabase* db);
// While on (off by default, reset between tests), database notifications inside a transaction are held back
// and fire, in order, when the outermost transaction ends; an abort drops those of what it rolls back.
void DeferNotificationsToTransactionEnd(bool on);
// While on (nested), changes are not journaled and so not undoable: the host's saves, which the user cannot
// undo, run so.
void SuspendUndo(AcDbDatabase* db, bool on);

// objectModified fires at the close (or downgrade) of every write-open, changed or not, when on (off by
// default: only a write-open in which a setter ran notifies). Code that write-opens objects only to test them
// must stay correct either way.
void SetNotifyEveryWriteClose(bool on);

// Writes made inside a database notification (the reactor rule above), one description each; reset between
// tests.
const std::vector<std::string>& ReactorViolations();
void ClearReactorViolations();

// Called at every write-open, append and erase in a database (before the change): the document layer checks
// there that writes from outside a command hold the document lock. Null removes the observer.
void SetDatabaseWriteObserver(std::function<void(AcDbDatabase* db)> observer);

// A readable list of inconsistencies (empty when sound): handles unique and below the seed, owners resident,
// table and block members owned by their container, slots and objects agreeing.
std::string CheckDatabase(const AcDbDatabase* db);

// Handles stay below this bound (the seed at most reaches it), so that handles taken above the seed, by the
// database or by a file writer for what the file needs beyond the objects, can never wrap.
constexpr std::uint64_t kHandleLimit = std::uint64_t{1} << 62;

// For readers of drawing files: makes object resident with the handle it had in the file (eHandleInUse when
// taken, eOutOfRange at or above kHandleLimit) and moves the seed past it; and sets the seed itself (never
// below a handle in use, never above kHandleLimit).
Acad::ErrorStatus AddObjectWithHandle(AcDbDatabase* db, AcDbObject* object, AcDbObjectId ownerId,
                                      AcDbHandle handle, AcDbObjectId& id);
Acad::ErrorStatus SetHandseed(AcDbDatabase* db, AcDbHandle seed);

// The handles a drawing file gave the records a writer makes for the file beyond the objects: BLOCK and
// ENDBLK of a block, VERTEX and SEQEND of a polyline, the SEQEND after a reference's attributes, the heads of
// the tables the database does not keep. Kept by the reader, by the handle of the object they belong to (0
// for the tables) and their place there, so that a drawing saved again writes them as read. Each such handle
// is below the seed and no object's.
namespace file_record {
constexpr std::uint32_t kBlockBegin = 0xFFFFFF00;
constexpr std::uint32_t kBlockEnd = 0xFFFFFF01;
constexpr std::uint32_t kSequenceEnd = 0xFFFFFF02;
constexpr std::uint32_t kTableHead = 0xFFFFFF10;  // + 0 for VIEW, 1 for UCS, 2 for DIMSTYLE
// A polyline's vertices have their index as their place.
}  // namespace file_record
// False, keeping nothing, for a handle in use by an object, at or above the seed, or null, and when the
// record keeps one already.
bool KeepFileRecordHandle(AcDbDatabase* db, std::uint64_t owner, std::uint32_t place, std::uint64_t handle);
// The handle kept for the record, 0 when none is (or it has since been given to an object).
std::uint64_t FileRecordHandle(const AcDbDatabase* db, std::uint64_t owner, std::uint32_t place);

// Every object of the database in handle order, erased ones included (writers and inspectors).
void ForEachObjectId(const AcDbDatabase* db, const std::function<void(AcDbObjectId id)>& visit);

// The database's reactors, in the order they were added.
std::vector<AcDbDatabaseReactor*> DatabaseReactors(const AcDbDatabase* db);

}  // namespace platform
