// A saved drawing always opens again: numbers no file can hold are refused where they are set and never
// written, pictures of far-out dimensions stay finite, and what a file gave comes back bit for bit.
#include <cmath>
#include <filesystem>

#include "dxf_fixture.h"
#include "platform/arx/acdb/dxfio.h"

namespace tarntest {
namespace {

using DxfFiniteValues = DxfTest;

const double kNan = std::nan("");
const double kInf = HUGE_VAL;

TEST_F(DxfFiniteValues, NumbersNoFileCanHoldAreRefusedWhereSetAndNeverSaved) {
    auto* line = new AcDbLine(AcGePoint3d(1, 2, 0), AcGePoint3d(3, 4, 0));
    const AcDbObjectId lineId = Post(line);
    ASSERT_EQ(acdbOpenObject(line, lineId, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(line->setStartPoint(AcGePoint3d(kNan, 0, 0)), Acad::eInvalidInput);
    EXPECT_EQ(line->setThickness(kInf), Acad::eInvalidInput);
    EXPECT_EQ(line->startPoint(), AcGePoint3d(1, 2, 0));
    EXPECT_EQ(line->thickness(), 0.0);
    line->close();
    AcDbPolyline pline;
    EXPECT_EQ(pline.addVertexAt(0, AcGePoint2d(0, kInf)), Acad::eInvalidInput);
    EXPECT_EQ(pline.addVertexAt(0, AcGePoint2d(0, 0), kNan), Acad::eInvalidInput);
    EXPECT_EQ(pline.numVerts(), 0u);
    AcDbRasterImage image;
    EXPECT_FALSE(image.setOrientation(AcGePoint3d(kNan, 0, 0), AcGeVector3d(1, 0, 0), AcGeVector3d(0, 1, 0)));
    EXPECT_FALSE(image.setOrientation(AcGePoint3d(0, 0, 0), AcGeVector3d(kInf, 0, 0), AcGeVector3d(0, 1, 0)));
    EXPECT_TRUE(image.setOrientation(AcGePoint3d(0, 0, 0), AcGeVector3d(-2, 0, 0), AcGeVector3d(0, 1, 0)));

    const std::string path = Path("kept.dxf");
    const std::u16string wide = platform::Utf8ToUtf16(path);
    ASSERT_EQ(db->saveAs(wide.c_str()), Acad::eOk);
    const std::string before = ReadText(path);
    // Made past the setters: a constructor takes what it is given.
    const AcDbObjectId endless = Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(5, kInf, 0)));
    EXPECT_EQ(db->saveAs(wide.c_str()), Acad::eInvalidInput);
    const std::string why = platform::LastDxfError().message;
    EXPECT_NE(why.find("handle " + platform::dxf::FormatHandle(endless.handle().value()) + " holds inf"),
              std::string::npos)
        << why;
    EXPECT_EQ(ReadText(path), before);
    for (const auto& entry : std::filesystem::directory_iterator(TempDir())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }
    std::string invalid;
    platform::WriteDxf(db.get(), &invalid);
    EXPECT_NE(invalid, "");
}

// Defining points near the limits of a double: the angle's arc is drawn with its finite radius, or left out
// of the picture when even that overflows; the drawing saves and opens again either way.
TEST_F(DxfFiniteValues, FarOutAngularDimensionsSaveAndOpenAgain) {
    for (const double far : {1e300, 8e307}) {
        Post(new AcDb3PointAngularDimension(AcGePoint3d(-far, -far, 0), AcGePoint3d(far, -far, 0),
                                            AcGePoint3d(-far, far, 0), AcGePoint3d(far, far, 0)));
    }
    SaveAndReopen();
    const std::string text = ReadText(Path("drawing.dxf"));
    EXPECT_EQ(text.find("inf"), std::string::npos);
    EXPECT_EQ(text.find("nan"), std::string::npos);
    // The first picture's arc: its radius is the distance from the centre to the arc point.
    EXPECT_NE(text.find("\n 40\n2.8284271247461903e+300\n"), std::string::npos);
}

// A normal whose length is 1 up to rounding is kept as the file gave it: normalised again it would move by
// one unit in its last place at one save and back at the next.
TEST_F(DxfFiniteValues, ANormalReadFromAFileIsWrittenBackAsRead) {
    Post(new AcDbCircle(AcGePoint3d(1, 2, 3), AcGeVector3d(0.6, 0, 0.8), 4));
    std::string text = platform::WriteDxf(db.get());
    const std::string from = "210\n0.6\n220\n0\n230\n0.8\n";
    // Of length 1 up to rounding, and moved by dividing it by that length.
    const AcGeVector3d expected(-0.74887872006603873, -0.37270518154718824, 0.5479703552931755);
    using platform::dxf::FormatReal;
    const std::string to = "210\n" + FormatReal(expected.x) + "\n220\n" + FormatReal(expected.y) + "\n230\n" +
                           FormatReal(expected.z) + "\n";
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, from.size(), to);
    for (int save = 0; save < 3; ++save) {
        AcDbDatabase read(false, true);
        ASSERT_EQ(platform::ReadDxf(&read, text), Acad::eOk) << platform::LastDxfError().message;
        AcDbBlockTable* table = nullptr;
        ASSERT_EQ(read.getBlockTable(table, AcDb::kForRead), Acad::eOk);
        AcDbBlockTableRecord* model = nullptr;
        ASSERT_EQ(table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead), Acad::eOk);
        table->close();
        ASSERT_EQ(model->tarnEntityIds().size(), 1u);
        AcDbCircle* circle = nullptr;
        ASSERT_EQ(acdbOpenObject(circle, model->tarnEntityIds()[0], AcDb::kForRead), Acad::eOk);
        model->close();
        EXPECT_EQ(circle->normal().x, expected.x) << "save " << save;
        EXPECT_EQ(circle->normal().y, expected.y) << "save " << save;
        EXPECT_EQ(circle->normal().z, expected.z) << "save " << save;
        circle->close();
        text = platform::WriteDxf(&read);
        EXPECT_NE(text.find(to), std::string::npos) << "save " << save;
    }
}

}  // namespace
}  // namespace tarntest
