// The builders of received map objects: label sizes and text kinds, every track kind, shapes with rings,
// multi-part objects; each object parsed from the bytes the map application sends.
#include "plugin/exchange/EntityBuilders.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"
#include "receive_fixture.h"

namespace {

using mapsim::SamplePoint;
using receivetest::ReceiveTest;

class BuilderTest : public ReceiveTest {
protected:
    void SetUp() override {
        ReceiveTest::SetUp();
        ASSERT_EQ(acDocManager->lockDocument(doc), Acad::eOk);
    }
    void TearDown() override {
        acDocManager->unlockDocument(doc);
        ReceiveTest::TearDown();
    }

    AcDbObjectId Mark(const mapsim::SampleMark& sample, MapMarkObj** keep = nullptr) {
        const mapsim::Bytes bytes = mapsim::MakeMarkRecord(sample);
        MapMarkObj* marker = MapApiParseMarker(&g_MapApiLink, bytes.data(), DWORD(bytes.size()));
        EXPECT_NE(marker, nullptr);
        const AcDbObjectId id = CreateSignEntities(marker, u"", false);
        if (keep != nullptr) {
            *keep = marker;
        } else {
            MapApiFreeObj(&g_MapApiLink, marker, kMapTypeMark);
        }
        return id;
    }
    AcDbObjectId TrackOf(uint8_t kind, std::vector<SamplePoint> points, uint32_t width = 3,
                         CBuildKind* built = nullptr, uint32_t mapId = 77) {
        const mapsim::Bytes bytes = receivetest::Track(kind, std::move(points), width);
        MapTrackObj* track = MapApiParseTrack(&g_MapApiLink, bytes.data(), DWORD(bytes.size()));
        EXPECT_NE(track, nullptr);
        const AcDbObjectId id = CreateTrackEntities(track, u"", mapId, built);
        MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
        return id;
    }
    AcDbObjectId ShapeOf(const mapsim::SampleShape& sample) {
        const mapsim::Bytes bytes = mapsim::MakeShapeRecord(sample);
        MapShapeObj* shape = MapApiParseShape(&g_MapApiLink, bytes.data(), DWORD(bytes.size()));
        EXPECT_NE(shape, nullptr);
        const AcDbObjectId id = CreateShapeEntities(shape, u"");
        MapApiFreeObj(&g_MapApiLink, shape, kMapTypeShape);
        return id;
    }
    template <class T>
    T* Open(AcDbObjectId id) {
        T* entity = nullptr;
        EXPECT_EQ(acdbOpenObject(entity, id, AcDb::kForRead), Acad::eOk);
        return entity;
    }
};

mapsim::SampleMark LabelSample(const std::string& name, uint8_t level, uint32_t size, float rotation = 0) {
    mapsim::SampleMark mark;
    mark.name = name;
    mark.style = 3;
    mark.labelLevel = level;
    mark.fontSize = size;
    mark.rotation = rotation;
    mark.x = 10;
    mark.y = 20;
    return mark;
}

TEST_F(BuilderTest, LabelsTakeTheirSizeFromTheLevelAndTheirKindFromTheLineBreaks) {
    g_Settings.m_nTextLevel = 18;
    MapMarkObj* marker = nullptr;
    AcDbText* text = Open<AcDbText>(Mark(LabelSample("a", 0, 0), &marker));
    ASSERT_NE(text, nullptr);
    EXPECT_DOUBLE_EQ(text->height(), 2.5 * 14 / 22 * 4);
    EXPECT_EQ(text->position(), AcGePoint3d(10, 20, 0));
    text->close();
    EXPECT_EQ(marker->m_nFontSize, 14u);  // written back into the marker
    EXPECT_EQ(marker->m_byLabelLevel, 18);
    MapApiFreeObj(&g_MapApiLink, marker, kMapTypeMark);

    text = Open<AcDbText>(Mark(LabelSample("b", 22, 22, 90)));
    ASSERT_NE(text, nullptr);
    EXPECT_DOUBLE_EQ(text->height(), 0.625);
    EXPECT_EQ(text->rotation(), 1.5707963705062866);
    text->close();

    AcDbMText* mtext = Open<AcDbMText>(Mark(LabelSample("a\r\nb", 20, 22)));
    ASSERT_NE(mtext, nullptr);
    EXPECT_EQ(std::u16string(mtext->contents().kACharPtr()), u"a\\Pb");
    EXPECT_DOUBLE_EQ(mtext->textHeight(), 2.5);
    mtext->close();
    text = Open<AcDbText>(Mark(LabelSample("\r\nb", 20, 22)));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text->textStringConst()), u"\r\nb");
    text->close();

    // No level anywhere: nothing.
    g_Settings.m_nTextLevel = 0;
    EXPECT_TRUE(Mark(LabelSample("c", 0, 22)).isNull());

    // A point marker without an icon number stays a point even when points show as icons.
    g_Settings.m_bPointAsIcon = 1;
    mapsim::SampleMark point;
    point.name = "p";
    point.x = 3;
    point.y = 4;
    point.height = 2;
    AcDbPoint* p = Open<AcDbPoint>(Mark(point));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->position(), AcGePoint3d(3, 4, 2));
    p->close();
}

