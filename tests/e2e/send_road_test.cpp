// The send road end to end: the plug-in loaded into the host, entities selected and sent with the toolbar's
// send button, the simulated map application storing what arrives; the objects read back from it against the
// drawing.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "../exchange/link_fixture.h"
#include "host_fixture.h"
#include "mapsim/records.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"
#include "platform/arx/acap/statusbar.h"

namespace {

using linktest::Append;
using platform::CommandOutcome;

constexpr double kPi = 3.14159265358979323846;

// A track or shape read back from the simulator, freed with it.
struct Track {
    MapTrackObj* obj = nullptr;
    explicit Track(const mapsim::Bytes& bytes)
        : obj(MapApiParseTrack(&g_MapApiLink, bytes.data(), static_cast<DWORD>(bytes.size()))) {}
    ~Track() { MapApiFreeObj(&g_MapApiLink, obj, kMapTypeTrack); }
    Track(const Track&) = delete;
    Track& operator=(const Track&) = delete;
};
struct Shape {
    MapShapeObj* obj = nullptr;
    explicit Shape(const mapsim::Bytes& bytes)
        : obj(MapApiParseShape(&g_MapApiLink, bytes.data(), static_cast<DWORD>(bytes.size()))) {}
    ~Shape() { MapApiFreeObj(&g_MapApiLink, obj, kMapTypeShape); }
    Shape(const Shape&) = delete;
    Shape& operator=(const Shape&) = delete;
};
struct Label {
    MapMarkObj* obj = nullptr;
    explicit Label(const mapsim::Bytes& bytes)
        : obj(MapApiParseMarker(&g_MapApiLink, bytes.data(), static_cast<DWORD>(bytes.size()))) {}
    ~Label() { MapApiFreeObj(&g_MapApiLink, obj, kMapTypeMark); }
    Label(const Label&) = delete;
    Label& operator=(const Label&) = delete;
};

class SendRoadTest : public e2e::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        std::string error;
        // A drawing with a name: its map folder is named after it.
        ASSERT_EQ(Run("SAVEAS", {dir + "/site.dxf"}), CommandOutcome::kEnded);
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
        host.MapSim().ClearRecords();
    }
    void TearDown() override {
        std::string error;
        EXPECT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
        EXPECT_TRUE(platform::LockViolations().empty());
        HostTest::TearDown();
    }

    AcApDocument* Doc() { return host.Document(); }
    uint64_t Add(AcDbEntity* entity, const char16_t* layer = u"Survey") {
        return Append(Doc(), entity, layer);
    }
    void Select(std::initializer_list<uint64_t> handles) {
        std::vector<AcDbObjectId> ids;
        for (uint64_t handle : handles) {
            ids.push_back(linktest::IdOf(Doc(), handle));
        }
        platform::SetPickFirst(ids);
    }
    // Selects the entities and sends them; the packet of objects that went out.
    mapsim::Packet Send(std::initializer_list<uint64_t> handles) {
        Select(handles);
        host.MapSim().ClearRecords();
        EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
        return LastPacket();
    }
    mapsim::Packet LastPacket() {
        const auto sent = host.MapSim().RequestsOf(20112);
        if (sent.empty()) {
            return {};
        }
        const mapsim::Bytes& payload = sent.back().payload;
        return mapsim::ReadPacket(payload.data(), payload.size()).value_or(mapsim::Packet{});
    }
    const mapsim::StoredObject* Stored(uint64_t key) {
        for (const auto& [id, object] : host.MapSim().Objects()) {
            if (object.key == key) {
                return &object;
            }
        }
        return nullptr;
    }
    uint32_t FolderNamed(const std::string& name) {
        for (const auto& [id, folder] : host.MapSim().Folders()) {
            if (folder.Name() == name) {
                return id;
            }
        }
        return 0;
    }
    AcDbObjectId MakeBlock(const char16_t* name, std::initializer_list<AcDbEntity*> entities) {
        linktest::DocLock lock(Doc());
        AcDbBlockTable* blocks = nullptr;
        Doc()->database()->getBlockTable(blocks, AcDb::kForWrite);
        auto* block = new AcDbBlockTableRecord;
        block->setName(name);
        AcDbObjectId id;
        blocks->add(id, block);
        blocks->close();
        for (AcDbEntity* entity : entities) {
            block->appendAcDbEntity(entity);
            entity->close();
        }
        block->close();
        return id;
    }
};

