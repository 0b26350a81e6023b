// Objects of kinds the database does not model, from other programs' files: kept as read and written back,
// so that the dictionaries and records that name them still find them.
#include <algorithm>

#include "dxf_fixture.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/arx/acdb/dxfcodec.h"

namespace tarntest {
namespace {

using DxfKeptObjects = DxfTest;
using Pair = AcDbUnknownObject::Pair;

// A plot-style dictionary with its "Normal" placeholder, a layout naming the model-space record, a
// table style under a handle the fresh database's tables hold (3) with reactors, a count it does not
// mean and a non-ASCII name, and a dictionary variable naming the style, a line and an entity the reader
// skips.
const char kFile[] = R"(  0
SECTION
  2
HEADER
  9
$ACADVER
  1
AC1015
  9
$DWGCODEPAGE
  3
ANSI_1252
  9
$HANDSEED
  5
100
  0
ENDSEC
  0
SECTION
  2
CLASSES
  0
CLASS
  1
ACDBPLACEHOLDER
  2
AcDbPlaceHolder
  3
ObjectDBX Classes
 90
0
280
0
281
0
  0
CLASS
  1
LAYOUT
  2
AcDbLayout
  3
ObjectDBX Classes
 90
0
280
0
281
0
  0
ENDSEC
  0
SECTION
  2
TABLES
  0
TABLE
  2
BLOCK_RECORD
  5
40
330
0
100
AcDbSymbolTable
 70
1
  0
BLOCK_RECORD
  5
41
330
40
100
AcDbSymbolTableRecord
100
AcDbBlockTableRecord
  2
*Model_Space
340
22
  0
ENDTAB
  0
ENDSEC
  0
SECTION
  2
ENTITIES
  0
LINE
  5
2F
330
41
100
AcDbEntity
  8
0
100
AcDbLine
 10
0
 20
0
 30
0
 11
1
 21
1
 31
0
  0
3DSOLID
  5
30
330
41
100
AcDbEntity
  8
0
  0
ENDSEC
  0
SECTION
  2
OBJECTS
  0
DICTIONARY
  5
C
330
0
100
AcDbDictionary
281
1
  3
ACAD_LAYOUT
350
1A
  3
ACAD_TABLESTYLE
350
17
  3
ACAD_PLOTSTYLENAME
350
E
  3
TARN_VAR
350
50
  0
ACDBDICTIONARYWDFLT
  5
E
330
C
100
AcDbDictionary
281
1
  3
Normal
350
F
100
AcDbDictionaryWithDefault
340
F
  0
ACDBPLACEHOLDER
  5
F
330
E
  0
DICTIONARY
  5
1A
330
C
100
AcDbDictionary
  3
Model
350
22
  0
LAYOUT
  5
22
330
1A
100
AcDbPlotSettings
  1