TEST_F(BuilderTest, TrackKindsBecomeTheirEntities) {
    // Heights and no bulge: a 3D polyline; one bulge: a lightweight polyline keeping it.
    AcDbEntity* entity = Open<AcDbEntity>(TrackOf(5, {{0, 0, 0}, {10, 0, 3}, {20, 5, 5}}));
    ASSERT_NE(entity, nullptr);
    EXPECT_NE(AcDb3dPolyline::cast(entity), nullptr);
    entity->close();
    AcDbPolyline* poly = Open<AcDbPolyline>(TrackOf(5, {{0, 0, 0}, {10, 0, 3, 0.5}, {20, 5, 5}}));
    ASSERT_NE(poly, nullptr);
    double bulge = 0, width = -1;
    poly->getBulgeAt(1, bulge);
    EXPECT_EQ(bulge, 0.5);
    EXPECT_NE(poly->getConstantWidth(width) == Acad::eOk && width > 0, true);
    poly->close();
    // Any other kind gets the width in whole hundredths.
    poly = Open<AcDbPolyline>(TrackOf(1, {{0, 0}, {10, 0}}, 350));
    ASSERT_NE(poly, nullptr);
    ASSERT_EQ(poly->getConstantWidth(width), Acad::eOk);
    EXPECT_EQ(width, 3.0);
    poly->close();

    // Circle and arc from a centre and a point, the angles in the bulges.
    AcDbCircle* circle = Open<AcDbCircle>(TrackOf(7, {{5, 5, 0, 0}, {8, 9, 0, 360}}));
    ASSERT_NE(circle, nullptr);
    EXPECT_DOUBLE_EQ(circle->radius(), 5);
    circle->close();
    AcDbArc* arc = Open<AcDbArc>(TrackOf(7, {{5, 5, 0, 30}, {8, 9, 0, 120}}));
    ASSERT_NE(arc, nullptr);
    EXPECT_NEAR(arc->startAngle(), 30 * 3.1415927410125732 / 180, 1e-12);
    EXPECT_NEAR(arc->endAngle(), 120 * 3.1415927410125732 / 180, 1e-12);
    arc->close();
    // Three clockwise points: the arc runs from the third, counter-clockwise.
    arc = Open<AcDbArc>(TrackOf(7, {{-10, 0}, {0, 10}, {10, 0}}));
    ASSERT_NE(arc, nullptr);
    AcGePoint3d start;
    arc->getStartPoint(start);
    EXPECT_NEAR(start.x, 10, 1e-9);
    EXPECT_NEAR(arc->radius(), 10, 1e-9);
    arc->close();
    // On one line there is no arc: a polyline through them. Four points: nothing.
    poly = Open<AcDbPolyline>(TrackOf(7, {{0, 0}, {5, 5}, {10, 10}}));
    ASSERT_NE(poly, nullptr);
    EXPECT_EQ(poly->numVerts(), 3u);
    poly->close();
    EXPECT_TRUE(TrackOf(7, {{0, 0}, {5, 5}, {10, 0}, {1, 1}}).isNull());

    // An ellipse whose second axis is longer, its first on the negative X axis: the axes swap and the angles
    // turn back with them.
    AcDbEllipse* ellipse = Open<AcDbEllipse>(TrackOf(9, {{0, 0, 0, 0}, {-20, 0, 0, 90}, {0, 40}}));
    ASSERT_NE(ellipse, nullptr);
    EXPECT_NEAR(ellipse->majorAxis().x, 0, 1e-9);
    EXPECT_NEAR(ellipse->majorAxis().y, 40, 1e-9);
    EXPECT_NEAR(ellipse->radiusRatio(), 0.5, 1e-12);
    ellipse->close();
    // A full ellipse as the send road writes it, nearly 360.
    ellipse = Open<AcDbEllipse>(TrackOf(9, {{0, 0, 0, 0}, {20, 0, 0, 359.99998998}, {0, 10}}));
    ASSERT_NE(ellipse, nullptr);
    EXPECT_DOUBLE_EQ(ellipse->endAngle() - ellipse->startAngle(), 6.283185307179586);
    ellipse->close();
    entity = Open<AcDbEntity>(TrackOf(10, {{0, 0}, {10, 10}, {20, -5}, {30, 0}, {40, 8}}));
    ASSERT_NE(entity, nullptr);
    EXPECT_NE(AcDbSpline::cast(entity), nullptr);
    entity->close();
}

