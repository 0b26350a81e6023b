// The drawing-file writer: two walks, one over the database's containers (tables, blocks, the named-object
// dictionary) and one over each object's field table, root class first.
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/arx/acdb/dbblkref.h"
#include "platform/arx/acdb/dbblock.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbdict.h"
#include "platform/arx/acdb/dbdim.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbpoly.h"
#include "platform/arx/acdb/dbsortents.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/arx/acdb/dxffile.h"
#include "platform/win32/core/unicode.h"

namespace platform {

namespace {

using dxf::Writer;

const AcDbObject* LiveObject(AcDbObjectId id) {
    const detail::DbSlot* slot = detail::FindSlot(id);
    return slot != nullptr && !slot->erased ? slot->object : nullptr;
}

bool Writable(const AcDbObject* object);

// An object whose owner, or an owner of that owner, is erased or has no file form goes with it (the extension
// dictionary of an erased entity or of a proxy made in memory, and the records in it): written, it would be
// owned by nothing in the file.
bool OwnedByUnwritten(const AcDbObject* object) {
    AcDbObjectId owner = object->ownerId();
    for (int depth = 0; depth < 64 && !owner.isNull(); ++depth) {
        const detail::DbSlot* slot = detail::FindSlot(owner);
        if (slot == nullptr || slot->object == nullptr) {
            return false;
        }
        if (slot->erased || (AcDbEntity::cast(slot->object) != nullptr && !Writable(slot->object))) {
            return true;
        }
        owner = slot->object->ownerId();
    }
    return false;
}

// References to objects that are not written (erased, gone, of another database) are written as null.
std::uint64_t HandleOf(AcDbObjectId id, const AcDbDatabase* db) {
    const AcDbObject* object = LiveObject(id);
    return object != nullptr && object->database() == db ? id.handle().value() : 0;
}

std::string Ascii(const ACHAR* text) {
    return dxf::EncodeText(text != nullptr ? text : u"");
}

// What the writer looks up for each object, by its class, once a class and thread: the codec and the file
// type.
struct ClassFacts {
    const dxf::Codec* codec = nullptr;
    std::string type;
};

const ClassFacts& FactsOf(const AcRxClass* cls) {
    thread_local std::unordered_map<const AcRxClass*, ClassFacts> facts;
    auto found = facts.find(cls);
    if (found == facts.end()) {
        found = facts.emplace(cls, ClassFacts{dxf::FindCodec(cls), Ascii(cls->dxfName())}).first;
    }
    return found->second;
}

// dimensionBlock: the block a dimension names (the writer's choice, see DrawingWriter).
void WriteFields(const AcRxClass* cls, const AcDbObject* object, Writer& out,
                 const std::u16string* dimensionBlock = nullptr) {
    if (cls == nullptr) {
        return;
    }
    WriteFields(cls->myParent(), object, out, dimensionBlock);
    for (size_t i = 0; i < cls->fieldCount(); ++i) {
        const FieldDesc& field = cls->fields()[i];
        if (field.code == 100 && field.get == nullptr) {
            out.raw(100, field.name);
            if (dimensionBlock != nullptr && cls == AcDbDimension::desc()) {
                out.text(2, *dimensionBlock);  // first, as files have it
            }
            continue;
        }
        if (field.get == nullptr) {
            continue;
        }
        FieldValue value;
        field.get(object, value);
        if (value.skip) {
            continue;
        }
        switch (field.kind) {
            case FieldKind::kString:
                out.text(field.code, value.text);
                break;
            case FieldKind::kReal:
                out.real(field.code, value.real);
                break;
            case FieldKind::kAngle:
                out.degrees(field.code, value.real);
                break;
            case FieldKind::kInt16:
            case FieldKind::kInt32:
            case FieldKind::kInt64:
            case FieldKind::kBool:
                out.integer(field.code, value.integer);
                break;
            case FieldKind::kPoint3d:
            case FieldKind::kVector3d:
                out.point(field.code, value.point, 3);
                break;
            case FieldKind::kPoint2d:
                out.point(field.code, value.point, 2);
                break;
            case FieldKind::kHandle:
                out.handle(field.code, static_cast<std::uint64_t>(value.integer));
                break;
        }
    }
    if (const dxf::Codec* codec = FactsOf(cls).codec; codec != nullptr && codec->write != nullptr) {
        codec->write(object, out);
    }
}

// The groups every object starts with: type, handle, persistent reactors, extension dictionary, owner.
void WriteHead(const AcDbObject* object, const std::string& type, std::uint64_t handle, std::uint64_t owner,
               Writer& out) {
    const AcDbDatabase* db = object->database();
    out.raw(0, type);
    out.handle(5, handle);
    std::vector<std::uint64_t> reactors;
    for (const AcDbObjectId& id : object->persistentReactorIds()) {
        if (const std::uint64_t h = HandleOf(id, db); h != 0) {
            reactors.push_back(h);
        }
    }
    if (!reactors.empty()) {
        out.raw(102, "{ACAD_REACTORS");
        for (std::uint64_t h : reactors) {
            out.handle(330, h);
        }
        out.raw(102, "}");
    }
    if (const std::uint64_t dict = HandleOf(object->extensionDictionary(), db); dict != 0) {
        out.raw(102, "{ACAD_XDICTIONARY");
        out.handle(360, dict);
        out.raw(102, "}");
    }
    out.handle(330, owner);
}

// Groups of an object of unknown kind as they were read; references as the handles their objects have now.
void WritePairs(const AcDbObject* object, const std::vector<AcDbUnknownObject::Pair>& pairs,
                std::uint64_t owner, Writer& out) {
    for (const AcDbUnknownObject::Pair& pair : pairs) {
        switch (pair.kind) {
            case AcDbUnknownObject::Pair::Kind::kValue:
                out.raw(pair.code, pair.value);
                break;
            case AcDbUnknownObject::Pair::Kind::kReference:
                out.handle(pair.code, HandleOf(pair.id, object->database()));
                break;
            case AcDbUnknownObject::Pair::Kind::kOwner:
                out.handle(pair.code, owner);
                break;
        }
    }
}

bool HasOwnerPair(const std::vector<AcDbUnknownObject::Pair>& pairs) {
    for (const AcDbUnknownObject::Pair& pair : pairs) {
        if (pair.kind == AcDbUnknownObject::Pair::Kind::kOwner) {
            return true;
        }
    }
    return false;
}

// What an object or entity of unknown kind keeps; null pointers for any other object.
struct KeptContents {
    const std::string* type = nullptr;
    int handleCode = 5;
    const std::vector<AcDbUnknownObject::Pair>* pairs = nullptr;
    const std::vector<AcDbUnknownObject::Pair>* classPairs = nullptr;
};

KeptContents KeptContentsOf(const AcDbObject* object) {
    if (const auto* unknown = AcDbUnknownTableRecord::cast(object)) {
        return {&unknown->tarnFileType(), unknown->tarnHandleCode(), &unknown->tarnPairs(),
                &unknown->tarnClassPairs()};
    }
    if (const auto* unknown = AcDbUnknownObject::cast(object)) {
        return {&unknown->tarnFileType(), 5, &unknown->tarnPairs(), &unknown->tarnClassPairs()};
    }
    if (const auto* unknown = AcDbUnknownEntity::cast(object)) {
        return {&unknown->tarnFileType(), 5, &unknown->tarnPairs(), &unknown->tarnClassPairs()};
    }
    return {};
}

void WriteObject(const AcDbObject* object, std::uint64_t owner, Writer& out,
                 const std::u16string* dimensionBlock = nullptr) {
    if (const KeptContents kept = KeptContentsOf(object); kept.pairs != nullptr) {
        out.raw(0, *kept.type);
        out.handle(kept.handleCode, object->handle().value());
        if (AcDbEntity::cast(object) != nullptr && !HasOwnerPair(*kept.pairs)) {
            // Read without its owner (listed in a block): the owner is written, or a reader places it in
            // model space whatever layout holds it.
            out.handle(330, owner);
        }
        WritePairs(object, *kept.pairs, owner, out);
        return;
    }
    WriteHead(object, FactsOf(object->isA()).type, object->handle().value(), owner, out);
    WriteFields(object->isA(), object, out, dimensionBlock);
}

// An object the writer made for the file (not resident), under a handle it took.
void WriteMade(const AcDbObject* object, std::uint64_t handle, std::uint64_t owner, Writer& out) {
    WriteHead(object, FactsOf(object->isA()).type, handle, owner, out);
    WriteFields(object->isA(), object, out);
}

bool Writable(const AcDbObject* object) {
    if (object == nullptr) {
        return false;
    }
    if (AcDbUnknownObject::cast(object) != nullptr || AcDbUnknownEntity::cast(object) != nullptr) {
        return !dxf::FileTypeOf(object).empty();
    }
    return !FactsOf(object->isA()).type.empty();
}

class DrawingWriter {
    // A block drawn for a dimension (planDimensionBlocks): a new record (made, its handle taken when the
    // tables are written) or the dimension's own block (refilled), and the picture's entities.
    struct DimensionBlock {
        std::unique_ptr<AcDbBlockTableRecord> made;
        const AcDbBlockTableRecord* refilled = nullptr;
        std::uint64_t handle = 0;
        std::vector<std::unique_ptr<AcDbEntity>> entities;
    };

public:
    DrawingWriter(const AcDbDatabase* db, Writer& out) : m_db(db), m_body(out) {}

