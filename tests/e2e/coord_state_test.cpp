// The map application's coordinate state before a send: asked every time, a send goes only on an answer that
// came now, and a reopen check whose answer can't come ends instead of blocking every later one.
#include "../exchange/link_fixture.h"
#include "host_fixture.h"
#include "plugin/core/Settings.h"

namespace {

using platform::CommandOutcome;

class CoordStateTest : public e2e::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        // More drawings on disk to open later; the one worked in is site.dxf.
        for (const char* name : {"/a.dxf", "/b.dxf", "/c.dxf", "/d.dxf", "/site.dxf"}) {
            ASSERT_EQ(Run("SAVEAS", {dir + name}), CommandOutcome::kEnded);
        }
        WriteSettings(AutoSyncSettings());
        std::string error;
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
        host.MapSim().SetCoordState(4, plane, "北京54");
        ASSERT_EQ(Run("LIST", {""}), CommandOutcome::kEnded);  // the first command starts the reopen check
        host.Wait(100);
    }
    void TearDown() override {
        host.MapSim().ClearScripts();
        std::string error;
        EXPECT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
        HostTest::TearDown();
    }

    // A new line selected and the send button pressed; whether the line reached the map.
    bool SendALine() {
        const uint64_t line = linktest::AddLine(host.Document(), ++lines);
        platform::SetPickFirst({linktest::IdOf(host.Document(), line)});
        host.MapSim().ClearRecords();
        EXPECT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded);
        return !host.MapSim().RequestsOf(20112).empty();
    }
    size_t Asked() { return host.MapSim().RequestsOf(20202).size(); }

    std::array<uint8_t, 16> plane{{1, 2, 3}};
    std::array<uint8_t, 16> degrees{{9, 8, 7}};
    int lines = 0;
};

TEST_F(CoordStateTest, ASendGoesOnlyOnAnAnswerThatCameNow) {
    ASSERT_TRUE(SendALine());

    // The map switched to longitude/latitude and answers nothing, or something short: the plane state it
    // reported before is not trusted.
    host.MapSim().SetCoordState(2, degrees, "WGS 84");
    host.MapSim().FailCode(20202, 0);
    EXPECT_FALSE(SendALine());
    EXPECT_EQ(Asked(), 1u);
    host.MapSim().ClearScripts();
    host.MapSim().ReplaceNextAnswer(20202, mapsim::Bytes(10, 0xFF));
    EXPECT_FALSE(SendALine());

    // Its answer refuses the send.
    host.Answer("OK");
    EXPECT_FALSE(SendALine());
    EXPECT_EQ(e2e::Count(out.str(), "Zavrel当前的坐标系为经纬度，不支持该操作！"), 1);

    host.MapSim().SetCoordState(4, plane, "北京54");
    EXPECT_TRUE(SendALine());
}

TEST_F(CoordStateTest, AReopenCheckWithoutItsAnswerEndsAndTheSendAsksAgain) {
    // The check of a drawing opened now gets a short answer.
    host.MapSim().ReplaceNextAnswer(20202, mapsim::Bytes(10, 0xFF));
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("OPEN", {dir + "/a.dxf"}), CommandOutcome::kEnded);
    host.Wait(100);
    ASSERT_EQ(Asked(), 1u);

    // Not pending for ever: the next drawing opened is checked.
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("OPEN", {dir + "/b.dxf"}), CommandOutcome::kEnded);
    host.Wait(100);
    EXPECT_EQ(Asked(), 1u);

    // The same with no answer at all.
    host.MapSim().FailCode(20202, 0, 1);
    ASSERT_EQ(Run("OPEN", {dir + "/c.dxf"}), CommandOutcome::kEnded);
    host.Wait(100);
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("OPEN", {dir + "/d.dxf"}), CommandOutcome::kEnded);
    host.Wait(100);
    EXPECT_EQ(Asked(), 1u);

    // A check left without its answer does not make the send trust the state reported before.
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    host.MapSim().ReplaceNextAnswer(20202, mapsim::Bytes(10, 0xFF));
    ASSERT_EQ(Run("OPEN", {dir + "/d.dxf"}), CommandOutcome::kEnded);
    host.Wait(100);
    host.MapSim().ClearRecords();
    host.MapSim().SetCoordState(2, degrees, "WGS 84");
    host.Answer("OK");
    EXPECT_FALSE(SendALine());
    EXPECT_EQ(Asked(), 1u);
}

}  // namespace
