// Links of entities on a locked layer, end to end: the plug-in in the host with auto-sync on and the
// simulated map application answering; the drawing saved, closed and opened again while the layer is locked,
// then edited: the map keeps one object for the entity throughout.
#include "../exchange/link_fixture.h"
#include "host_fixture.h"
#include "mapsim/records.h"
#include "plugin/core/Settings.h"

namespace {

using platform::CommandOutcome;

class LockedLayerLinksTest : public e2e::SyncedDrawingTest {
protected:
    void SetUp() override {
        SyncedDrawingTest::SetUp();
        SetUpDrawing("streets.dxf");
    }

    // The layer locked as the user's layer list does it: no command runs.
    void LockLayer(const char16_t* name) {
        AcApDocument* doc = host.Document();
        linktest::DocLock lock(doc);
        AcDbLayerTable* layers = nullptr;
        ASSERT_EQ(doc->database()->getLayerTable(layers, AcDb::kForRead), Acad::eOk);
        AcDbLayerTableRecord* layer = nullptr;
        ASSERT_EQ(layers->getAt(name, layer, AcDb::kForWrite), Acad::eOk);
        layers->close();
        layer->setIsLocked(true);
        layer->close();
    }
    std::vector<uint32_t> ObjectsOf(uint64_t key) {
        std::vector<uint32_t> ids;
        for (const auto& [id, object] : host.MapSim().Objects()) {
            if (object.key == key) {
                ids.push_back(id);
            }
        }
        return ids;
    }
    std::vector<uint32_t> Deleted() {
        std::vector<uint32_t> ids;
        for (const auto& request : host.MapSim().RequestsOf(20103)) {
            for (size_t at = 16; at + 4 <= request.payload.size(); at += 4) {
                ids.push_back(mapsim::Get<uint32_t>(request.payload, at));
            }
        }
        return ids;
    }
};

TEST_F(LockedLayerLinksTest, ALinkMadeWhileTheLayerIsLockedOutlivesSaveCloseAndOpen) {
    ASSERT_EQ(Run("-LAYER", {"Make", "路网", ""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    const uint64_t line = Entities().back().handle().value();
    ASSERT_EQ(ObjectsOf(line).size(), 1u);
    const uint32_t id = ObjectsOf(line)[0];

    LockLayer(u"路网");
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    Run("CLOSE");
    ASSERT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("-LAYER", {"Unlock", "路网", ""}), CommandOutcome::kEnded);

    // The entity still stands for its object: a move updates it, an erase deletes it.
    const size_t objects = host.MapSim().Objects().size();
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("MOVE", {"all", "0,0", "0,30"}), CommandOutcome::kEnded);
    EXPECT_EQ(ObjectsOf(line), std::vector<uint32_t>{id});
    EXPECT_EQ(host.MapSim().Objects().size(), objects);
    EXPECT_EQ(host.MapSim().Objects().at(id).received, 2u);
    ASSERT_EQ(Run("ERASE", {"all"}), CommandOutcome::kEnded);
    EXPECT_EQ(Deleted(), std::vector<uint32_t>{id});
    EXPECT_TRUE(ObjectsOf(line).empty());
}

}  // namespace
