// The send road at its edges: a hatch over one circle or ellipse, polyline groups going back as one track of
// parts, the marker of a raster image, points as icon 4, ellipse angles across zero, and the view that
// follows what was sent.
#include <cmath>
#include <cstdlib>

#include "link_fixture.h"
#include "plugin/core/PointIcon.h"
#include "plugin/exchange/EntityConvert.h"
#include "plugin/exchange/SendRoad.h"
#include "plugin/maplink/mapobj.h"
#include "plugin/maplink/mapwire.h"
#include "receive_fixture.h"

namespace {

using linktest::Append;
using linktest::IdOf;
using mapsim::SamplePoint;
using receivetest::ReceiveTest;
using receivetest::Record;

constexpr size_t kFirstRecord = sizeof(MapPacketHead) + sizeof(MapObjHeader);

class SendEdgeTest : public ReceiveTest {
protected:
    AcDbObjectId Add(AcDbEntity* entity) { return IdOf(doc, Append(doc, entity, u"Survey")); }
    void Send(std::initializer_list<AcDbObjectId> ids) {
        AcDbObjectIdArray array;
        for (AcDbObjectId id : ids) {
            array.append(id);
        }
        map.ClearRecords();
        ASSERT_TRUE(SendEntityArray(array));
    }
    // The stored object the map application keeps for the key.
    const mapsim::StoredObject* ObjectOf(uint64_t key) const {
        for (const auto& [id, object] : map.Objects()) {
            if (object.key == key) {
                return &object;
            }
        }
        return nullptr;
    }
    static uint64_t Key(AcDbObjectId id) { return id.handle().value(); }
};

TEST_F(SendEdgeTest, AHatchOverOneCircleGoesAsAHundredPointsOfItAndOtherBoundariesGiveNothing) {
    uint32_t saved = g_nCurrentColor;
    MapApiBuf packet{};
    ASSERT_TRUE(StartMapPacket(&packet, 0));
    CBindingRecord binding;
    binding.m_opacity = 70;
    AcDbCircle circle(AcGePoint3d(1000, 2000, 0), AcGeVector3d::kZAxis, 50);
    EXPECT_EQ(ConvertHatchBoundaryObject(&circle, &packet, &binding), 1);
    const auto head = ReadWire<MapObjHeader>(packet.m_pData, sizeof(MapPacketHead));
    EXPECT_EQ(head.m_nType, DWORD(kMapTypeShape));
    MapShapeObj* shape = MapApiParseShape(&g_MapApiLink, packet.m_pData + kFirstRecord, DWORD(head.m_nSize));
    ASSERT_NE(shape, nullptr);
    ASSERT_EQ(shape->m_nCount, 100);
    for (int i = 0; i < 100; ++i) {
        // Point i at 2 pi / 100 * i around the centre.
        const double a = 2 * 3.1415927410125732 / 100 * i;
        EXPECT_NEAR(shape->m_pPoints[i].m_dX, 1000 + 50 * std::cos(a), 1e-9) << i;
        EXPECT_NEAR(shape->m_pPoints[i].m_dY, 2000 + 50 * std::sin(a), 1e-9) << i;
        EXPECT_EQ(shape->m_pPoints[i].m_nHeight, 0) << i;
    }
    EXPECT_EQ(shape->m_byLineOpacity, 70);
    EXPECT_EQ(shape->m_byFillOpacity, 70);
    MapApiFreeObj(&g_MapApiLink, shape, kMapTypeShape);
    const DWORD used = packet.m_nUsed;

    // Only a circle or an ellipse is a boundary object; fewer than 3 points are no shape.
    AcDbLine line(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
    EXPECT_EQ(ConvertHatchBoundaryObject(&line, &packet, &binding), 0);
    AcGePoint3dArray two;
    two.append(AcGePoint3d(0, 0, 0));
    two.append(AcGePoint3d(5, 5, 0));
    EXPECT_EQ(WriteShapeFromPoints(two, &packet, &binding), 0);
    EXPECT_EQ(packet.m_nUsed, used);
    // An ellipse: 100 points too, the first at the end of its major axis.
    AcDbEllipse ellipse(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, AcGeVector3d(0, 30, 0), 0.5);
    EXPECT_EQ(ConvertHatchBoundaryObject(&ellipse, &packet, &binding), 1);
    const auto second = ReadWire<MapObjHeader>(packet.m_pData, used);
    shape =
        MapApiParseShape(&g_MapApiLink, packet.m_pData + used + sizeof(MapObjHeader), DWORD(second.m_nSize));
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->m_nCount, 100);
    EXPECT_NEAR(shape->m_pPoints[0].m_dX, 0, 1e-9);
    EXPECT_NEAR(shape->m_pPoints[0].m_dY, 30, 1e-9);
    MapApiFreeObj(&g_MapApiLink, shape, kMapTypeShape);
    std::free(packet.m_pData);
    g_nCurrentColor = saved;
}

TEST_F(SendEdgeTest, AnEditedMemberOfAPolylineGroupSendsTheWholeGroupAsOneTrackOfParts) {
    // The map's track of three parts came as three polylines bound as one group.
    mapsim::SampleTrack sample;
    sample.points = {{0, 0},
                     {10, 0},
                     {10, 10},  //
                     {100, 0, 0x10000},
                     {110, 5},  //
                     {200, 0, 0x10000},
                     {210, 0},
                     {220, 20},
                     {230, 30}};
    const uint32_t folder = map.AddFolder(0, "线");
    const uint32_t trackId = map.AddObject(mapsim::kTypeTrack, folder, mapsim::MakeTrackRecord(sample));
    map.Select({trackId});
    Receive();
    ASSERT_NE(state->m_trackGroups.Find(trackId), nullptr);
    const std::vector<uint64_t> members = state->m_trackGroups.Find(trackId)->m_keys;
    ASSERT_EQ(members.size(), 3u);

    // One member is moved and sent: the map's track is replaced by all three parts, in member order.
    AcDbObjectId moved;
    doc->database()->getAcDbObjectId(moved, false, AcDbHandle(members[1]));
    {
        linktest::DocLock lock(doc);
        AcDbPolyline* poly = nullptr;
        ASSERT_EQ(acdbOpenObject(poly, moved, AcDb::kForWrite), Acad::eOk);
        poly->setPointAt(1, AcGePoint2d(120, 15));
        poly->close();
    }
    Send({moved});
    const mapsim::StoredObject* track = map.FindObject(trackId);
    ASSERT_NE(track, nullptr);
    MapTrackObj* parsed = MapApiParseTrack(&g_MapApiLink, track->bytes.data(), DWORD(track->bytes.size()));
    ASSERT_NE(parsed, nullptr);
    ASSERT_EQ(parsed->m_nCount, 9);
    const double xs[] = {0, 10, 10, 100, 120, 200, 210, 220, 230};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(parsed->m_pPoints[i].m_dX, xs[i]) << i;
        // The first point of every part after the first carries the part marker, no other.
        EXPECT_EQ(parsed->m_pPoints[i].m_nHeight, (i == 3 || i == 5) ? 0x10000 : 0) << i;
    }
    EXPECT_EQ(parsed->m_pPoints[4].m_dY, 15);
    MapApiFreeObj(&g_MapApiLink, parsed, kMapTypeTrack);
    // Nothing else went: one object stands for the group.
    EXPECT_EQ(map.Objects().size(), 1u);
}

