// The reader on damaged files and on files written by other programs.
#include <errno.h>

#include <filesystem>

#include "dxf_fixture.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/win32/sys/sys_hooks.h"

namespace tarntest {
namespace {

using DxfReader = DxfTest;

// The line of text in the file (1-based), for checking that messages name the right one.
int LineOf(const std::string& text, const std::string& needle) {
    const size_t at = text.find(needle);
    return at == std::string::npos ? -1
                                   : 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST_F(DxfReader, DamagedFilesGiveAnErrorNamingTheLineAndLoadNothing) {
    Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 2, 3)));
    Post(new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 2.5));
    const std::string good = platform::WriteDxf(db.get());

    auto target = std::make_unique<AcDbDatabase>();
    const AcDbObjectId layer0 = target->layerZero();
    auto expectUntouched = [&] {
        EXPECT_TRUE(layer0.isValid());
        EXPECT_EQ(target->layerZero(), layer0);
        EXPECT_EQ(platform::CheckDatabase(target.get()), "");
    };

    // Cut in the middle of the entities.
    const std::string truncated = good.substr(0, good.find("CIRCLE") + 20);
    EXPECT_EQ(platform::ReadDxf(target.get(), truncated), Acad::eDxfReadAborted);
    EXPECT_NE(platform::LastDxfError().message.find("not closed (file truncated)"), std::string::npos)
        << platform::LastDxfError().message;
    expectUntouched();

    // A group code that is no number.
    const std::string badCode = Replace(good, " 40\n2.5\n", "4x0\n2.5\n");
    EXPECT_EQ(platform::ReadDxf(target.get(), badCode), Acad::eDxfReadAborted);
    EXPECT_EQ(platform::LastDxfError().line, LineOf(badCode, "4x0\n"));
    EXPECT_NE(
        platform::LastDxfError().message.find("line " + std::to_string(LineOf(badCode, "4x0\n")) + ": "),
        std::string::npos);
    expectUntouched();

    // A coordinate that is no number.
    const std::string badNumber = Replace(good, " 40\n2.5\n", " 40\n2.5.1\n");
    EXPECT_EQ(platform::ReadDxf(target.get(), badNumber), Acad::eDxfReadAborted);
    EXPECT_EQ(platform::LastDxfError().line, LineOf(badNumber, "2.5.1"));
    EXPECT_NE(platform::LastDxfError().message.find("2.5.1"), std::string::npos);
    expectUntouched();

    // No end-of-file marker, a group code without its value, two objects with one handle.
    EXPECT_EQ(platform::ReadDxf(target.get(), good.substr(0, good.rfind("  0\nEOF"))), Acad::eDxfReadAborted);
    EXPECT_EQ(platform::ReadDxf(target.get(), good.substr(0, good.rfind("EOF"))), Acad::eDxfReadAborted);
    EXPECT_NE(platform::LastDxfError().message.find("without a value"), std::string::npos);
    auto handleAfter = [&](const std::string& type) {
        const size_t at = good.find(type + "\n  5\n") + type.size() + 5;
        return good.substr(at, good.find('\n', at) - at);
    };
    const std::string clash = Replace(good, "CIRCLE\n  5\n" + handleAfter("CIRCLE") + "\n",
                                      "CIRCLE\n  5\n" + handleAfter("LINE") + "\n");
    EXPECT_EQ(platform::ReadDxf(target.get(), clash), Acad::eDxfReadAborted);
    EXPECT_NE(platform::LastDxfError().message.find("is used twice"), std::string::npos);
    EXPECT_EQ(platform::ReadDxf(target.get(), std::string("Binary drawing\r\n\x1a\0\x01\x02", 20)),
              Acad::eInvalidDwgVersion);

    // Files: a missing one, a damaged one; the database keeps its drawing and file name.
    const std::u16string missing = platform::Utf8ToUtf16(Path("missing.dxf"));
    EXPECT_EQ(target->readDwgFile(missing.c_str()), Acad::eFileNotFound);
    WriteText(Path("bad.dxf"), badNumber);
    const std::u16string bad = platform::Utf8ToUtf16(Path("bad.dxf"));
    EXPECT_EQ(target->readDwgFile(bad.c_str()), Acad::eDxfReadAborted);
    const ACHAR* name = nullptr;
    target->getFilename(name);
    EXPECT_EQ(std::u16string(name), u"");
    expectUntouched();
    EXPECT_EQ(platform::OpenObjectCount(), 0);
}

