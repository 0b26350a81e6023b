// What the map user sends lands on the layer of its folder, also when the drawing lacks that layer or has
// it locked, and nothing built on the way (a hatch's outline) is left beside it; the links hold in the map
// and after a save and reopen.
#include <set>

#include "../exchange/link_fixture.h"
#include "host_fixture.h"
#include "mapsim/records.h"
#include "mapsim/samples.h"
#include "plugin/core/Settings.h"

namespace {

using platform::CommandOutcome;

class ReceiveLayersTest : public e2e::SyncedDrawingTest {
protected:
    void SetUp() override {
        SyncedDrawingTest::SetUp();
        SetUpDrawing("site.dxf");
    }

    void Receive(std::vector<uint32_t> ids) {
        host.MapSim().Select(std::move(ids));
        ASSERT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
        host.Wait(200);
    }
    uint32_t AddShape(uint32_t folder, std::vector<mapsim::SamplePoint> points, double start = 0,
                      double end = 0) {
        mapsim::SampleShape shape;
        shape.name = "地块" + std::to_string(++shapes);
        shape.points = std::move(points);
        shape.startAngle = start;
        shape.endAngle = end;
        return host.MapSim().AddObject(mapsim::kTypeShape, folder, mapsim::MakeShapeRecord(shape));
    }
    uint32_t AddTrack(uint32_t folder, double y) {
        mapsim::SampleTrack track;
        track.name = "路";
        track.points = {{0, y}, {10, y}, {10, y + 10}};
        return host.MapSim().AddObject(mapsim::kTypeTrack, folder, mapsim::MakeTrackRecord(track));
    }
    // Class and layer of every model-space entity, in order.
    std::vector<std::string> Listed() {
        std::vector<std::string> out;
        for (AcDbObjectId id : Entities()) {
            AcDbEntity* entity = nullptr;
            if (acdbOpenObject(entity, id, AcDb::kForRead) == Acad::eOk) {
                out.push_back(platform::Utf16ToUtf8(entity->isA()->name()) + " on " +
                              platform::Utf16ToUtf8(entity->layer().kACharPtr()));
                entity->close();
            }
        }
        return out;
    }
    bool HasLayer(const char16_t* name) {
        AcDbLayerTable* layers = nullptr;
        if (host.Document()->database()->getLayerTable(layers, AcDb::kForRead) != Acad::eOk) {
            return false;
        }
        const bool has = layers->has(name);
        layers->close();
        return has;
    }
    // The map objects the drawing's entities went back as after a move of everything.
    std::set<uint32_t> SentBackIds() {
        host.MapSim().ClearRecords();
        EXPECT_EQ(Run("MOVE", {"all", "0,0", "1,0"}), CommandOutcome::kEnded);
        std::set<uint32_t> ids;
        for (const auto& request : host.MapSim().RequestsOf(20112)) {
            if (auto packet = mapsim::ReadPacket(request.payload.data(), request.payload.size())) {
                for (const mapsim::PacketRecord& record : packet->records) {
                    ids.insert(record.id);
                }
            }
        }
        return ids;
    }
    void Reopen() {
        ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
        Run("CLOSE");
        ASSERT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded);
        host.Wait(100);
    }

    int shapes = 0;
};

TEST_F(ReceiveLayersTest, ShapesReceivedOntoALockedLayerLeaveNoOutlineBehind) {
    const uint32_t folder = host.MapSim().AddFolder(mapsim::kRootFolder, "地籍");
    const uint32_t road = AddTrack(folder, 500);
    Receive({folder, road});
    ASSERT_EQ(Listed(), std::vector<std::string>{"AcDbPolyline on 地籍"});
    linktest::SetLayerLocked(host.Document(), u"地籍", true);

    // A polygon, a polygon with a hole, a circle, an ellipse and a sector, as the map user draws them.
    const std::vector<uint32_t> sent = {
        AddShape(folder, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}),
        AddShape(folder,
                 {{20, 0}, {60, 0}, {60, 40}, {20, 40}, {20, 0}, {30, 10, 0x10000}, {40, 10}, {40, 20}}),
        AddShape(folder, {{100, 10}, {110, 0}}, 0, 360),
        AddShape(folder, {{200, 0}, {220, 10}}, 0, 360),
        AddShape(folder, {{300, 10}, {310, 0}}, 30, 120),
    };
    Receive(sent);
    const std::vector<std::string> hatches(5, "AcDbHatch on 地籍");
    std::vector<std::string> expected = {"AcDbPolyline on 地籍"};
    expected.insert(expected.end(), hatches.begin(), hatches.end());
    EXPECT_EQ(Listed(), expected);
    linktest::SetLayerLocked(host.Document(), u"地籍", false);
    std::set<uint32_t> bound(sent.begin(), sent.end());
    bound.insert(road);
    EXPECT_EQ(SentBackIds(), bound);

    // With the current layer locked as well, the outline can't go: the shape is not built at all, and the
    // drawing keeps nothing of it.
    linktest::SetLayerLocked(host.Document(), u"地籍", true);
    linktest::SetLayerLocked(host.Document(), u"0", true);
    const uint32_t stuck = AddShape(folder, {{0, 100}, {10, 100}, {10, 110}});
    Receive({stuck});
    EXPECT_EQ(Listed(), expected);
    linktest::SetLayerLocked(host.Document(), u"地籍", false);
    linktest::SetLayerLocked(host.Document(), u"0", false);

    Reopen();
    EXPECT_EQ(Listed(), expected);
    EXPECT_EQ(SentBackIds(), bound);
}

TEST_F(ReceiveLayersTest, ObjectsOfAFolderTheTreeKnowsLandOnALayerOfItsName) {
    // Another drawing's folders in the map; the first send lists them into the folder tree.
    const uint32_t workspace = host.MapSim().AddFolder(mapsim::kRootFolder, "CAD工作空间");
    const uint32_t other = host.MapSim().AddFolder(workspace, "other.dxf");
    const uint32_t roads = host.MapSim().AddFolder(other, "道路");
    const uint32_t odd = host.MapSim().AddFolder(other, "a<b");
    const uint32_t road = AddTrack(roads, 0);
    const uint32_t path = AddTrack(odd, 50);
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    platform::SetPickFirst({Entities().back()});
    ASSERT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    ASSERT_EQ(Run("ERASE", {"all"}), CommandOutcome::kEnded);
    ASSERT_FALSE(HasLayer(u"道路"));

    // Only the objects are selected: their folders are known, not sent.
    Receive({road, path});
    // A name the host refuses as a layer name gives the current layer.
    EXPECT_EQ(Listed(), (std::vector<std::string>{"AcDbPolyline on 道路", "AcDbPolyline on 0"}));
    EXPECT_FALSE(HasLayer(u"a<b"));
    EXPECT_EQ(SentBackIds(), (std::set<uint32_t>{road, path}));

    Reopen();
    EXPECT_EQ(Listed(), (std::vector<std::string>{"AcDbPolyline on 道路", "AcDbPolyline on 0"}));
    EXPECT_EQ(SentBackIds(), (std::set<uint32_t>{road, path}));
}

}  // namespace
