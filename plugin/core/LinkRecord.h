// The link of a binding in the drawing: an Xrecord "TarnArx" in the extension dictionary of the bound entity
// or layer; the layer made for a map folder; the map object of an erased entity deleted; and the colour,
// line-style and opacity codes, and the 63-bit text key, that the send road and the base map use.
#pragma once

#include <cstdint>

#include "plugin/core/SyncState.h"
#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"

inline constexpr const char16_t* kLinkAppName = u"TarnArx";
inline constexpr int kMaxStoredRemark = 6000;  // UTF-16 units of the remark kept in the Xrecord
inline constexpr uint32_t kByBlockRgb = 0xFF0001;

// Writes the record into the entity's link (the entity open for write); a text follows a changed name.
// False when nothing was written.
bool SaveEntityLinkRecord(AcDbEntity* entity, CBindingRecord record);
// A text's or MText's wording follows a name given to its map object (the entity open for write); a name
// that is only the map's cut of the wording leaves it as it is. Other entities are left alone.
void FollowLinkName(AcDbEntity* entity, const CString& name);
// The same for an object that is no entity (a layer record): no text, group flag always 0.
bool SaveObjectLinkRecord(AcDbObject* object, CBindingRecord record);
// What became of a link written by key: written, nothing to write to (no such handle, or the object erased),
// or refused for now (a locked layer, an object held open) and worth another try.
enum class CLinkWrite { kWritten, kGone, kFailed };
CLinkWrite WriteLinkByKey(const CBindingRecord& record, AcDbDatabase* db);
// Whether the link stored in db (the working database when null) for the record's key holds what writing
// the record would store; true too when the object is gone, with nothing left to write to.
bool LinkHolds(const CBindingRecord& record, AcDbDatabase* db);
// Finds the record's object by its key in db (the working database when null), writes its link and closes it.
// False when the object is not there or can't be opened or written.
bool SaveLinkRecordById(CBindingRecord record, AcDbDatabase* db = nullptr);

// The object's binding. With useTable the current state's record (found, or read and stored as saved) is
// returned and stays the table's; without, a new record the caller owns. Never null. A link the reader does
// not recognise reads as unlinked.
CBindingRecord* GetLinkRecord(AcDbObject* object, bool useTable);
// The same with the table given: the binding table of the object's own drawing.
CBindingRecord* GetLinkRecord(AcDbObject* object, CBindingTable& table);
// The record read from the object's own link alone, without any table: false when it holds none.
bool ReadLinkRecord(const AcDbObject* object, CBindingRecord& record);

// Gets or creates the layer of a map folder in the working database and links it to the folder id.
// False when the layer can't be made (a name the host refuses) or linked.
bool GetOrCreateLinkedLayer(const CString& layerName, uint32_t folderId);
// Asks the map application to delete the map object bound to the entity key in the current drawing (none
// for a record without a map object).
void DeleteLinkedMapObject(uint64_t key);

uint32_t GetEntityRgb(const AcDbEntity* entity);
AcCmColor MakeRgbColor(uint32_t rgb);
uint32_t GetMapLineStyle(const AcDbEntity* entity);
// The linetype record of the id, open in that mode (the caller closes it); null when it can't be opened or
// the id names no linetype.
AcDbLinetypeTableRecord* OpenLinetypeRecord(AcDbObjectId id, AcDb::OpenMode mode = AcDb::kForRead);
// The entity as a curve; null for an entity of a class that is no curve.
const AcDbCurve* AsCurve(const AcDbEntity* entity);
// Whether the path names an existing file (not a folder).
bool IsExistingFile(const CString& path);
uint32_t GetMapOpacity(const AcDbEntity* entity);
// The linetype name of a line-style code (0 to 7); "Continuous" for any other.
const char16_t* LineStyleName(uint32_t code);

// The 63-bit key of a text: MD5 of its whole UTF-8 form, through DigestToKey63.
uint64_t StringKey63(const CString& text);

// Forgets the records of objects of no open drawing.
void ResetLinkRecordState();