TEST_F(SendEdgeTest, ImagesGoAsIconFourAtHalfTheirWidthAndEllipsesRunPastZero) {
    // A raster image: the marker of a point at its origin moved by half its U vector's X.
    AcDbObjectId image;
    {
        linktest::DocLock lock(doc);
        LoadIconImage();
        ASSERT_FALSE(g_idIconImageDef.isNull());
        CEntityProperty properties;
        AddImgPoint(image, g_idIconImageDef, AcGePoint3d(500, 600, 0), 40, properties);
    }
    ASSERT_FALSE(image.isNull());
    AcGePoint3d origin;
    AcGeVector3d u, v;
    {
        AcDbRasterImage* raster = nullptr;
        ASSERT_EQ(acdbOpenObject(raster, image, AcDb::kForRead), Acad::eOk);
        raster->getOrientation(origin, u, v);
        raster->close();
    }
    Send({image});
    const mapsim::StoredObject* stored = ObjectOf(Key(image));
    ASSERT_NE(stored, nullptr);
    MapMarkObj* mark = MapApiParseMarker(&g_MapApiLink, stored->bytes.data(), DWORD(stored->bytes.size()));
    ASSERT_NE(mark, nullptr);
    EXPECT_DOUBLE_EQ(mark->m_dX, origin.x + u.x / 2);
    EXPECT_DOUBLE_EQ(mark->m_dY, origin.y);
    EXPECT_EQ(mark->m_nIcon, 4u);
    MapApiFreeObj(&g_MapApiLink, mark, kMapTypeMark);

    // An elliptical arc from 0.5 rad to 0.2 rad: its end goes a full turn on, past the start.
    const AcDbObjectId arc = Add(
        new AcDbEllipse(AcGePoint3d(50, 50, 0), AcGeVector3d::kZAxis, AcGeVector3d(20, 0, 0), 0.5, 0.5, 0.2));
    Send({arc});
    stored = ObjectOf(Key(arc));
    ASSERT_NE(stored, nullptr);
    MapTrackObj* track = MapApiParseTrack(&g_MapApiLink, stored->bytes.data(), DWORD(stored->bytes.size()));
    ASSERT_NE(track, nullptr);
    EXPECT_NEAR(track->m_pPoints[0].m_dBulge, 0.5 * 180 / 3.14159265358979, 1e-4);
    EXPECT_NEAR(track->m_pPoints[1].m_dBulge, 0.2 * 180 / 3.14159265358979 + 360, 1e-4);
    MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
}

TEST_F(SendEdgeTest, TheMapFollowsWhatWasSentInModesOneAndThree) {
    const AcDbObjectId far = Add(new AcDbCircle(AcGePoint3d(800, -300, 0), AcGeVector3d::kZAxis, 5));
    for (int mode : {0, 1, 2, 3}) {
        g_Settings.m_nViewFollowMode = mode;
        Send({far});
        const bool follows = mode == 1 || mode == 3;
        ASSERT_EQ(map.RequestsOf(20011).size(), follows ? 1u : 0u) << mode;
        if (follows) {
            EXPECT_NEAR(map.View().x, 800, 1e-9) << mode;
            EXPECT_NEAR(map.View().y, -300, 1e-9) << mode;
        }
    }
    g_Settings.m_nViewFollowMode = 0;
}

}  // namespace