    // The header first: its seed is worked out beforehand from the handles the rest will take, so that the
    // file is written front to back in one go.
    bool run() {
        collectBlocks();
        collectObjects();
        planDimensionBlocks();
        const AcDbDatabase* db = m_db;
        m_body.setKeptHandles(
            [db](std::uint64_t owner, std::uint32_t place) { return FileRecordHandle(db, owner, place); });
        const std::uint64_t first = m_db->handseed().value();
        const std::uint64_t seed = first + handlesTaken();
        writeHeader(seed);
        m_body.setFirstFreeHandle(first);
        writeClasses();
        writeTables();
        writeBlocks();
        writeEntities();
        writeObjects();
        m_body.raw(0, "EOF");
        return m_body.nextFreeHandle() == seed;
    }

private:
    void collectBlocks() {
        const auto* table = AcDbBlockTable::cast(detail::Peek(m_db->blockTableId()));
        for (const AcDbObjectId& id : table->tarnRecordIds()) {
            if (const auto* block = AcDbBlockTableRecord::cast(LiveObject(id))) {
                m_blocks.push_back(block);
                if (EqualsNoCase(block->tarnName(), kModelSpace)) {
                    m_model = block;
                } else if (EqualsNoCase(block->tarnName(), kPaperSpace)) {
                    m_paper = block;
                }
            }
        }
    }