TEST_F(BuilderTest, TracksOfSeveralPartsAndPointSetsAreBoundAsGroups) {
    CBuildKind built{};
    const int before = Ids().length();
    EXPECT_TRUE(TrackOf(5, {{0, 0}, {1, 0}, {2, 1}, {3, 3, 0x10000}, {4, 4}}, 3, &built, 90).isNull());
    EXPECT_EQ(built, CBuildKind::kTrackGroup);
    EXPECT_EQ(Ids().length(), before + 2);
    ASSERT_NE(state->m_trackGroups.Find(90), nullptr);
    EXPECT_EQ(state->m_trackGroups.Find(90)->m_keys.size(), 2u);
    EXPECT_EQ(state->m_trackGroups.Find(90)->m_record->m_mapId, 90u);
    // Built again: the former members go.
    TrackOf(5, {{0, 0}, {1, 0}, {2, 1}, {3, 3, 0x10000}, {4, 4}}, 3, &built, 90);
    EXPECT_EQ(Ids().length(), before + 2);
    // A part of one point builds nothing; the rest stands.
    TrackOf(5, {{0, 0}, {1, 0}, {3, 3, 0x10000}}, 3, &built, 91);
    EXPECT_EQ(state->m_trackGroups.Find(91)->m_keys.size(), 1u);

    EXPECT_TRUE(TrackOf(6, {{0, 0}, {1, 1}, {2, 2}}, 3, &built, 92).isNull());
    EXPECT_EQ(built, CBuildKind::kPointGroup);
    ASSERT_NE(state->m_pointGroups.Find(92), nullptr);
    for (uint64_t key : state->m_pointGroups.Find(92)->m_keys) {
        ASSERT_NE(state->m_bindings.FindBinding(key), nullptr);
        EXPECT_EQ(state->m_bindings.FindBinding(key)->m_groupMember, 1);
        EXPECT_EQ(state->m_bindings.FindBinding(key)->m_mapId, 92u);
    }
}