TEST_F(SendRoadTest, LayersGetTheirFoldersPairedByKeyAndBoundEntitiesKeepTheirMapObjects) {
    const uint64_t a = Add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0)), u"A");
    const uint64_t b = Add(new AcDbLine(AcGePoint3d(0, 5, 0), AcGePoint3d(10, 5, 0)), u"B");
    Select({a, b});
    EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    // The workspace, the drawing folder, then both layers in one folder packet.
    const uint32_t workspace = FolderNamed("CAD工作空间");
    ASSERT_NE(workspace, 0u);
    ASSERT_NE(FolderNamed("site.dxf"), 0u);
    EXPECT_EQ(host.MapSim().Folders().at(FolderNamed("site.dxf")).parent, workspace);
    EXPECT_EQ(host.MapSim().Folders().at(FolderNamed("A")).parent, FolderNamed("site.dxf"));
    const auto packets = host.MapSim().RequestsOf(20112);
    ASSERT_EQ(packets.size(), 2u);
    const auto folders = mapsim::ReadPacket(packets[0].payload.data(), packets[0].payload.size());
    ASSERT_TRUE(folders);
    ASSERT_EQ(folders->records.size(), 2u);
    EXPECT_EQ(folders->records[0].type, mapsim::kTypeFolder);
    const uint32_t folderA = FolderNamed("A");
    const uint32_t folderB = FolderNamed("B");
    ASSERT_NE(folderA, 0u);
    ASSERT_NE(folderB, 0u);
    ASSERT_NE(Stored(a), nullptr);
    ASSERT_NE(Stored(b), nullptr);
    EXPECT_EQ(Stored(a)->parent, folderA);
    EXPECT_EQ(Stored(b)->parent, folderB);
    const uint32_t idA = Stored(a)->id;

    // Again with a new layer: only that one gets a folder record; A's line keeps its map object.
    const uint64_t c = Add(new AcDbLine(AcGePoint3d(0, 9, 0), AcGePoint3d(10, 9, 0)), u"C");
    const size_t objectsBefore = host.MapSim().Objects().size();
    Select({c, a});
    host.MapSim().ClearRecords();
    EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded);
    const auto again = host.MapSim().RequestsOf(20112);
    ASSERT_EQ(again.size(), 2u);
    const auto second = mapsim::ReadPacket(again[0].payload.data(), again[0].payload.size());
    ASSERT_TRUE(second);
    ASSERT_EQ(second->records.size(), 1u);
    const mapsim::Packet objects = LastPacket();
    ASSERT_EQ(objects.records.size(), 2u);
    EXPECT_EQ(objects.records[1].id, idA);  // the bound line goes with its id
    EXPECT_EQ(host.MapSim().Objects().size(), objectsBefore + 1);
    EXPECT_EQ(Stored(c)->parent, FolderNamed("C"));
    // The debug log names each entity sent by its handle and key, and what went into the packet.
    const std::string log = e2e::ReadFile(host.Options().moduleFolder + "/DebugLog.txt");
    auto hex = [](uint64_t key) {
        std::ostringstream text;
        text << std::uppercase << std::hex << key;
        return text.str();
    };
    const std::string lineC =
        "send h:" + hex(c) + " AcDbLine key " + std::to_string(c) + " as a new map object: ";
    const std::string lineA = "send h:" + hex(a) + " AcDbLine key " + std::to_string(a) + " as map object " +
                              std::to_string(idA) + ": ";
    EXPECT_NE(log.find(lineC), std::string::npos) << log;
    EXPECT_NE(log.find(lineA), std::string::npos) << log;
    EXPECT_NE(log.find(" bytes in the packet", log.find(lineA)), std::string::npos) << log;

    // The bindings the answers made reach the entities' links at the next save.
    EXPECT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    CBindingRecord link;
    ASSERT_TRUE(linktest::StoredLink(Doc(), a, link));
    EXPECT_EQ(link.m_mapId, idA);

    // All layers live now: no folder packet at all.
    host.MapSim().ClearRecords();
    Select({a, b, c});
    EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded);
    EXPECT_EQ(host.MapSim().RequestsOf(20112).size(), 1u);
    EXPECT_EQ(host.MapSim().Objects().size(), objectsBefore + 1);

    // Nothing selected: the message, nothing sent.
    host.MapSim().ClearRecords();
    platform::SetPickFirst({});
    host.Answer("OK");
    Mark();
    EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded);
    EXPECT_EQ(host.MapSim().RequestsOf(20112).size(), 0u);
}

TEST_F(SendRoadTest, PacketLayoutOfOneLineAndCurvesReadBackAsDrawn) {
    const uint64_t line = Add(new AcDbLine(AcGePoint3d(1, 2, 3), AcGePoint3d(11, 2, 3)));
    Send({line});  // the folder pass first
    const mapsim::Packet packet = Send({line});
    const mapsim::Bytes raw = host.MapSim().RequestsOf(20112).back().payload;
    ASSERT_EQ(packet.records.size(), 1u);
    const size_t size = packet.records[0].payload.size();
    EXPECT_EQ(raw.size(), 16 + 64 + 64 + size);
    uint32_t total = 0;
    std::memcpy(&total, raw.data() + 16, 4);
    EXPECT_EQ(total, 64 + size);
    Track track(packet.records[0].payload);
    ASSERT_NE(track.obj, nullptr);
    EXPECT_EQ(track.obj->m_byGeomKind, 5);
    ASSERT_EQ(track.obj->m_nCount, 2);
    EXPECT_EQ(track.obj->m_pPoints[0].m_dY, 2.0);
    EXPECT_EQ(track.obj->m_pPoints[0].m_dX, 1.0);
    EXPECT_EQ(track.obj->m_pPoints[1].m_dX, 11.0);
    EXPECT_EQ(track.obj->m_pPoints[0].m_nHeight, 3);

    // An arc of 90 degrees: start, the 45-degree point, end.
    const uint64_t arc = Add(new AcDbArc(AcGePoint3d(0, 0, 0), 10.0, 0.0, kPi / 2));
    // A circle: centre and its point at parameter 0.
    const uint64_t circle = Add(new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 2.0));
    // An ellipse seen from below: angles turned and swapped.
    const uint64_t down = Add(new AcDbEllipse(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, -1),
                                              AcGeVector3d(4, 0, 0), 0.5, 0.0, kPi / 2));
    // A full ellipse, and a line at the origin that sends nothing.
    const uint64_t full =
        Add(new AcDbEllipse(AcGePoint3d(1, 1, 0), AcGeVector3d::kZAxis, AcGeVector3d(4, 0, 0), 0.5));
    const uint64_t nothing = Add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(0, 0, 0)));
    Send({arc, circle, down, full, nothing});
    EXPECT_EQ(Stored(nothing), nullptr);
    ASSERT_NE(Stored(arc), nullptr);
    {
        Track t(Stored(arc)->bytes);
        ASSERT_EQ(t.obj->m_nCount, 3);
        EXPECT_EQ(t.obj->m_byGeomKind, 7);
        EXPECT_NEAR(t.obj->m_pPoints[1].m_dX, 10 * std::cos(kPi / 4), 1e-9);
        EXPECT_NEAR(t.obj->m_pPoints[1].m_dY, 10 * std::sin(kPi / 4), 1e-9);
        EXPECT_NEAR(t.obj->m_pPoints[2].m_dY, 10.0, 1e-9);
    }
    {
        Track t(Stored(circle)->bytes);
        ASSERT_EQ(t.obj->m_nCount, 2);
        EXPECT_EQ(t.obj->m_byGeomKind, 7);
        EXPECT_EQ(t.obj->m_pPoints[0].m_dX, 5.0);
        EXPECT_NEAR(t.obj->m_pPoints[1].m_dX, 7.0, 1e-9);
    }
    {
        Track t(Stored(down)->bytes);
        ASSERT_EQ(t.obj->m_nCount, 3);
        EXPECT_EQ(t.obj->m_byGeomKind, 9);
        EXPECT_NEAR(t.obj->m_pPoints[0].m_dBulge, 270.0000025, 1e-6);
        EXPECT_NEAR(t.obj->m_pPoints[1].m_dBulge, 360.0, 1e-9);
    }
    {
        Track t(Stored(full)->bytes);
        EXPECT_EQ(t.obj->m_pPoints[0].m_dBulge, 0.0);
        EXPECT_NEAR(t.obj->m_pPoints[1].m_dBulge, 359.99998998, 1e-6);
        EXPECT_EQ(t.obj->m_pPoints[1].m_dX, 5.0);  // centre + major axis
    }
}

