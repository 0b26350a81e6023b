#include "plugin/core/LinkRecord.h"

#include <cstring>
#include <string>

#include "plugin/core/Settings.h"
#include "plugin/arxutil/MathUtil.h"
#include "plugin/cutil/cutil.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"
#include "plugin/maplink/mapreq.h"

namespace {

// Items of the link chain the reader needs; the writer lays four integers and four reals after them.
constexpr int kLinkStrings = 4;

const char16_t* const kLineStyleNames[] = {u"Continuous", u"DOT",    u"JIS_02_1.0", u"DASHDOT",
                                           u"DIVIDE",     u"DASHED", u"DASHDOTX2",  u"DIVIDEX2"};

// Registers the application in the object's own database (the host registers in the working one).
void RegisterLinkApp(AcDbDatabase* db) {
    AcDbHostApplicationServices* services = acdbHostApplicationServices();
    AcDbDatabase* working = services->workingDatabase();
    if (db != nullptr && db != working) {
        services->setWorkingDatabase(db);
    }
    acdbRegApp(kLinkAppName);
    if (db != nullptr && db != working) {
        services->setWorkingDatabase(working);
    }
}

// A map name as the map application keeps it: UTF-8 cut at a character boundary to 99 bytes.
CString AsMapName(const CString& text) {
    char utf8[kMapNameBytes];
    MapApiUtf16ToUtf8(text.GetString(), utf8, sizeof utf8);
    return MultiByteToCString(utf8);
}

// A text follows the map object's name, but a name that is only the map's cut of the text (a long text, an
// MText's plain words) leaves the text as it is.
void FollowName(AcDbEntity* entity, const CString& name) {
    if (name.IsEmpty()) {
        return;
    }
    if (AcDbText* text = AcDbText::cast(entity)) {
        const CString current(text->textStringConst());
        if (current != name && AsMapName(current) != name) {
            text->setTextString(name.GetString());
        }
    } else if (AcDbMText* mtext = AcDbMText::cast(entity)) {
        const CString plain(mtext->text().kACharPtr());
        if (CString(mtext->contents().kACharPtr()) != name && AsMapName(plain) != name) {
            mtext->setContents(name.GetString());
        }
    }
}

bool WriteLink(AcDbObject* object, const CBindingRecord& record, bool groupMember) {
    if (object == nullptr) {
        return false;
    }
    RegisterLinkApp(object->database());
    CString mapId;
    mapId.Format(u"%u", record.m_mapId);
    const CString remark = record.m_remark.GetLength() > kMaxStoredRemark
                               ? record.m_remark.Left(kMaxStoredRemark)
                               : record.m_remark;

    if (object->extensionDictionary().isNull()) {
        object->createExtensionDictionary();
    }
    AcDbDictionary* dict = nullptr;
    if (acdbOpenObject(dict, object->extensionDictionary(), AcDb::kForWrite) != Acad::eOk) {
        return false;
    }
    AcDbXrecord* xrecord = nullptr;
    AcDbObject* entry = nullptr;
    Acad::ErrorStatus es = dict->getAt(kLinkAppName, entry, AcDb::kForWrite);
    if (es == Acad::eOk) {
        xrecord = AcDbXrecord::cast(entry);
        if (xrecord == nullptr) {
            // Someone else's object under our name: left alone, and no link is written.
            entry->close();
            dict->close();
            return false;
        }
    } else if (es == Acad::eKeyNotFound) {
        xrecord = new AcDbXrecord;
        AcDbObjectId id;
        if (dict->setAt(kLinkAppName, xrecord, id) != Acad::eOk) {
            delete xrecord;
            dict->close();
            return false;
        }
    } else {
        dict->close();
        return false;
    }
    dict->close();

    resbuf* chain =
        acutBuildList(1, mapId.GetString(), 1, record.m_name.GetString(), 1, remark.GetString(), 1, u"", 90,
                      groupMember ? 1 : 0, 90, 0, 90, 0, 90, 0, 40, 0.0, 40, 0.0, 40, 0.0, 40, 0.0, 0);
    es = xrecord->setFromRbChain(chain);
    xrecord->close();
    acutRelRb(chain);
    return es == Acad::eOk;
}

// _atoi64 of a UTF-16 text: blanks, a sign, digits up to the first other character.
int64_t ParseInt64(const ACHAR* text) {
    if (text == nullptr) {
        return 0;
    }
    while (*text == u' ' || *text == u'\t' || *text == u'\n' || *text == u'\r') {
        ++text;
    }
    bool negative = false;
    if (*text == u'-' || *text == u'+') {
        negative = *text == u'-';
        ++text;
    }
    uint64_t value = 0;
    for (; *text >= u'0' && *text <= u'9'; ++text) {
        value = value * 10 + static_cast<uint64_t>(*text - u'0');
    }
    return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

bool IsStringItem(const resbuf* rb) {
    return rb != nullptr && rb->restype == 1 && rb->resval.rstring != nullptr;
}

// Reads the chain into the record; false, record untouched, for a chain that is not our link.
bool ParseLinkChain(const resbuf* chain, CBindingRecord& record) {
    const resbuf* items[kLinkStrings + 1] = {};
    const resbuf* rb = chain;
    for (int i = 0; i <= kLinkStrings; ++i, rb = rb->rbnext) {
        if (rb == nullptr) {
            return false;
        }
        items[i] = rb;
    }
    for (int i = 0; i < kLinkStrings; ++i) {
        if (!IsStringItem(items[i])) {
            return false;
        }
    }
    if (items[kLinkStrings]->restype != 90) {
        return false;
    }
    record.m_mapId = static_cast<uint32_t>(static_cast<uint64_t>(ParseInt64(items[0]->resval.rstring)));
    record.m_name = items[1]->resval.rstring;
    record.m_remark = items[2]->resval.rstring;
    const auto flag = static_cast<int16_t>(items[kLinkStrings]->resval.rlong & 0xFFFF);
    record.m_groupMember = flag % 10 == 1 ? 1 : 0;
    return true;
}

// The link of an entity on a locked layer. A link changes nothing drawn, so the lock does not hold it back;
// the entity itself is left as the lock keeps it (a text does not follow the name). An entity that has its
// extension dictionary already takes the link through it; one without has its layer unlocked for the moment
// the dictionary is made, the layer held open meanwhile so that it is locked again whatever happens.
CLinkWrite WriteLockedLayerLink(AcDbObjectId id, const CBindingRecord& record) {
    const bool groupMember = record.m_groupMember != 0;
    AcDbEntity* entity = nullptr;
    if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
        return CLinkWrite::kFailed;
    }
    if (!entity->extensionDictionary().isNull()) {
        const bool written = WriteLink(entity, record, groupMember);
        entity->close();
        return written ? CLinkWrite::kWritten : CLinkWrite::kFailed;
    }
    const AcDbObjectId layerId = entity->layerId();
    entity->close();
    AcDbLayerTableRecord* layer = nullptr;
    if (acdbOpenObject(layer, layerId, AcDb::kForWrite) != Acad::eOk) {
        return CLinkWrite::kFailed;
    }
    const bool locked = layer->isLocked();
    layer->setIsLocked(false);
    bool written = false;
    if (acdbOpenObject(entity, id, AcDb::kForWrite) == Acad::eOk) {
        written = WriteLink(entity, record, groupMember);
        entity->close();
    }
    layer->setIsLocked(locked);
    layer->close();
    return written ? CLinkWrite::kWritten : CLinkWrite::kFailed;
}

CBindingTable g_unownedBindings;  // of objects of no open drawing: a record still has an owner

// The state whose table an object's binding belongs in: its own drawing's.
CBindingTable* TableFor(const AcDbObject* object) {
    AcDbDatabase* db = object->database();
    CDocSyncState* state = g_DocSyncRegistry.FindDocState(db);
    if (state == nullptr && db != nullptr) {
        state = g_DocSyncRegistry.GetDocState(acDocManager->document(db), true);
    }
    if (state == nullptr) {
        state = CurrentDocState();
    }
    return state != nullptr ? &state->m_bindings : &g_unownedBindings;
}

AcDbObjectId IdOfHandle(AcDbDatabase* db, uint64_t key) {
    AcDbObjectId id;
    if (db != nullptr) {
        db->getAcDbObjectId(id, false, AcDbHandle(key));
    }
    return id;
}

AcString LinetypeName(AcDbObjectId id) {
    AcString name;
    AcDbLinetypeTableRecord* record = OpenLinetypeRecord(id);
    if (record != nullptr) {
        record->getName(name);
        record->close();
    }
    return name;
}

bool Contains(const CString& text, const char16_t* what) {
    return text.Find(what) >= 0;
}

}  // namespace