  2
none_device
 40
7.5
100
AcDbLayout
  1
Model
 70
1
 10
0.0
 20
0.0
330
41
  0
DICTIONARY
  5
17
330
C
100
AcDbDictionary
  3
Standard
350
3
  0
TABLESTYLE
  5
3
102
{ACAD_REACTORS
330
17
102
}
330
17
100
AcDbTableStyle
  2
Standard
  3
Stra\U+00DFe  mit Rand  
 70
0
 62
256
 71
2000000000
 49
0.5
  6
BYLAYER
  0
DICTIONARYVAR
  5
50
330
C
100
DictionaryVariables
280
0
  1
Standard
340
3
341
2F
342
9F
1001
TARN
1005
3
  0
ENDSEC
  0
EOF
)";

AcDbObjectId Handle(AcDbDatabase* db, std::uint64_t handle) {
    AcDbObjectId id;
    db->getAcDbObjectId(id, false, AcDbHandle(handle));
    return id;
}

// The entry's object in a dictionary of the named-object dictionary; null when either is missing.
AcDbObjectId EntryOf(AcDbDatabase* db, const ACHAR* dictionary, const ACHAR* key) {
    AcDbDictionary* nod = nullptr;
    if (db->getNamedObjectsDictionary(nod) != Acad::eOk) {
        return AcDbObjectId();
    }
    AcDbObjectId inner;
    nod->getAt(dictionary, inner);
    nod->close();
    AcDbDictionary* dict = nullptr;
    AcDbObjectId id;
    if (acdbOpenObject(dict, inner, AcDb::kForRead) == Acad::eOk) {
        dict->getAt(key, id);
        dict->close();
    }
    return id;
}

// What a kept object holds, with its groups as a file would say them (references by the handle they name
// now); found false when the id is no kept object.
struct Kept {
    bool found = false;
    std::string type;
    std::string groups;
    size_t classPairs = 0;
    AcDbObjectId owner;
    AcDbObjectId lastReference;
};

Kept Inspect(AcDbObjectId id) {
    Kept kept;
    AcDbUnknownObject* object = nullptr;
    if (acdbOpenObject(object, id, AcDb::kForRead) != Acad::eOk) {
        return kept;
    }
    kept.found = true;
    kept.type = object->tarnFileType();
    kept.owner = object->ownerId();
    kept.classPairs = object->tarnClassPairs().size();
    kept.groups = kept.type + " " + platform::dxf::FormatHandle(object->handle().value());
    for (const Pair& pair : object->tarnPairs()) {
        kept.groups += "\n" + std::to_string(pair.code) + " ";
        switch (pair.kind) {
            case Pair::Kind::kValue:
                kept.groups += pair.value;
                break;
            case Pair::Kind::kReference:
                kept.groups +=
                    "-> " + platform::dxf::FormatHandle(pair.id.isNull() ? 0 : pair.id.handle().value());
                kept.lastReference = pair.id;
                break;
            case Pair::Kind::kOwner:
                kept.groups += "owner " + platform::dxf::FormatHandle(object->ownerId().handle().value());
                break;
        }
    }
    object->close();
    return kept;
}

TEST_F(DxfKeptObjects, ObjectsOfUnknownKindsComeBackWithTheirEntriesGroupsAndHandles) {
    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(platform::ReadDxf(reopened.get(), kFile), Acad::eOk) << platform::LastDxfError().message;
    AcDbDatabase* first = reopened.get();

    // The entries find their objects, under the file's handles; the style whose handle was taken has
    // another, and what named it names it under that one.
    const AcDbObjectId normal = EntryOf(first, u"ACAD_PLOTSTYLENAME", u"Normal");
    const AcDbObjectId layout = EntryOf(first, u"ACAD_LAYOUT", u"Model");
    const AcDbObjectId style = EntryOf(first, u"ACAD_TABLESTYLE", u"Standard");
    ASSERT_TRUE(Inspect(normal).found);
    ASSERT_TRUE(Inspect(layout).found);
    ASSERT_TRUE(Inspect(style).found);
    EXPECT_EQ(Inspect(normal).type, "ACDBPLACEHOLDER");
    EXPECT_EQ(normal.handle(), AcDbHandle(0xF));
    EXPECT_EQ(layout.handle(), AcDbHandle(0x22));
    EXPECT_NE(style.handle(), AcDbHandle(3));
    EXPECT_EQ(Inspect(style).owner, Handle(first, 0x17));
    AcDbDictionary* nod = nullptr;
    ASSERT_EQ(first->getNamedObjectsDictionary(nod), Acad::eOk);
    AcDbObjectId var;
    EXPECT_EQ(nod->getAt(u"TARN_VAR", var), Acad::eOk);
    nod->close();
    const std::string style16 = platform::dxf::FormatHandle(style.handle().value());
    const AcDbObjectId model = Handle(first, 0x41);
    ASSERT_FALSE(model.isNull());
    EXPECT_EQ(Inspect(var).groups,
              "DICTIONARYVAR 50\n330 owner " +
                  platform::dxf::FormatHandle(first->namedObjectsDictionaryId().handle().value()) +
                  "\n100 DictionaryVariables\n280 0\n1 Standard\n340 -> " + style16 +
                  "\n341 -> 2F\n342 -> 0\n1001 TARN\n1005 -> " + style16);
    // Texts as read (spaces included), the count not taken for one, the reactors in their group.
    EXPECT_EQ(Inspect(style).groups, "TABLESTYLE " + style16 +
                                         "\n102 {ACAD_REACTORS\n330 -> 17\n102 }\n330 owner 17\n100 "
                                         "AcDbTableStyle\n2 Standard\n3 Stra\\U+00DFe  mit Rand  \n70 0\n62 "
                                         "256\n71 2000000000\n49 0.5\n6 BYLAYER");
    EXPECT_EQ(Inspect(layout).lastReference, model);
    EXPECT_EQ(Inspect(normal).classPairs, 6u);

    // Saved and read again: the same entries, groups and handles.
    const std::string text = platform::WriteDxf(first);
    EXPECT_NE(text.find("  0\nCLASS\n  1\nLAYOUT\n  2\nAcDbLayout\n"), std::string::npos);
    EXPECT_EQ(text.find("ACDBPLACEHOLDER\n  2\nAcDbPlaceHolder"),
              text.rfind("ACDBPLACEHOLDER\n  2\nAcDbPlaceHolder"));
    EXPECT_NE(text.find("  0\nACDBPLACEHOLDER\n  5\nF\n330\nE\n  0\n"), std::string::npos);
    AcDbDatabase second(false, true);
    ASSERT_EQ(platform::ReadDxf(&second, text), Acad::eOk) << platform::LastDxfError().message;
    EXPECT_EQ(platform::CheckDatabase(&second), "");
    for (auto [dictionary, key] :
         {std::pair{u"ACAD_PLOTSTYLENAME", u"Normal"}, std::pair{u"ACAD_LAYOUT", u"Model"},
          std::pair{u"ACAD_TABLESTYLE", u"Standard"}}) {
        const AcDbObjectId before = EntryOf(first, dictionary, key);
        const AcDbObjectId after = EntryOf(&second, dictionary, key);
        EXPECT_EQ(after.handle(), before.handle());
        EXPECT_TRUE(Inspect(after).found);
        EXPECT_EQ(Inspect(after).groups, Inspect(before).groups);
        EXPECT_EQ(Inspect(after).classPairs, Inspect(before).classPairs);
    }
    EXPECT_EQ(Inspect(Handle(&second, 0x50)).groups, Inspect(var).groups);

    // A reference to an object erased since is written as null, not as a handle that names nothing.
    AcDbObject* line = nullptr;
    ASSERT_EQ(acdbOpenObject(line, Handle(first, 0x2F), AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(line->erase(), Acad::eOk);
    line->close();
    AcDbDatabase third(false, true);
    ASSERT_EQ(platform::ReadDxf(&third, platform::WriteDxf(first)), Acad::eOk);
    const std::string varAgain = Inspect(Handle(&third, 0x50)).groups;
    EXPECT_NE(varAgain.find("\n341 -> 0\n"), std::string::npos) << varAgain;
}

TEST_F(DxfKeptObjects, OversizedObjectsAreLeftOutAndFitPointSplinesKeepTheirPoints) {
    // More groups than any list the reader takes: the object is not kept, its entry goes with it.
    std::string text = kFile;
    std::string many;
    for (size_t i = 0; i <= platform::dxf::kMaxListItems; ++i) {
        many += "1\nx\n";
    }
    text.replace(text.find("  0\nDICTIONARY\n  5\n1A\n"), 0, "  0\nBIGOBJECT\n  5\n60\n330\nC\n" + many);
    text.replace(text.find("  3\nTARN_VAR\n"), 0, "  3\nBIG\n350\n60\n");
    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(platform::ReadDxf(reopened.get(), text), Acad::eOk) << platform::LastDxfError().message;
    EXPECT_TRUE(Handle(reopened.get(), 0x60).isNull());
    AcDbDictionary* nod = nullptr;
    ASSERT_EQ(reopened->getNamedObjectsDictionary(nod), Acad::eOk);
    EXPECT_FALSE(nod->has(u"BIG"));
    EXPECT_TRUE(nod->has(u"TARN_VAR"));
    nod->close();

    // Other programs write splines by their fit points alone.
    const std::string spline =
        "  0\nSPLINE\n  5\n31\n330\n41\n100\nAcDbEntity\n  8\n0\n100\nAcDbSpline\n 70\n0\n 71\n3\n 72\n0\n "
        "73\n0\n"
        " 74\n3\n 11\n0\n 21\n0\n 31\n0\n 11\n1\n 21\n2\n 31\n0\n 11\n3\n 21\n1\n 31\n0\n";
    text = kFile;
    text.replace(text.find("  0\n3DSOLID\n"), 0, spline);
    AcDbDatabase withSpline(false, true);
    ASSERT_EQ(platform::ReadDxf(&withSpline, text), Acad::eOk) << platform::LastDxfError().message;
    AcDbSpline* curve = nullptr;
    ASSERT_EQ(acdbOpenObject(curve, Handle(&withSpline, 0x31), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(curve->numFitPoints(), 3);
    AcGePoint3d end;
    EXPECT_EQ(curve->getEndPoint(end), Acad::eOk);
    EXPECT_EQ(end, AcGePoint3d(3, 1, 0));
    curve->close();
}

// Records of the tables the database does not keep, as another program writes them: a view, a coordinate
// system and two dimension styles, one of them under a handle the fresh database's tables hold (3), the
// other naming a text style of the file. Their owners are the tables' handles ("@" here).
const char kView[] =
    "  0\nVIEW\n  5\n1F0\n330\n@\n100\nAcDbSymbolTableRecord\n100\nAcDbViewTableRecord\n  2\n"
    "North\n 70\n0\n 40\n10.0\n 10\n5.0\n 20\n5.0\n 41\n20.0\n 11\n0.0\n 21\n0.0\n 31\n1.0\n"
    " 12\n0.0\n 22\n0.0\n 32\n0.0\n 42\n50.0\n 50\n0.0\n 71\n0\n281\n0\n";
const char kUcs[] =
    "  0\nUCS\n  5\n1F1\n330\n@\n100\nAcDbSymbolTableRecord\n100\nAcDbUCSTableRecord\n  2\nSite\n"
    " 70\n0\n 10\n100.0\n 20\n200.0\n 30\n0.0\n 11\n1.0\n 21\n0.0\n 31\n0.0\n 12\n0.0\n 22\n1.0\n"
    " 32\n0.0\n 79\n0\n146\n0.0\n";
const char kStandard[] =
    "  0\nDIMSTYLE\n105\n3\n330\n@\n100\nAcDbSymbolTableRecord\n100\nAcDbDimStyleTableRecord\n"
    "  2\nStandard\n 70\n0\n 40\n1.0\n 41\n2.5\n";
const char kSurvey[] =
    "  0\nDIMSTYLE\n105\n1F2\n330\n@\n100\nAcDbSymbolTableRecord\n100\nAcDbDimStyleTableRecord\n"
    "  2\nSurvey\n 70\n0\n  3\nm\n 40\n100.0\n140\n0.5\n176\n1\n340\n61\n";

std::string Table(const std::string& name, const std::string& handle, const std::string& records) {
    std::string owned = records;
    for (size_t at = owned.find("\n@\n"); at != std::string::npos; at = owned.find("\n@\n", at)) {
        owned.replace(at + 1, 1, handle);
    }
    size_t count = 0;
    for (size_t at = owned.find("  0\n"); at != std::string::npos; at = owned.find("  0\n", at + 1)) {
        ++count;
    }
    const std::string counted = std::to_string(count);
    return "  0\nTABLE\n  2\n" + name + "\n  5\n" + handle + "\n330\n0\n100\nAcDbSymbolTable\n 70\n" +
           counted + "\n" + (name == "DIMSTYLE" ? "100\nAcDbDimStyleTable\n 71\n" + counted + "\n" : "") +
           owned + "  0\nENDTAB\n";
}

// The record of a file's text under the handle (in the group the record's kind gives it), as written; empty
// when there is none.
std::string RecordOf(const std::string& text, int code, std::uint64_t handle) {
    const std::string group = (code == 5 ? "  5" : std::to_string(code)) + "\n";
    const size_t at = text.find("\n" + group + platform::dxf::FormatHandle(handle) + "\n");
    if (at == std::string::npos) {
        return std::string();
    }
    const size_t begin = text.rfind("\n  0\n", at) + 1;
    return text.substr(begin, text.find("\n  0\n", at) + 1 - begin);
}

// The handle of a table of the file's text.
std::string TableHandle(const std::string& text, const std::string& name) {
    const std::string head = "  0\nTABLE\n  2\n" + name + "\n  5\n";
    const size_t at = text.find(head);
    return at == std::string::npos
               ? std::string()
               : text.substr(at + head.size(), text.find('\n', at + head.size()) - at - head.size());
}

TEST_F(DxfKeptObjects, RecordsOfTablesNotModelledAreSavedBackAsRead) {
    const std::string file =
        "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  9\n$HANDSEED\n  5\n30\n  0\nENDSEC\n"
        "  0\nSECTION\n  2\nTABLES\n" +
        Table("STYLE", "60",
              "  0\nSTYLE\n  5\n61\n330\n@\n100\nAcDbSymbolTableRecord\n100\nAcDbTextStyleTableRecord\n  2\n"
              "Notes\n 70\n0\n 40\n0.0\n 41\n1.0\n 50\n0.0\n 71\n0\n 42\n2.5\n  3\ntxt\n  4\n\n") +
        Table("VIEW", "62", kView) + Table("UCS", "63", kUcs) +
        Table("DIMSTYLE", "64", std::string(kStandard) + kSurvey) + "  0\nENDSEC\n  0\nEOF\n";
    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(platform::ReadDxf(reopened.get(), file), Acad::eOk) << platform::LastDxfError().message;

    // Saved: each record in its table with its groups as read, owned by the table as written; "Standard" is
    // the file's, under a handle of its own, and the style named keeps its handle.
    const std::string saved = platform::WriteDxf(reopened.get());
    const std::string view = TableHandle(saved, "VIEW");
    const std::string ucs = TableHandle(saved, "UCS");
    const std::string dimstyle = TableHandle(saved, "DIMSTYLE");
    auto owned = [](std::string record, const std::string& owner) {
        record.replace(record.find("\n@\n") + 1, 1, owner);
        return record;
    };
    EXPECT_EQ(RecordOf(saved, 5, 0x1F0), owned(kView, view));
    EXPECT_EQ(RecordOf(saved, 5, 0x1F1), owned(kUcs, ucs));
    EXPECT_EQ(RecordOf(saved, 105, 0x1F2), owned(kSurvey, dimstyle));
    EXPECT_NE(RecordOf(saved, 5, 0x61).find("  2\nNotes\n"), std::string::npos);
    const size_t standardAt = saved.find("\n  2\nStandard\n", saved.find("  0\nDIMSTYLE\n"));
    ASSERT_NE(standardAt, std::string::npos);
    const size_t handleAt = saved.rfind("DIMSTYLE\n105\n", standardAt) + 13;
    const std::string standard = saved.substr(handleAt, saved.find('\n', handleAt) - handleAt);
    EXPECT_NE(standard, "3");
    std::string expected = owned(kStandard, dimstyle);
    expected.replace(expected.find("105\n3\n") + 4, 1, standard);
    EXPECT_EQ(RecordOf(saved, 105, std::stoull(standard, nullptr, 16)), expected);
    size_t dimstyles = 0;
    for (size_t at = saved.find("  0\nDIMSTYLE\n"); at != std::string::npos;
         at = saved.find("  0\nDIMSTYLE\n", at + 1)) {
        ++dimstyles;
    }
    EXPECT_EQ(dimstyles, 2u);
    EXPECT_NE(saved.find("  2\nDIMSTYLE\n  5\n" + dimstyle + "\n330\n0\n100\nAcDbSymbolTable\n 70\n2\n"),
              std::string::npos);

    // Handles stay unique (the reader refuses a file that uses one twice) and new objects take handles past
    // the kept ones, whatever the file's seed said; a second save gives the same records.
    AcDbDatabase second(false, true);
    ASSERT_EQ(platform::ReadDxf(&second, saved), Acad::eOk) << platform::LastDxfError().message;
    EXPECT_EQ(platform::CheckDatabase(&second), "");
    const std::string again = platform::WriteDxf(&second);
    for (std::uint64_t handle : {0x1F0, 0x1F1}) {
        EXPECT_EQ(RecordOf(again, 5, handle), owned(handle == 0x1F0 ? kView : kUcs,
                                                    TableHandle(again, handle == 0x1F0 ? "VIEW" : "UCS")));
    }
    EXPECT_EQ(RecordOf(again, 105, 0x1F2), owned(kSurvey, TableHandle(again, "DIMSTYLE")));
    const AcDbObjectId point = PostTo(reopened.get(), new AcDbPoint(AcGePoint3d(1, 2, 0)), ACDB_MODEL_SPACE);
    EXPECT_GT(point.handle().value(), std::max<std::uint64_t>(0x1F2, std::stoull(standard, nullptr, 16)));

    // A drawing made here has the tables as ever: no views or coordinate systems, the one style "Standard".
    const std::string fresh = platform::WriteDxf(db.get());
    EXPECT_NE(fresh.find("  2\nVIEW\n  5\n" + TableHandle(fresh, "VIEW") +
                         "\n330\n0\n100\nAcDbSymbolTable\n 70\n0\n  0\nENDTAB\n"),
              std::string::npos);
    EXPECT_NE(fresh.find("  2\nUCS\n  5\n" + TableHandle(fresh, "UCS") +
                         "\n330\n0\n100\nAcDbSymbolTable\n 70\n0\n  0\nENDTAB\n"),
              std::string::npos);
    const std::string table = TableHandle(fresh, "DIMSTYLE");
    const size_t at = fresh.find("  2\nDIMSTYLE\n  5\n" + table +
                                 "\n330\n0\n100\nAcDbSymbolTable\n 70\n1\n100\n"
                                 "AcDbDimStyleTable\n  0\nDIMSTYLE\n105\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(fresh.find("\n330\n" + table +
                             "\n100\nAcDbSymbolTableRecord\n100\nAcDbDimStyleTableRecord\n  2\n"
                             "Standard\n 70\n0\n  0\nENDTAB\n",
                         at),
              std::string::npos);
}

}  // namespace
}  // namespace tarntest