TEST_F(BuilderTest, ShapesBecomeSolidHatchesOverTheirOutlines) {
    const auto loops = [&](AcDbObjectId id) {
        AcDbHatch* hatch = Open<AcDbHatch>(id);
        const int n = hatch != nullptr ? hatch->numLoops() : -1;
        if (hatch != nullptr) {
            hatch->close();
        }
        return n;
    };
    mapsim::SampleShape shape;
    shape.points = {{0, 10}, {10, 0}};
    shape.endAngle = 360;
    const int before = Ids().length();
    const AcDbObjectId disc = ShapeOf(shape);
    EXPECT_EQ(loops(disc), 1);
    EXPECT_EQ(Ids().length(), before + 1);  // the outline is gone once the hatch stands
    shape.points = {{0, 0}, {10, 10}};
    EXPECT_EQ(loops(ShapeOf(shape)), 1);
    shape.endAngle = 90;  // a sector: the arc and its closing polyline
    EXPECT_EQ(loops(ShapeOf(shape)), 1);
    shape.endAngle = 0;
    EXPECT_EQ(loops(ShapeOf(shape)), 1);

    shape.points = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const AcDbObjectId square = ShapeOf(shape);
    AcDbHatch* hatch = Open<AcDbHatch>(square);
    ASSERT_NE(hatch, nullptr);
    Adesk::Int32 type = 0;
    AcGePoint2dArray vertices;
    AcGeDoubleArray bulges;
    ASSERT_EQ(hatch->getLoopAt(0, type, vertices, bulges), Acad::eOk);
    EXPECT_EQ(vertices.length(), 5);  // the closing point appended
    hatch->close();

    shape.points = {{0, 0}, {40, 0}, {40, 40}, {0, 40}, {10, 10, 0x10000}, {20, 10}, {20, 20}, {10, 20}};
    shape.outerRings = 1;
    EXPECT_EQ(loops(ShapeOf(shape)), 2);
    shape.outerRings = 9;  // more outer rings claimed than there are
    EXPECT_EQ(loops(ShapeOf(shape)), 2);

    const int count = Ids().length();
    shape.points = {{0, 0}};
    EXPECT_TRUE(ShapeOf(shape).isNull());
    shape.points = {{0, 0}, {0, 10}};  // no width: no rectangle
    EXPECT_TRUE(ShapeOf(shape).isNull());
    EXPECT_EQ(Ids().length(), count);
}

TEST_F(BuilderTest, MultiPartObjectsBecomeOneOpenPolyline) {
    mapsim::SampleMulti sample;
    sample.parts = {{{0, 0}, {1, 0}, {1, 1}}, {{5, 5}, {6, 5}, {6, 6}, {7, 7}}};
    const mapsim::Bytes bytes = mapsim::MakeMultiRecord(sample);
    MapMultiObj* multi = MapApiParseMulti(&g_MapApiLink, bytes.data(), DWORD(bytes.size()));
    ASSERT_NE(multi, nullptr);
    AcDbPolyline* poly = Open<AcDbPolyline>(CreateMultiPartEntity(multi, u""));
    ASSERT_NE(poly, nullptr);
    EXPECT_EQ(poly->numVerts(), 7u);
    EXPECT_FALSE(poly->isClosed());
    AcGePoint2d fourth;
    poly->getPointAt(3, fourth);
    EXPECT_EQ(fourth, AcGePoint2d(5, 5));
    poly->close();
    MapApiFreeObj(&g_MapApiLink, multi, kMapTypeMulti);
}

TEST(IsClockwise, CountsTheTurnsOfThePoints) {
    const std::vector<AcGePoint2d> ccw = {{0, 0}, {10, 0}, {10, 10}};
    const std::vector<AcGePoint2d> cw = {{0, 0}, {10, 10}, {10, 0}};
    EXPECT_EQ(IsClockwise(ccw, true), -1);
    EXPECT_EQ(IsClockwise(cw, true), 1);
    EXPECT_EQ(IsClockwise(ccw, false), 1);  // Y mirrored
    EXPECT_EQ(IsClockwise({{0, 0}, {5, 5}, {10, 10}}, true), 0);
}

TEST(LabelHeight, IsNominalAtLevelTwentyAndDoublesPerLevelBelow) {
    EXPECT_DOUBLE_EQ(LabelHeight(22, 20), 2.5);
    EXPECT_DOUBLE_EQ(LabelHeight(22, 19), 5.0);
    EXPECT_DOUBLE_EQ(LabelHeight(22, 22), 0.625);
    EXPECT_DOUBLE_EQ(LabelHeight(14, 18), 2.5 * 14 / 22 * 4);
}

}  // namespace
