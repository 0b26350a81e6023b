// Hatch boundaries made of edges, as other programs write them, through a read and a save.
#include <cstdio>

#include "dxf_fixture.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/aced/acedcmdline.h"

namespace tarntest {
namespace {

using DxfHatchEdges = DxfTest;

// Groups written "code value|code value|...", one file line each.
std::string Groups(const std::string& compact) {
    std::string text;
    size_t at = 0;
    while (at < compact.size()) {
        size_t end = compact.find('|', at);
        end = end == std::string::npos ? compact.size() : end;
        const size_t blank = compact.find(' ', at);
        text += compact.substr(at, blank - at) + "\n" + compact.substr(blank + 1, end - blank - 1) + "\n";
        at = end + 1;
    }
    return text;
}

std::string Drawing(const std::string& entities) {
    return Groups("0 SECTION|2 ENTITIES|" + entities + "|0 ENDSEC|0 EOF");
}

AcDbHatch* OpenHatch(AcDbDatabase* db, Adesk::UInt64 handle) {
    AcDbObjectId id;
    AcDbHatch* hatch = nullptr;
    if (db->getAcDbObjectId(id, false, AcDbHandle(handle)) == Acad::eOk) {
        acdbOpenObject(hatch, id, AcDb::kForRead);
    }
    return hatch;
}

// Each loop's edges as "type:start>end" (points rounded to 1e-9), and the middle point of arcs and ellipses.
std::string Edges(const AcDbHatch* hatch) {
    std::string out;
    auto point = [](const AcGePoint2d& p) {
        char text[64];
        std::snprintf(text, sizeof(text), "(%.9g,%.9g)", p.x + 0.0, p.y + 0.0);
        return std::string(text);
    };
    for (int i = 0; i < hatch->numLoops(); ++i) {
        Adesk::Int32 type = 0;
        AcGeVoidPointerArray edges;
        AcGeIntArray kinds;
        EXPECT_EQ(hatch->getLoopAt(i, type, edges, kinds), Acad::eOk);
        out += "[" + std::to_string(type) + "]";
        for (int e = 0; e < edges.length(); ++e) {
            const auto* curve = static_cast<const AcGeCurve2d*>(edges[e]);
            AcGePoint2d a, b;
            curve->hasStartPoint(a);
            curve->hasEndPoint(b);
            out += " " + std::to_string(kinds[e]) + ":" + point(a) + ">" + point(b);
            if (kinds[e] == 2 || kinds[e] == 3) {
                AcGeInterval range;
                curve->getInterval(range);
                out += "~" + point(curve->evalPoint((range.lowerBound() + range.upperBound()) / 2));
            }
        }
    }
    return out;
}

TEST_F(DxfHatchEdges, EdgeLoopsAreKeptInTheFilesOrderAndDirectionAndWrittenBack) {
    // An outer loop of lines and a clockwise arc; a hole of a clockwise elliptical arc and a spline with fit
    // data as the last edge (its 97 counts fit points, the next one sources); a hole of a spline whose fit
    // count is 0, a line and a spline written without fit count, last. The hatch is associative: each loop
    // names a boundary line.
    const std::string text = Drawing(
        "0 LINE|5 2A|8 0|10 0|20 0|11 1|21 0|0 LINE|5 2B|8 0|10 0|20 1|11 1|21 1|"
        "0 HATCH|5 40|100 AcDbEntity|8 0|100 AcDbHatch|10 0|20 0|30 0|2 SOLID|70 1|71 1|91 3|"
        "92 1|93 4|72 1|10 0|20 0|11 0|21 10|72 1|10 0|20 10|11 10|21 10|"
        "72 2|10 10|20 5|40 5|50 270|51 90|73 0|72 1|10 10|20 0|11 0|21 0|97 1|330 2B|"
        "92 16|93 2|72 3|10 4.5|20 5|11 2.5|21 0|40 0.4|50 0|51 180|73 0|"
        "72 4|94 3|73 0|74 0|95 8|96 4|40 0|40 0|40 0|40 0|40 1|40 1|40 1|40 1|"
        "10 2|20 5|10 3|20 7|10 6|20 7|10 7|20 5|97 2|11 2|21 5|11 7|21 5|12 1|22 1|13 1|23 -1|97 1|330 2A|"
        "92 16|93 3|72 4|94 3|73 0|74 0|95 8|96 4|40 0|40 0|40 0|40 0|40 1|40 1|40 1|40 1|"
        "10 20|20 0|10 22|20 5|10 28|20 5|10 30|20 0|97 0|72 1|10 30|20 0|11 25|21 -1|"
        "72 4|94 1|73 0|74 0|95 4|96 2|40 0|40 0|40 1|40 1|10 25|20 -1|10 20|20 0|97 1|330 2A|"
        "75 0|76 1|98 0");
    platform::CommandLineTranscript().clear();
    ASSERT_EQ(platform::ReadDxf(db.get(), text), Acad::eOk) << platform::LastDxfError().message;
    EXPECT_EQ(platform::CommandLineUtf8().find("Skipped"), std::string::npos) << platform::CommandLineUtf8();

    AcDbHatch* hatch = OpenHatch(db.get(), 0x40);
    ASSERT_NE(hatch, nullptr);
    const std::string edges = Edges(hatch);
    EXPECT_EQ(edges,
              "[1] 1:(0,0)>(0,10) 1:(0,10)>(10,10) 2:(10,10)>(10,0)~(15,5) 1:(10,0)>(0,0)"
              "[16] 3:(7,5)>(2,5)~(4.5,4) 4:(2,5)>(7,5)"
              "[16] 4:(20,0)>(30,0) 1:(30,0)>(25,-1) 4:(25,-1)>(20,0)");
    EXPECT_TRUE(hatch->associative());
    AcDbObjectIdArray sources;
    hatch->getAssocObjIds(sources);
    EXPECT_EQ(sources.length(), 3);
    ASSERT_EQ(hatch->tarnLoopAt(1)->fits.size(), 2u);
    EXPECT_EQ(hatch->tarnLoopAt(1)->fits[1].points.length(), 2);
    hatch->close();

    // The saved file reads back to the same loops, and saves to the same text again.
    SaveAndReopen();
    AcDbHatch* again = OpenHatch(reopened.get(), 0x40);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Edges(again), edges);
    EXPECT_TRUE(again->associative());
    EXPECT_EQ(again->tarnLoopAt(1)->fits[1].endTangent, AcGeVector2d(1, -1));
    again->close();
    EXPECT_EQ(platform::WriteDxf(reopened.get()), platform::WriteDxf(db.get()));
}

TEST_F(DxfHatchEdges, LoopsThatCannotBeReadAreLeftOutAndSaid) {
    // Between two sound loops: an arc of radius 0, an edge of an unknown kind, a rational spline without
    // its weights and a loop claiming more edges than it has.
    const std::string square =
        "92 1|93 4|72 1|10 0|20 0|11 9|21 0|72 1|10 9|20 0|11 9|21 9|"
        "72 1|10 9|20 9|11 0|21 9|72 1|10 0|20 9|11 0|21 0|97 0|";
    const std::string text = Drawing(
        "0 HATCH|5 40|100 AcDbEntity|8 0|100 AcDbHatch|10 0|20 0|30 0|2 SOLID|70 1|71 0|91 6|" + square +
        "92 16|93 2|72 2|10 1|20 1|40 0|50 0|51 180|73 1|72 1|10 0|20 1|11 2|21 1|97 0|"
        "92 16|93 1|72 9|10 1|20 1|97 0|"
        "92 16|93 1|72 4|94 1|73 1|74 0|95 4|96 2|40 0|40 0|40 1|40 1|10 1|20 1|10 2|20 2|97 0|"
        "92 16|93 3|72 1|10 5|20 5|11 6|21 5|97 0|" +
        "92 3|72 0|73 1|93 3|10 2|20 2|10 4|20 2|10 3|20 4|97 0|75 0|76 1|98 0");
    platform::CommandLineTranscript().clear();
    ASSERT_EQ(platform::ReadDxf(db.get(), text), Acad::eOk) << platform::LastDxfError().message;
    EXPECT_NE(platform::CommandLineUtf8().find("Skipped 4 hatch boundaries that could not be read."),
              std::string::npos)
        << platform::CommandLineUtf8();
    AcDbHatch* hatch = OpenHatch(db.get(), 0x40);
    ASSERT_NE(hatch, nullptr);
    ASSERT_EQ(hatch->numLoops(), 2);
    EXPECT_EQ(hatch->loopTypeAt(0), AcDbHatch::kExternal);
    EXPECT_EQ(hatch->loopTypeAt(1), AcDbHatch::kExternal | AcDbHatch::kPolyline);
    double area = 0.0;
    EXPECT_EQ(hatch->getArea(area), Acad::eOk);
    EXPECT_NEAR(area, 81.0 - 2.0, 1e-9);
    hatch->close();
}

}  // namespace
}  // namespace tarntest
