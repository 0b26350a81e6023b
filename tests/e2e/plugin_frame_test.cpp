// The plug-in module TarnArx.arx in the host: start-up and shutdown in order, its hidden window answering the
// simulated map application, its timers on the virtual clock.
#include <filesystem>

#include "host_fixture.h"
#include "platform/mfc/afxdlg.h"
#include "platform/win32/bus/bus_hooks.h"

namespace {

using e2e::HostTest;
using platform::CommandOutcome;

constexpr const char16_t* kWindowClass = u"TarnArxWin";
const char16_t* const kCommands[] = {u"TARN", u"CLEARMAP", u"MATCHTARN", u"test"};

mapsim::Bytes Zeros(size_t n) {
    return mapsim::Bytes(n, 0);
}

class PluginTest : public HostTest {
protected:
    bool Load() {
        std::string error;
        const bool loaded = host.LoadModule(TARN_PLUGIN_MODULE, &error);
        EXPECT_TRUE(loaded) << error << Printed();
        return loaded;
    }
    bool Unload() {
        std::string error;
        const bool unloaded = host.UnloadModule("TarnArx", &error);
        EXPECT_TRUE(unloaded) << error;
        return unloaded;
    }
    HWND Window() const { return FindWindowW(kWindowClass, nullptr); }
    size_t CommandsLeft() const {
        size_t n = 0;
        for (const char16_t* name : kCommands) {
            n += acedRegCmds->lookupGlobalCmd(name) != nullptr ? 1 : 0;
        }
        return n;
    }
    size_t Requests(uint16_t code) { return host.MapSim().RequestsOf(code).size(); }
    std::string SaveAs(const std::string& name) {
        const std::string path = dir + "/" + name;
        EXPECT_EQ(Run("SAVEAS", {path}), CommandOutcome::kEnded);
        return path;
    }
};

TEST_F(PluginTest, LoadsInOrderRunsItsCommandsAndUnloadsCleanlyTwice) {
    SaveAs("first.dxf");
    acedGetAcadFrame();  // the host's own window, which the plug-in's toolbar docks on, stays with the host
    const size_t windowsBefore = platform::LiveWindowCount();
    const size_t reactorsBefore = platform::EditorReactorCount();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        host.MapSim().ClearRecords();
        ASSERT_TRUE(Load());
        // Registered with the map application under its window's name, with its menu entry offered.
        ASSERT_NE(Window(), nullptr);
        EXPECT_FALSE(IsWindowVisible(Window()));
        EXPECT_EQ(host.MapSim().ClientName(), kWindowClass);
        EXPECT_TRUE(host.MapSim().MenuEntryPresent());
        EXPECT_EQ(host.MapSim().MenuText(), "发送所选对象到CAD");
        EXPECT_EQ(Requests(20013), 0u);  // no follow mode in the default settings
        EXPECT_EQ(CommandsLeft(), std::size(kCommands));
        // The group holds these four only: sending and the property dialog are the toolbar's and the
        // double-click's.
        EXPECT_EQ(acedRegCmds->lookupGlobalCmd(u"TARNSEND"), nullptr);
        EXPECT_EQ(acedRegCmds->lookupGlobalCmd(u"TARNPROP"), nullptr);
        EXPECT_EQ(acedRegCmds->lookupGlobalCmd(u"CLEARMAP")->groupName(), std::u16string(u"TARN"));
        EXPECT_EQ(platform::EditorReactorCount(), reactorsBefore + 1);
        EXPECT_NE(
            std::find(platform::LinkerCalls().begin(), platform::LinkerCalls().end(), u"load:acISMobj17.dbx"),
            platform::LinkerCalls().end());
        // Its log lies beside the module.
        const std::string log = e2e::ReadFile(host.Options().moduleFolder + "/DebugLog.txt");
        EXPECT_NE(log.find("TarnArx loaded"), std::string::npos) << log;

        EXPECT_EQ(Run("test"), CommandOutcome::kEnded);
        EXPECT_EQ(Run("TARN"), CommandOutcome::kEnded);

        // 2 s on, the image frames are switched on and off again through the command line.
        EXPECT_EQ(Run("IMAGEFRAME 2"), CommandOutcome::kEnded);
        Mark();
        host.Wait(2000);
        EXPECT_EQ(e2e::Count(Printed(), "IMAGEFRAME"), 2) << Printed();
        EXPECT_EQ(Printed().find("Unknown command"), std::string::npos) << Printed();
        resbuf frame{};
        ASSERT_EQ(acedGetVar(u"IMAGEFRAME", &frame), RTNORM);
        EXPECT_EQ(frame.resval.rint, 0);

        // The 5 s timers: the menu entry is queried, the update check asked once and answered.
        host.Wait(3000);
        EXPECT_EQ(Requests(20203), 1u);
        EXPECT_GE(Requests(20401), 2u);
        host.Wait(10000);
        EXPECT_EQ(Requests(20203), 1u);  // answered: the check stops

        ASSERT_TRUE(Unload());
        EXPECT_EQ(Window(), nullptr);
        EXPECT_EQ(CommandsLeft(), 0u);
        EXPECT_EQ(Run("CLEARMAP"), CommandOutcome::kUnknown);
        EXPECT_FALSE(host.MapSim().MenuEntryPresent());
        EXPECT_EQ(platform::EditorReactorCount(), reactorsBefore);
        EXPECT_EQ(platform::LiveWindowCount(), windowsBefore);
        // No timer of it is left to fire.
        const size_t before = host.MapSim().Requests().size();
        host.Wait(20000);
        EXPECT_EQ(host.MapSim().Requests().size(), before);
    }
}