TEST_F(DxfReader, CountsInTheFileAreNotTrusted) {
    // A polyline that claims two billion vertices, a linetype with more dashes than any linetype holds,
    // an Xrecord cut short and a hatch with loop counts past its groups.
    const std::string text =
        "0\nSECTION\n2\nENTITIES\n"
        "0\nLWPOLYLINE\n5\n40\n100\nAcDbEntity\n8\n0\n100\nAcDbPolyline\n90\n2000000000\n70\n0\n"
        "10\n1\n20\n2\n10\n3\n20\n4\n"
        "0\nHATCH\n5\n41\n100\nAcDbEntity\n8\n0\n100\nAcDbHatch\n10\n0\n20\n0\n30\n0\n2\nSOLID\n70\n1\n71\n0"
        "\n"
        "91\n99999999\n92\n2\n72\n0\n73\n1\n93\n1000000\n10\n0\n20\n0\n10\n1\n20\n0\n"
        "0\nENDSEC\n0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLTYPE\n5\n5\n0\nLTYPE\n5\n42\n100\nAcDbSymbolTableRec"
        "ord\n"
        "100\nAcDbLinetypeTableRecord\n2\nMANY\n73\n30000\n"
        "49\n1\n49\n1\n49\n1\n49\n1\n49\n1\n49\n1\n49\n1\n49\n1\n49\n1\n49\n1\n49\n1\n49\n1\n49\n1\n"
        "0\nENDTAB\n0\nENDSEC\n0\nEOF\n";
    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(platform::ReadDxf(reopened.get(), text), Acad::eOk) << platform::LastDxfError().message;
    AcDbObjectId id;
    ASSERT_EQ(reopened->getAcDbObjectId(id, false, AcDbHandle(0x40)), Acad::eOk);
    AcDbPolyline* pline = nullptr;
    ASSERT_EQ(acdbOpenObject(pline, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(pline->numVerts(), 2u);
    pline->close();
    ASSERT_EQ(reopened->getAcDbObjectId(id, false, AcDbHandle(0x41)), Acad::eOk);
    AcDbHatch* hatch = nullptr;
    ASSERT_EQ(acdbOpenObject(hatch, id, AcDb::kForRead), Acad::eOk);
    EXPECT_LE(hatch->numLoops(), 1);
    hatch->close();
    ASSERT_EQ(reopened->getAcDbObjectId(id, false, AcDbHandle(0x42)), Acad::eOk);
    AcDbLinetypeTableRecord* linetype = nullptr;
    ASSERT_EQ(acdbOpenObject(linetype, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(linetype->numDashes(), 0);
    linetype->close();
}

// In the manner of other programs: CLASSES, a thumbnail, extra group codes, UCS and dimension styles,
// a block with an entity, entities this database does not know, a dictionary with default, layouts.
const char kForeign[] = R"(999
written by another program
  0
SECTION
  2
HEADER
  9
$ACADVER
  1
AC1018
  9
$DWGCODEPAGE
  3
ANSI_1252
  9
$HANDSEED
  5
2000
  9
$CLAYER
  8
Walls
  0
ENDSEC
  0
SECTION
  2
CLASSES
  0
CLASS
  1
ACDBDICTIONARYWDFLT
  2
AcDbDictionaryWithDefault
  3
Drawing classes
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
VPORT
  5
8
330
0
100
AcDbSymbolTable
 70
1
  0
VPORT
  5
29
330
8
100
AcDbSymbolTableRecord
100
AcDbViewportTableRecord
  2
*Active
 70
0
 12
100
 22
50
 40
80
 41
1.5
  0
ENDTAB
  0
TABLE
  2
LTYPE
  5
5
330
0
100
AcDbSymbolTable
 70
2
  0
LTYPE
  5
14
330
5
100
AcDbSymbolTableRecord
100
AcDbLinetypeTableRecord
  2
CONTINUOUS
 70
0
  3
Solid line
 72
65
 73
0
 40
0.0
  0
LTYPE
  5
7
330
5
100
AcDbSymbolTableRecord
100
AcDbLinetypeTableRecord
  2
DASHED
 70
0
  3
Dashed __ __ __
 72
65
 73
2
 40
0.75
 49
0.5
 74
0
 49
-0.25
 74
0
  0
ENDTAB
  0
TABLE
  2
LAYER
  5
2
330
0
100
AcDbSymbolTable
 70
2
  0
LAYER
  5
10
330
2
100
AcDbSymbolTableRecord
100
AcDbLayerTableRecord
  2
0
 70
0
 62
7
  6
CONTINUOUS
370
-3
390
F
  0
LAYER
  5
6
330
2
100
AcDbSymbolTableRecord
100
AcDbLayerTableRecord
  2
Walls
 70
4
 62
-1
  6
DASHED
370
25
390
F
347
0
  0
ENDTAB
  0
TABLE
  2
UCS
  5
7A
330
0
100
AcDbSymbolTable
 70
0
  0
ENDTAB
  0
TABLE
  2
DIMSTYLE
  5
A
330
0
100
AcDbSymbolTable
 70
1
100
AcDbDimStyleTable
 71
0
  0
DIMSTYLE
105
27
330
A
100
AcDbSymbolTableRecord
100
AcDbDimStyleTableRecord
  2
Standard
 70
0
  0
ENDTAB
  0
TABLE
  2
BLOCK_RECORD
  5
1
330
0
100
AcDbSymbolTable
 70
3
  0
BLOCK_RECORD
  5
1F
330
1
100
AcDbSymbolTableRecord
100
AcDbBlockTableRecord
  2
*Model_Space
340
22
  0
BLOCK_RECORD
  5
1B
330
1
100
AcDbSymbolTableRecord
100
AcDbBlockTableRecord
  2
*Paper_Space
340
1E
  0
BLOCK_RECORD
  5
3C
330
1
100
AcDbSymbolTableRecord
100
AcDbBlockTableRecord
  2
DOOR
  0
ENDTAB
  0
ENDSEC
  0
SECTION
  2
BLOCKS
  0
BLOCK
  5
20
330
1F
100
AcDbEntity
  8
0
100
AcDbBlockBegin
  2
*Model_Space
 70
0
 10
0.0
 20
0.0
 30
0.0
  3
*Model_Space
  1

  0
ENDBLK
  5
21
330
1F
100
AcDbEntity
  8
0
100
AcDbBlockEnd
  0
BLOCK
  5
3D
330
3C
100
AcDbEntity
  8
0
100
AcDbBlockBegin
  2
DOOR
 70
0
 10
1.0
 20
2.0
 30
0.0
  3
DOOR
  1

  0
LINE
  5
3F
330
3C
100
AcDbEntity
  8
0
100
AcDbLine
 10
0.0
 20
0.0
 30
0.0
 11
0.9
 21
2.1
 31
0.0
  0
ENDBLK
  5
3E
330
3C
100
AcDbEntity
  8
0
100
AcDbBlockEnd
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
1F
100
AcDbEntity
  8
Walls
370
30
 62
3
100
AcDbLine
 39
0.0
 10
1.5
 20
2.5
 30
0.0
 11
10.0
 21
-4.0E+00
 31
0.0
  0
3DSOLID
  5
30
330
1F
100
AcDbEntity
  8
0
100
AcDbModelerGeometry
 70
1
  1
opaque data
  0
INSERT
  5
31
330
1F
100
AcDbEntity
  8
0
 66
1
100
AcDbBlockReference
  2
DOOR
 10
0
 20
0
 30
0
  0
ATTRIB
  5
32
330
31
100
AcDbEntity
  8
0
100
AcDbText
  1
value
  0
SEQEND
  5
33
330
31
100
AcDbEntity
  8
0
  0
TEXT
  5
34
330
1F
100
AcDbEntity
  8
Doors
100
AcDbText
 10
3.0
 20
4.0
 30
0.0
 40
2.5
  1
中文 \U+00E9t\U+00E9
100
AcDbText
  0
CIRCLE
  5
3
330
1F
100
AcDbEntity
  8
0
100
AcDbCircle
 10
7
 20
8
 30
0
 40
1.25
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
ACAD_GROUP
350
D
  3
ACAD_LAYOUT
350
1A
  3
ACAD_PLOTSTYLENAME
350
E
  3
TARN
350
50
  0
DICTIONARY
  5
D
102
{ACAD_REACTORS
330
C
102
}
330
C
100
AcDbDictionary
281
1
  0
ACDBDICTIONARYWDFLT
  5
E
102
{ACAD_REACTORS
330
C
102
}
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

100
AcDbLayout
  1
Model
  0
XRECORD
  5
50
330
C
100
AcDbXrecord
280
1
  1
from elsewh\xE9re
 40
2.75
  0
ENDSEC
  0
SECTION
  2
THUMBNAILIMAGE
 90
3
310
414243
  0
ENDSEC
  0
EOF
)";

TEST_F(DxfReader, FilesOfOtherProgramsLoadAndUnknownEntitiesAreKeptAsRead) {
    std::string text = kForeign;
    const size_t latin = text.find("\\xE9");
    text.replace(latin, 4, "\xE9");  // a raw byte of the file's code page
    platform::CommandLineTranscript().clear();
    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(platform::ReadDxf(reopened.get(), text), Acad::eOk) << platform::LastDxfError().message;
    EXPECT_EQ(platform::CommandLineUtf8().find("Skipped"), std::string::npos) << platform::CommandLineUtf8();

    // Handles as written; the line got its layer, colour and points, the layer its flags and linetype.
    AcDbObjectId id;
    ASSERT_EQ(reopened->getAcDbObjectId(id, false, AcDbHandle(0x2F)), Acad::eOk);
    AcDbLine* line = nullptr;
    ASSERT_EQ(acdbOpenObject(line, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(std::u16string(line->layer()), u"Walls");
    EXPECT_EQ(line->colorIndex(), 3);
    EXPECT_EQ(line->endPoint().y, -4.0);
    EXPECT_EQ(std::u16string(line->linetype()), u"ByLayer");
    line->close();
    AcDbLayerTable* layers = nullptr;
    ASSERT_EQ(reopened->getLayerTable(layers), Acad::eOk);
    AcDbLayerTableRecord* walls = nullptr;
    ASSERT_EQ(layers->getAt(u"WALLS", walls, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(walls->isLocked());
    EXPECT_TRUE(walls->isOff());
    EXPECT_EQ(walls->color().colorIndex(), 1);
    EXPECT_EQ(platform::dxf::RecordName(walls->linetypeObjectId()), u"DASHED");
    EXPECT_EQ(reopened->clayer(), walls->objectId());
    walls->close();
    EXPECT_TRUE(layers->has(u"Doors"));  // named by an entity only
    layers->close();

    // The text: raw UTF-8 is taken as such and escapes are expanded (the Xrecord below has a byte of the
    // file's code page).
    ASSERT_EQ(reopened->getAcDbObjectId(id, false, AcDbHandle(0x34)), Acad::eOk);
    AcDbText* label = nullptr;
    ASSERT_EQ(acdbOpenObject(label, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(std::u16string(label->textStringConst()), u"中文 \u00e9t\u00e9");
    EXPECT_EQ(label->textStyle(), reopened->textstyle());
    label->close();

    // The block with its entity and origin; the circle whose handle the fresh database's tables held is
    // there under a new one.
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(reopened->getBlockTable(blocks), Acad::eOk);
    AcDbBlockTableRecord* door = nullptr;
    ASSERT_EQ(blocks->getAt(u"DOOR", door, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(door->tarnEntityIds().size(), 1u);
    EXPECT_EQ(door->origin().y, 2.0);
    door->close();
    AcDbBlockTableRecord* model = nullptr;
    ASSERT_EQ(blocks->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(model->tarnEntityIds().size(), 5u);  // line, text, circle, the solid and the insert
    const AcDbObjectId modelId = model->objectId();
    model->close();
    blocks->close();

    // Entities of kinds not modelled are kept under their handles and layers, the insert with the records
    // that follow it; they are written back as read.
    for (const auto& [handle, type] : {std::pair{0x30, "3DSOLID"}, std::pair{0x31, "INSERT"}}) {
        ASSERT_EQ(reopened->getAcDbObjectId(id, false, AcDbHandle(handle)), Acad::eOk);
        AcDbEntity* kept = nullptr;
        ASSERT_EQ(acdbOpenObject(kept, id, AcDb::kForRead), Acad::eOk);
        ASSERT_NE(AcDbUnknownEntity::cast(kept), nullptr);
        EXPECT_EQ(AcDbUnknownEntity::cast(kept)->tarnFileType(), type);
        EXPECT_EQ(std::u16string(kept->layer()), u"0");
        EXPECT_EQ(kept->ownerId(), modelId);
        kept->close();
    }
    const std::string written = platform::WriteDxf(reopened.get());
    EXPECT_NE(written.find("3DSOLID\n  5\n30\n"), std::string::npos);
    EXPECT_NE(written.find("opaque data"), std::string::npos);
    const size_t insert = written.find("INSERT\n  5\n31\n");
    ASSERT_NE(insert, std::string::npos);
    const size_t attrib = written.find("ATTRIB\n  5\n32\n330\n31\n", insert);
    ASSERT_NE(attrib, std::string::npos) << written.substr(insert, 400);
    EXPECT_NE(written.find("SEQEND\n  5\n33\n330\n31\n", attrib), std::string::npos);

    // Dictionaries, the one with a default and the Xrecord; its placeholder is kept as read.
    AcDbDictionary* nod = nullptr;
    ASSERT_EQ(reopened->getNamedObjectsDictionary(nod), Acad::eOk);
    EXPECT_TRUE(nod->has(u"ACAD_GROUP"));
    AcDbObject* plotStyles = nullptr;
    ASSERT_EQ(nod->getAt(u"ACAD_PLOTSTYLENAME", plotStyles, AcDb::kForRead), Acad::eOk);
    ASSERT_NE(AcDbDictionary::cast(plotStyles), nullptr);
    EXPECT_TRUE(AcDbDictionary::cast(plotStyles)->has(u"Normal"));
    plotStyles->close();
    AcDbObject* data = nullptr;
    ASSERT_EQ(nod->getAt(u"TARN", data, AcDb::kForRead), Acad::eOk);
    nod->close();
    ASSERT_NE(AcDbXrecord::cast(data), nullptr);
    ASSERT_EQ(AcDbXrecord::cast(data)->tarnItems().size(), 2u);
    EXPECT_EQ(AcDbXrecord::cast(data)->tarnItems()[0].text, u"from elsewh\u00e9re");
    EXPECT_EQ(data->objectId().handle(), AcDbHandle(0x50));
    data->close();
    EXPECT_GE(reopened->handseed().value(), 0x2000u);

    // And it saves again as a file this reader takes.
    const std::string again = platform::WriteDxf(reopened.get());
    AcDbDatabase third(false, true);
    EXPECT_EQ(platform::ReadDxf(&third, again), Acad::eOk) << platform::LastDxfError().message;
    EXPECT_EQ(platform::CheckDatabase(&third), "");
}

TEST_F(DxfReader, SavingThatCannotWriteLeavesTheOldFileAndTheSampleDrawingLoads) {
    Post(new AcDbPoint(AcGePoint3d(1, 2, 3)));
    const std::u16string path = platform::Utf8ToUtf16(Path("keep.dxf"));
    WriteText(Path("keep.dxf"), "old contents");
    // A folder in the way of the file: the rename fails and no temporary file stays behind.
    std::filesystem::create_directories(Path("folder.dxf"));
    const std::u16string folder = platform::Utf8ToUtf16(Path("folder.dxf"));
    EXPECT_NE(db->saveAs(folder.c_str()), Acad::eOk);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(TempDir())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2u);
    const std::u16string nowhere = platform::Utf8ToUtf16(Path("no/such/folder/a.dxf"));
    EXPECT_EQ(db->saveAs(nowhere.c_str()), Acad::eFileAccessErr);
    EXPECT_EQ(ReadText(Path("keep.dxf")), "old contents");
    ASSERT_EQ(db->saveAs(path.c_str()), Acad::eOk);
    EXPECT_NE(ReadText(Path("keep.dxf")), "old contents");
    const ACHAR* name = nullptr;
    db->getFilename(name);
    EXPECT_EQ(std::u16string(name), platform::ToWindowsPath(Path("keep.dxf")));

    // The sample drawing in examples/.
    const std::filesystem::path sample = std::filesystem::path(TARN_SOURCE_DIR) / "examples/dxf_sample.dxf";
    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(reopened->readDwgFile(platform::Utf8ToUtf16(sample.lexically_normal().string()).c_str()),
              Acad::eOk)
        << platform::LastDxfError().message;
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(reopened->getBlockTable(blocks), Acad::eOk);
    AcDbBlockTableRecord* model = nullptr;
    ASSERT_EQ(blocks->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead), Acad::eOk);
    EXPECT_GE(model->tarnEntityIds().size(), 8u);
    model->close();
    blocks->close();
}

// Drawing and linetype files go through the system's file services, so their injected failures reach them.
TEST_F(DxfReader, FileFailuresOfTheSystemReachDrawingAndLinetypeFiles) {
    Post(new AcDbPoint(AcGePoint3d(1, 2, 3)));
    const std::u16string path = platform::Utf8ToUtf16(Path("keep.dxf"));
    WriteText(Path("keep.dxf"), "old contents");
    platform::InjectDiskFull(TempDir());
    EXPECT_EQ(db->saveAs(path.c_str()), Acad::eOutOfDisk);
    EXPECT_EQ(ReadText(Path("keep.dxf")), "old contents");
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(TempDir())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);  // no temporary file left behind

    platform::InjectFileOpenFailure(Path("keep.dxf"), EACCES);
    auto other = std::make_unique<AcDbDatabase>(false, true);
    EXPECT_EQ(other->readDwgFile(path.c_str()), Acad::eFileAccessErr);

    WriteText(Path("my.lin"), "*DASHY,Dashes __ __\nA,1,-0.5\n");
    platform::InjectFileOpenFailure(Path("my.lin"), EACCES);
    EXPECT_EQ(acdbLoadLineTypeFile(u"DASHY", platform::Utf8ToUtf16(Path("my.lin")).c_str(), db.get()),
              Acad::eFileNotFound);
    WriteText(Path("your.lin"), "*DASHY,Dashes __ __\nA,1,-0.5\n");
    EXPECT_EQ(acdbLoadLineTypeFile(u"DASHY", platform::Utf8ToUtf16(Path("your.lin")).c_str(), db.get()),
              Acad::eOk);
}

}  // namespace
}  // namespace tarntest
