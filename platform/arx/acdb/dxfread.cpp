// The drawing-file reader. It works in steps over the whole file so that no object depends on the order of
// the file: split the file into groups and sections (every syntax error is found here, before anything is
// built), make every known object resident under its handle, hang table records and entities in their
// containers, add the default records a file may lack, then fill each object through its field table and
// codec with every reference resolvable. All of it goes into a fresh database that replaces the target's
// contents only at the end.
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/acdb/dbattrib.h"
#include "platform/arx/acdb/dbblkref.h"
#include "platform/arx/acdb/dbblock.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbdict.h"
#include "platform/arx/acdb/dbdim.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbhatch.h"
#include "platform/arx/acdb/dbmline.h"
#include "platform/arx/acdb/dbmtext.h"
#include "platform/arx/acdb/dbpoly.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acdb/dbtext.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/arx/acdb/dxffile.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace platform {

namespace {

using dxf::Group;
using dxf::ReadContext;

std::string Upper(std::string_view text) {
    std::string out(dxf::Trim(text));
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

// Whether a value is the word, in any case, blanks around it allowed.
bool IsWord(std::string_view value, std::string_view word) {
    value = dxf::Trim(value);
    if (value.size() != word.size()) {
        return false;
    }
    for (size_t i = 0; i < value.size(); ++i) {
        const char c =
            value[i] >= 'a' && value[i] <= 'z' ? static_cast<char>(value[i] - 'a' + 'A') : value[i];
        if (c != word[i]) {
            return false;
        }
    }
    return true;
}

// The database table of a file table name; null for tables the database does not keep.
AcDbObjectId TableOf(const AcDbDatabase* db, const std::string& name) {
    if (name == "BLOCK_RECORD") {
        return db->blockTableId();
    }
    if (name == "LAYER") {
        return db->layerTableId();
    }
    if (name == "LTYPE") {
        return db->linetypeTableId();
    }
    if (name == "STYLE") {
        return db->textStyleTableId();
    }
    if (name == "APPID") {
        return db->regAppTableId();
    }
    if (name == "VPORT") {
        return db->viewportTableId();
    }
    return AcDbObjectId();
}

// The tables whose records the database keeps as read (AcDbUnknownTableRecord).
bool IsKeptTable(const std::string& name) {
    return name == "VIEW" || name == "UCS" || name == "DIMSTYLE";
}

// Lets maps of names be searched with views.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};

enum class Kind : std::uint8_t { kTableHead, kTableRecord, kBlockBegin, kEntity, kObject };

const std::string kNoName;
const std::u16string kNoName16;

// One per record of the file, so kept small: names, types and lists live in the loader.
struct Record {
    Kind kind = Kind::kObject;
    bool synthetic : 1 = false;   // a block record the file lacks (its BLOCK came without one)
    bool braces : 1 = false;      // a 102 group among its groups (extension dictionary, reactors)
    std::uint16_t tableName = 0;  // table records and heads: the table's name among the loader's
    std::uint32_t typeName = 0;   // the loader's interned names
    std::uint32_t begin = 0;      // the group after the record's 0 group
    std::uint32_t end = 0;
    int block = -1;            // entities in BLOCKS: their BLOCK record
    int parent = -1;           // followers (VERTEX, SEQEND, ATTRIB): the entity they belong to
    int nameIndex = -1;        // table records and blocks: their name among the loader's names
    int followerList = -1;     // the loader's list of the records that follow this one
    std::uint64_t handle = 0;  // 0 when the file gives none
    AcRxClass* cls = nullptr;
    AcDbObject* object = nullptr;
    AcDbObjectId id;

    // The line of the record's 0 group.
    int line() const { return static_cast<int>(2 * begin) - 1; }
};

// File handles to the objects made for them: filled while the objects are made, then laid out once for
// lookups. Handles are usually dense, so most files get a table indexed by handle.
class HandleMap {
public:
    void reserve(size_t count) { m_entries.reserve(count); }
    void set(std::uint64_t handle, AcDbObjectId id) {
        m_entries.emplace_back(handle, id);
        m_ready = false;
    }
    AcDbObjectId find(std::uint64_t handle) const {
        if (!m_ready) {
            layOut();
        }
        if (!m_dense.empty() || m_entries.empty()) {
            return handle >= m_low && handle - m_low < m_dense.size() ? m_dense[handle - m_low]
                                                                      : AcDbObjectId();
        }
        auto it = std::lower_bound(m_entries.begin(), m_entries.end(), handle,
                                   [](const auto& entry, std::uint64_t h) { return entry.first < h; });
        return it != m_entries.end() && it->first == handle ? it->second : AcDbObjectId();
    }

private:
    void layOut() const {
        m_ready = true;
        for (const auto& [handle, id] : m_dense.empty() ? decltype(m_entries)() : DenseEntries()) {
            m_entries.emplace_back(handle, id);  // a table from before: back to a list with what came since
        }
        m_dense.clear();
        if (m_entries.empty()) {
            return;
        }
        std::sort(m_entries.begin(), m_entries.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        const std::uint64_t low = m_entries.front().first;
        const std::uint64_t span = m_entries.back().first - low + 1;
        if (span <= 2 * m_entries.size() + 1024) {
            m_low = low;
            m_dense.assign(span, AcDbObjectId());
            for (const auto& [handle, id] : m_entries) {
                m_dense[handle - low] = id;
            }
            decltype(m_entries)().swap(m_entries);
        }
    }
    std::vector<std::pair<std::uint64_t, AcDbObjectId>> DenseEntries() const {
        std::vector<std::pair<std::uint64_t, AcDbObjectId>> entries;
        for (size_t i = 0; i < m_dense.size(); ++i) {
            if (!m_dense[i].isNull()) {
                entries.emplace_back(m_low + i, m_dense[i]);
            }
        }
        return entries;
    }

    mutable std::vector<std::pair<std::uint64_t, AcDbObjectId>> m_entries;
    mutable std::vector<AcDbObjectId> m_dense;
    mutable std::uint64_t m_low = 0;
    mutable bool m_ready = true;
};

// The handles taken so far. Files number their objects densely from low handles, so a bit per handle up to
// a bound the record count sets does for most; the rest go to a hash set.
class HandleSet {
public:
    explicit HandleSet(size_t records) : m_bits((4 * records + 4096) / 64 + 1, 0) {}
    // False when the handle was taken before.
    bool insert(std::uint64_t handle) {
        if (handle / 64 < m_bits.size()) {
            std::uint64_t& word = m_bits[handle / 64];
            const std::uint64_t bit = std::uint64_t{1} << (handle % 64);
            const bool fresh = (word & bit) == 0;
            word |= bit;
            return fresh;
        }
        return m_others.insert(handle).second;
    }

private:
    std::vector<std::uint64_t> m_bits;
    std::unordered_set<std::uint64_t> m_others;
};

class Loader {
public:
    Loader(const dxf::GroupStore& groups, dxf::Error& error) : m_groups(groups), m_error(error) {
        m_firstOf.fill(-1);
        m_typeTable = intern("TABLE");
        m_typeEndtab = intern("ENDTAB");
        m_typeBlock = intern("BLOCK");
        m_typeEndblk = intern("ENDBLK");
        m_typeVertex = intern("VERTEX");
        m_typeSeqend = intern("SEQEND");
        m_typeAttrib = intern("ATTRIB");
        m_typePolyline = intern("POLYLINE");
        m_typeDimension = intern("DIMENSION");
    }

    bool run(AcDbDatabase* db) {
        m_db = db;
        return splitSections() && prepare() && build();
    }

    // One line per kind of entity that was left out.
    void reportSkipped() const {
        for (const auto& [type, count] : m_unknownEntities) {
            acutPrintf(u"\nSkipped %d entit%s of unknown type %S.", count, count == 1 ? u"y" : u"ies",
                       type.c_str());
        }
        if (m_skippedLoops > 0) {
            acutPrintf(u"\nSkipped %d hatch boundar%s that could not be read.", m_skippedLoops,
                       m_skippedLoops == 1 ? u"y" : u"ies");
        }
    }

private:
    // ---- step 1: sections and records ----

    bool fail(int line, const std::string& what) { return dxf::Fail(m_error, line, what); }

    // A type name, trimmed and upper-cased, kept once however many records carry it.
    std::uint32_t intern(std::string_view text) {
        text = dxf::Trim(text);
        m_scratch.assign(text.data(), text.size());
        for (char& c : m_scratch) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        if (auto known = m_interned.find(m_scratch); known != m_interned.end()) {
            return known->second;
        }
        auto [it, added] = m_interned.emplace(m_scratch, static_cast<std::uint32_t>(m_internedNames.size()));
        if (added) {
            m_internedNames.push_back(&it->first);
        }
        return it->second;
    }
    // A table name (upper-cased). Only a handful are known; past what a record can number, a name reads as
    // none, like any table the database does not keep.
    std::uint16_t tableCode(const std::string& name) {
        auto it = std::find(m_tableNames.begin(), m_tableNames.end(), name);
        if (it != m_tableNames.end()) {
            return static_cast<std::uint16_t>(it - m_tableNames.begin());
        }
        if (m_tableNames.size() > 0xFFFF) {
            return 0;
        }
        m_tableNames.push_back(name);
        return static_cast<std::uint16_t>(m_tableNames.size() - 1);
    }
    const std::string& typeOf(const Record& r) const { return *m_internedNames[r.typeName]; }
    const std::string& tableNameOf(const Record& r) const { return m_tableNames[r.tableName]; }
    // The group of a record's own handle: a DIMSTYLE record gives it in 105.
    int handleCodeOf(const Record& r) const {
        return r.kind == Kind::kTableRecord ? AcDbUnknownTableRecord::HandleCodeOf(tableNameOf(r)) : 5;
    }

    const std::u16string& nameOf(const Record& r) const {
        return r.nameIndex >= 0 ? m_names[static_cast<size_t>(r.nameIndex)] : kNoName16;
    }
    // A name is what the database will hold: its text up to a NUL the file may carry, so that names equal
    // there are equal here too.
    void setName(Record& r, std::u16string name) {
        name.resize(std::char_traits<char16_t>::length(name.c_str()));
        r.nameIndex = static_cast<int>(m_names.size());
        m_names.push_back(std::move(name));
    }

    const std::vector<int>& followersOf(const Record& r) const {
        static const std::vector<int> kNone;
        return r.followerList >= 0 ? m_followerLists[static_cast<size_t>(r.followerList)] : kNone;
    }
    void addFollower(Record& r, int index) {
        if (r.followerList < 0) {
            r.followerList = static_cast<int>(m_followerLists.size());
            m_followerLists.emplace_back();
        }
        m_followerLists[static_cast<size_t>(r.followerList)].push_back(index);
    }

    // The runtime class of a file type name, looked up once per name.
    AcRxClass* classNamed(const std::string& type) {
        auto it = m_classByType.find(type);
        if (it == m_classByType.end()) {
            it = m_classByType.emplace(type, AcRxClass::findByDxfName(Utf8ToUtf16(type).c_str())).first;
        }
        return it->second;
    }

    // classNamed by the interned name.
    AcRxClass* classOfType(std::uint32_t type) {
        if (type >= m_classOfType.size()) {
            m_classOfType.resize(m_internedNames.size(), nullptr);
            m_typeLookedUp.resize(m_internedNames.size(), false);
        }
        if (!m_typeLookedUp[type]) {
            m_typeLookedUp[type] = true;
            m_classOfType[type] = classNamed(*m_internedNames[type]);
        }
        return m_classOfType[type];
    }

    const dxf::Codec* codecOf(const AcRxClass* cls) {
        auto it = m_codecs.find(cls);
        if (it == m_codecs.end()) {
            it = m_codecs.emplace(cls, dxf::FindCodec(cls)).first;
        }
        return it->second;
    }

    int lastLine() const { return m_groups.empty() ? 1 : m_groups.back().line + 1; }

    bool splitSections() {
        size_t i = 0;
        while (i < m_groups.size()) {
            const Group& g = m_groups[i];
            if (g.code == 999) {
                ++i;
                continue;
            }
            const std::string word = Upper(g.value);
            if (g.code != 0 || (word != "SECTION" && word != "EOF")) {
                return fail(g.line,
                            "expected the start of a section, found group code " + std::to_string(g.code));
            }
            if (word == "EOF") {
                return true;
            }
            if (i + 1 >= m_groups.size() || m_groups[i + 1].code != 2) {
                return fail(g.line, "section without a name");
            }
            const std::string name = Upper(m_groups[i + 1].value);
            bool closed = false;
            const size_t j = m_groups.scan(i + 2, m_groups.size(), [&](const Group& g) {
                closed = g.code == 0 && IsWord(g.value, "ENDSEC");
                return !closed && (g.code != 0 || !(IsWord(g.value, "SECTION") || IsWord(g.value, "EOF")));
            });
            if (j < m_groups.size() && !closed) {
                return fail(m_groups[j].line, "section " + name + " is not closed");
            }
            if (j >= m_groups.size()) {
                return fail(lastLine(), "section " + name + " is not closed (file truncated)");
            }
            if (!section(name, i + 2, j)) {
                return false;
            }
            i = j + 1;
        }
        return fail(lastLine(), "no end-of-file marker (file truncated)");
    }

    bool section(const std::string& name, size_t begin, size_t end) {
        if (name == "HEADER") {
            return header(begin, end);
        }
        if (name == "CLASSES") {
            classes(begin, end);
            return true;
        }
        if (name != "TABLES" && name != "BLOCKS" && name != "ENTITIES" && name != "OBJECTS") {
            return true;  // THUMBNAILIMAGE, ACDSDATA, ...: nothing the database keeps
        }
        const bool tables = name == "TABLES";
        const bool blocks = name == "BLOCKS";
        const bool entities = name == "ENTITIES";
        std::string table;
        int block = -1;
        int lastEntity = -1;
        for (size_t i = begin; i < end;) {
            const Group& g = m_groups[i];
            if (g.code == 999) {
                ++i;
                continue;
            }
            if (g.code != 0) {
                return fail(g.line, "group code " + std::to_string(g.code) + " outside of any object");
            }
            bool braces = false;
            const size_t next = m_groups.scan(i + 1, end, [&braces](const Group& group) {
                braces = braces || group.code == 102;
                return group.code != 0;
            });
            Record r;
            r.braces = braces;
            r.typeName = intern(g.value);
            r.begin = i + 1;
            r.end = next;
            i = next;
            if (tables) {
                if (r.typeName == m_typeTable) {
                    r.kind = Kind::kTableHead;
                    table = Upper(firstValue(r, 2));
                    r.tableName = tableCode(table);
                } else if (r.typeName == m_typeEndtab) {
                    table.clear();
                    continue;
                } else if (table.empty()) {
                    continue;
                } else {
                    r.kind = Kind::kTableRecord;
                    r.tableName = tableCode(table);
                }
            } else if (blocks && (r.typeName == m_typeBlock || r.typeName == m_typeEndblk)) {
                if (r.typeName == m_typeEndblk) {
                    if (block >= 0) {
                        m_blockEnds.push_back({block, r.begin, r.end, 0});
                    }
                    block = -1;
                    continue;
                }
                r.kind = Kind::kBlockBegin;
                block = static_cast<int>(m_records.size());
            } else if (blocks || entities) {
                if (blocks && block < 0) {
                    continue;
                }
                r.kind = Kind::kEntity;
                r.block = block;
                if (r.typeName == m_typeVertex || r.typeName == m_typeSeqend || r.typeName == m_typeAttrib) {
                    r.parent = lastEntity;
                    if (r.parent < 0) {
                        continue;
                    }
                } else {
                    lastEntity = static_cast<int>(m_records.size());
                }
            } else {
                r.kind = Kind::kObject;
            }
            m_records.push_back(std::move(r));
        }
        return true;
    }

    // The CLASS records by the type they announce, for the objects kept without a class of their own.
    void classes(size_t begin, size_t end) {
        for (size_t i = begin; i < end;) {
            size_t next = i + 1;
            while (next < end && m_groups[next].code != 0) {
                ++next;
            }
            Record r;
            r.begin = i + 1;
            r.end = next;
            if (m_groups[i].code == 0 && Upper(m_groups[i].value) == "CLASS") {
                m_classes.emplace(Upper(firstValue(r, 1)), r);
            }
            i = next;
        }
    }

    // Header variables: 9 names one, the groups up to the next 9 are its value.
    bool header(size_t begin, size_t end) {
        std::string name;
        for (size_t i = begin; i < end; ++i) {
            const Group& g = m_groups[i];
            if (g.code == 9) {
                name = Upper(g.value);
            } else if (!name.empty() && m_header.count(name) == 0) {
                m_header[name] = i;
            }
        }
        if (const std::optional<Group> page = headerGroup("$DWGCODEPAGE")) {
            const std::string value = Upper(page->value);
            if (value.rfind("ANSI_", 0) == 0) {
                long long number = 0;
                if (dxf::ParseInteger(value.substr(5), number) && number > 0 && number < 100000) {
                    m_context.codePage = static_cast<int>(number);
                }
            }
        }
        if (const std::optional<Group> seed = headerGroup("$HANDSEED")) {
            if (!dxf::ParseHandle(seed->value, m_seed)) {
                return fail(seed->line, "bad handle \"" + std::string(dxf::Trim(seed->value)) + "\"");
            }
            // A seed at the end of the handle range would leave no handle to hand out: the seed is then
            // taken from the handles in use instead.
            if (m_seed > kHandleLimit) {
                m_seed = 0;
            }
        }
        return true;
    }

    std::optional<Group> headerGroup(const std::string& name) const {
        auto it = m_header.find(name);
        return it != m_header.end() ? std::optional<Group>(m_groups[it->second]) : std::nullopt;
    }

    std::string_view firstValue(const Record& r, int code) const {
        std::string_view value;
        m_groups.scan(r.begin, r.end, [&](const Group& g) {
            if (g.code == code) {
                value = g.value;
            }
            return g.code != code;
        });
        return value;
    }

    std::optional<Group> firstGroup(const Record& r, int code, bool headOnly) const {
        std::optional<Group> found;
        m_groups.scan(r.begin, r.end, [&](const Group& g) {
            if (headOnly && g.code == 100) {
                return false;
            }
            if (g.code == code) {
                found = g;
            }
            return g.code != code;
        });
        return found;
    }

    std::vector<Group> groupsOf(size_t begin, size_t end) const {
        std::vector<Group> groups;
        groups.reserve(end - begin);
        for (size_t i = begin; i < end; ++i) {
            groups.push_back(m_groups[i]);
        }
        return groups;
    }

    // The groups after the first subclass marker, or all of them in files without markers.
    std::vector<Group> body(const Record& r) const {
        std::vector<Group> groups;
        bodyInto(r, groups);
        return groups;
    }
    void bodyInto(const Record& r, std::vector<Group>& groups) const {
        size_t from = m_groups.scan(r.begin, r.end, [](const Group& g) { return g.code != 100; });
        from = from < r.end ? from + 1 : r.begin;
        groups.reserve(r.end - from);
        m_groups.scan(from, r.end, [&](const Group& g) {
            groups.push_back(g);
            return true;
        });
    }

    // ---- step 2: classes, names and handles ----

    bool prepare() {
        // Accepted record names per table, folded as the tables compare names.
        std::map<std::string, std::unordered_set<std::u16string>> names;
        auto folded = [](const std::u16string& name) {
            std::u16string key(name);
            for (char16_t& c : key) {
                c = ToLowerChar(c);
            }
            return key;
        };
        HandleSet seen(m_records.size());
        m_map.reserve(m_records.size() + 64);
        bool nodFound = false;
        for (size_t index = 0; index < m_records.size(); ++index) {
            Record& r = m_records[index];
            if (const std::optional<Group> h = firstGroup(r, handleCodeOf(r), true)) {
                if (!dxf::ParseHandle(h->value, r.handle)) {
                    return fail(h->line,
                                "bad handle \"" + std::string(dxf::Trim(h->value).substr(0, 40)) + "\"");
                }
                if (r.handle != 0 && !seen.insert(r.handle)) {
                    return fail(h->line, "handle " + dxf::FormatHandle(r.handle) + " is used twice");
                }
            }
            switch (r.kind) {
                case Kind::kTableHead:
                    if (const AcDbObjectId table = TableOf(m_db, tableNameOf(r));
                        !table.isNull() && r.handle != 0) {
                        m_map.set(r.handle, table);
                    }
                    break;
                case Kind::kTableRecord: {
                    const AcDbObjectId tableId = TableOf(m_db, tableNameOf(r));
                    if (tableId.isNull()) {
                        // The records of the tables the database does not keep are kept as read, so that
                        // saving loses none of a file's dimension styles, views and coordinate systems;
                        // only a record of its table's own type can be written back in it.
                        if (IsKeptTable(tableNameOf(r)) && typeOf(r) == tableNameOf(r) &&
                            r.end - r.begin <= dxf::kMaxListItems) {
                            r.cls = AcDbUnknownTableRecord::desc();
                        }
                        break;
                    }
                    setName(r, m_context.text(Group{2, firstValue(r, 2), r.line()}));
                    auto& taken = names[tableNameOf(r)];
                    const bool duplicate = taken.count(folded(nameOf(r))) != 0;
                    if (!AcDbSymbolTableRecord::tarnIsValidName(nameOf(r).c_str()) || duplicate) {
                        break;  // a record the database could not hold under that name
                    }
                    taken.insert(folded(nameOf(r)));
                    r.cls = AcDbSymbolTable::cast(detail::Peek(tableId))->tarnRecordClass();
                    break;
                }
                case Kind::kBlockBegin: {
                    setName(r, m_context.text(Group{2, firstValue(r, 2), r.line()}));
                    auto& blocks = names["BLOCK_RECORD"];
                    const bool known = blocks.count(folded(nameOf(r))) != 0;
                    if (!known && AcDbSymbolTableRecord::tarnIsValidName(nameOf(r).c_str())) {
                        // Older files have blocks without records.
                        Record record;
                        record.kind = Kind::kTableRecord;
                        record.tableName = tableCode("BLOCK_RECORD");
                        record.nameIndex = r.nameIndex;
                        record.begin = r.begin;  // no groups, the line of its BLOCK
                        record.end = r.begin;
                        record.synthetic = true;
                        record.cls = AcDbBlockTableRecord::desc();
                        blocks.insert(folded(nameOf(r)));
                        m_extra.push_back(record);
                    }
                    break;
                }
                case Kind::kEntity:
                    if (r.parent >= 0) {
                        if (r.typeName == m_typeAttrib &&
                            m_records[static_cast<size_t>(r.parent)].cls == AcDbBlockReference::desc()) {
                            r.cls = AcDbAttribute::desc();  // an object of its own, owned by the reference
                            break;
                        }
                        // A kept entity keeps its whole sequence, the end marker too.
                        if (r.typeName != m_typeSeqend ||
                            m_records[static_cast<size_t>(r.parent)].cls == AcDbUnknownEntity::desc()) {
                            addFollower(m_records[static_cast<size_t>(r.parent)], static_cast<int>(index));
                        }
                        break;  // read by its entity's codec
                    }
                    r.cls = classOfType(r.typeName);
                    if (r.typeName == m_typePolyline) {
                        // One file name for both kinds; meshes and polyface meshes are kept as read.
                        long long flags = 0;
                        dxf::ParseInteger(firstValue(r, 70), flags);
                        r.cls = (flags & (16 | 64)) != 0 ? nullptr
                                : (flags & 8) != 0       ? AcDb3dPolyline::desc()
                                                         : AcDb2dPolyline::desc();
                    }
                    if (r.typeName == m_typeDimension) {
                        // One file name for every kind; the type code says which. One that names its
                        // picture block, as other programs write them (and the writer too), is kept as read:
                        // its style, flags, text place and overrides go beyond what the kinds model, and
                        // saving must give them back as the file had them.
                        long long type = 0;
                        dxf::ParseInteger(firstValue(r, 70), type);
                        r.cls = dxf::Trim(firstValue(r, 2)).empty()
                                    ? dxf::DimensionClass(static_cast<int>(type & 7))
                                    : nullptr;
                    }
                    if (r.cls == nullptr || !r.cls->isDerivedFrom(AcDbEntity::desc())) {
                        // Kinds the database does not model are kept as read, so that saving a drawing
                        // from another program loses none of its content.
                        // A record without a type could not be written back as read: it is left out.
                        r.cls = r.end - r.begin <= dxf::kMaxListItems && !typeOf(r).empty()
                                    ? AcDbUnknownEntity::desc()
                                    : nullptr;
                        if (r.cls == nullptr) {
                            ++m_unknownEntities[typeOf(r)];
                        }
                    }
                    break;
                case Kind::kObject: {
                    const std::string type = typeOf(r) == "ACDBDICTIONARYWDFLT" ? "DICTIONARY" : typeOf(r);
                    r.cls = classNamed(type);
                    if (r.cls == nullptr) {
                        // Kinds the database does not model are kept as they are, so that what lists them
                        // (dictionaries, layouts) still finds them after a save; an object with more
                        // groups than a list may hold is not one the reader can trust, and is left out.
                        if (r.end - r.begin <= dxf::kMaxListItems && !type.empty()) {
                            r.cls = AcDbUnknownObject::desc();
                        }
                    } else if (r.cls->isDerivedFrom(AcDbEntity::desc()) ||
                               r.cls->isDerivedFrom(AcDbSymbolTable::desc()) ||
                               r.cls->isDerivedFrom(AcDbSymbolTableRecord::desc())) {
                        r.cls = nullptr;
                    }
                    // The root dictionary: the first one without an owner.
                    const std::string_view owner = firstValue(r, 330);
                    std::uint64_t ownerHandle = 0;
                    if (!nodFound && r.cls == AcDbDictionary::desc() &&
                        (owner.empty() || (dxf::ParseHandle(owner, ownerHandle) && ownerHandle == 0))) {
                        nodFound = true;
                        r.cls = nullptr;
                        r.id = m_db->namedObjectsDictionaryId();
                        r.object = detail::Peek(r.id);
                        if (r.handle != 0) {
                            m_map.set(r.handle, r.id);
                        }
                        m_nod = static_cast<int>(index);
                    }
                    break;
                }
            }
        }
        for (Record& extra : m_extra) {
            m_records.push_back(std::move(extra));
        }
        m_extra.clear();
        // An ENDBLK's handle is kept only when it is sound and no other record's: the reader never needed it.
        for (BlockEnd& end : m_blockEnds) {
            Record r;
            r.begin = end.begin;
            r.end = end.end;
            if (const std::optional<Group> h = firstGroup(r, 5, true);
                h && dxf::ParseHandle(h->value, end.handle) && end.handle != 0 && end.handle < kHandleLimit &&
                seen.insert(end.handle)) {
                continue;
            }
            end.handle = 0;
        }
        return true;
    }

    // ---- step 3: build ----

    bool build() {
        // Handles the fresh database gave its tables may be the handles of other objects in the file.
        std::set<std::uint64_t> reserved;
        std::uint64_t top = m_seed > 0 ? m_seed - 1 : 0;
        ForEachObjectId(m_db, [&](AcDbObjectId id) {
            reserved.insert(id.handle().value());
            top = std::max<std::uint64_t>(top, id.handle().value());
        });
        // Handles beyond the range the database hands out are renumbered like taken ones; references to
        // them still find them through the file's handle.
        for (const Record& r : m_records) {
            if (r.handle < kHandleLimit) {
                top = std::max(top, r.handle);
            }
        }
        for (const BlockEnd& end : m_blockEnds) {
            top = std::max(top, end.handle);
        }
        std::uint64_t next = top + 1;
        for (Record& r : m_records) {
            if (r.cls == nullptr) {
                // The records an entity of unknown kind keeps are written with their handles: one the fresh
                // database holds, or one beyond the range, is renumbered too.
                if (r.parent >= 0 && r.handle != 0 &&
                    (r.handle >= kHandleLimit || reserved.count(r.handle) != 0)) {
                    r.handle = next++;
                }
                continue;
            }
            const bool fresh = r.handle == 0 || r.handle >= kHandleLimit || reserved.count(r.handle) != 0;
            AcDbObject* object = static_cast<AcDbObject*>(r.cls->create());
            if (object == nullptr) {
                r.cls = nullptr;  // an abstract class: nothing a file can make
                continue;
            }
            const std::uint64_t handle = fresh ? next++ : r.handle;
            if (AddObjectWithHandle(m_db, object, AcDbObjectId(), AcDbHandle(handle), r.id) != Acad::eOk) {
                delete object;
                return fail(r.line(), "cannot place handle " + dxf::FormatHandle(handle));
            }
            r.object = object;
            m_open.push_back(object);
            if (r.handle != 0) {
                m_map.set(r.handle, r.id);
            }
            if (r.kind == Kind::kTableRecord && r.cls != AcDbUnknownTableRecord::desc()) {
                static_cast<AcDbSymbolTableRecord*>(object)->setName(nameOf(r).c_str());
                AcDbObjectId tableId = TableOf(m_db, tableNameOf(r));
                object->tarnSetOwner(tableId);
                AcDbSymbolTable::cast(detail::Peek(tableId))->tarnAddRecordId(r.id);
            }
        }
        // The records kept inside an entity of unknown kind keep their handles: objects made from here on
        // (layers named by entities, defaults) must not take them.
        std::uint64_t keptTop = 0;
        for (const Record& r : m_records) {
            if (r.cls == AcDbUnknownEntity::desc() && r.object != nullptr) {
                for (int index : followersOf(r)) {
                    keptTop = std::max(keptTop, m_records[static_cast<size_t>(index)].handle);
                }
            }
        }
        const std::vector<FileRecord> fileRecords = recordsMadeAgain(reserved);
        for (const FileRecord& record : fileRecords) {
            keptTop = std::max(keptTop, record.handle);
        }
        if (keptTop >= m_db->handseed().value()) {
            SetHandseed(m_db, AcDbHandle(keptTop + 1));
        }
        for (const FileRecord& record : fileRecords) {
            KeepFileRecordHandle(m_db, record.owner, record.place, record.handle);
        }
        m_context.resolve = [this](std::uint64_t handle) { return m_map.find(handle); };
        m_context.skippedLoops = &m_skippedLoops;
        claimOwners();
        m_context.mayList = [this](const AcDbObject* dict, const AcDbObject* member) {
            auto it = m_owners.find(member);
            return it != m_owners.end() && it->second == dict;
        };
        addDefaults();
        placeEntities();
        // Hatches last: an associative one rebuilds its loops from boundary objects filled before it.
        std::vector<Record*> hatches;
        const AcRxClass* lastClass = nullptr;
        bool lastIsHatch = false;
        for (Record& r : m_records) {
            if (r.object == nullptr || r.cls == nullptr) {
                continue;
            }
            if (r.object->isA() != lastClass) {
                lastClass = r.object->isA();
                lastIsHatch = lastClass->isDerivedFrom(AcDbHatch::desc());
            }
            if (lastIsHatch) {
                hatches.push_back(&r);
            } else {
                fill(r);
            }
        }
        for (Record* r : hatches) {
            fill(*r);
        }
        if (m_nod >= 0) {
            Record& nod = m_records[static_cast<size_t>(m_nod)];
            AcDbObject* open = nullptr;
            if (acdbOpenObject(open, nod.id, AcDb::kForWrite) == Acad::eOk) {
                m_open.push_back(open);
                fill(nod, false);
            }
        }
        finish();
        return true;
    }

    // The records a writer makes again for the file (BLOCK and ENDBLK, the heads of the tables the database
    // does not keep, VERTEX and SEQEND of polylines, SEQEND after attributes) with the handles the file gave
    // them, so that a save writes them as read. A handle the fresh database holds is not kept.
    struct FileRecord {
        std::uint64_t owner = 0;
        std::uint32_t place = 0;
        std::uint64_t handle = 0;
    };
    std::vector<FileRecord> recordsMadeAgain(const std::set<std::uint64_t>& reserved) const {
        std::vector<FileRecord> out;
        auto keep = [&](std::uint64_t owner, std::uint32_t place, std::uint64_t handle) {
            if (handle != 0 && handle < kHandleLimit && reserved.count(handle) == 0) {
                out.push_back({owner, place, handle});
            }
        };
        // The blocks' handles by their names, folded as the table compares them.
        auto folded = [](std::u16string name) {
            for (char16_t& c : name) {
                c = ToLowerChar(c);
            }
            return name;
        };
        std::unordered_map<std::u16string, std::uint64_t> blocks;
        for (const AcDbObjectId& id :
             AcDbBlockTable::cast(detail::Peek(m_db->blockTableId()))->tarnRecordIds()) {
            if (const auto* block = AcDbBlockTableRecord::cast(detail::Peek(id))) {
                blocks.emplace(folded(block->tarnName()), block->handle().value());
            }
        }
        auto blockOf = [&](int index) -> std::uint64_t {
            const auto found = blocks.find(folded(nameOf(m_records[static_cast<size_t>(index)])));
            return found != blocks.end() ? found->second : 0;
        };
        bool heads[3] = {false, false, false};
        for (size_t index = 0; index < m_records.size(); ++index) {
            const Record& r = m_records[index];
            if (r.kind == Kind::kTableHead) {
                const std::string& name = tableNameOf(r);
                const int place = name == "VIEW" ? 0 : name == "UCS" ? 1 : name == "DIMSTYLE" ? 2 : -1;
                if (place >= 0 && !heads[place]) {
                    heads[place] = true;
                    keep(0, file_record::kTableHead + static_cast<std::uint32_t>(place), r.handle);
                }
            } else if (r.kind == Kind::kBlockBegin) {
                if (const std::uint64_t block = blockOf(static_cast<int>(index)); block != 0) {
                    keep(block, file_record::kBlockBegin, r.handle);
                }
            } else if (r.parent >= 0 && r.typeName == m_typeSeqend) {
                const Record& parent = m_records[static_cast<size_t>(r.parent)];
                if (parent.object != nullptr &&
                    (parent.cls == AcDb2dPolyline::desc() || parent.cls == AcDb3dPolyline::desc() ||
                     parent.cls == AcDbBlockReference::desc())) {
                    keep(parent.object->handle().value(), file_record::kSequenceEnd, r.handle);
                }
            } else if (r.object != nullptr &&
                       (r.cls == AcDb2dPolyline::desc() || r.cls == AcDb3dPolyline::desc())) {
                std::uint32_t vertex = 0;
                for (int follower : followersOf(r)) {
                    const Record& f = m_records[static_cast<size_t>(follower)];
                    if (f.typeName == m_typeVertex) {
                        keep(r.object->handle().value(), vertex++, f.handle);
                    }
                }
            }
        }
        for (const BlockEnd& end : m_blockEnds) {
            if (const std::uint64_t block = blockOf(end.block); block != 0) {
                keep(block, file_record::kBlockEnd, end.handle);
            }
        }
        return out;
    }

    // ---- who owns what ----

    // A file may list one object in several dictionaries, name it as several objects' extension dictionary,
    // or list an entity, a table record or the root. Each object of OBJECTS gets at most one owner here:
    // extension dictionaries go to the first object that names them; an entry goes to the dictionary the
    // object names as its owner when that one lists it, else to the first that lists it, walking from the
    // root so that what the root reaches keeps its place. Nothing may own what is above it, and the root is
    // nobody's.
    void claimOwners() {
        std::unordered_map<const AcDbObject*, size_t> objects;  // the OBJECTS records, by their object
        for (size_t i = 0; i < m_records.size(); ++i) {
            const Record& r = m_records[i];
            if (r.kind == Kind::kObject && r.object != nullptr && static_cast<int>(i) != m_nod) {
                objects.emplace(r.object, i);
            }
        }
        auto claim = [&](const AcDbObject* owner, const AcDbObject* member) {
            if (objects.count(member) == 0 || m_owners.count(member) != 0) {
                return false;
            }
            for (const AcDbObject* up = owner; up != nullptr;) {
                if (up == member) {
                    return false;
                }
                auto it = m_owners.find(up);
                up = it != m_owners.end() ? it->second : nullptr;
            }
            m_owners[member] = owner;
            return true;
        };
        for (const Record& r : m_records) {
            if (r.object == nullptr || !r.braces) {
                continue;
            }
            std::string group;
            m_groups.scan(r.begin, r.end, [&](const Group& g) {
                if (g.code == 100) {
                    return false;
                }
                if (g.code == 102) {
                    const std::string value(dxf::Trim(g.value));
                    group = value == "}" ? std::string() : value;
                } else if (group == "{ACAD_XDICTIONARY" && g.code == 360) {
                    const AcDbObject* dict = AcDbDictionary::cast(detail::Peek(m_context.id(g)));
                    if (dict != nullptr && claim(r.object, dict)) {
                        return false;
                    }
                }
                return true;
            });
        }
        // The objects a dictionary record lists, in its order.
        auto entries = [&](const Record& r) {
            std::vector<const AcDbObject*> members;
            bool haveKey = false;
            for (const Group& g : body(r)) {
                if (g.code == 3) {
                    haveKey = true;
                } else if ((g.code == 350 || g.code == 360) && haveKey) {
                    haveKey = false;
                    if (const AcDbObject* member = detail::Peek(m_context.id(g))) {
                        members.push_back(member);
                    }
                }
            }
            return members;
        };
        std::vector<size_t> dictionaries;
        for (size_t i = 0; i < m_records.size(); ++i) {
            if (m_records[i].kind == Kind::kObject && AcDbDictionary::cast(m_records[i].object) != nullptr) {
                dictionaries.push_back(i);
            }
        }
        // Where the dictionary and the object agree, that stands.
        for (size_t d : dictionaries) {
            const AcDbObject* dict = m_records[d].object;
            for (const AcDbObject* member : entries(m_records[d])) {
                auto it = objects.find(member);
                if (it != objects.end() && fileOwner(m_records[it->second]) == dict) {
                    claim(dict, member);
                }
            }
        }
        // Then the first to list an object takes it, breadth first from the root, then the rest in file
        // order.
        std::vector<bool> walked(m_records.size(), false);
        auto walk = [&](size_t index) {
            std::deque<size_t> pending{index};
            while (!pending.empty()) {
                const size_t d = pending.front();
                pending.pop_front();
                if (walked[d]) {
                    continue;
                }
                walked[d] = true;
                const AcDbObject* dict = m_records[d].object;
                for (const AcDbObject* member : entries(m_records[d])) {
                    claim(dict, member);
                    auto owner = m_owners.find(member);
                    if (owner != m_owners.end() && owner->second == dict && AcDbDictionary::cast(member)) {
                        pending.push_back(objects[member]);
                    }
                }
            }
        };
        if (m_nod >= 0) {
            walk(static_cast<size_t>(m_nod));
        }
        for (size_t d : dictionaries) {
            walk(d);
        }
    }

    // The object a record names as its owner (its first 330 group outside the head's 102 groups).
    const AcDbObject* fileOwner(const Record& r) const {
        bool inGroup = false;
        for (size_t i = r.begin; i < r.end && m_groups[i].code != 100; ++i) {
            const Group& g = m_groups[i];
            if (g.code == 102) {
                inGroup = dxf::Trim(g.value).substr(0, 1) == "{";
            } else if (g.code == 330 && !inGroup) {
                return detail::Peek(m_context.id(g));
            }
        }
        return nullptr;
    }

    template <class Table, class Rec>
    AcDbObjectId ensureRecord(AcDbObjectId tableId, const ACHAR* name, Rec* fresh) {
        auto* table = Table::cast(detail::Peek(tableId));
        AcDbObjectId id = table->tarnFind(name);
        if (!id.isNull()) {
            delete fresh;
            return id;
        }
        Table* open = nullptr;
        acdbOpenObject(open, tableId, AcDb::kForWrite);
        fresh->setName(name);
        open->add(id, fresh);
        fresh->close();
        open->close();
        return id;
    }

    // What every drawing has, for files that lack some of it.
    void addDefaults() {
        ensureRecord<AcDbBlockTable>(m_db->blockTableId(), kModelSpace, new AcDbBlockTableRecord());
        ensureRecord<AcDbBlockTable>(m_db->blockTableId(), kPaperSpace, new AcDbBlockTableRecord());
        ensureRecord<AcDbLinetypeTable>(m_db->linetypeTableId(), u"ByBlock", new AcDbLinetypeTableRecord());
        ensureRecord<AcDbLinetypeTable>(m_db->linetypeTableId(), u"ByLayer", new AcDbLinetypeTableRecord());
        auto* continuous = new AcDbLinetypeTableRecord();
        continuous->setComments(u"Solid line");
        ensureRecord<AcDbLinetypeTable>(m_db->linetypeTableId(), u"Continuous", continuous);
        auto* standard = new AcDbTextStyleTableRecord();
        standard->setFileName(u"txt");
        ensureRecord<AcDbTextStyleTable>(m_db->textStyleTableId(), u"Standard", standard);
        ensureRecord<AcDbRegAppTable>(m_db->regAppTableId(), u"ACAD", new AcDbRegAppTableRecord());
        ensureRecord<AcDbViewportTable>(m_db->viewportTableId(), u"*ACTIVE", new AcDbViewportTableRecord());
        m_db->tarnFindDefaultRecords();
        // Layer "0" last: its linetype is "Continuous".
        ensureRecord<AcDbLayerTable>(m_db->layerTableId(), u"0", new AcDbLayerTableRecord());
        m_db->tarnFindDefaultRecords();
    }

    AcDbObjectId blockNamed(const std::u16string& name) const {
        return AcDbBlockTable::cast(detail::Peek(m_db->blockTableId()))->tarnFind(name.c_str());
    }

    // Entities go to the block they were listed in; those of ENTITIES to the layout their owner or their
    // paper-space flag names.
    void placeEntities() {
        const AcDbObjectId model = blockNamed(kModelSpace);
        const AcDbObjectId paper = blockNamed(kPaperSpace);
        int lastBlock = -1;
        AcDbObjectId lastBlockId;
        for (Record& r : m_records) {
            if (r.kind == Kind::kBlockBegin) {
                auto* block = AcDbBlockTableRecord::cast(detail::Peek(blockNamed(nameOf(r))));
                FieldValue origin;
                for (const Group& g : body(r)) {
                    if ((g.code == 10 || g.code == 20 || g.code == 30) && block != nullptr) {
                        origin.point[g.code / 10 - 1] = ReadContext::real(g);
                    }
                }
                if (block != nullptr && block->isWriteEnabled()) {
                    block->setOrigin(dxf::Point3d(origin));
                }
                continue;
            }
            if (r.kind != Kind::kEntity || r.object == nullptr) {
                continue;
            }
            if (r.parent >= 0) {
                Record& parent = m_records[static_cast<size_t>(r.parent)];
                if (auto* reference = AcDbBlockReference::cast(parent.object)) {
                    r.object->tarnSetOwner(parent.id);
                    reference->tarnAddAttributeId(r.id);
                }
                continue;
            }
            AcDbObjectId owner;
            if (r.block >= 0) {
                // The entities of a block come together: its record is looked up once for them.
                if (r.block != lastBlock) {
                    lastBlock = r.block;
                    lastBlockId = blockNamed(nameOf(m_records[static_cast<size_t>(r.block)]));
                }
                owner = lastBlockId;
            } else {
                const std::optional<Group> ownerGroup = firstGroup(r, 330, true);
                const AcDbObjectId claimed = ownerGroup ? m_context.id(*ownerGroup) : AcDbObjectId();
                if (claimed == model || claimed == paper) {
                    owner = claimed;
                } else {
                    owner = dxf::Trim(firstValue(r, 67)) == "1" ? paper : model;
                }
            }
            if (owner.isNull()) {
                owner = model;
            }
            r.object->tarnSetOwner(owner);
            AcDbBlockTableRecord::cast(detail::Peek(owner))->tarnAddEntityId(r.id);
        }
    }

    // Extension dictionary and persistent reactors from the 102 groups of the head.
    void readHead(Record& r) {
        if (!r.braces) {
            return;
        }
        std::string group;
        m_groups.scan(r.begin, r.end, [&](const Group& g) {
            if (g.code == 100) {
                return false;
            }
            if (g.code == 102) {
                const std::string value(dxf::Trim(g.value));
                group = value == "}" ? std::string() : value;
                return true;
            }
            if (group == "{ACAD_XDICTIONARY" && g.code == 360) {
                const AcDbObjectId dict = m_context.id(g);
                auto owner = m_owners.find(detail::Peek(dict));
                if (owner != m_owners.end() && owner->second == r.object) {
                    r.object->tarnSetExtensionDictionary(dict);
                    m_withDictionary.push_back(r.object);
                }
            } else if (group == "{ACAD_REACTORS" && g.code == 330) {
                const AcDbObjectId reactor = m_context.id(g);
                if (!reactor.isNull() && reactor != r.id) {
                    r.object->addPersistentReactor(reactor);
                }
            }
            return true;
        });
    }

    // A group of a kept object as it is written back.
    AcDbUnknownObject::Pair keptPair(const Group& g) const {
        AcDbUnknownObject::Pair pair;
        pair.code = static_cast<short>(g.code);
        std::uint64_t handle = 0;
        const bool reference = dxf::ValueTypeOf(g.code) == dxf::ValueType::kHandle || g.code == 1005;
        if (reference && dxf::ParseHandle(g.value, handle)) {
            // Handles the reader renumbered follow their objects; handles of nothing kept become null
            // rather than a number that may now name another object.
            pair.kind = AcDbUnknownObject::Pair::Kind::kReference;
            pair.id = handle != 0 ? m_context.resolve(handle) : AcDbObjectId();
        } else if (dxf::ValueTypeOf(g.code) == dxf::ValueType::kText) {
            pair.value = dxf::EncodeText(m_context.text(g));
        } else {
            pair.value = std::string(dxf::Trim(g.value));
        }
        return pair;
    }

    // Objects and entities of unknown kinds: every group as read, the own handle aside (the object's handle
    // is written in its place) and the owner group marked (written as the owner the object has then). An
    // entity's owner is the block it was placed in, a kept table record's the table it is written in; the
    // records that follow an entity (ATTRIB, VERTEX, SEQEND) are kept after its groups, as written, their own
    // handles included.
    template <class Kept>
    void fillUnknown(Record& r, Kept* object) {
        readHead(r);
        const bool entity = AcDbEntity::cast(object) != nullptr;
        const int handleCode = handleCodeOf(r);
        std::vector<AcDbUnknownObject::Pair> pairs;
        bool head = true;
        bool inGroup = false;
        bool haveHandle = false;
        bool haveOwner = false;
        for (size_t i = r.begin; i < r.end; ++i) {
            const Group& g = m_groups[i];
            if (g.code == 999) {
                continue;
            }
            head = head && g.code != 100;
            if (head && g.code == 102) {
                inGroup = dxf::Trim(g.value).substr(0, 1) == "{";
            } else if (head && g.code == handleCode && !haveHandle) {
                haveHandle = true;
                continue;
            } else if (head && g.code == 330 && !inGroup && !haveOwner) {
                haveOwner = true;
                if (!entity && r.kind != Kind::kTableRecord) {
                    object->tarnSetOwner(m_context.id(g));
                }
                AcDbUnknownObject::Pair owner;
                owner.code = 330;
                owner.kind = AcDbUnknownObject::Pair::Kind::kOwner;
                pairs.push_back(owner);
                continue;
            }
            pairs.push_back(keptPair(g));
        }
        for (int index : followersOf(r)) {
            const Record& f = m_records[static_cast<size_t>(index)];
            AcDbUnknownObject::Pair start;
            start.value = typeOf(f);
            pairs.push_back(start);
            bool ownHandle = true;
            for (size_t i = f.begin; i < f.end; ++i) {
                if (m_groups[i].code == 999) {
                    continue;
                }
                AcDbUnknownObject::Pair pair = keptPair(m_groups[i]);
                if (m_groups[i].code == 5 && ownHandle) {
                    ownHandle = false;
                    pair.kind = AcDbUnknownObject::Pair::Kind::kValue;
                    if (f.handle == 0) {
                        continue;  // a handle the reader did not take (not in the record's head) is not kept
                    }
                    pair.value = dxf::FormatHandle(f.handle);
                }
                pairs.push_back(pair);
            }
        }
        std::vector<AcDbUnknownObject::Pair> classPairs;
        if (auto it = m_classes.find(typeOf(r)); it != m_classes.end()) {
            for (size_t i = it->second.begin; i < it->second.end; ++i) {
                if (m_groups[i].code != 999) {
                    classPairs.push_back(keptPair(m_groups[i]));
                }
            }
        }
        object->tarnSetContents(typeOf(r), std::move(pairs), std::move(classPairs));
    }

    // A kept entity's layer and colour, from its groups (the layer made when the tables lack it, as for any
    // entity), so that layer locks and listings treat it as the file says.
    void keepProperties(Record& r, AcDbEntity* entity) {
        if (const std::optional<Group> color = firstGroup(r, 62, false)) {
            entity->setColorIndex(
                static_cast<Adesk::UInt16>(std::clamp<long long>(ReadContext::integer(*color), 0, 256)));
        }
        if (const std::optional<Group> layer = firstGroup(r, 8, false)) {
            const std::u16string name = m_context.text(*layer);
            if (AcDbSymbolTableRecord::tarnIsValidName(name.c_str())) {
                entity->setLayer(ensureRecord<AcDbLayerTable>(m_db->layerTableId(), name.c_str(),
                                                              new AcDbLayerTableRecord()));
            }
        }
        if (entity->layerId().isNull()) {
            entity->setLayer(m_db->layerZero());
        }
        if (entity->linetypeId().isNull()) {
            entity->setLinetype(m_db->byLayerLinetype());
        }
    }

    void fill(Record& r, bool withOwner = true) {
        if (auto* unknown = AcDbUnknownObject::cast(r.object)) {
            fillUnknown(r, unknown);
            return;
        }
        if (auto* unknown = AcDbUnknownEntity::cast(r.object)) {
            fillUnknown(r, unknown);
            keepProperties(r, unknown);
            return;
        }
        readHead(r);
        if (withOwner && r.kind == Kind::kObject) {
            if (const std::optional<Group> owner = firstGroup(r, 330, true)) {
                r.object->tarnSetOwner(m_context.id(*owner));
            }
        }
        std::vector<Group>& groups = m_body;  // reused: one record is filled at a time
        groups.clear();
        bodyInto(r, groups);
        m_entityLayer = AcDbObjectId();
        if (r.kind == Kind::kEntity) {
            // Entities name their layer; a layer the tables lack is made, as other programs do.
            for (const Group& g : groups) {
                if (g.code == 8) {
                    // Most entities name a layer an earlier one named: the raw name says so without a lookup.
                    if (auto it = m_layersMade.find(g.value); it != m_layersMade.end()) {
                        m_entityLayer = it->second;
                        break;
                    }
                    const std::u16string layer = m_context.text(g);
                    if (AcDbSymbolTableRecord::tarnIsValidName(layer.c_str())) {
                        m_entityLayer = ensureRecord<AcDbLayerTable>(m_db->layerTableId(), layer.c_str(),
                                                                     new AcDbLayerTableRecord());
                        m_layersMade.emplace(std::string(g.value), m_entityLayer);
                    }
                    break;
                }
            }
        }
        std::vector<std::vector<Group>> followers;
        for (int index : followersOf(r)) {
            const Record& f = m_records[static_cast<size_t>(index)];
            followers.push_back(groupsOf(f.begin, f.end));
        }
        m_context.followers = &followers;
        readFields(r.object, groups);
        m_context.followers = nullptr;
        if (auto* entity = AcDbEntity::cast(r.object)) {
            if (entity->layerId().isNull()) {
                entity->setLayer(m_db->layerZero());
            }
            if (entity->linetypeId().isNull()) {
                entity->setLinetype(m_db->byLayerLinetype());
            }
        }
        if (auto* text = AcDbText::cast(r.object); text != nullptr && text->textStyle().isNull()) {
            text->setTextStyle(m_db->textstyle());
        }
        if (auto* mtext = AcDbMText::cast(r.object); mtext != nullptr && mtext->textStyle().isNull()) {
            mtext->setTextStyle(m_db->textstyle());
        }
    }

    // The field walk: the value of each field is its first group in the body (Y and Z at +10 and +20);
    // setters run in table order, root class first, each class's codec after its fields.
    void readFields(AcDbObject* object, const std::vector<Group>& groups) {
        for (size_t i = 0; i < groups.size(); ++i) {
            int& first = m_firstOf[static_cast<size_t>(groups[i].code)];
            if (first < 0) {
                first = static_cast<int>(i);
                m_codesSeen.push_back(groups[i].code);
            }
        }
        readClass(object->isA(), object, groups);
        for (int code : m_codesSeen) {
            m_firstOf[static_cast<size_t>(code)] = -1;
        }
        m_codesSeen.clear();
    }

    const Group* firstOfCode(const std::vector<Group>& groups, int code) const {
        if (code < 0 || code >= static_cast<int>(m_firstOf.size())) {
            return nullptr;
        }
        const int at = m_firstOf[static_cast<size_t>(code)];
        return at >= 0 ? &groups[static_cast<size_t>(at)] : nullptr;
    }

    // What the field walk does for a class, root class first: its fields with setters, each class's codec
    // after its fields. Laid out once per class.
    struct Step {
        const FieldDesc* field = nullptr;  // null: the codec's step
        const dxf::Codec* codec = nullptr;
        bool point = false;
        bool layer = false;  // an entity's layer, set by the id its name was found under
    };
    const std::vector<Step>& planOf(const AcRxClass* cls) {
        auto it = m_plans.find(cls);
        if (it != m_plans.end()) {
            return it->second;
        }
        std::vector<const AcRxClass*> chain;
        for (const AcRxClass* c = cls; c != nullptr; c = c->myParent()) {
            chain.push_back(c);
        }
        std::vector<Step> steps;
        for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
            for (size_t f = 0; f < (*c)->fieldCount(); ++f) {
                const FieldDesc& field = (*c)->fields()[f];
                if (field.set == nullptr || field.code == 100) {
                    continue;
                }
                Step step;
                step.field = &field;
                step.point = field.kind == FieldKind::kPoint3d || field.kind == FieldKind::kVector3d ||
                             field.kind == FieldKind::kPoint2d;
                step.layer = *c == AcDbEntity::desc() && field.code == 8 && field.kind == FieldKind::kString;
                steps.push_back(step);
            }
            if (const dxf::Codec* codec = codecOf(*c); codec != nullptr && codec->read != nullptr) {
                Step step;
                step.codec = codec;
                steps.push_back(step);
            }
        }
        return m_plans.emplace(cls, std::move(steps)).first->second;
    }

    void clearValue() {
        m_value.real = 0.0;
        m_value.integer = 0;
        m_value.point[0] = m_value.point[1] = m_value.point[2] = 0.0;
        m_value.text.clear();
        m_value.skip = false;
    }

    void readClass(const AcRxClass* cls, AcDbObject* object, const std::vector<Group>& groups) {
        if (cls == nullptr) {
            return;
        }
        for (const Step& step : planOf(cls)) {
            if (step.field == nullptr) {
                step.codec->read(object, groups, m_context);
                continue;
            }
            const FieldDesc& field = *step.field;
            if (step.point) {
                const Group* x = firstOfCode(groups, field.code);
                if (x == nullptr) {
                    continue;
                }
                clearValue();
                m_value.point[0] = ReadContext::real(*x);
                const Group* y = firstOfCode(groups, field.code + 10);
                m_value.point[1] = y != nullptr ? ReadContext::real(*y) : 0.0;
                const Group* z = firstOfCode(groups, field.code + 20);
                m_value.point[2] = z != nullptr ? ReadContext::real(*z) : 0.0;
                field.set(object, m_value);
                continue;
            }
            const Group* g = firstOfCode(groups, field.code);
            if (g == nullptr) {
                continue;
            }
            if (step.layer && !m_entityLayer.isNull()) {
                // The layer was found or made for this name before the walk: no lookup by name.
                static_cast<AcDbEntity*>(object)->setLayer(m_entityLayer);
                continue;
            }
            clearValue();
            FieldValue& value = m_value;
            switch (field.kind) {
                case FieldKind::kString:
                    value.text = m_context.text(*g);
                    break;
                case FieldKind::kReal:
                    value.real = ReadContext::real(*g);
                    break;
                case FieldKind::kAngle:
                    value.real = ReadContext::degrees(*g);
                    break;
                case FieldKind::kHandle:
                    value.integer = static_cast<std::int64_t>(m_context.id(*g).handle().value());
                    break;
                default:
                    value.integer = ReadContext::integer(*g);
                    break;
            }
            field.set(object, value);
        }
    }

    void finish() {
        // Layers without a linetype draw "Continuous".
        for (const AcDbObjectId& id :
             AcDbLayerTable::cast(detail::Peek(m_db->layerTableId()))->tarnRecordIds()) {
            auto* layer = AcDbLayerTableRecord::cast(detail::Peek(id));
            if (layer != nullptr && layer->linetypeObjectId().isNull() && layer->isWriteEnabled()) {
                layer->setLinetypeObjectId(m_db->continuousLinetype());
            }
        }
        auto current = [&](const char* variable, AcDbObjectId tableId) {
            const std::optional<Group> g = headerGroup(variable);
            const auto* table = AcDbSymbolTable::cast(detail::Peek(tableId));
            return g ? table->tarnFind(m_context.text(*g).c_str()) : AcDbObjectId();
        };
        if (const AcDbObjectId layer = current("$CLAYER", m_db->layerTableId()); !layer.isNull()) {
            m_db->setClayer(layer);
        }
        if (const AcDbObjectId linetype = current("$CELTYPE", m_db->linetypeTableId()); !linetype.isNull()) {
            m_db->setCeltype(linetype);
        }
        if (const AcDbObjectId style = current("$TEXTSTYLE", m_db->textStyleTableId()); !style.isNull()) {
            m_db->setTextstyle(style);
        }
        if (const std::optional<Group> color = headerGroup("$CECOLOR"); color && color->code == 62) {
            AcCmColor value;
            if (value.setColorIndex(static_cast<Adesk::UInt16>(ReadContext::integer(*color) & 0x1FF)) ==
                Acad::eOk) {
                m_db->setCecolor(value);
            }
        }
        // Dictionaries own what they list, whatever the listed objects said.
        const AcRxClass* lastClass = nullptr;
        bool lastIsDictionary = false;
        for (AcDbObject* object : m_open) {
            if (object->isA() != lastClass) {
                lastClass = object->isA();
                lastIsDictionary = lastClass->isDerivedFrom(AcDbDictionary::desc());
            }
            if (const auto* dict = lastIsDictionary ? static_cast<const AcDbDictionary*>(object) : nullptr) {
                for (const AcDbDictionary::Entry& entry : dict->tarnEntries()) {
                    if (AcDbObject* member = detail::Peek(entry.id)) {
                        member->tarnSetOwner(dict->objectId());
                    }
                }
            }
        }
        // An extension dictionary belongs to the object that has it (only the head gives one).
        for (AcDbObject* object : m_withDictionary) {
            if (AcDbObject* dict = detail::Peek(object->extensionDictionary())) {
                dict->tarnSetOwner(object->objectId());
            }
        }
        // A claim a dictionary did not take up (a key it already had) is no claim.
        for (auto it = m_owners.begin(); it != m_owners.end();) {
            const auto* dict = AcDbDictionary::cast(it->second);
            it = dict != nullptr && !dict->has(it->first->objectId()) ? m_owners.erase(it) : std::next(it);
        }
        // A dictionary owns only what it lists: an object no dictionary took has no dictionary for its owner.
        for (size_t i = 0; i < m_records.size(); ++i) {
            AcDbObject* object = m_records[i].object;
            if (m_records[i].kind == Kind::kObject && object != nullptr && static_cast<int>(i) != m_nod &&
                m_owners.count(object) == 0 &&
                AcDbDictionary::cast(detail::Peek(object->ownerId())) != nullptr) {
                object->tarnSetOwner(AcDbObjectId());
            }
        }
        // Other objects own as the file says, so an owner chain may run in a circle. Owners given above never
        // do, so every circle holds an object whose owner only the file gave: the circle is cut there.
        // Owners whose chain is known to end are not walked again (cutting owners never makes a chain
        // longer).
        std::unordered_set<Adesk::Int64> ending;
        std::vector<Adesk::Int64> path;
        AcDbObjectId lastEnding;  // most objects share their owner with the one before
        for (AcDbObject* object : m_open) {
            if (!m_owners.empty() && m_owners.count(object) != 0) {
                continue;
            }
            path.clear();
            AcDbObjectId up = object->ownerId();
            bool ends = false;
            for (size_t steps = 0; steps <= m_open.size() + 16; ++steps) {
                if (up.isNull() || (up == lastEnding && up != object->objectId()) ||
                    ending.count(up.asOldId()) != 0) {
                    ends = true;
                    lastEnding = up;
                    break;
                }
                if (up == object->objectId()) {
                    object->tarnSetOwner(AcDbObjectId());
                    break;
                }
                path.push_back(up.asOldId());
                const AcDbObject* owner = detail::Peek(up);
                up = owner != nullptr ? owner->ownerId() : AcDbObjectId();
            }
            if (ends) {
                ending.insert(path.begin(), path.end());
            }
        }
        std::vector<AcDbObjectId> mlines;
        for (AcDbObject* object : m_open) {
            if (object->isA() == AcDbMline::desc()) {
                mlines.push_back(object->objectId());
            }
            object->close();
        }
        m_open.clear();
        if (m_seed > m_db->handseed().value()) {
            SetHandseed(m_db, AcDbHandle(m_seed));
        }
        // Multilines draw by a style the database holds (made when the file has none), once the file's
        // dictionaries are in and new objects take handles past the file's.
        for (const AcDbObjectId& id : mlines) {
            AcDbMline* mline = nullptr;
            if (acdbOpenObject(mline, id, AcDb::kForWrite) == Acad::eOk) {
                mline->tarnMendStyle(m_db);
                mline->close();
            }
        }
    }

    const dxf::GroupStore& m_groups;
    dxf::Error& m_error;
    AcDbDatabase* m_db = nullptr;
    std::deque<Record> m_records;  // no reallocation of all of them as they grow
    std::vector<Record> m_extra;
    // The ENDBLK records: their BLOCK, their groups, their handle (0 when not kept).
    struct BlockEnd {
        int block = -1;
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
        std::uint64_t handle = 0;
    };
    std::vector<BlockEnd> m_blockEnds;
    std::map<std::string, size_t> m_header;
    std::uint64_t m_seed = 0;
    ReadContext m_context;
    HandleMap m_map;
    std::vector<AcDbObject*> m_open;
    std::vector<AcDbObject*> m_withDictionary;  // objects given an extension dictionary
    std::map<std::string, int> m_unknownEntities;
    int m_skippedLoops = 0;  // hatch boundary loops that could not be read
    std::map<std::string, Record> m_classes;
    std::unordered_map<std::string, std::uint32_t> m_interned;
    std::vector<std::string> m_tableNames{std::string()};
    std::vector<const std::string*> m_internedNames{&kNoName};
    // Raw layer names of entities whose layer stands, with that layer.
    std::unordered_map<std::string, AcDbObjectId, TextHash, std::equal_to<>> m_layersMade;
    AcDbObjectId m_entityLayer;  // fill: the layer of the entity being filled, when its name was found
    FieldValue m_value;          // readClass: reused, so that texts keep their room
    std::unordered_map<const AcRxClass*, std::vector<Step>> m_plans;
    std::vector<Group> m_body;
    std::array<int, 1072> m_firstOf;  // readFields: the first group of each code in the body, or -1
    std::vector<int> m_codesSeen;
    // The type names the steps ask about, interned.
    std::uint32_t m_typeTable = 0;
    std::uint32_t m_typeEndtab = 0;
    std::uint32_t m_typeBlock = 0;
    std::uint32_t m_typeEndblk = 0;
    std::uint32_t m_typeVertex = 0;
    std::uint32_t m_typeSeqend = 0;
    std::uint32_t m_typeAttrib = 0;
    std::uint32_t m_typePolyline = 0;
    std::uint32_t m_typeDimension = 0;

    std::string m_scratch;
    std::deque<std::u16string> m_names;
    std::vector<std::vector<int>> m_followerLists;
    std::unordered_map<std::string, AcRxClass*> m_classByType;
    std::vector<AcRxClass*> m_classOfType;  // by interned name
    std::vector<bool> m_typeLookedUp;
    std::unordered_map<const AcRxClass*, const dxf::Codec*> m_codecs;
    std::unordered_map<const AcDbObject*, const AcDbObject*> m_owners;  // claimOwners
    int m_nod = -1;
};

DxfError& LastError() {
    static DxfError error;
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterReset("acdb.dxf", [] { LastError() = DxfError(); });
    }
    return error;
}

}  // namespace