    // The classes of the objects, and the records kept for the tables the database does not keep, by table
    // in handle order (the file's order, as the reader made them).
    void collectObjects() {
        ForEachObjectId(m_db, [&](AcDbObjectId id) {
            const AcDbObject* object = LiveObject(id);
            if (object == nullptr) {
                return;
            }
            m_classes.insert(object->isA());
            if (const auto* kept = AcDbUnknownTableRecord::cast(object)) {
                m_keptRecords[kept->tarnFileType()].push_back(kept);
                m_keptStandard = m_keptStandard || (kept->tarnFileType() == "DIMSTYLE" && IsStandard(kept));
            }
        });
    }

    // Whether a kept record is named "Standard" (its first group 2), in any case.
    static bool IsStandard(const AcDbUnknownTableRecord* record) {
        for (const AcDbUnknownObject::Pair& pair : record->tarnPairs()) {
            if (pair.code == 2 && pair.kind == AcDbUnknownObject::Pair::Kind::kValue) {
                return EqualsNoCase(Utf8ToUtf16(pair.value), u"Standard");
            }
        }
        return false;
    }

    // Every dimension shows through a block, as files have it. One without a block, or whose block shows an
    // older state of it, is drawn here for the file: into its own block in place of what that holds when
    // nothing else shows that block, else into a new anonymous block "*D<n>". The drawing is not changed.
    void planDimensionBlocks() {
        std::unordered_map<const AcDbObject*, int> shown;  // blocks by how many dimensions and references
        std::vector<const AcDbDimension*> dimensions;
        for (const AcDbBlockTableRecord* block : m_blocks) {
            for (const AcDbObjectId& id : block->tarnEntityIds()) {
                const AcDbObject* entity = LiveObject(id);
                if (const auto* dimension = AcDbDimension::cast(entity)) {
                    dimensions.push_back(dimension);
                    ++shown[LiveObject(dimension->dimBlockId())];
                } else if (const auto* reference = AcDbBlockReference::cast(entity)) {
                    ++shown[LiveObject(reference->blockTableRecord())];
                }
            }
        }
        unsigned next = dxf::FirstFreeDimensionBlockNumber(m_db);
        for (const AcDbDimension* dimension : dimensions) {
            if (dimension->tarnBlockIsCurrent()) {
                continue;
            }
            DimensionBlock drawn;
            drawn.entities = dimension->tarnPictureEntities(m_db);
            const auto* own = dimension->tarnHasBlock()
                                  ? AcDbBlockTableRecord::cast(LiveObject(dimension->dimBlockId()))
                                  : nullptr;
            if (own != nullptr && shown[own] == 1) {
                drawn.refilled = own;
                m_refilled[own] = m_drawn.size();
            } else {
                drawn.made = std::make_unique<AcDbBlockTableRecord>();
                drawn.made->setName((u"*D" + Utf8ToUtf16(std::to_string(next++))).c_str());
            }
            m_drawnFor[dimension] = m_drawn.size();
            m_drawn.push_back(std::move(drawn));
        }
    }