TEST_F(PluginTest, MapApplicationAbsentAtLoadThenAppearing) {
    host.MapSim().Stop();
    ASSERT_TRUE(Load());
    EXPECT_NE(Window(), nullptr);
    EXPECT_EQ(CommandsLeft(), std::size(kCommands));
    host.Wait(5000);  // nobody to ask

    ASSERT_TRUE(host.MapSim().Start());
    host.MapSim().ClearRecords();
    EXPECT_FALSE(host.MapSim().MenuEntryPresent());
    host.Wait(5000);
    EXPECT_TRUE(host.MapSim().MenuEntryPresent());
    EXPECT_EQ(host.MapSim().MenuText(), "发送所选对象到CAD");
    // Present now: the timer keeps asking, and offers it no more.
    const size_t offers = Requests(20401);
    host.Wait(5000);
    EXPECT_EQ(Requests(20401), offers + 1);

    // Registration lost (the map application closed and started again) and regained by the next offer.
    host.MapSim().Stop();
    host.Wait(5000);
    ASSERT_TRUE(host.MapSim().Start());
    EXPECT_FALSE(host.MapSim().MenuEntryPresent());
    host.Wait(5000);
    EXPECT_TRUE(host.MapSim().MenuEntryPresent());
    EXPECT_TRUE(Unload());
}

