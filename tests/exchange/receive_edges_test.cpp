// The receive road at its edges: keys that name no single entity, map ids that name no object, parts of
// exploded entities, the view's window around what came, and what the builders make of odd records.
#include <cmath>

#include "link_fixture.h"
#include "plugin/exchange/EntityBuilders.h"
#include "plugin/exchange/SendRoad.h"
#include "plugin/maplink/mapobj.h"
#include "plugin/res/dlg_msg.h"
#include "receive_fixture.h"

namespace {

using mapsim::kTypeFolder;
using mapsim::kTypeMark;
using mapsim::SamplePoint;
using receivetest::Label;
using receivetest::ReceiveTest;
using receivetest::Record;

AcGePoint2d ViewCentre() {
    resbuf rb{};
    acedGetVar(u"VIEWCTR", &rb);
    return AcGePoint2d(rb.resval.rpoint[0], rb.resval.rpoint[1]);
}

double ViewSize() {
    resbuf rb{};
    acedGetVar(u"VIEWSIZE", &rb);
    return rb.resval.rreal;
}

AcGePoint2d ScreenSize() {
    resbuf rb{};
    acedGetVar(u"SCREENSIZE", &rb);
    return AcGePoint2d(rb.resval.rpoint[0], rb.resval.rpoint[1]);
}

mapsim::Bytes PointAt(double x, double y) {
    mapsim::SampleMark mark;
    mark.name = "p";
    mark.style = 1;  // a point: the view centres on it exactly
    mark.x = x;
    mark.y = y;
    return mapsim::MakeMarkRecord(mark);
}

TEST_F(ReceiveTest, TheSharedKeyOfLargeHandlesErasesNothingAndMapIdZeroIsNeverBound) {
    // An object without a map id is built but bound to nothing.
    const int before = Ids().length();
    mapsim::Packet loose;
    loose.records.push_back(Record(kTypeMark, 0, 0, Label("loose")));
    ReceivePacket(loose);
    ASSERT_EQ(Ids().length(), before + 1);
    const AcDbObjectId built = Ids()[before];
    EXPECT_EQ(state->m_bindings.FindBinding(HandleToUInt32(built.handle())), nullptr);
    uint64_t key = 0;
    EXPECT_FALSE(state->m_mapIds.Get(0, key));

    // A send answer that gives map id 0 binds nothing either.
    const uint64_t line = linktest::AddLine(doc, 40.0);
    mapsim::Bytes answer(64, 0);
    const int32_t size = 0;
    const DWORD type = 8;
    const DWORD zero = 0;
    const int64_t sentKey = HandleToUInt32(AcDbHandle(line));
    std::memcpy(answer.data(), &size, 4);
    std::memcpy(answer.data() + 4, &type, 4);
    std::memcpy(answer.data() + 8, &zero, 4);
    std::memcpy(answer.data() + 16, &sentKey, 8);
    map.ReplaceNextAnswer(20112, answer);
    AcDbObjectIdArray ids;
    ids.append(linktest::IdOf(doc, line));
    EXPECT_TRUE(SendEntityArray(ids));
    EXPECT_FALSE(state->m_mapIds.Get(0, key));
    const CBindingRecord* binding = state->m_bindings.FindBinding(static_cast<uint64_t>(sentKey));
    EXPECT_TRUE(binding == nullptr || binding->m_mapId == 0);

    // An entity the user drew holds the handle 0xFFFFFFFF; every entity after it has a handle above 32 bits
    // and shares that key.
    ASSERT_EQ(platform::SetHandseed(doc->database(), AcDbHandle(0xFFFFFFFFull)), Acad::eOk);
    const uint64_t drawn = linktest::AddLine(doc, 5.0);
    ASSERT_EQ(drawn, 0xFFFFFFFFull);
    const AcDbObjectId drawnId = linktest::IdOf(doc, drawn);
    state->m_mapIds.Set(500, 0xFFFFFFFF);  // a received object came back as an entity past 32 bits
    mapsim::Packet packet;
    packet.records.push_back(Record(kTypeMark, 500, 0, Label("updated")));
    ReceivePacket(packet);
    ReceivePacket(packet);
    EXPECT_FALSE(drawnId.isErased());
    EXPECT_EQ(Classes()["AcDbLine"], 2);
}

TEST_F(ReceiveTest, PartsOfAnExplodedFolderWithoutAParentArePassedOverWithIt) {
    const uint32_t block = 710;
    state->m_mapIds.Set(block, 0x2B);
    mapsim::Packet packet;
    packet.records.push_back(Record(kTypeFolder, block, 0, mapsim::MakeExplodedFolderRecord("块", 2)));
    packet.records.push_back(Record(kTypeMark, 711, 0, Label("part without parent")));
    packet.records.push_back(Record(kTypeMark, 712, block, Label("part")));
    packet.records.push_back(Record(kTypeMark, 713, 0, Label("after")));
    user.ExpectDialog(IDD_DLG_MSG, [&](platform::UiDialog& dialog) { dialog.Click(IDOK); });
    ReceivePacket(packet);
    EXPECT_EQ(Ids().length(), 1);
    EXPECT_TRUE(Bound(711).isNull());
    EXPECT_FALSE(Bound(713).isNull());
}

TEST_F(ReceiveTest, TheViewShowsAScreenAtTheLevelsResolutionAroundWhatCame) {
    g_Settings.m_nViewFollowMode = 2;
    const double rx = 0.75, ry = 0.5;
    map.SetResolutions({});
    for (int level = 1; level <= kMaxTileLevel; ++level) {
        BaseMap().SetResolution(level, rx, ry);
    }
    const AcGePoint2d screen = ScreenSize();
    ASSERT_GT(screen.x, 0);
    mapsim::Packet packet;
    packet.records.push_back(Record(kTypeMark, 400, 0, PointAt(5000, 3000)));
    ReceivePacket(packet);
    EXPECT_NEAR(ViewCentre().x, 5000, 1e-6);
    EXPECT_NEAR(ViewCentre().y, 3000, 1e-6);
    // A window of screen.x * rx by screen.y * ry, fitted to the screen's shape.
    const double expected = std::max(screen.y * ry, screen.x * rx * screen.y / screen.x);
    EXPECT_NEAR(ViewSize(), expected, 1e-9 * expected);

    // Only when both coordinates are within 2 of the origin is there no position.
    packet.records[0].payload = PointAt(1.5, 300);
    ReceivePacket(packet);
    EXPECT_NEAR(ViewCentre().x, 1.5, 1e-6);
    EXPECT_NEAR(ViewCentre().y, 300, 1e-6);
    packet.records[0].payload = PointAt(-400, -1.9);
    ReceivePacket(packet);
    EXPECT_NEAR(ViewCentre().x, -400, 1e-6);
    EXPECT_NEAR(ViewCentre().y, -1.9, 1e-6);
    packet.records[0].payload = PointAt(-2.0, 2.0);  // on the edge: still none
    ReceivePacket(packet);
    EXPECT_NEAR(ViewCentre().x, -400, 1e-6);
}

class BuilderEdgeTest : public ReceiveTest {
protected:
    void SetUp() override {
        ReceiveTest::SetUp();
        ASSERT_EQ(acDocManager->lockDocument(doc), Acad::eOk);
    }
    void TearDown() override {
        acDocManager->unlockDocument(doc);
        ReceiveTest::TearDown();
    }
    AcDbObjectId MarkOf(const mapsim::SampleMark& sample) {
        const mapsim::Bytes bytes = mapsim::MakeMarkRecord(sample);
        MapMarkObj* marker = MapApiParseMarker(&g_MapApiLink, bytes.data(), DWORD(bytes.size()));
        EXPECT_NE(marker, nullptr);
        const AcDbObjectId id = CreateSignEntities(marker, u"", false);
        MapApiFreeObj(&g_MapApiLink, marker, kMapTypeMark);
        return id;
    }
    AcDbObjectId TrackOf(const mapsim::SampleTrack& sample) {
        const mapsim::Bytes bytes = mapsim::MakeTrackRecord(sample);
        MapTrackObj* track = MapApiParseTrack(&g_MapApiLink, bytes.data(), DWORD(bytes.size()));
        EXPECT_NE(track, nullptr);
        const AcDbObjectId id = CreateTrackEntities(track, u"", 77, nullptr);
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
    static int Alpha(AcDbObjectId id) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
            return -1;
        }
        const int alpha = entity->transparency().alpha();
        entity->close();
        return alpha;
    }
    // The class names of the entities added since the count was taken.
    std::vector<std::string> Since(int count) const {
        std::vector<std::string> names;
        const AcDbObjectIdArray ids = Ids();
        for (int i = count; i < ids.length(); ++i) {
            AcDbEntity* entity = nullptr;
            if (acdbOpenObject(entity, ids[i], AcDb::kForRead) == Acad::eOk) {
                names.push_back(platform::Utf16ToUtf8(entity->isA()->name()));
                entity->close();
            }
        }
        return names;
    }
};