    // The block a dimension names in the file.
    std::u16string blockNameOf(const AcDbDimension* dimension) const {
        if (auto it = m_drawnFor.find(dimension); it != m_drawnFor.end()) {
            const DimensionBlock& drawn = m_drawn[it->second];
            return drawn.made != nullptr ? drawn.made->tarnName() : drawn.refilled->tarnName();
        }
        return AcDbBlockTableRecord::cast(LiveObject(dimension->dimBlockId()))->tarnName();
    }

    // What writeKeptTable, writeBlockMarker, writeAttributesOf and the drawn blocks of dimensions take, and
    // the VERTEX and SEQEND records of 2D and 3D polylines (dbpoly.cpp): every taker of handles is counted
    // here, less the records that keep the handles the drawing's file gave them.
    std::uint64_t handlesTaken() const {
        auto fresh = [this](std::uint64_t owner, std::uint32_t place) -> std::uint64_t {
            return m_body.keptHandle(owner, place) == 0 ? 1 : 0;
        };
        // VIEW, UCS, DIMSTYLE and its "Standard" record when the file had none
        std::uint64_t taken = m_keptStandard ? 0 : 1;
        for (std::uint32_t table = 0; table < 3; ++table) {
            taken += fresh(0, file_record::kTableHead + table);
        }
        for (const AcDbBlockTableRecord* block : m_blocks) {
            const std::uint64_t handle = block->handle().value();
            taken += fresh(handle, file_record::kBlockBegin) + fresh(handle, file_record::kBlockEnd);
        }
        for (const DimensionBlock& drawn : m_drawn) {
            taken += drawn.entities.size() + (drawn.made != nullptr ? 3 : 0);  // record, BLOCK, ENDBLK
        }
        for (const AcDbBlockTableRecord* block : m_blocks) {
            if (m_refilled.count(block) != 0) {
                continue;  // its entities are not written
            }
            for (const AcDbObjectId& id : block->tarnEntityIds()) {
                const AcDbObject* entity = LiveObject(id);
                if (entity == nullptr || !Writable(entity)) {
                    continue;
                }
                const std::uint64_t handle = entity->handle().value();
                if (const auto* reference = AcDbBlockReference::cast(entity)) {
                    taken +=
                        !reference->tarnAttributeIds().empty() ? fresh(handle, file_record::kSequenceEnd) : 0;
                } else if (AcDb2dPolyline::cast(entity) != nullptr ||
                           AcDb3dPolyline::cast(entity) != nullptr) {
                    const std::uint64_t vertices = VertexCount(static_cast<const AcDbEntity*>(entity));
                    taken += fresh(handle, file_record::kSequenceEnd);
                    for (std::uint64_t i = 0; i < vertices; ++i) {
                        taken += fresh(handle, static_cast<std::uint32_t>(i));
                    }
                }
            }
        }
        return taken;
    }

    template <class Polyline>
    static std::uint64_t VerticesOf(const Polyline* pline) {
        std::uint64_t n = 0;
        std::unique_ptr<AcDbObjectIterator> it(pline->vertexIterator());
        for (it->start(); !it->done(); it->step()) {
            ++n;
        }
        return n;
    }
    static std::uint64_t VertexCount(const AcDbEntity* entity) {
        if (const auto* pline = AcDb2dPolyline::cast(entity)) {
            return VerticesOf(pline);
        }
        return VerticesOf(AcDb3dPolyline::cast(entity));
    }