TEST_F(PluginTest, IncomingCodesAreCheckedBeforeTheyAreRead) {
    SaveAs("codes.dxf");  // a drawing with a file name has a sync state
    ASSERT_TRUE(Load());
    mapsim::MapSim& map = host.MapSim();
    // Each code below its payload's minimum is answered with 1 and read no further.
    struct Case {
        uint16_t code;
        size_t min;
    };
    for (const Case& c : {Case{20001, 24}, Case{20110, 144}, Case{20401, 4}, Case{20203, 64}, Case{20211, 40},
                          Case{20012, 52}, Case{20302, 472}, Case{20201, 4}, Case{20202, 72}}) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(map.SendRaw(c.code, Zeros(c.min - 1)), 1);
    }
    // Lists shorter than their 16-byte header hold no entries; they are handled, not rejected.
    EXPECT_EQ(map.SendRaw(20105, Zeros(8)), 0);
    EXPECT_EQ(map.SendRaw(20100, Zeros(8)), 0);
    EXPECT_EQ(map.SendRaw(20101, Zeros(8)), 0);
    EXPECT_EQ(map.SendRaw(20105, mapsim::Bytes()), 1);
    // A name without its NUL ends at its field.
    mapsim::Bytes list(16 + 108, 'A');
    list[20] = 30;
    list[21] = list[22] = list[23] = 0;
    EXPECT_EQ(map.SendRaw(20100, list), 0);
    // Resolution tables take levels 1 to 28 of a longer answer.
    EXPECT_EQ(map.SendRaw(20212, Zeros(30 * 104)), 0);
    EXPECT_EQ(map.SendRaw(20009, mapsim::Bytes()), 0);
    EXPECT_EQ(map.SendRaw(19999, Zeros(4)), 0);

    // The coordinate type decides whether the map view state is taken.
    mapsim::Bytes coord = Zeros(72 + 4);
    coord[40] = 2;  // longitude/latitude
    EXPECT_EQ(map.SendRaw(20202, coord), 0);
    EXPECT_EQ(map.SendRaw(20012, Zeros(52)), 1);
    coord[40] = 4;
    std::fill(coord.begin() + 72, coord.end(), 'x');  // a map name without its NUL
    EXPECT_EQ(map.SendRaw(20202, coord), 0);
    EXPECT_EQ(map.SendRaw(20012, Zeros(52)), 0);

    // A send wParam other than 1001 goes straight to the base procedure.
    COPYDATASTRUCT cds{20401, 0, nullptr};
    EXPECT_EQ(SendMessageW(Window(), WM_COPYDATA, 7, reinterpret_cast<LPARAM>(&cds)), 0);
    // Posted messages that carry no payload of the window's own are ignored.
    EXPECT_TRUE(PostMessageW(Window(), WM_APP + 48, 0, 0x1234));
    EXPECT_TRUE(PostMessageW(Window(), WM_APP + 49, 0, 0x5678));
    host.Idle();

    // "Send to CAD" in the map application: the selection is asked for with the meter shown.
    map.ClearRecords();
    EXPECT_EQ(map.NotifySendToCad(), 0);
    host.Idle();
    ASSERT_EQ(Requests(20110), 1u);
    EXPECT_EQ(map.RequestsOf(20110)[0].payload.size(), 16u);
    EXPECT_TRUE(Unload());
}

TEST_F(PluginTest, TwoDrawingsAtLoadAndOneOpenedLater) {
    SaveAs("one.dxf");
    EXPECT_EQ(Run("NEW"), CommandOutcome::kEnded);
    SaveAs("two.dxf");
    ASSERT_TRUE(Load());
    EXPECT_EQ(Run("NEW"), CommandOutcome::kEnded);
    SaveAs("three.dxf");
    // Answers that need the current drawing's state are taken in each.
    EXPECT_EQ(host.MapSim().SendRaw(20211, Zeros(40)), 0);
    EXPECT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    EXPECT_EQ(host.MapSim().SendRaw(20211, Zeros(40)), 0);
    EXPECT_TRUE(Unload());
    EXPECT_EQ(Window(), nullptr);
}

// A module folder too long for the paths built under it: the load stops with the message, nothing started.
class LongFolderTest : public PluginTest {
protected:
    void SetUp() override {
        options.moduleFolder = tarntest::TempDir() + "/" + std::string(190, 'm');
        PluginTest::SetUp();
    }
};

TEST_F(LongFolderTest, StartUpInAFolderTooLongLeavesNothingBehind) {
    const size_t windows = platform::LiveWindowCount();
    const size_t reactors = platform::EditorReactorCount();
    std::string error;
    EXPECT_FALSE(host.LoadModule(TARN_PLUGIN_MODULE, &error));
    EXPECT_NE(error.find("refused to load"), std::string::npos) << error;
    EXPECT_EQ(Window(), nullptr);
    EXPECT_EQ(CommandsLeft(), 0u);
    EXPECT_EQ(platform::LiveWindowCount(), windows);
    EXPECT_EQ(platform::EditorReactorCount(), reactors);
    EXPECT_TRUE(host.MapSim().Requests().empty());
    EXPECT_FALSE(std::filesystem::exists(options.moduleFolder + "/t__Arx.txt"));
}

}  // namespace