bool SaveEntityLinkRecord(AcDbEntity* entity, CBindingRecord record) {
    if (entity == nullptr) {
        return false;
    }
    FollowName(entity, record.m_name);
    return WriteLink(entity, record, record.m_groupMember != 0);
}

void FollowLinkName(AcDbEntity* entity, const CString& name) {
    FollowName(entity, name);
}

bool SaveObjectLinkRecord(AcDbObject* object, CBindingRecord record) {
    return WriteLink(object, record, false);
}

CLinkWrite WriteLinkByKey(const CBindingRecord& record, AcDbDatabase* db) {
    if (db == nullptr) {
        db = acdbHostApplicationServices()->workingDatabase();
    }
    const AcDbObjectId id = IdOfHandle(db, record.m_key);
    if (id.isNull()) {
        return CLinkWrite::kGone;
    }
    AcDbObject* object = nullptr;
    const Acad::ErrorStatus es = acdbOpenObject(object, id, AcDb::kForWrite);
    if (es == Acad::eWasErased) {
        return CLinkWrite::kGone;
    }
    if (es == Acad::eOnLockedLayer) {
        return WriteLockedLayerLink(id, record);
    }
    if (es != Acad::eOk) {
        return CLinkWrite::kFailed;
    }
    // Layers are bound to their folders: their links carry no text and no group flag.
    AcDbEntity* entity = AcDbEntity::cast(object);
    const bool written =
        entity != nullptr ? SaveEntityLinkRecord(entity, record) : SaveObjectLinkRecord(object, record);
    object->close();
    return written ? CLinkWrite::kWritten : CLinkWrite::kFailed;
}