TEST_F(SendRoadTest, TextsBecomeLabelsSizedFromTheirHeightAndPrintSafely) {
    const uint64_t base = Add(new AcDbText(AcGePoint3d(1, 2, 0), u"base", AcDbObjectId(), 2.5, kPi / 2));
    const uint64_t tall = Add(new AcDbText(AcGePoint3d(0, 0, 0), u"100% %s %n", AcDbObjectId(), 20.0));
    const uint64_t small = Add(new AcDbText(AcGePoint3d(0, 0, 0), u"small", AcDbObjectId(), 1.0));
    auto* mtext = new AcDbMText;
    mtext->setContents(u"one\\Ptwo");
    mtext->setTextHeight(1.0);
    const uint64_t multi = Add(mtext);
    const uint64_t tag =
        Add(new AcDbAttributeDefinition(AcGePoint3d(3, 4, 0), u"value", u"TAG", u"Value?", AcDbObjectId()));
    {
        linktest::DocLock lock(Doc());
        AcDbText* text = nullptr;
        ASSERT_EQ(acdbOpenObject(text, linktest::IdOf(Doc(), tag), AcDb::kForWrite), Acad::eOk);
        text->setHeight(0.5);
        text->close();
    }
    Mark();
    Send({base, tall, small, multi, tag});
    EXPECT_NE(Printed().find("100% %s %n"), std::string::npos) << Printed();
    struct Expect {
        uint64_t key;
        const char* name;
        int level;
        uint32_t size;
    };
    for (const Expect& e :
         {Expect{base, "base", 20, 22}, Expect{tall, "100% %s %n", 18, 44}, Expect{small, "small", 20, 8},
          Expect{multi, "one\r\ntwo", 21, 17}, Expect{tag, "TAG", 22, 17}}) {
        SCOPED_TRACE(e.name);
        ASSERT_NE(Stored(e.key), nullptr);
        Label m(Stored(e.key)->bytes);
        ASSERT_NE(m.obj, nullptr);
        EXPECT_STREQ(m.obj->m_szName, e.name);
        EXPECT_EQ(m.obj->m_byLabelLevel, e.level);
        EXPECT_EQ(m.obj->m_nFontSize, e.size);
        EXPECT_EQ(m.obj->m_byStyle, 3);
        EXPECT_EQ(m.obj->m_byIsText, 1);
        EXPECT_EQ(m.obj->m_byOpacity, 50);
    }
    Label m(Stored(base)->bytes);
    EXPECT_EQ(m.obj->m_fRotation, 90.0f);
    EXPECT_EQ(m.obj->m_dX, 1.0);
    EXPECT_EQ(m.obj->m_dY, 2.0);
}

TEST_F(SendRoadTest, EveryPolylineKindAndMultilines) {
    // A closed triangle with a bulge on its first vertex.
    auto* triangle = new AcDbPolyline;
    triangle->addVertexAt(0, AcGePoint2d(0, 0), 1.0);
    triangle->addVertexAt(1, AcGePoint2d(10, 0));
    triangle->addVertexAt(2, AcGePoint2d(10, 10));
    triangle->setClosed(true);
    const uint64_t tri = Add(triangle);
    // A closed donut of two arcs keeps its closing bulge.
    auto* donut = new AcDbPolyline;
    donut->addVertexAt(0, AcGePoint2d(0, 0), 1.0);
    donut->addVertexAt(1, AcGePoint2d(10, 0), 1.0);
    donut->setClosed(true);
    const uint64_t ring = Add(donut);
    // Width 0.5 gives 50.
    auto* wide = new AcDbPolyline;
    wide->addVertexAt(0, AcGePoint2d(0, 0));
    wide->addVertexAt(1, AcGePoint2d(5, 0));
    wide->setConstantWidth(0.5);
    const uint64_t thick = Add(wide);
    // Two-vertex 2D and 3D polylines are lines of their own.
    AcGePoint3dArray two;
    two.append(AcGePoint3d(0, 0, 0));
    two.append(AcGePoint3d(3, 4, 0));
    const uint64_t p2 = Add(new AcDb2dPolyline(AcDb::k2dSimplePoly, two));
    AcGePoint3dArray three;
    three.append(AcGePoint3d(0, 0, 1));
    three.append(AcGePoint3d(3, 4, 65536.5));
    const uint64_t p3 = Add(new AcDb3dPolyline(AcDb::k3dSimplePoly, three));
    // A closed multiline of four vertices: five points.
    auto* mline = new AcDbMline;
    for (const auto& p :
         {AcGePoint3d(0, 0, 0), AcGePoint3d(4, 0, 0), AcGePoint3d(4, 4, 0), AcGePoint3d(0, 4, 0)}) {
        mline->appendSeg(p);
    }
    mline->setClosedMline(true);
    const uint64_t ml = Add(mline);
    Send({tri, ring, thick, p2, p3, ml});

    ASSERT_NE(Stored(tri), nullptr);
    {
        Track t(Stored(tri)->bytes);
        ASSERT_EQ(t.obj->m_nCount, 4);
        EXPECT_EQ(t.obj->m_pPoints[0].m_dBulge, 1.0);
        EXPECT_EQ(t.obj->m_pPoints[3].m_dX, 0.0);
        EXPECT_EQ(t.obj->m_pPoints[3].m_dBulge, 1.0);
        EXPECT_EQ(t.obj->m_nWidth, 3u);
    }
    {
        Track t(Stored(ring)->bytes);
        ASSERT_EQ(t.obj->m_nCount, 3);
        EXPECT_EQ(t.obj->m_pPoints[0].m_dBulge, 1.0);
        EXPECT_EQ(t.obj->m_pPoints[1].m_dBulge, 1.0);  // the closing arc
    }
    {
        Track t(Stored(thick)->bytes);
        EXPECT_EQ(t.obj->m_nWidth, 50u);
        EXPECT_EQ(t.obj->m_nCount, 2);
    }
    ASSERT_NE(Stored(p2), nullptr);
    ASSERT_NE(Stored(p3), nullptr);
    {
        Track t(Stored(p3)->bytes);
        ASSERT_EQ(t.obj->m_nCount, 2);
        EXPECT_EQ(t.obj->m_pPoints[0].m_nHeight, 1);
        EXPECT_EQ(t.obj->m_pPoints[1].m_nHeight, 65535);  // never read as a part marker
    }
    {
        Track t(Stored(ml)->bytes);
        ASSERT_EQ(t.obj->m_nCount, 5);
        EXPECT_EQ(t.obj->m_pPoints[4].m_dX, 0.0);
        EXPECT_EQ(t.obj->m_pPoints[4].m_dY, 0.0);
        EXPECT_EQ(t.obj->m_byGeomKind, 5);
    }
}