// The alpha of an opacity percent: trunc(254 * p / 100 + 0.5).
int AlphaOf(int percent) {
    return static_cast<int>(std::trunc(254.0 * percent / 100.0 + 0.5));
}

TEST_F(BuilderEdgeTest, AnEllipseWhoseSecondAxisIsLongerKeepsItsArcWhereverItsFirstAxisPoints) {
    // The map's angles are directions measured from the first axis v towards the second w (v turned a quarter
    // to the left, here twice as long): the arc ends where those rays meet the ellipse.
    struct Case {
        double vx, vy;
        double start, end;  // degrees
    };
    const Case cases[] = {{-20, 0, 0, 90},    {0, -20, 30, 200}, {20, 10, 10, 100},
                          {-20, 10, 45, 300}, {15, -5, 0, 180},  {0, 20, 270, 350}};
    const AcGePoint3d c(100, 200, 0);
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.vx << "," << k.vy);
        const AcGeVector3d v(k.vx, k.vy, 0);
        const AcGeVector3d w = AcGeVector3d(-k.vy, k.vx, 0) * 2.0;  // twice as long as v
        const auto mapPoint = [&](double degrees) {
            const double a = degrees * 3.14159265358979 / 180.0;
            const double r = 1.0 / std::hypot(std::cos(a) / v.length(), std::sin(a) / w.length());
            return c + (v.normal() * std::cos(a) + w.normal() * std::sin(a)) * r;
        };
        mapsim::SampleTrack track;
        track.kind = 9;
        track.points = {{c.x, c.y, 0, k.start}, {c.x + v.x, c.y + v.y, 0, k.end}, {c.x + w.x, c.y + w.y}};
        AcDbEllipse* ellipse = nullptr;
        ASSERT_EQ(acdbOpenObject(ellipse, TrackOf(track), AcDb::kForRead), Acad::eOk);
        AcGePoint3d s, e;
        ellipse->getStartPoint(s);
        ellipse->getEndPoint(e);
        EXPECT_NEAR(ellipse->majorAxis().length(), w.length(), 1e-9);
        ellipse->close();
        EXPECT_NEAR(s.distanceTo(mapPoint(k.start)), 0.0, 1e-4) << s.x << " " << s.y;
        EXPECT_NEAR(e.distanceTo(mapPoint(k.end)), 0.0, 1e-4) << e.x << " " << e.y;
    }
}