    void writeHeader(std::uint64_t seed) {
        Writer& out = m_body;
        out.raw(0, "SECTION");
        out.raw(2, "HEADER");
        out.raw(9, "$ACADVER");
        out.raw(1, "AC1015");
        out.raw(9, "$DWGCODEPAGE");
        out.raw(3, "ANSI_936");
        const double origin[3] = {0.0, 0.0, 0.0};
        out.raw(9, "$INSBASE");
        out.point(10, origin);
        out.raw(9, "$CLAYER");
        out.text(8, dxf::RecordName(m_db->clayer()));
        out.raw(9, "$CELTYPE");
        out.text(6, dxf::RecordName(m_db->celtype()));
        out.raw(9, "$TEXTSTYLE");
        out.text(7, dxf::RecordName(m_db->textstyle()));
        out.raw(9, "$CECOLOR");
        out.integer(62, m_db->cecolor().colorIndex());
        out.raw(9, "$HANDSEED");
        out.handle(5, seed);
        out.raw(0, "ENDSEC");
    }

    void writeClasses() {
        m_body.raw(0, "SECTION");
        m_body.raw(2, "CLASSES");
        std::set<std::string> written;
        std::set<std::string> present;
        for (const AcRxClass* cls : m_classes) {
            present.insert(Ascii(cls->dxfName()));
        }
        for (const dxf::AnnouncedClass& entry : dxf::AnnouncedClasses()) {
            if (present.count(entry.dxfName) == 0) {
                continue;
            }
            m_body.raw(0, "CLASS");
            m_body.raw(1, entry.dxfName);
            m_body.raw(2, entry.className);
            m_body.raw(3, "Drawing classes");
            m_body.integer(90, 0);
            m_body.integer(280, 0);
            m_body.integer(281, entry.isEntity ? 1 : 0);
            written.insert(entry.dxfName);
        }
        // The classes of objects kept from other programs' files, as those files announced them.
        ForEachObjectId(m_db, [&](AcDbObjectId id) {
            const AcDbObject* object = LiveObject(id);
            const KeptContents kept = KeptContentsOf(object);
            if (kept.pairs == nullptr || kept.classPairs->empty() || !written.insert(*kept.type).second) {
                return;
            }
            m_body.raw(0, "CLASS");
            WritePairs(object, *kept.classPairs, 0, m_body);
        });
        m_body.raw(0, "ENDSEC");
    }

    void writeTable(const char* name, AcDbObjectId tableId) {
        const auto* table = AcDbSymbolTable::cast(detail::Peek(tableId));
        std::vector<const AcDbObject*> records;
        for (const AcDbObjectId& id : table->tarnRecordIds()) {
            if (const AcDbObject* record = LiveObject(id)) {
                records.push_back(record);
            }
        }
        m_body.raw(0, "TABLE");
        m_body.raw(2, name);
        m_body.handle(5, table->handle().value());
        m_body.handle(330, 0);
        m_body.raw(100, "AcDbSymbolTable");
        const bool blocks = tableId == m_db->blockTableId();
        size_t made = 0;
        for (const DimensionBlock& drawn : m_drawn) {
            made += blocks && drawn.made != nullptr ? 1 : 0;
        }
        m_body.integer(70, static_cast<long long>(records.size() + made));
        for (const AcDbObject* record : records) {
            WriteObject(record, table->handle().value(), m_body);
        }
        for (DimensionBlock& drawn : m_drawn) {
            if (blocks && drawn.made != nullptr) {
                drawn.handle = m_body.takeHandle();
                WriteMade(drawn.made.get(), drawn.handle, table->handle().value(), m_body);
            }
        }
        m_body.raw(0, "ENDTAB");
    }