TEST_F(SendRoadTest, SplinesAndImagesGoByTheirClassesAndDimensionsNotAtAll) {
    // A spline of degree 1 goes as the track of its control points.
    AcGePoint3dArray controls;
    controls.append(AcGePoint3d(1, 1, 0));
    controls.append(AcGePoint3d(5, 3, 2));
    controls.append(AcGePoint3d(9, 1, 0));
    AcGeDoubleArray knots;
    for (double k : {0.0, 0.0, 1.0, 2.0, 2.0}) {
        knots.append(k);
    }
    const uint64_t spline = Add(new AcDbSpline(1, false, false, false, controls, knots, AcGeDoubleArray()));
    // An image 8 wide and 4 high at (2, 3): a mark at (2 + 8 / 2, 3).
    auto* picture = new AcDbRasterImage;
    ASSERT_TRUE(picture->setOrientation(AcGePoint3d(2, 3, 0), AcGeVector3d(8, 0, 0), AcGeVector3d(0, 4, 0)));
    const uint64_t image = Add(picture);
    const uint64_t dimension =
        Add(new AcDbAlignedDimension(AcGePoint3d(1, 1, 0), AcGePoint3d(9, 1, 0), AcGePoint3d(5, 3, 0)));
    Send({spline, image, dimension});

    ASSERT_NE(Stored(spline), nullptr);
    {
        Track t(Stored(spline)->bytes);
        ASSERT_NE(t.obj, nullptr);
        EXPECT_EQ(t.obj->m_byGeomKind, 10);
        ASSERT_EQ(t.obj->m_nCount, 3);
        EXPECT_EQ(t.obj->m_pPoints[1].m_dX, 5.0);
        EXPECT_EQ(t.obj->m_pPoints[1].m_dY, 3.0);
        EXPECT_EQ(t.obj->m_pPoints[1].m_nHeight, 2);
        EXPECT_EQ(t.obj->m_pPoints[2].m_dX, 9.0);
    }
    ASSERT_NE(Stored(image), nullptr);
    {
        Label m(Stored(image)->bytes);
        ASSERT_NE(m.obj, nullptr);
        EXPECT_EQ(m.obj->m_dX, 6.0);
        EXPECT_EQ(m.obj->m_dY, 3.0);
        EXPECT_EQ(m.obj->m_nIcon, 4u);
    }
    EXPECT_EQ(Stored(dimension), nullptr);
}

TEST_F(SendRoadTest, UnboundPointsGoAsOneGroupThatTheAnswerRekeys) {
    const uint64_t p1 = Add(new AcDbPoint(AcGePoint3d(1, 1, 0)));
    const uint64_t p2 = Add(new AcDbPoint(AcGePoint3d(2, 2, 0)));
    const uint64_t p3 = Add(new AcDbPoint(AcGePoint3d(3, 3, 0)));
    const mapsim::Packet first = Send({p1, p2, p3});
    ASSERT_EQ(first.records.size(), 1u);
    const uint64_t temp = first.records[0].key;
    EXPECT_LT(temp, 0x80000000u);
    EXPECT_EQ(first.records[0].id, 0u);
    {
        Track t(first.records[0].payload);
        EXPECT_EQ(t.obj->m_byGeomKind, 6);
        EXPECT_EQ(t.obj->m_nCount, 3);
    }
    ASSERT_EQ(host.MapSim().Objects().size(), 1u);
    const uint32_t group = host.MapSim().Objects().begin()->first;
    const std::string name = host.MapSim().Objects().begin()->second.Name();

    // One point moved: the next send with two point keys re-sends the whole group as itself.
    {
        linktest::DocLock lock(Doc());
        AcDbPoint* point = nullptr;
        ASSERT_EQ(acdbOpenObject(point, linktest::IdOf(Doc(), p2), AcDb::kForWrite), Acad::eOk);
        point->setPosition(AcGePoint3d(5, 5, 0));
        point->close();
    }
    const uint64_t line = Add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)));
    const mapsim::Packet again = Send({p1, p2, line});
    ASSERT_EQ(again.records.size(), 2u);
    EXPECT_EQ(again.records[1].key, group);
    EXPECT_EQ(again.records[1].id, group);
    EXPECT_EQ(host.MapSim().Objects().size(), 2u);  // the group, and the line
    Track t(host.MapSim().Objects().at(group).bytes);
    ASSERT_EQ(t.obj->m_nCount, 3);
    EXPECT_EQ(t.obj->m_pPoints[1].m_dX, 5.0);
    EXPECT_EQ(std::string(t.obj->m_szName), name);  // it keeps the name it was sent under

    // A lone new point is not sent and stays unbound; a later pair takes it.
    const uint64_t lone = Add(new AcDbPoint(AcGePoint3d(9, 9, 0)));
    const mapsim::Packet single = Send({lone});
    EXPECT_TRUE(single.records.empty());
    const uint64_t other = Add(new AcDbPoint(AcGePoint3d(8, 8, 0)));
    const mapsim::Packet pair = Send({lone, other});
    ASSERT_EQ(pair.records.size(), 1u);
    Track two(pair.records[0].payload);
    EXPECT_EQ(two.obj->m_nCount, 2);
}

