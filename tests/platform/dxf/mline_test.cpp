// Multilines and their styles in drawing files: read as another program writes them, written back whole,
// and made here with a style the file can name.
#include <cmath>
#include <cstdio>
#include <string>

#include "dxf_fixture.h"

namespace tarntest {
namespace {

using DxfMline = DxfTest;

// A closed multiline of four vertices on the style "Standard" of two elements at 0.5 and -0.5 (top
// justification, scale 20), with the groups of another program: counts that say more than the file holds
// (72 says 5 vertices), a fill break on one element, caps suppressed at the start, and a style with a fill
// colour and a description.
const char kFile[] = R"(  0
SECTION
  2
HEADER
  9
$ACADVER
  1
AC1015
  0
ENDSEC
  0
SECTION
  2
ENTITIES
  0
MLINE
  5
2A
330
1F
100
AcDbEntity
  8
Walls
100
AcDbMline
  2
STANDARD
340
18
 40
20.0
 70
0
 71
7
 72
5
 73
2
 10
0.0
 20
0.0
 30
0.0
 11
0.0
 21
0.0
 31
0.0
 12
1.0
 22
0.0
 32
0.0
 13
-0.7071067811865475
 23
0.7071067811865475
 33
0.0
 74
2
 41
0.0
 41
0.0
 75
0
 74
2
 41
-28.284271247461902
 41
0.0
 75
2
 42
0.0
 42
5.0
 11
100.0
 21
0.0
 31
0.0
 12
0.0
 22
1.0
 32
0.0
 13
-0.7071067811865475
 23
0.7071067811865475
 33
0.0
 74
2
 41
0.0
 41
0.0
 75
0
 74
2
 41
-28.284271247461902
 41
0.0
 75
0
 11
100.0
 21
50.0
 31
0.0
 12
-1.0
 22
0.0
 32
0.0
 13
-0.7071067811865475
 23
-0.7071067811865475
 33
0.0
 74
2
 41
0.0
 41
0.0
 75
0
 74
2
 41
-28.284271247461902
 41
0.0
 75
0
 11
0.0
 21
50.0
 31
0.0
 12
0.0
 22
-1.0
 32
0.0
 13
0.7071067811865475
 23
-0.7071067811865475
 33
0.0
 74
2
 41
0.0
 41
0.0
 75
0
 74
2
 41
-28.284271247461902
 41
0.0
 75
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
  3
ACAD_MLINESTYLE
350
17
  0
DICTIONARY
  5
17
330
C
100
AcDbDictionary
  3
STANDARD
350
18
  0
MLINESTYLE
  5
18
102
{ACAD_REACTORS
330
17
102
}
330
17
100
AcDbMlineStyle
  2
STANDARD
 70
1
  3
Walls, 20 wide
 62
3
 51
90.0
 52
90.0
 71
2
 49
0.5
 62
256
  6
BYLAYER
 49
-0.5
 62
1
  6
DASHED
  0
ENDSEC
  0
EOF
)";

AcDbObjectId Find(AcDbDatabase* db, Adesk::UInt64 handle) {
    AcDbObjectId id;
    db->getAcDbObjectId(id, false, AcDbHandle(handle));
    return id;
}

// The MLINE record of a file's text, from its type to the next record.
std::string MlineRecord(const std::string& text) {
    const size_t at = text.find("\nMLINE\n");
    if (at == std::string::npos) {
        return std::string();
    }
    return text.substr(at, text.find("  0\n", at + 1) - at);
}

TEST_F(DxfMline, AnotherProgramsMultilineReadsWithItsStyleAndComesBackWhole) {
    ASSERT_EQ(platform::ReadDxf(db.get(), kFile), Acad::eOk) << platform::LastDxfError().message;
    AcDbMline* mline = nullptr;
    ASSERT_EQ(acdbOpenObject(mline, Find(db.get(), 0x2A), AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(mline->numVertices(), 4);  // the groups present, not the count
    EXPECT_EQ(mline->vertexAt(2), AcGePoint3d(100, 50, 0));
    EXPECT_TRUE(mline->closedMline());
    EXPECT_EQ(mline->scale(), 20.0);
    EXPECT_EQ(mline->justification(), Mline::kTop);
    EXPECT_EQ(mline->style(), Find(db.get(), 0x18));
    EXPECT_EQ(std::u16string(mline->layer()), u"Walls");
    AcDbExtents box;
    ASSERT_EQ(mline->getGeomExtents(box), Acad::eOk);
    EXPECT_EQ(box.maxPoint(), AcGePoint3d(100, 50, 0));
    mline->close();

    AcDbMlineStyle* style = nullptr;
    ASSERT_EQ(acdbOpenObject(style, Find(db.get(), 0x18), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(std::u16string(style->name()), u"STANDARD");
    EXPECT_EQ(std::u16string(style->description()), u"Walls, 20 wide");
    ASSERT_EQ(style->numElements(), 2);
    double offset = 0.0;
    AcCmColor color;
    AcString linetype;
    ASSERT_EQ(style->getElementAt(1, offset, color, linetype), Acad::eOk);
    EXPECT_EQ(offset, -0.5);
    EXPECT_EQ(color.colorIndex(), 1);
    EXPECT_EQ(std::u16string(linetype.kACharPtr()), u"DASHED");
    EXPECT_EQ(style->tarnExtra().fillColor, 3);
    EXPECT_EQ(style->tarnExtra().flags, 1);
    EXPECT_EQ(style->getElementAt(2, offset, color, linetype), Acad::eInvalidIndex);
    style->close();

    // Written and read again: every group of the multiline as it came, the fill break and caps included.
    const std::string text = platform::WriteDxf(db.get());
    const std::string record = MlineRecord(text);
    ASSERT_FALSE(record.empty());
    for (const char* group : {"\n340\n18\n", "\n 40\n20", "\n 71\n7\n", "\n 72\n4\n", "\n 73\n2\n",
                              "\n 42\n5", "\n 41\n-28.2842712474619"}) {
        EXPECT_NE(record.find(group), std::string::npos) << group << " in " << record;
    }
    EXPECT_NE(text.find("\nMLINESTYLE\n"), std::string::npos);
    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(platform::ReadDxf(reopened.get(), text), Acad::eOk) << platform::LastDxfError().message;
    EXPECT_EQ(MlineRecord(platform::WriteDxf(reopened.get())), record);
    AcDbMline* twin = nullptr;
    ASSERT_EQ(acdbOpenObject(twin, Find(reopened.get(), 0x2A), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(twin->style(), Find(reopened.get(), 0x18));
    EXPECT_EQ(twin->numVertices(), 4);
    twin->close();
}

TEST_F(DxfMline, AMultilineMadeHereNamesItsStyleAndGivesWhereItsLinesRun) {
    const AcDbObjectId standard = platform::StandardMlineStyle(db.get());
    ASSERT_FALSE(standard.isNull());
    EXPECT_EQ(platform::StandardMlineStyle(db.get()), standard);  // made once
    EXPECT_EQ(platform::FindMlineStyle(db.get(), u"Standard"), standard);
    auto* mline = new AcDbMline;
    ASSERT_EQ(mline->setStyle(standard), Acad::eOk);
    mline->setScale(2.0);
    mline->setJustification(Mline::kZero);
    mline->appendSeg(AcGePoint3d(0, 0, 0));
    mline->appendSeg(AcGePoint3d(10, 0, 0));
    mline->appendSeg(AcGePoint3d(10, 10, 0));
    const AcDbObjectId id = Post(mline);

    SaveAndReopen();
    AcDbObject* object = Twin(id);
    ASSERT_NE(object, nullptr);
    AcDbMline* twin = AcDbMline::cast(object);
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(twin->numVertices(), 3);
    EXPECT_EQ(twin->vertexAt(2), AcGePoint3d(10, 10, 0));
    EXPECT_FALSE(twin->closedMline());
    EXPECT_EQ(twin->scale(), 2.0);
    EXPECT_EQ(twin->justification(), Mline::kZero);
    EXPECT_EQ(twin->style().handle(), standard.handle());
    // At the corner (10, 0) the miter halves the turn: the element at offset 0.5 x scale 2 = 1 runs at
    // 1 / cos(45 degrees) along it.
    const std::vector<AcDbMline::FileVertex> vertices = twin->tarnFileVertices();
    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_NEAR(vertices[1].miter.x, -std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(vertices[1].miter.y, std::sqrt(0.5), 1e-12);
    ASSERT_EQ(vertices[1].params.size(), 2u);
    EXPECT_NEAR(vertices[1].params[0][0], 1.0 / std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(vertices[1].params[1][0], -1.0 / std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(vertices[0].params[0][0], 1.0, 1e-12);
    twin->close();
}

// The handle a group of a record gives (hexadecimal), 0 when the record lacks the group.
std::uint64_t HandleIn(const std::string& record, const std::string& group) {
    const size_t at = record.find("\n" + group + "\n");
    return at == std::string::npos ? 0 : std::stoull(record.substr(at + group.size() + 2), nullptr, 16);
}

// The record of a file's text that starts with the type and carries that handle (5 group).
std::string RecordOf(const std::string& text, const char* type, std::uint64_t handle) {
    char head[64];
    std::snprintf(head, sizeof(head), "\n%s\n  5\n%llX\n", type, static_cast<unsigned long long>(handle));
    const size_t at = text.find(head);
    return at == std::string::npos ? std::string() : text.substr(at, text.find("  0\n", at + 1) - at);
}

TEST_F(DxfMline, AMultilineAppendedWithoutAStyleDrawsByAStyleTheFileHolds) {
    // No style set before the append: the multiline takes "Standard", which the database did not have yet.
    auto* mline = new AcDbMline;
    mline->appendSeg(AcGePoint3d(0, 0, 0));
    mline->appendSeg(AcGePoint3d(4, 0, 0));
    mline->appendSeg(AcGePoint3d(4, 4, 0));
    Post(mline);

    const std::string text = platform::WriteDxf(db.get());
    const std::string record = MlineRecord(text);
    ASSERT_FALSE(record.empty());
    // The style the multiline names is a multiline style the file writes, found from the named-object
    // dictionary under "ACAD_MLINESTYLE" and there under its name.
    const std::uint64_t styleHandle = HandleIn(record, "340");
    ASSERT_NE(styleHandle, 0u) << record;
    const std::string style = RecordOf(text, "MLINESTYLE", styleHandle);
    ASSERT_FALSE(style.empty()) << text;
    EXPECT_NE(style.find("\n  2\nStandard\n"), std::string::npos) << style;
    EXPECT_NE(style.find("\n 71\n2\n"), std::string::npos) << style;
    const size_t objects = text.find("\nOBJECTS\n");
    ASSERT_NE(objects, std::string::npos);
    const std::string root =
        text.substr(objects, text.find("  0\n", text.find("\nDICTIONARY\n", objects) + 1) - objects);
    const std::uint64_t stylesHandle = HandleIn(root.substr(root.find("\nACAD_MLINESTYLE\n")), "350");
    ASSERT_NE(stylesHandle, 0u) << root;
    const std::string styles = RecordOf(text, "DICTIONARY", stylesHandle);
    ASSERT_NE(styles.find("\nStandard\n"), std::string::npos) << styles;
    EXPECT_EQ(HandleIn(styles.substr(styles.find("\nStandard\n")), "350"), styleHandle);
    // Two elements, at every one of the three vertices.
    EXPECT_NE(record.find("\n 73\n2\n"), std::string::npos) << record;
    size_t elements = 0;
    for (size_t at = record.find("\n 74\n"); at != std::string::npos; at = record.find("\n 74\n", at + 1)) {
        ++elements;
    }
    EXPECT_EQ(elements, 3u * 2u);
}

TEST_F(DxfMline, AMultilineWhoseStyleTheFileLacksDrawsByAStyleTheDatabaseHolds) {
    // The file without its objects: the multiline names the style 18 and "STANDARD", neither there.
    std::string file = kFile;
    const size_t objects = file.find("  0\nSECTION\n  2\nOBJECTS\n");
    ASSERT_NE(objects, std::string::npos);
    file = file.substr(0, objects) + "  0\nEOF\n";
    ASSERT_EQ(platform::ReadDxf(db.get(), file), Acad::eOk) << platform::LastDxfError().message;
    const AcDbObjectId standard = platform::FindMlineStyle(db.get(), u"Standard");
    ASSERT_FALSE(standard.isNull());
    AcDbMline* mline = nullptr;
    ASSERT_EQ(acdbOpenObject(mline, Find(db.get(), 0x2A), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(mline->style(), standard);
    mline->close();
    // Written: the handle the multiline gives is the style's, and the vertices stay as the file gave them
    // (two elements, as the style has).
    const std::string text = platform::WriteDxf(db.get());
    const std::string record = MlineRecord(text);
    EXPECT_EQ(HandleIn(record, "340"), standard.handle().value()) << record;
    EXPECT_FALSE(RecordOf(text, "MLINESTYLE", standard.handle().value()).empty());
    EXPECT_NE(record.find("\n 41\n-28.2842712474619"), std::string::npos) << record;

    // A style of three elements for vertices of two: the elements run as the style says, three at every
    // vertex; the first vertex's miter (-1, 1) / sqrt 2 is square to the segment (1, 0) at 45 degrees, so an
    // element at offset 1 (top justification: the top one on the reference line) lies sqrt 2 along it.
    std::string three = kFile;
    const std::string count = " 71\n2\n 49\n0.5\n";
    const size_t at = three.find(count);
    ASSERT_NE(at, std::string::npos);
    three.replace(at, count.size(), " 71\n3\n 49\n1.0\n 62\n256\n  6\nBYLAYER\n 49\n0.5\n");
    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(platform::ReadDxf(reopened.get(), three), Acad::eOk) << platform::LastDxfError().message;
    AcDbMline* wide = nullptr;
    ASSERT_EQ(acdbOpenObject(wide, Find(reopened.get(), 0x2A), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(wide->style(), Find(reopened.get(), 0x18));
    EXPECT_EQ(wide->tarnElementCount(), 3);
    const std::vector<AcDbMline::FileVertex> vertices = wide->tarnFileVertices();
    ASSERT_EQ(vertices.size(), 4u);
    for (const AcDbMline::FileVertex& v : vertices) {
        EXPECT_EQ(v.params.size(), 3u);
    }
    // Offsets 1, 0.5, -0.5 shifted by -1 (top) and scaled by 20: 0, -10, -30.
    ASSERT_EQ(vertices[0].params.size(), 3u);
    EXPECT_NEAR(vertices[0].params[1][0], -10.0 / std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(vertices[0].params[2][0], -30.0 / std::sqrt(0.5), 1e-9);
    wide->close();
}

}  // namespace
}  // namespace tarntest