TEST_F(BuilderEdgeTest, OpacitiesOutsideAHundredAreClampedAndLabelsShowTheRest) {
    // A label's byte is its transparency: 30 shows 70 %.
    mapsim::SampleMark label;
    label.name = "t";
    label.style = 3;
    label.x = 10;
    label.y = 10;
    label.opacity = 30;
    EXPECT_EQ(Alpha(MarkOf(label)), AlphaOf(70));
    EXPECT_EQ(AlphaOf(70), 178);
    label.opacity = 0;
    EXPECT_EQ(Alpha(MarkOf(label)), AlphaOf(100));
    label.opacity = 200;  // more than all of it: fully transparent, not wrapped
    EXPECT_EQ(Alpha(MarkOf(label)), AlphaOf(0));

    // A track's byte is its opacity.
    mapsim::SampleTrack track;
    track.points = {{0, 0}, {10, 5}};
    track.opacity = 40;
    EXPECT_EQ(Alpha(TrackOf(track)), AlphaOf(40));
    track.opacity = 255;
    EXPECT_EQ(Alpha(TrackOf(track)), AlphaOf(100));
    EXPECT_EQ(AlphaOf(100), 254);

    // A shape's fill takes its fill byte as opacity, clamped the same way.
    mapsim::SampleShape shape;
    shape.points = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    shape.fillOpacity = 60;
    EXPECT_EQ(Alpha(ShapeOf(shape)), AlphaOf(60));
    shape.fillOpacity = 180;
    EXPECT_EQ(Alpha(ShapeOf(shape)), AlphaOf(100));
}