bool LinkHolds(const CBindingRecord& record, AcDbDatabase* db) {
    if (db == nullptr) {
        db = acdbHostApplicationServices()->workingDatabase();
    }
    const AcDbObjectId id = IdOfHandle(db, record.m_key);
    if (id.isNull()) {
        return true;
    }
    AcDbObject* object = nullptr;
    const Acad::ErrorStatus es = acdbOpenObject(object, id, AcDb::kForRead);
    if (es == Acad::eWasErased) {
        return true;
    }
    if (es != Acad::eOk) {
        return false;
    }
    CBindingRecord stored;
    const bool found = ReadLinkRecord(object, stored);
    const bool groupMember = record.m_groupMember != 0 && AcDbEntity::cast(object) != nullptr;
    object->close();
    if (!found) {
        // The record a reload gives an entity without a link has nothing to write either.
        return record.m_mapId == 0 && record.m_name.IsEmpty() && record.m_remark.IsEmpty() &&
               record.m_groupMember == 0;
    }
    const CString remark = record.m_remark.Left(kMaxStoredRemark);
    return stored.m_mapId == record.m_mapId && stored.m_name == record.m_name && stored.m_remark == remark &&
           (stored.m_groupMember != 0) == groupMember;
}

bool SaveLinkRecordById(CBindingRecord record, AcDbDatabase* db) {
    return WriteLinkByKey(record, db) == CLinkWrite::kWritten;
}

bool ReadLinkRecord(const AcDbObject* object, CBindingRecord& record) {
    if (object == nullptr || object->extensionDictionary().isNull()) {
        return false;
    }
    AcDbDictionary* dict = nullptr;
    if (acdbOpenObject(dict, object->extensionDictionary(), AcDb::kForRead) != Acad::eOk) {
        return false;
    }
    AcDbObject* entry = nullptr;
    const Acad::ErrorStatus es = dict->getAt(kLinkAppName, entry, AcDb::kForRead);
    dict->close();
    if (es != Acad::eOk) {
        return false;
    }
    resbuf* chain = nullptr;
    if (const AcDbXrecord* xrecord = AcDbXrecord::cast(entry)) {
        xrecord->rbChain(&chain);
    }
    entry->close();
    const bool read = chain != nullptr && ParseLinkChain(chain, record);
    acutRelRb(chain);
    return read;
}