    // Tables the database does not keep: written so that other programs find the full set, with the records
    // a file gave them as read; DIMSTYLE holds "Standard" at least.
    void writeKeptTable(const std::string& name, std::uint32_t place) {
        const std::uint64_t handle = m_body.recordHandle(0, file_record::kTableHead + place);
        const std::vector<const AcDbUnknownTableRecord*>& records = m_keptRecords[name];
        const bool standard = name == "DIMSTYLE" && !m_keptStandard;
        m_body.raw(0, "TABLE");
        m_body.raw(2, name);
        m_body.handle(5, handle);
        m_body.handle(330, 0);
        m_body.raw(100, "AcDbSymbolTable");
        m_body.integer(70, static_cast<long long>(records.size() + (standard ? 1 : 0)));
        if (name == "DIMSTYLE") {
            m_body.raw(100, "AcDbDimStyleTable");
        }
        for (const AcDbUnknownTableRecord* record : records) {
            WriteObject(record, handle, m_body);
        }
        // Last, as its new handle is the highest: read back, it keeps its place among the kept records.
        if (standard) {
            m_body.raw(0, "DIMSTYLE");
            m_body.handle(105, m_body.takeHandle());
            m_body.handle(330, handle);
            m_body.raw(100, "AcDbSymbolTableRecord");
            m_body.raw(100, "AcDbDimStyleTableRecord");
            m_body.raw(2, "Standard");
            m_body.integer(70, 0);
        }
        m_body.raw(0, "ENDTAB");
    }

    void writeTables() {
        m_body.raw(0, "SECTION");
        m_body.raw(2, "TABLES");
        writeTable("VPORT", m_db->viewportTableId());
        writeTable("LTYPE", m_db->linetypeTableId());
        writeTable("LAYER", m_db->layerTableId());
        writeTable("STYLE", m_db->textStyleTableId());
        writeKeptTable("VIEW", 0);
        writeKeptTable("UCS", 1);
        writeTable("APPID", m_db->regAppTableId());
        writeKeptTable("DIMSTYLE", 2);
        writeTable("BLOCK_RECORD", m_db->blockTableId());
        m_body.raw(0, "ENDSEC");
    }

    void writeEntitiesOf(const AcDbBlockTableRecord* block) {
        std::vector<AcDbObjectId> sorted;
        for (const AcDbObjectId& id : DrawOrderOf(block, sorted)) {
            const AcDbObject* entity = LiveObject(id);
            if (const auto* dimension = AcDbDimension::cast(entity)) {
                const std::u16string name = blockNameOf(dimension);
                WriteObject(entity, block->handle().value(), m_body, &name);
            } else if (Writable(entity)) {
                WriteObject(entity, block->handle().value(), m_body);
                writeAttributesOf(AcDbBlockReference::cast(entity));
            }
        }
    }

    // A reference's attributes follow it, closed by a sequence end.
    void writeAttributesOf(const AcDbBlockReference* reference) {
        if (reference == nullptr || reference->tarnAttributeIds().empty()) {
            return;
        }
        for (const AcDbObjectId& id : reference->tarnAttributeIds()) {
            if (const AcDbObject* attribute = LiveObject(id); Writable(attribute)) {
                WriteObject(attribute, reference->handle().value(), m_body);
            }
        }
        m_body.raw(0, "SEQEND");
        m_body.handle(5, m_body.recordHandle(reference->handle().value(), file_record::kSequenceEnd));
        m_body.handle(330, reference->handle().value());
        m_body.raw(100, "AcDbEntity");
        m_body.text(8, reference->layer().str());
    }

    void writeBlocks() {
        m_body.raw(0, "SECTION");
        m_body.raw(2, "BLOCKS");
        for (const AcDbBlockTableRecord* block : m_blocks) {
            writeBlock(block, block->handle().value(), block->handle().value(), [&] {
                if (auto it = m_refilled.find(block); it != m_refilled.end()) {
                    writeDrawn(m_drawn[it->second], block->handle().value());
                } else if (block != m_model && block != m_paper) {
                    writeEntitiesOf(block);
                }
            });
        }
        for (const DimensionBlock& drawn : m_drawn) {
            if (drawn.made != nullptr) {
                writeBlock(drawn.made.get(), drawn.handle, 0, [&] { writeDrawn(drawn, drawn.handle); });
            }
        }
        m_body.raw(0, "ENDSEC");
    }