const DxfError& LastDxfError() {
    return LastError();
}

void SetLastDxfError(Acad::ErrorStatus status, int line, const std::string& message) {
    DxfError& error = LastError();
    error.status = status;
    error.line = line;
    error.message = message;
}

namespace {

size_t g_blockSize = 0;  // 0: the default

size_t BlockSize() {
    constexpr size_t kDefaultBlock = 64 * 1024;
    return g_blockSize != 0 ? g_blockSize : kDefaultBlock;
}

}  // namespace

void SetDxfReadBlockSize(size_t bytes) {
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterReset("acdb.dxf.block", [] { g_blockSize = 0; });
    }
    g_blockSize = bytes;
}

Acad::ErrorStatus ReadDxfBlocks(AcDbDatabase* db, const std::function<long long(char*, size_t)>& read,
                                const std::string& readError) {
    if (db == nullptr) {
        SetLastDxfError(Acad::eNullObjectPointer, 0, "no database");
        return Acad::eNullObjectPointer;
    }
    dxf::Error error;
    dxf::GroupStore groups;
    {
        // The bytes are split into groups as they come; only the groups are kept.
        dxf::Tokenizer tokenizer(groups, error);
        std::vector<char> buffer(BlockSize());
        for (;;) {
            const long long n = read(buffer.data(), buffer.size());
            if (n < 0) {
                SetLastDxfError(Acad::eFileAccessErr, 0, readError);
                return Acad::eFileAccessErr;
            }
            if (n == 0 ? !tokenizer.finish()
                       : !tokenizer.feed(std::string_view(buffer.data(), static_cast<size_t>(n)))) {
                SetLastDxfError(error.status, error.line, error.message);
                return error.status;
            }
            if (n == 0) {
                break;
            }
        }
    }
    auto fresh = std::make_unique<AcDbDatabase>(false, true);
    Loader loader(groups, error);
    if (!loader.run(fresh.get())) {
        SetLastDxfError(error.status, error.line, error.message);
        return error.status;
    }
    db->tarnTakeContents(*fresh);
    SetLastDxfError(Acad::eOk, 0, std::string());
    loader.reportSkipped();
    return Acad::eOk;
}

Acad::ErrorStatus ReadDxf(AcDbDatabase* db, std::string_view text) {
    size_t at = 0;
    return ReadDxfBlocks(
        db,
        [&](char* buffer, size_t size) {
            const size_t n = std::min(size, text.size() - at);
            if (n > 0) {  // an empty text may have no data at all
                std::memcpy(buffer, text.data() + at, n);
            }
            at += n;
            return static_cast<long long>(n);
        },
        std::string());
}

}  // namespace platform