namespace {

CBindingRecord* ReadLinkInto(AcDbObject* object, CBindingTable* table) {
    if (object == nullptr) {
        return new CBindingRecord;
    }
    const uint64_t key = HandleToUInt32(object->handle());
    if (table != nullptr) {
        if (CBindingRecord* found = table->FindBinding(key)) {
            return found;
        }
    }
    auto* record = new CBindingRecord;
    record->m_key = key;
    CBindingRecord read = *record;
    if (ReadLinkRecord(object, read)) {
        *record = read;
    }
    if (table != nullptr) {
        table->SetBinding(key, record, true);
    }
    return record;
}

}  // namespace

CBindingRecord* GetLinkRecord(AcDbObject* object, bool useTable) {
    return ReadLinkInto(object, useTable && object != nullptr ? TableFor(object) : nullptr);
}

CBindingRecord* GetLinkRecord(AcDbObject* object, CBindingTable& table) {
    return ReadLinkInto(object, &table);
}

bool GetOrCreateLinkedLayer(const CString& layerName, uint32_t folderId) {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    AcDbLayerTable* table = nullptr;
    if (db == nullptr || db->getLayerTable(table, AcDb::kForWrite) != Acad::eOk) {
        return false;
    }
    AcDbLayerTableRecord* layer = nullptr;
    if (table->has(layerName.GetString())) {
        AcDbObjectId id;
        table->getAt(layerName.GetString(), id);
        if (acdbOpenObject(layer, id, AcDb::kForWrite) != Acad::eOk) {
            table->close();
            return false;
        }
    } else {
        // A name the host refuses makes no layer and no link.
        layer = new AcDbLayerTableRecord;
        if (layer->setName(layerName.GetString()) != Acad::eOk || table->add(layer) != Acad::eOk) {
            delete layer;
            table->close();
            return false;
        }
    }
    CBindingRecord record;
    record.m_key = HandleToUInt32(layer->handle());
    record.m_mapId = folderId;
    record.m_name = layerName;
    const bool linked = SaveObjectLinkRecord(layer, record);
    layer->close();
    table->close();
    return linked;
}

void DeleteLinkedMapObject(uint64_t key) {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr) {
        return;
    }
    // After a reload every entity has a record, most with no map object: those ask for nothing.
    const CBindingRecord* record = state->m_bindings.FindBinding(key);
    if (record != nullptr && record->m_mapId != 0) {
        const DWORD id = record->m_mapId;
        if (FindWindowW(kMapAppWindowClass, nullptr) == nullptr) {
            // Not lost: the map object goes when the map application is back.
            state->m_unsentDeletes.push_back(id);
            return;
        }
        MapApiDeleteObjects(&g_MapApiLink, &id, 1, false, false);
        // Gone while it was asked: asked again when it is back.
        if (FindWindowW(kMapAppWindowClass, nullptr) == nullptr) {
            state->m_unsentDeletes.push_back(id);
        }
    }
}

namespace {

// A true colour goes as it is; its nearest palette entry would be another colour.
uint32_t TrueColorRgb(const AcCmColor& color) {
    return static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
           (static_cast<uint32_t>(color.blue()) << 16);
}

}  // namespace

uint32_t GetEntityRgb(const AcDbEntity* entity) {
    const AcCmColor color = entity->color();
    if (color.isByColor()) {
        return TrueColorRgb(color);
    }
    int index = entity->colorIndex();
    if (index == 0) {
        return kByBlockRgb;
    }
    if (index == 256) {
        AcDbLayerTableRecord* layer = nullptr;
        if (acdbOpenObject(layer, entity->layerId(), AcDb::kForRead) == Acad::eOk) {
            const AcCmColor layerColor = layer->color();
            layer->close();
            if (layerColor.isByColor()) {
                return TrueColorRgb(layerColor);
            }
            index = layerColor.colorIndex();
        }
    }
    return CMathUtil::GetRGBFromColorIndex(index);
}

