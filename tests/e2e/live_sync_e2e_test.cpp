// Live synchronisation end to end: the plug-in module loaded into tarnhost with the user's auto-sync on, the
// host's own commands drawing, erasing and undoing, the simulated map application storing and deleting.
#include "host_fixture.h"
#include "plugin/core/Settings.h"

namespace {

using platform::CommandOutcome;

class LiveSyncE2eTest : public e2e::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(Run("SAVEAS", {dir + "/site.dxf"}), CommandOutcome::kEnded);
        CSettingsRecord record = AutoSyncSettings();
        record.m_bHintMapTooOld = 1;
        record.m_bHintPluginUpdate = 1;
        WriteSettings(record);
        std::string error;
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
        host.MapSim().ClearRecords();
    }
    void TearDown() override {
        std::string error;
        EXPECT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
        EXPECT_TRUE(platform::LockViolations().empty());
        HostTest::TearDown();
    }
    size_t Keyed() {
        size_t n = 0;
        for (const auto& [id, object] : host.MapSim().Objects()) {
            n += object.key != 0 ? 1 : 0;
        }
        return n;
    }
};

TEST_F(LiveSyncE2eTest, DrawingErasingAndUndoingReachTheMapAsEachCommandEnds) {
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", "10,10", ""}), CommandOutcome::kEnded);
    EXPECT_EQ(host.MapSim().RequestsOf(20112).size(), 1u);
    EXPECT_EQ(Keyed(), 2u);

    // A copy is not passed on.
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("COPY", {"last", "0,0", "0,20"}), CommandOutcome::kEnded);
    EXPECT_TRUE(host.MapSim().RequestsOf(20112).empty());

    Mark();
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("ERASE", {"all"}), CommandOutcome::kEnded) << Printed();
    EXPECT_FALSE(host.MapSim().RequestsOf(20103).empty());
    EXPECT_EQ(Keyed(), 0u);

    ASSERT_EQ(Run("U"), CommandOutcome::kEnded);
    EXPECT_EQ(Keyed(), 3u);  // both lines and the copy, sent back as new objects

    // A double click where nothing lies leaves the host's own edit to it.
    EXPECT_EQ(host.Run("DBLCLICK 500,500"), CommandOutcome::kEnded);
}

}  // namespace