    // kept: the block's handle when the file may have given its BLOCK and ENDBLK handles, else 0.
    template <class Contents>
    void writeBlock(const AcDbBlockTableRecord* block, std::uint64_t handle, std::uint64_t kept,
                    const Contents& contents) {
        const std::string name = Ascii(block->tarnName());
        writeBlockMarker(block, handle, m_body.recordHandle(kept, file_record::kBlockBegin), "BLOCK",
                         "AcDbBlockBegin");
        m_body.raw(2, name);
        m_body.integer(70, block->isAnonymous() ? 1 : 0);
        const AcGePoint3d origin = block->origin();
        const double xyz[3] = {origin.x, origin.y, origin.z};
        m_body.point(10, xyz);
        m_body.raw(3, name);
        m_body.raw(1, "");
        contents();
        writeBlockMarker(block, handle, m_body.recordHandle(kept, file_record::kBlockEnd), "ENDBLK",
                         "AcDbBlockEnd");
    }

    void writeDrawn(const DimensionBlock& drawn, std::uint64_t block) {
        for (const std::unique_ptr<AcDbEntity>& entity : drawn.entities) {
            WriteMade(entity.get(), m_body.takeHandle(), block, m_body);
        }
    }

    // The BLOCK and ENDBLK records around a block's entities; the paper-space block's are in paper space.
    void writeBlockMarker(const AcDbBlockTableRecord* block, std::uint64_t handle, std::uint64_t own,
                          const char* type, const char* subclass) {
        m_body.raw(0, type);
        m_body.handle(5, own);
        m_body.handle(330, handle);
        m_body.raw(100, "AcDbEntity");
        if (block == m_paper) {
            m_body.integer(67, 1);
        }
        m_body.raw(8, "0");
        m_body.raw(100, subclass);
    }

    void writeEntities() {
        m_body.raw(0, "SECTION");
        m_body.raw(2, "ENTITIES");
        for (const AcDbBlockTableRecord* layout : {m_model, m_paper}) {
            if (layout != nullptr) {
                writeEntitiesOf(layout);
            }
        }
        m_body.raw(0, "ENDSEC");
    }

    // The named-object dictionary first (readers take the first dictionary as the root), then every other
    // object that is neither an entity nor part of a table, in handle order.
    void writeObjects() {
        m_body.raw(0, "SECTION");
        m_body.raw(2, "OBJECTS");
        const AcDbObjectId nod = m_db->namedObjectsDictionaryId();
        if (const AcDbObject* root = LiveObject(nod)) {
            WriteObject(root, 0, m_body);
        }
        ForEachObjectId(m_db, [&](AcDbObjectId id) {
            const AcDbObject* object = LiveObject(id);
            if (id == nod || !Writable(object) || AcDbEntity::cast(object) != nullptr ||
                AcDbSymbolTable::cast(object) != nullptr || AcDbSymbolTableRecord::cast(object) != nullptr ||
                AcDbUnknownTableRecord::cast(object) != nullptr || OwnedByUnwritten(object)) {
                return;
            }
            WriteObject(object, HandleOf(object->ownerId(), m_db), m_body);
        });
        m_body.raw(0, "ENDSEC");
    }

    const AcDbDatabase* m_db;
    Writer& m_body;
    std::vector<const AcDbBlockTableRecord*> m_blocks;
    const AcDbBlockTableRecord* m_model = nullptr;
    const AcDbBlockTableRecord* m_paper = nullptr;

    std::set<const AcRxClass*> m_classes;
    std::unordered_map<std::string, std::vector<const AcDbUnknownTableRecord*>> m_keptRecords;
    bool m_keptStandard = false;  // a kept DIMSTYLE record named "Standard"

    std::vector<DimensionBlock> m_drawn;
    std::unordered_map<const AcDbDimension*, size_t> m_drawnFor;
    std::unordered_map<const AcDbBlockTableRecord*, size_t> m_refilled;
};

}  // namespace

std::string WriteDxf(const AcDbDatabase* db, std::string* invalid) {
    Writer out;
    DrawingWriter(db, out).run();
    if (invalid != nullptr) {
        *invalid = out.invalidValue();
    }
    return std::move(out.data());
}

bool WriteDxfBlocks(const AcDbDatabase* db, const std::function<bool(std::string_view)>& write,
                    std::string* invalid) {
    Writer out(write);
    const bool complete = DrawingWriter(db, out).run();
    if (invalid != nullptr) {
        *invalid = out.invalidValue();
    }
    return out.flush() && complete && out.invalidValue().empty();
}

}  // namespace platform