AcCmColor MakeRgbColor(uint32_t rgb) {
    AcCmColor color;
    color.setColorMethod(AcCmEntityColor::kByColor);
    color.setRGB(static_cast<Adesk::UInt8>(rgb & 0xFF), static_cast<Adesk::UInt8>((rgb >> 8) & 0xFF),
                 static_cast<Adesk::UInt8>((rgb >> 16) & 0xFF));
    return color;
}

AcDbLinetypeTableRecord* OpenLinetypeRecord(AcDbObjectId id, AcDb::OpenMode mode) {
    AcDbLinetypeTableRecord* record = nullptr;
    if (acdbOpenObject(record, id, mode) != Acad::eOk) {
        return nullptr;
    }
    return record;
}

const AcDbCurve* AsCurve(const AcDbEntity* entity) {
    return entity != nullptr && entity->isKindOf(AcDbCurve::desc()) ? static_cast<const AcDbCurve*>(entity)
                                                                    : nullptr;
}

bool IsExistingFile(const CString& path) {
    if (path.IsEmpty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(path.GetString());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

uint32_t GetMapLineStyle(const AcDbEntity* entity) {
    if (AsCurve(entity) == nullptr) {
        return 0;
    }
    CString name(entity->linetype().kACharPtr());
    if (name.CompareNoCase(u"ByLayer") == 0 || name.CompareNoCase(u"ByBlock") == 0) {
        AcDbLayerTableRecord* layer = nullptr;
        if (acdbOpenObject(layer, entity->layerId(), AcDb::kForRead) == Acad::eOk) {
            const AcString layerLinetype = LinetypeName(layer->linetypeObjectId());
            layer->close();
            if (!layerLinetype.isEmpty()) {
                name = layerLinetype.kACharPtr();
            }
        }
    }
    // The eight names the receive road gives go back as the codes they came with.
    for (uint32_t code = 0; code < 8; ++code) {
        if (name.CompareNoCase(kLineStyleNames[code]) == 0) {
            return code;
        }
    }
    if (Contains(name, u"ACAD_ISO")) {
        if (name.CompareNoCase(u"ACAD_ISO02W100") == 0) {
            return 2;
        }
        if (name.CompareNoCase(u"ACAD_ISO07W100") == 0) {
            return 1;
        }
        if (name.CompareNoCase(u"ACAD_ISO04W100") == 0 || name.CompareNoCase(u"ACAD_ISO10W100") == 0) {
            return 3;
        }
        return 4;
    }
    // Substrings in this order: the longer names contain the shorter ones.
    static const struct {
        const char16_t* part;
        uint32_t code;
    } kParts[] = {{u"DASHDOTX2", 6}, {u"DIVIDEX2", 7}, {u"DASHDOT", 3},
                  {u"CENTER", 3},    {u"DIVIDE", 4},   {u"DASHED", 5}};
    for (const auto& part : kParts) {
        if (Contains(name, part.part)) {
            return part.code;
        }
    }
    return 0;
}

uint32_t GetMapOpacity(const AcDbEntity*) {
    return 50;
}

const char16_t* LineStyleName(uint32_t code) {
    return code < 8 ? kLineStyleNames[code] : kLineStyleNames[0];
}

uint64_t StringKey63(const CString& text) {
    // The whole text: paths under a long cache root differ only at their ends.
    std::string utf8(static_cast<size_t>(text.GetLength()) * 3 + 1, '\0');
    utf8.resize(
        static_cast<size_t>(MapApiUtf16ToUtf8(text.GetString(), utf8.data(), static_cast<int>(utf8.size()))));
    uint8_t digest[16];
    Md5Buffer(digest, utf8.data(), static_cast<uint32_t>(utf8.size()));
    return DigestToKey63(digest);
}

void ResetLinkRecordState() {
    g_unownedBindings.Clear();
}