TEST_F(SendRoadTest, HatchesBecomeShapesWithTheirHoles) {
    const uint64_t circleHandle = Add(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 5.0));
    AcDbObjectIdArray boundary;
    boundary.append(linktest::IdOf(Doc(), circleHandle));
    auto* associated = new AcDbHatch;
    associated->setPattern(AcDbHatch::kPreDefined, u"SOLID");
    associated->setAssociative(true);
    const uint64_t filled = Add(associated);
    {
        linktest::DocLock lock(Doc());
        AcDbHatch* hatch = nullptr;
        ASSERT_EQ(acdbOpenObject(hatch, linktest::IdOf(Doc(), filled), AcDb::kForWrite), Acad::eOk);
        ASSERT_EQ(hatch->appendLoop(AcDbHatch::kExternal, boundary), Acad::eOk);
        hatch->close();
    }
    const uint64_t big = Add(new AcDbCircle(AcGePoint3d(50, 0, 0), AcGeVector3d::kZAxis, 10.0));
    const uint64_t hole = Add(new AcDbCircle(AcGePoint3d(50, 0, 0), AcGeVector3d::kZAxis, 3.0));
    auto* holed = new AcDbHatch;
    holed->setPattern(AcDbHatch::kPreDefined, u"SOLID");
    const uint64_t withHole = Add(holed);
    {
        linktest::DocLock lock(Doc());
        AcDbHatch* hatch = nullptr;
        ASSERT_EQ(acdbOpenObject(hatch, linktest::IdOf(Doc(), withHole), AcDb::kForWrite), Acad::eOk);
        AcDbObjectIdArray outer;
        outer.append(linktest::IdOf(Doc(), big));
        AcDbObjectIdArray inner;
        inner.append(linktest::IdOf(Doc(), hole));
        ASSERT_EQ(hatch->appendLoop(AcDbHatch::kExternal, outer), Acad::eOk);
        ASSERT_EQ(hatch->appendLoop(AcDbHatch::kOutermost, inner), Acad::eOk);
        hatch->close();
    }
    Send({filled, withHole});
    ASSERT_NE(Stored(filled), nullptr);
    {
        Shape s(Stored(filled)->bytes);
        ASSERT_EQ(s.obj->m_nCount, 100);
        EXPECT_NEAR(s.obj->m_pPoints[0].m_dY, 0.0, 1e-9);
        EXPECT_NEAR(s.obj->m_pPoints[0].m_dX, 5.0, 1e-9);
        EXPECT_NEAR(s.obj->m_pPoints[25].m_dY, 5.0, 1e-5);
        EXPECT_NEAR(s.obj->m_pPoints[25].m_dX, 0.0, 1e-5);
        EXPECT_EQ(s.obj->m_byFillOpacity, 50);
    }
    ASSERT_NE(Stored(withHole), nullptr);
    Shape s(Stored(withHole)->bytes);
    EXPECT_EQ(s.obj->m_nHatchCount, 1);
    int markers = 0;
    for (int i = 0; i < s.obj->m_nCount; ++i) {
        if (s.obj->m_pPoints[i].m_nHeight == static_cast<INT32>(kMultiPartFlag)) {
            ++markers;
            EXPECT_NEAR(std::hypot(s.obj->m_pPoints[i].m_dX - 50, s.obj->m_pPoints[i].m_dY), 3.0, 1e-6);
        }
    }
    EXPECT_EQ(markers, 1);
    EXPECT_NEAR(std::hypot(s.obj->m_pPoints[0].m_dX - 50, s.obj->m_pPoints[0].m_dY), 10.0, 1e-6);
}