TEST_F(BuilderEdgeTest, TwoPointShapesAreCircularOnlyWhenSquareAcrossTheirCorners) {
    // The edge kinds of the hatch's first loop.
    const auto edges = [&](std::vector<SamplePoint> corners, double end) {
        mapsim::SampleShape shape;
        shape.points = std::move(corners);
        shape.endAngle = end;
        std::vector<int> kinds;
        AcDbHatch* hatch = nullptr;
        if (acdbOpenObject(hatch, ShapeOf(shape), AcDb::kForRead) != Acad::eOk) {
            return kinds;
        }
        Adesk::Int32 type = 0;
        AcGeVoidPointerArray curves;
        AcGeIntArray types;
        if (hatch->getLoopAt(0, type, curves, types) == Acad::eOk) {
            for (int i = 0; i < types.length(); ++i) {
                kinds.push_back(types[i]);
            }
        }
        hatch->close();
        return kinds;
    };
    const auto has = [](const std::vector<int>& kinds, int kind) {
        return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
    };
    // Square means p0.x - p1.x = p1.y - p0.y: (0, 10) to (10, 0) gives -10 and -10.
    std::vector<int> kinds = edges({{0, 10}, {10, 0}}, 360);
    EXPECT_TRUE(has(kinds, AcDbHatch::kCirArc));
    EXPECT_FALSE(has(kinds, AcDbHatch::kEllArc));
    kinds = edges({{0, 10}, {10, 0}}, 90);
    EXPECT_TRUE(has(kinds, AcDbHatch::kCirArc));
    EXPECT_FALSE(has(kinds, AcDbHatch::kEllArc));
    // (0, 0) to (10, 10) gives -10 and 10: not square, though its sides are equal; (0, 0) to (20, 10)
    // neither.
    for (const std::vector<SamplePoint>& corners :
         {std::vector<SamplePoint>{{0, 0}, {10, 10}}, std::vector<SamplePoint>{{0, 0}, {20, 10}}}) {
        for (double end : {360.0, 90.0}) {
            kinds = edges(corners, end);
            EXPECT_TRUE(has(kinds, AcDbHatch::kEllArc)) << end;
            EXPECT_FALSE(has(kinds, AcDbHatch::kCirArc)) << end;
        }
    }
}

TEST_F(BuilderEdgeTest, TheFirstRingsAsCountedAreOuterAndTheRestHoles) {
    const auto outerFlags = [&](uint16_t outerRings) {
        mapsim::SampleShape shape;
        shape.points = {{0, 0},    {40, 0},   {40, 40},          {0, 40},  {100, 0, 0x10000}, {140, 0},
                        {140, 40}, {100, 40}, {10, 10, 0x10000}, {20, 10}, {20, 20},          {10, 20}};
        shape.outerRings = outerRings;
        std::vector<bool> outer;
        AcDbHatch* hatch = nullptr;
        if (acdbOpenObject(hatch, ShapeOf(shape), AcDb::kForRead) != Acad::eOk) {
            return outer;
        }
        for (int i = 0; i < hatch->numLoops(); ++i) {
            outer.push_back((hatch->loopTypeAt(i) & AcDbHatch::kExternal) != 0);
        }
        hatch->close();
        return outer;
    };
    EXPECT_EQ(outerFlags(2), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(outerFlags(1), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(outerFlags(3), (std::vector<bool>{true, true, true}));
}

}  // namespace
