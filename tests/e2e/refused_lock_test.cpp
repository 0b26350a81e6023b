// Each road that writes to a drawing outside a command takes the document's lock; here the host refuses it.
// The road stops without touching the drawing or the map, gives back no lock it did not get (the lock of
// the command around it stays), and runs as usual once locks are granted again.
#include "../exchange/link_fixture.h"
#include "host_fixture.h"
#include "mapsim/records.h"
#include "plugin/core/Settings.h"

namespace {

using platform::CommandOutcome;

class RefusedLockTest : public e2e::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(Run("SAVEAS", {dir + "/site.dxf"}), CommandOutcome::kEnded);
        CSettingsRecord record = AutoSyncSettings();
        record.m_bDblClickProperty = 1;
        WriteSettings(record);
        std::string error;
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
        host.MapSim().ClearRecords();
    }
    void TearDown() override {
        platform::SetLockRefusal(nullptr);
        std::string error;
        EXPECT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
        EXPECT_TRUE(platform::LockViolations().empty());
        HostTest::TearDown();
    }

    // The plug-in's write locks are refused; the host's own command locks are granted.
    void Refuse() {
        refusedBefore = platform::RefusedLocks();
        platform::SetLockRefusal([](AcApDocument*, AcAp::DocLockMode mode) { return mode == AcAp::kWrite; });
    }
    void Grant() { platform::SetLockRefusal(nullptr); }
    // The road asked for the lock, was refused, and left no lock behind and nothing written without one.
    void ExpectStoppedCleanly() {
        EXPECT_GT(platform::RefusedLocks(), refusedBefore);
        EXPECT_EQ(platform::LockDepth(host.Document()), 0);
        EXPECT_EQ(platform::LockViolations(), std::vector<std::string>());
    }
    const mapsim::StoredObject* Stored(uint64_t key) {
        for (const auto& [id, object] : host.MapSim().Objects()) {
            if (object.key == key) {
                return &object;
            }
        }
        return nullptr;
    }
    uint64_t AddLine(double y) {
        return linktest::Append(host.Document(), new AcDbLine(AcGePoint3d(0, y, 0), AcGePoint3d(10, y, 0)),
                                u"Survey");
    }
    void Select(uint64_t handle) { platform::SetPickFirst({linktest::IdOf(host.Document(), handle)}); }

    int refusedBefore = 0;
};

TEST_F(RefusedLockTest, TheSendRoadSendsNothing) {
    const uint64_t line = AddLine(0);
    Refuse();
    Select(line);
    EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    ExpectStoppedCleanly();
    EXPECT_EQ(Stored(line), nullptr);
    Grant();
    Select(line);
    EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    EXPECT_NE(Stored(line), nullptr);
}

TEST_F(RefusedLockTest, TheReceiveRoadBuildsNothing) {
    const size_t before = Entities().size();
    ASSERT_EQ(Run("MAPSIM SAMPLES"), CommandOutcome::kEnded);
    Refuse();
    ASSERT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
    host.Wait(100);
    ExpectStoppedCleanly();
    EXPECT_EQ(Entities().size(), before);
    Grant();
    ASSERT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
    host.Wait(100);
    EXPECT_GT(Entities().size(), before);
}

// The save's link writing runs inside the save command: the refused lock must not give back the command's.
TEST_F(RefusedLockTest, ASaveKeepsItsCommandsLockAndWritesTheLinksOnceGranted) {
    const uint64_t line = AddLine(0);
    Select(line);
    ASSERT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    ASSERT_NE(Stored(line), nullptr);
    Refuse();
    // The lock the host holds for the command around the save.
    ASSERT_EQ(acDocManager->lockDocument(host.Document(), AcAp::kAutoWrite), Acad::eOk);
    EXPECT_EQ(Run("QSAVE"), CommandOutcome::kEnded) << Printed();
    EXPECT_EQ(platform::LockDepth(host.Document()), 1);
    EXPECT_EQ(acDocManager->unlockDocument(host.Document()), Acad::eOk);
    ExpectStoppedCleanly();
    CBindingRecord link;
    EXPECT_FALSE(linktest::StoredLink(host.Document(), line, link));
    Grant();
    EXPECT_EQ(Run("QSAVE"), CommandOutcome::kEnded) << Printed();
    ASSERT_TRUE(linktest::StoredLink(host.Document(), line, link));
    EXPECT_EQ(link.m_mapId, Stored(line)->id);
}

TEST_F(RefusedLockTest, AnEditAtTheEndOfACommandIsNotPassedOn) {
    Refuse();
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    host.Wait(100);
    ExpectStoppedCleanly();
    EXPECT_TRUE(host.MapSim().Objects().empty());
    Grant();
    ASSERT_EQ(Run("LINE", {"0,5", "10,5", ""}), CommandOutcome::kEnded);
    host.Wait(100);
    EXPECT_FALSE(host.MapSim().Objects().empty());
}

TEST_F(RefusedLockTest, ADoubleClickIsLeftToTheHost) {
    AddLine(0);
    const int hostEdits = platform::HostDoubleClickEdits();
    Refuse();
    EXPECT_EQ(Run("DBLCLICK 5,0"), CommandOutcome::kEnded);
    ExpectStoppedCleanly();
    EXPECT_EQ(platform::HostDoubleClickEdits(), hostEdits + 1);
}

}  // namespace