TEST_F(SendRoadTest, BlockReferencesGoAsFoldersOfTheirParts) {
    const AcDbObjectId inner = MakeBlock(u"Pair", {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)),
                                                   new AcDbLine(AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0))});
    const AcDbObjectId outer =
        MakeBlock(u"Site", {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(2, 0, 0)),
                            new AcDbText(AcGePoint3d(0, 1, 0), u"gate", AcDbObjectId(), 2.5),
                            new AcDbBlockReference(AcGePoint3d(10, 0, 0), inner)});
    const uint64_t plain = Add(new AcDbBlockReference(AcGePoint3d(100, 200, 0), outer));
    const mapsim::Packet packet = Send({plain});
    ASSERT_EQ(packet.records.size(), 5u);
    EXPECT_EQ(packet.records[0].type, mapsim::kTypeFolder);
    EXPECT_EQ(packet.records[0].key, plain);
    MapFolderObj* folder = MapApiParseFolder(&g_MapApiLink, packet.records[0].payload.data(),
                                             static_cast<DWORD>(packet.records[0].payload.size()));
    ASSERT_NE(folder, nullptr);
    EXPECT_STREQ(folder->m_szName, "Site");
    EXPECT_EQ(folder->m_nChildCount, 4u);  // a line, the text and the nested block's two lines
    EXPECT_EQ(folder->m_byExploded, 1);
    MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
    for (size_t i = 1; i < packet.records.size(); ++i) {
        EXPECT_EQ(packet.records[i].key, 0u);
        EXPECT_EQ(packet.records[i].id, 0u);
        EXPECT_EQ(packet.records[i].parent, 0u);
    }
    EXPECT_EQ(packet.records[2].type, mapsim::kTypeMark);
    {
        Track t(packet.records[3].payload);  // the nested block's first line, placed twice over
        EXPECT_EQ(t.obj->m_pPoints[0].m_dX, 110.0);
        EXPECT_EQ(t.obj->m_pPoints[0].m_dY, 200.0);
    }
    // The folder was bound to the reference: sent again, its old folder is deleted first.
    const uint32_t old = FolderNamed("Site");
    ASSERT_NE(old, 0u);
    const mapsim::Packet again = Send({plain});
    const auto deletes = host.MapSim().RequestsOf(20103);
    ASSERT_EQ(deletes.size(), 1u);
    uint32_t deleted = 0;
    std::memcpy(&deleted, deletes[0].payload.data() + 16, 4);
    EXPECT_EQ(deleted, old);
    EXPECT_EQ(again.records[0].id, old);

    // Scaled unevenly: a circle refuses, the block goes at unit scale and its parts take the scale where
    // they can; the reference itself keeps its factors.
    const AcDbObjectId round =
        MakeBlock(u"Round", {new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1.0),
                             new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0))});
    auto* stretched = new AcDbBlockReference(AcGePoint3d(0, 0, 0), round);
    stretched->setScaleFactors(AcGeScale3d(2.0, 3.0, 1.0));
    const uint64_t scaled = Add(stretched);
    const mapsim::Packet third = Send({scaled});
    ASSERT_EQ(third.records.size(), 3u);
    {
        Track t(third.records[2].payload);
        EXPECT_EQ(t.obj->m_pPoints[1].m_dX, 2.0);  // the line scaled
    }
    {
        AcDbBlockReference* ref = nullptr;
        ASSERT_EQ(acdbOpenObject(ref, linktest::IdOf(Doc(), scaled), AcDb::kForRead), Acad::eOk);
        EXPECT_EQ(ref->scaleFactors(), AcGeScale3d(2.0, 3.0, 1.0));
        ref->close();
    }

    // A reference whose block is gone can't be exploded: no folder, no delete.
    auto* broken = new AcDbBlockReference(AcGePoint3d(0, 0, 0), AcDbObjectId());
    const uint64_t lost = Add(broken);
    Mark();
    const mapsim::Packet fourth = Send({lost});
    EXPECT_TRUE(fourth.records.empty());
    EXPECT_TRUE(host.MapSim().RequestsOf(20103).empty());
    EXPECT_NE(Printed().find("炸开块失败"), std::string::npos);
}

TEST_F(SendRoadTest, LargeSendsShowTheirProgressAndRestoreTheStatusBar) {
    std::vector<AcDbObjectId> ids;
    for (int i = 0; i < 1001; ++i) {
        ids.push_back(linktest::IdOf(Doc(), Add(new AcDbLine(AcGePoint3d(0, i, 0), AcGePoint3d(5, i, 0)))));
    }
    platform::ClearStatusBarEvents();
    platform::SetPickFirst(std::vector<AcDbObjectId>(ids.begin(), ids.begin() + 1000));
    EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded);
    for (const auto& event : platform::StatusBarEvents()) {
        EXPECT_NE(event.kind, platform::StatusBarEvent::kMeter);
    }
    platform::ClearStatusBarEvents();
    platform::SetPickFirst(ids);
    EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded);
    bool shown = false;
    for (const auto& event : platform::StatusBarEvents()) {
        shown = shown || (event.kind == platform::StatusBarEvent::kMeter && event.label == u"发送数据");
    }
    EXPECT_TRUE(shown);
    EXPECT_FALSE(platform::ProgressMeterShown());
    EXPECT_EQ(host.MapSim().Objects().size(), 1001u);

    // The map application gone quiet: the meter does not stay.
    host.MapSim().Stop();
    platform::SetPickFirst(ids);
    Run("TOOLBAR 发送");
    EXPECT_FALSE(platform::ProgressMeterShown());
}

}  // namespace

namespace {

mapsim::Bytes AnswerRecord(uint32_t type, uint32_t id, uint64_t key) {
    mapsim::Bytes record(64, 0);
    std::memcpy(record.data() + 4, &type, 4);
    std::memcpy(record.data() + 8, &id, 4);
    std::memcpy(record.data() + 16, &key, 8);
    return record;
}

TEST_F(SendRoadTest, AnAnswerThatIsShortLongRepeatedOrStrayBindsOnlyWhatWasSent) {
    const uint64_t first = Add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0)));
    const uint64_t second = Add(new AcDbLine(AcGePoint3d(0, 5, 0), AcGePoint3d(10, 5, 0)));
    const uint64_t unsent = Add(new AcDbLine(AcGePoint3d(0, 9, 0), AcGePoint3d(10, 9, 0)));
    Send({first});  // the layer's folder
    // Out of order, the second line answered twice, a key that was not sent, no record for the first
    // line, and a remainder that is no whole record.
    mapsim::Bytes answer;
    for (const mapsim::Bytes& record : {AnswerRecord(8, 7001, unsent), AnswerRecord(8, 7002, second),
                                        AnswerRecord(8, 7003, second), AnswerRecord(8, 7004, 0)}) {
        answer.insert(answer.end(), record.begin(), record.end());
    }
    answer.resize(answer.size() + 30, 0xFF);
    host.MapSim().ReplaceNextAnswer(20112, answer);
    const uint32_t firstId = Stored(first)->id;
    const mapsim::Packet sent = Send({second});
    ASSERT_EQ(sent.records.size(), 1u);
    EXPECT_EQ(sent.records[0].id, 0u);

    const mapsim::Packet after = Send({first, second, unsent});
    ASSERT_EQ(after.records.size(), 3u);
    EXPECT_EQ(after.records[0].id, firstId);  // bound by its own earlier answer
    EXPECT_EQ(after.records[1].id, 7002u);    // the first of the repeated records
    EXPECT_EQ(after.records[2].id, 0u);       // the stray key bound nothing
}

TEST_F(SendRoadTest, EntitiesOnLockedLayersAreSentAndLeftUnchanged) {
    const uint64_t line = Add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0)), u"Fixed");
    {
        linktest::DocLock lock(Doc());
        AcDbLayerTable* layers = nullptr;
        Doc()->database()->getLayerTable(layers, AcDb::kForRead);
        AcDbLayerTableRecord* layer = nullptr;
        ASSERT_EQ(layers->getAt(u"Fixed", layer, AcDb::kForWrite), Acad::eOk);
        layer->setIsLocked(true);
        layer->close();
        layers->close();
    }
    Send({line});
    EXPECT_NE(Stored(line), nullptr);
    EXPECT_EQ(platform::OpenObjectCount(), 0u);
}

}  // namespace

namespace {

TEST_F(SendRoadTest, RegionsAndProxyEntitiesGoExplodedAndTheirPointsAsOneSet) {
    AcDbCircle circle(AcGePoint3d(7, 7, 0), AcGeVector3d::kZAxis, 2.0);
    AcDbVoidPtrArray curves;
    curves.append(&circle);
    AcDbVoidPtrArray regions;
    ASSERT_EQ(AcDbRegion::createFromCurves(curves, regions), Acad::eOk);
    ASSERT_EQ(regions.length(), 1);
    const uint64_t region = Add(static_cast<AcDbEntity*>(regions[0]));

    AcDbLine line(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0));
    AcDbPoint a(AcGePoint3d(2, 2, 0));
    AcDbPoint b(AcGePoint3d(3, 2, 0));
    auto* proxy = new AcDbZombieEntity;
    proxy->tarnSetGraphics(u"PipeNetwork", {&line, &a, &b});
    const uint64_t pipes = Add(proxy);

    const mapsim::Packet packet = Send({region, pipes});
    ASSERT_EQ(packet.records.size(), 5u);
    auto folderOf = [](const mapsim::PacketRecord& record) {
        MapFolderObj* folder = MapApiParseFolder(&g_MapApiLink, record.payload.data(),
                                                 static_cast<DWORD>(record.payload.size()));
        std::pair<std::string, uint32_t> out{folder->m_szName, folder->m_nChildCount};
        MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
        return out;
    };
    const auto [regionName, regionParts] = folderOf(packet.records[0]);
    EXPECT_EQ(regionName.rfind("Region_", 0), 0u) << regionName;
    EXPECT_EQ(regionParts, 1u);
    const auto [proxyName, proxyParts] = folderOf(packet.records[2]);
    EXPECT_EQ(proxyName.rfind("Proxy_", 0), 0u) << proxyName;
    EXPECT_EQ(proxyParts, 2u);  // the line, and the two points as one point set
    Track set(packet.records[4].payload);
    EXPECT_EQ(set.obj->m_byGeomKind, 6);
    EXPECT_EQ(set.obj->m_nCount, 2);
}

// Blocks nested in blocks, read back from a file: each reference knows its block by name only, and every
// level explodes into the parts the drawing shows.
TEST_F(SendRoadTest, NestedBlocksReadFromAFileGoWithAllTheirParts) {
    const AcDbObjectId inner = MakeBlock(u"Pair", {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)),
                                                   new AcDbLine(AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0))});
    const AcDbObjectId middle = MakeBlock(u"Gate", {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(2, 0, 0)),
                                                    new AcDbBlockReference(AcGePoint3d(10, 0, 0), inner)});
    const AcDbObjectId outer = MakeBlock(u"Site", {new AcDbBlockReference(AcGePoint3d(0, 5, 0), middle)});
    Add(new AcDbBlockReference(AcGePoint3d(100, 200, 0), outer));
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("OPEN", {dir + "/site.dxf"}), CommandOutcome::kEnded);

    auto sendAll = [&]() {
        platform::SetPickFirst(Entities());
        host.MapSim().ClearRecords();
        Mark();
        EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
        EXPECT_EQ(Printed().find("炸开块失败"), std::string::npos) << Printed();
        return LastPacket();
    };
    auto childCount = [](const mapsim::PacketRecord& record) {
        MapFolderObj* folder = MapApiParseFolder(&g_MapApiLink, record.payload.data(),
                                                 static_cast<DWORD>(record.payload.size()));
        const uint32_t count = folder != nullptr ? folder->m_nChildCount : 0;
        MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
        return count;
    };
    {
        const mapsim::Packet packet = sendAll();
        ASSERT_EQ(packet.records.size(), 4u);
        EXPECT_EQ(packet.records[0].type, mapsim::kTypeFolder);
        EXPECT_EQ(childCount(packet.records[0]), 3u);
        Track gate(
            packet.records[1].payload);  // (0,0) in the gate, (0,5) in the site, (100,200) in the drawing
        EXPECT_EQ(gate.obj->m_pPoints[0].m_dX, 100.0);
        EXPECT_EQ(gate.obj->m_pPoints[0].m_dY, 205.0);
        Track pair(packet.records[3].payload);  // the pair's upper line: (0,1) + (10,0) + (0,5) + (100,200)
        EXPECT_EQ(pair.obj->m_pPoints[0].m_dX, 110.0);
        EXPECT_EQ(pair.obj->m_pPoints[0].m_dY, 206.0);
    }

    // The same nesting as another program writes it: no block records, the inner block after the one that
    // uses it.
    const std::string other = dir + "/other.dxf";
    e2e::WriteFile(other,
                   "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n"
                   "  0\nSECTION\n  2\nBLOCKS\n"
                   "  0\nBLOCK\n  5\n30\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockBegin\n  2\nOUTER\n 70\n0\n"
                   " 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\nOUTER\n"
                   "  0\nINSERT\n  5\n31\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockReference\n  2\nINNER\n"
                   " 10\n3.0\n 20\n4.0\n 30\n0.0\n"
                   "  0\nENDBLK\n  5\n32\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockEnd\n"
                   "  0\nBLOCK\n  5\n40\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockBegin\n  2\nINNER\n 70\n0\n"
                   " 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\nINNER\n"
                   "  0\nLINE\n  5\n41\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n"
                   " 10\n1.0\n 20\n1.0\n 30\n0.0\n 11\n2.0\n 21\n1.0\n 31\n0.0\n"
                   "  0\nENDBLK\n  5\n42\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockEnd\n"
                   "  0\nENDSEC\n"
                   "  0\nSECTION\n  2\nENTITIES\n"
                   "  0\nINSERT\n  5\n50\n100\nAcDbEntity\n  8\nSurvey\n100\nAcDbBlockReference\n  2\nOUTER\n"
                   " 10\n20.0\n 20\n30.0\n 30\n0.0\n"
                   "  0\nENDSEC\n  0\nEOF\n");
    ASSERT_EQ(Run("OPEN", {other}), CommandOutcome::kEnded) << Printed();
    ASSERT_EQ(Entities().size(), 1u);
    const mapsim::Packet packet = sendAll();
    ASSERT_EQ(packet.records.size(), 2u);
    EXPECT_EQ(childCount(packet.records[0]), 1u);
    Track line(packet.records[1].payload);  // (1,1) + (3,4) + (20,30)
    EXPECT_EQ(line.obj->m_pPoints[0].m_dX, 24.0);
    EXPECT_EQ(line.obj->m_pPoints[0].m_dY, 35.0);
}

// A drawing never saved sends under the name the host shows for it, its layers' folders under that one, as
// for a saved drawing.
TEST_F(SendRoadTest, ADrawingNeverSavedSendsUnderTheNameTheHostShows) {
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    const std::string title = platform::Utf16ToUtf8(Doc()->docTitle());
    ASSERT_FALSE(title.empty());
    ASSERT_EQ(Doc()->fileName()[0], u'\0');
    const uint64_t a = Add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0)), u"A");
    Select({a});
    host.MapSim().ClearRecords();
    EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    const mapsim::MapSim& map = host.MapSim();
    const uint32_t workspace = map.FolderNamed(0, "CAD工作空间");
    ASSERT_NE(workspace, 0u);
    const uint32_t drawing = map.FolderNamed(workspace, title);
    ASSERT_NE(drawing, 0u) << title;
    EXPECT_EQ(map.FolderCount(workspace, title), 1u);
    EXPECT_EQ(map.FolderCount(workspace, ""), 0u);
    const uint32_t layer = map.FolderNamed(drawing, "A");
    ASSERT_NE(layer, 0u);
    EXPECT_EQ(map.FolderCount(drawing, "A"), 1u);
    ASSERT_NE(Stored(a), nullptr);
    EXPECT_EQ(Stored(a)->parent, layer);
    size_t drawingsUnderWorkspace = 0;
    for (const auto& [id, folder] : map.Folders()) {
        drawingsUnderWorkspace += folder.parent == workspace ? 1 : 0;
    }
    EXPECT_EQ(drawingsUnderWorkspace, 1u);

    // Sent again: the same folders.
    const uint64_t b = Add(new AcDbLine(AcGePoint3d(0, 5, 0), AcGePoint3d(10, 5, 0)), u"A");
    Select({b});
    EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    EXPECT_EQ(map.FolderCount(workspace, title), 1u);
    EXPECT_EQ(map.FolderCount(drawing, "A"), 1u);
    ASSERT_NE(Stored(b), nullptr);
    EXPECT_EQ(Stored(b)->parent, layer);
}

// A reference with attributes goes as the drawing shows it: the values of its attributes and the block's
// constant texts, not the tags and defaults of the definitions that ask for values.
TEST_F(SendRoadTest, BlockReferencesSendTheirAttributeValuesNotTheTags) {
    auto* asked = new AcDbAttributeDefinition(AcGePoint3d(0, 1, 0), u"X", u"TAG", u"Number?", AcDbObjectId());
    auto* fixed = new AcDbAttributeDefinition(AcGePoint3d(0, 2, 0), u"WELL", u"KIND", u"", AcDbObjectId());
    fixed->setConstant(true);
    auto* hidden = new AcDbAttributeDefinition(AcGePoint3d(0, 3, 0), u"H", u"NOTE", u"", AcDbObjectId());
    const AcDbObjectId block =
        MakeBlock(u"Valve", {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)), asked, fixed, hidden});
    auto* ref = new AcDbBlockReference(AcGePoint3d(100, 200, 0), block);
    const uint64_t key = Add(ref);
    {
        linktest::DocLock lock(Doc());
        AcDbBlockReference* open = nullptr;
        ASSERT_EQ(acdbOpenObject(open, linktest::IdOf(Doc(), key), AcDb::kForWrite), Acad::eOk);
        auto* value = new AcDbAttribute(AcGePoint3d(100, 201, 0), u"P-01", u"TAG", AcDbObjectId());
        ASSERT_EQ(open->appendAttribute(value), Acad::eOk);
        value->close();
        auto* note = new AcDbAttribute(AcGePoint3d(100, 203, 0), u"secret", u"NOTE", AcDbObjectId());
        note->setInvisible(true);
        ASSERT_EQ(open->appendAttribute(note), Acad::eOk);
        note->close();
        open->close();
    }
    const mapsim::Packet packet = Send({key});
    ASSERT_EQ(packet.records.size(), 4u);  // the folder, the line, the constant text, the value
    MapFolderObj* folder = MapApiParseFolder(&g_MapApiLink, packet.records[0].payload.data(),
                                             static_cast<DWORD>(packet.records[0].payload.size()));
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->m_nChildCount, 3u);
    MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
    std::vector<std::string> texts;
    for (size_t i = 1; i < packet.records.size(); ++i) {
        if (packet.records[i].type == mapsim::kTypeMark) {
            Label label(packet.records[i].payload);
            ASSERT_NE(label.obj, nullptr);
            texts.emplace_back(label.obj->m_szName);
            if (texts.back() == "P-01") {
                EXPECT_EQ(label.obj->m_dX, 100.0);
                EXPECT_EQ(label.obj->m_dY, 201.0);
            }
            if (texts.back() == "WELL") {
                EXPECT_EQ(label.obj->m_dX, 100.0);  // (0,2) placed at (100,200)
                EXPECT_EQ(label.obj->m_dY, 202.0);
            }
        }
    }
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"P-01", "WELL"}));
}

}  // namespace
