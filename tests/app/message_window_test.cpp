// The hidden message window: its table of incoming codes, the answers it keeps, its posted payloads and its
// timers.
#include <cstring>
#include <fstream>

#include "frame_fixture.h"
#include "platform/arx/acap/statusbar.h"
#include "plugin/core/HostEnv.h"
#include "plugin/core/Settings.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/maplink/mapobj.h"

namespace {

using frametest::Bytes;
using frametest::FrameTest;
using frametest::Put;
using frametest::Zeros;

// A 108-byte entry of a folder list: id, type, name (not necessarily ended inside its field).
void AddEntry(Bytes& list, DWORD id, DWORD type, const std::string& name) {
    const size_t at = list.size();
    list.resize(at + 108, 0);
    Put(list, at, id);
    Put(list, at + 4, type);
    std::memcpy(list.data() + at + 8, name.data(), std::min<size_t>(name.size(), 100));
}

TEST_F(FrameTest, EveryCodeOfTheTableIsRefusedBelowItsMinimumAndOthersPassThrough) {
    Load();
    const DWORD codes[] = {20001, 20112, 20110, 20401, 20203, 20402, 20009, 20211, 20012,
                           20212, 20302, 20301, 20105, 20101, 20100, 20201, 20202};
    int routed = 0;
    for (DWORD code = 20000; code <= 20503; ++code) {
        const CMessageDlg::CopyDataRoute* route = CMessageDlg::FindCopyDataRoute(code);
        if (route == nullptr) {
            EXPECT_EQ(Send(static_cast<uint16_t>(code), Zeros(2)), 0) << code;
            continue;
        }
        ++routed;
        EXPECT_NE(std::find(std::begin(codes), std::end(codes), code), std::end(codes)) << code;
        if (route->minLength > 0) {
            // An empty folder list is ignored: it goes on to the base procedure.
            const LRESULT refused = code == 20100 ? 0 : 1;
            EXPECT_EQ(Send(static_cast<uint16_t>(code), Zeros(route->minLength - 1)), refused) << code;
        }
    }
    EXPECT_EQ(routed, 17);
    // The answers read as fixed heads need all of their fields: the last field read ends at these sizes.
    const std::pair<DWORD, DWORD> heads[] = {
        {20110, 16 + 64 + 64},  // request header, group header, one object header
        {20203, 64},            // version at 4, change text from 64
        {20211, 32 + 8},        // y of the origin at 32
        {20012, 48 + 4},        // map id at 48
        {20202, 72},            // digest at 44 to 60, name from 72
    };
    for (const auto& [code, size] : heads) {
        EXPECT_EQ(CMessageDlg::FindCopyDataRoute(code)->minLength, size) << code;
    }
    // Unchanged by the refused ones.
    EXPECT_EQ(g_nRegistered, 1u);  // the map application's answer at start-up
    EXPECT_FALSE(g_UpdateNotice.m_bPending);
    // A payload of the right code but under another wParam is not the map application's.
    EXPECT_EQ(Send(20401, Zeros(2), 7), 0);
    // The registration id in the high bits is not checked.
    Bytes flag = Zeros(4);
    EXPECT_EQ(Send(20401, flag), 0);
    EXPECT_EQ(g_nRegistered, 0u);
}

TEST_F(FrameTest, FolderAnswersReadOnlyTheirEntriesAndBoundTheirNames) {
    Load();
    g_strFolderToFind = u"CAD工作空间";
    Bytes list = Zeros(16);
    AddEntry(list, 5, 7, "CAD工作空间");  // not a folder
    AddEntry(list, 6, 30, "cad");
    AddEntry(list, 7, 30, "CAD工作空间");
    AddEntry(list, 8, 30, std::string(120, 'x'));  // no NUL inside its field
    list.resize(list.size() + 50, 'y');            // a part entry at the end is not read
    EXPECT_EQ(Send(20105, list), 0);
    EXPECT_EQ(g_nFoundFolderId, 7u);
    EXPECT_EQ(g_strLastFoundFolder, CString(u"CAD工作空间"));
    EXPECT_EQ(Send(20105, Zeros(15)), 0);
    EXPECT_EQ(g_nFoundFolderId, 0u);
    EXPECT_TRUE(g_strLastFoundFolder.IsEmpty());

    EXPECT_EQ(Send(20100, list), 0);
    ASSERT_EQ(g_MapFolderList.size(), 3u);
    EXPECT_EQ(g_MapFolderList[0].first, 6u);
    EXPECT_EQ(g_MapFolderList[2].second.GetLength(), 100);
    EXPECT_EQ(Send(20100, Zeros(8)), 0);
    EXPECT_TRUE(g_MapFolderList.empty());

    // The folder check: a folder record after the header names the folder and gives its id.
    Bytes check = Zeros(16 + sizeof(MapFolderObj));
    check[2] = 30;
    Put(check, 8, DWORD{42});
    std::memcpy(check.data() + 16, "Layer 0", 7);
    EXPECT_EQ(Send(20101, check), 0);
    EXPECT_EQ(g_nFoundFolderId, 42u);
    EXPECT_EQ(g_strLastFoundFolder, CString(u"Layer 0"));
    check.resize(20);  // too short for its record
    EXPECT_EQ(Send(20101, check), 0);
    EXPECT_EQ(g_nFoundFolderId, 0u);
    EXPECT_TRUE(g_strLastFoundFolder.IsEmpty());
}

TEST_F(FrameTest, BaseMapAnswersFillTheCurrentDrawingsState) {
    Load();
    ASSERT_NE(CurrentDocState(), nullptr);
    Bytes origin = Zeros(40);
    Put(origin, 24, 500.0);
    Put(origin, 32, -250.0);
    EXPECT_EQ(Send(20211, origin), 0);
    EXPECT_EQ(BaseMap().Grid().m_ptReference, AcGePoint3d(500.0, -250.0, 0.0));

    Bytes table = Zeros(30 * 104);
    for (size_t i = 0; i < 30; ++i) {
        Put(table, i * 104, double(i + 1));
        Put(table, i * 104 + 8, -double(i + 1));
    }
    EXPECT_EQ(Send(20212, table), 0);
    EXPECT_EQ(BaseMap().ResolutionX(0), 0.0);
    EXPECT_EQ(BaseMap().ResolutionX(1), 1.0);
    EXPECT_EQ(BaseMap().ResolutionY(28), -28.0);

    Bytes view = Zeros(52);
    Put(view, 44, DWORD{15});
    Put(view, 48, DWORD{3});
    EXPECT_EQ(Send(20012, view), 0);
    EXPECT_EQ(BaseMap().Grid().m_nMapId, 3u);
    EXPECT_EQ(BaseMap().Grid().m_nStartLevel, 15);
    EXPECT_TRUE(g_pEditorReactor->m_bFirstViewState);

    // The coordinate state: its key, its type and the map name, which ends at the payload's end.
    Bytes coord = Zeros(72 + 5);
    coord[44] = 0x11;
    coord[51] = 0xFF;  // the top bit of the key is cleared
    Put(coord, 40, DWORD{2});
    std::memcpy(coord.data() + 72, "Plane", 5);
    EXPECT_EQ(Send(20202, coord), 0);
    EXPECT_EQ(BaseMap().CoordKey(), 0x7F00000000000011ull);
    EXPECT_EQ(g_nCoordType, 2u);
    EXPECT_TRUE(g_bLonLat);
    EXPECT_EQ(g_MapAppState.m_strMapName, CString(u"Plane"));
    EXPECT_EQ(Send(20012, view), 1);  // a longitude/latitude map has no view state for the drawing

    // Without a current drawing the answers that need one are refused.
    g_DocSyncRegistry.m_pCurrent = nullptr;
    EXPECT_EQ(Send(20211, origin), 1);
    EXPECT_EQ(Send(20212, table), 0);  // ignored: it goes on to the base procedure
    EXPECT_EQ(Send(20302, Zeros(472)), 1);
    coord[40] = 4;
    EXPECT_EQ(Send(20202, coord), 0);
    EXPECT_FALSE(g_bLonLat);
}

TEST_F(FrameTest, TilesThatArriveDuringACommandWaitForItsEnd) {
    Load();
    g_Settings.m_bOnlineMap = 1;
    const std::string tile = dir + "/1_2.png";
    std::ofstream(tile) << "png";
    Bytes answer = Zeros(472);
    Put(answer, 20, int32_t{1});
    const std::u16string path = platform::ToWindowsPath(tile);
    const CStringA utf8(CString(path.c_str()));
    // A tile belongs to the drawing that asked for it.
    BaseMapAccess::Grid(BaseMap()).m_strCacheFolder = CString(platform::ToWindowsPath(dir).c_str());
    const uint64_t key = StringKey63(CString(path.c_str()));
    Put(answer, 0, key);
    BaseMapAccess::AskedFiles(BaseMap())[key] = CString(path.c_str());
    std::memcpy(answer.data() + 24, utf8.GetString(), utf8.GetLength());
    answer[280] = 1;
    BaseMapAccess::HoldViewAtLevel(BaseMap(), 1);
    Put(answer, 340, DWORD{1});  // the view's level
    Put(answer, 348, DWORD{256});
    Put(answer, 352, DWORD{256});
    g_pEditorReactor->m_bInCommand = 1;
    EXPECT_EQ(Send(20302, answer), 0);
    ASSERT_EQ(BaseMapAccess::PendingImages(BaseMap()).size(), 1u);
    EXPECT_EQ(BaseMapAccess::KnownFiles(BaseMap()).count(key), 1u);
    // Another level is dropped at once, command or not: its file stays known, nothing waits for the end.
    // (An answered tile is asked for no longer: the same file is asked again for the test.)
    EXPECT_TRUE(BaseMapAccess::AskedFiles(BaseMap()).empty());
    BaseMapAccess::AskedFiles(BaseMap())[key] = CString(path.c_str());
    Put(answer, 340, DWORD{2});
    EXPECT_EQ(Send(20302, answer), 0);
    EXPECT_EQ(BaseMapAccess::PendingImages(BaseMap()).size(), 1u);
    EXPECT_EQ(BaseMapAccess::KnownFiles(BaseMap()).count(key), 1u);
    g_pEditorReactor->m_bInCommand = 0;
    g_pMessageDlg->StartTimer(kTimerPendingImages);
    platform::AdvanceClock(10);
    EXPECT_TRUE(BaseMapAccess::PendingImages(BaseMap()).empty());

    // A missing file is not taken for a tile.
    std::filesystem::remove(tile);
    BaseMapAccess::KnownFiles(BaseMap()).clear();
    BaseMapAccess::AskedFiles(BaseMap())[key] = CString(path.c_str());
    EXPECT_EQ(Send(20302, answer), 0);
    EXPECT_TRUE(BaseMapAccess::KnownFiles(BaseMap()).empty());
    EXPECT_EQ(BaseMapAccess::AskedFiles(BaseMap()).count(key),
              1u);  // still asked: the next layout asks again
    g_Settings.m_bOnlineMap = 0;
}

TEST_F(FrameTest, TheZoomMatchTakesOnlyThePictureSize) {
    Load();
    g_bZoomMatch = 1;
    Bytes answer = Zeros(80);
    Put(answer, 68, int32_t{300});
    Put(answer, 72, int32_t{200});
    EXPECT_EQ(Send(20301, answer), 1);
    EXPECT_EQ(g_nMapImageWidth, 300);
    EXPECT_EQ(g_nMapImageHeight, 200);
    EXPECT_FALSE(g_bZoomMatch);
    // Not awaited: a picture too short is refused, one that can't be inserted is reported, and no ratio is
    // worked out against a view that was never recorded.
    EXPECT_EQ(Send(20301, answer), 1);
    const std::string before = platform::CommandLineUtf8();
    EXPECT_EQ(Send(20301, Zeros(200)), 0);
    const std::string printed = platform::CommandLineUtf8().substr(before.size());
    EXPECT_NE(printed.find("加载底图失败"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("MATCHTARN"), std::string::npos) << printed;
}

TEST_F(FrameTest, TheUpdateNoticeIsShownOnceAndStopsTheCheck) {
    Load();
    Bytes answer = Zeros(64 + 6);
    Put(answer, 4, int32_t{141});
    EXPECT_EQ(Send(20203, answer), 0);
    EXPECT_FALSE(g_UpdateNotice.m_bPending);
    map.ClearRecords();
    platform::AdvanceClock(20000);
    EXPECT_TRUE(map.RequestsOf(20203).empty());  // answered: the check stopped

    Put(answer, 4, int32_t{142});
    std::memcpy(answer.data() + 64, "faster", 6);  // no NUL: the text ends with the payload
    user.ExpectDialog(8353, [](platform::UiDialog& hint) { hint.Click(IDCANCEL); });
    EXPECT_EQ(Send(20203, answer), 0);
    EXPECT_EQ(Send(20203, answer), 0);  // while one is pending nothing more
    EXPECT_TRUE(g_UpdateNotice.m_bPending);
    EXPECT_EQ(g_UpdateNotice.m_strText, CString(u"faster"));
    platform::PumpMessages();
    EXPECT_FALSE(g_UpdateNotice.m_bPending);
}

TEST_F(FrameTest, PostedPayloadsBelongToTheWindowUntilTheirHandlerTakesThem) {
    Load();
    // A point whose marker can't be built sends nothing on.
    EXPECT_TRUE(g_pMessageDlg->PostMarkerPoint(3.0, 4.0));
    EXPECT_EQ(g_pMessageDlg->QueuedPayloadCount(), 1u);
    platform::PumpMessages();
    EXPECT_EQ(g_pMessageDlg->QueuedPayloadCount(), 0u);

    auto ids = std::make_unique<AcDbObjectIdArray>();
    ids->append(AcDbObjectId());
    EXPECT_TRUE(g_pMessageDlg->PostEntityArray(std::move(ids)));
    EXPECT_TRUE(g_pMessageDlg->PostEntityArray(std::make_unique<AcDbObjectIdArray>()));
    EXPECT_TRUE(g_pMessageDlg->PostMarkerPoint(1.0, 2.0));
    // The window goes with its posts still queued: they are freed with it (the leak check sees to it).
    const HWND window = GetMessageWindow();
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(g_pMessageDlg, nullptr);
    EXPECT_FALSE(IsWindow(window));
    platform::PumpMessages();
}

TEST_F(FrameTest, TheTimerTableRunsOnTheClock) {
    Load();
    const struct {
        UINT_PTR id;
        UINT period;
        bool repeats;
    } table[] = {{5000, 5000, true}, {1001, 0, false},  {1002, 300, false}, {1003, 5000, true},
                 {1005, 100, false}, {1006, 500, true}, {1007, 300, true},  {1008, 2000, false},
                 {1009, 10, false},  {1010, 0, false}};
    for (const auto& row : table) {
        const CMessageDlg::TimerRoute* route = CMessageDlg::FindTimerRoute(row.id);
        ASSERT_NE(route, nullptr) << row.id;
        EXPECT_EQ(route->periodMs, row.period) << row.id;
        EXPECT_EQ(route->repeats, row.repeats) << row.id;
    }

    // The echo flag goes 100 ms after it was asked to, once.
    PostMessageW(GetMessageWindow(), WM_TARN_ECHO_ON, 0, 0);
    platform::PumpMessages();
    EXPECT_TRUE(g_bEchoFlag);
    platform::AdvanceClock(99);
    EXPECT_TRUE(g_bEchoFlag);
    platform::AdvanceClock(1);
    EXPECT_FALSE(g_bEchoFlag);
    g_bEchoFlag = 1;
    platform::AdvanceClock(1000);
    EXPECT_TRUE(g_bEchoFlag);
    // Asked only to go, it goes 100 ms later too; it is not set by the asking.
    PostMessageW(GetMessageWindow(), WM_TARN_ECHO_OFF, 0, 0);
    platform::PumpMessages();
    EXPECT_TRUE(g_bEchoFlag);
    platform::AdvanceClock(100);
    EXPECT_FALSE(g_bEchoFlag);
    PostMessageW(GetMessageWindow(), WM_TARN_ECHO_OFF, 0, 0);
    platform::PumpMessages();
    EXPECT_FALSE(g_bEchoFlag);
    g_bEchoFlag = 0;

    // The image frames of the current drawing are set 2 s after start-up.
    EXPECT_FALSE(BaseMap().IsEnabled());
    platform::AdvanceClock(2000);
    EXPECT_TRUE(BaseMap().IsEnabled());

    // The menu entry is asked for every 5 s, and offered while the map application says it is missing.
    map.ClearRecords();
    platform::AdvanceClock(5000);
    EXPECT_EQ(map.RequestsOf(20401).size(), 1u);
    map.Stop();
    platform::AdvanceClock(5000);
    ASSERT_TRUE(map.Start());  // a new run knows no entry
    platform::AdvanceClock(5000);
    EXPECT_TRUE(map.MenuEntryPresent());

    // The coordinate state asked for a reopen check that can't be answered does not block later ones.
    map.Stop();
    g_MapAppState.m_bCheckPending = 1;
    g_pMessageDlg->StartTimer(kTimerCoordState, 5);
    platform::AdvanceClock(10);  // the shortest a timer waits
    EXPECT_FALSE(g_MapAppState.m_bCheckPending);
}

// The map application's registered progress message carries the total in wParam and the position in lParam;
// the capture's meter follows them, and without a current drawing nothing shows.
TEST_F(FrameTest, TheProgressMessageShowsTheCaptureByItsTotalAndPosition) {
    Load();
    EXPECT_EQ(g_nProgressMsg, RegisterWindowMessageW(u"TARN_API_MSG_GET_MAP_FILE_PROGRESS"));
    platform::ClearStatusBarEvents();
    map.SendProgress(200, 20);
    ASSERT_FALSE(platform::StatusBarEvents().empty());
    const platform::StatusBarEvent opened = platform::StatusBarEvents().back();
    EXPECT_EQ(opened.kind, platform::StatusBarEvent::kMeter);
    EXPECT_EQ(opened.label, u"正在提取图片");
    EXPECT_EQ(opened.maxPos, 200);
    map.SendProgress(200, 90, true);  // posted as well as sent
    platform::PumpMessages();
    EXPECT_EQ(platform::StatusBarEvents().back().kind, platform::StatusBarEvent::kPos);
    EXPECT_EQ(platform::StatusBarEvents().back().pos, 90);

    g_DocSyncRegistry.m_pCurrent = nullptr;
    platform::ClearStatusBarEvents();
    map.SendProgress(200, 20);
    EXPECT_TRUE(platform::StatusBarEvents().empty());
}

TEST_F(FrameTest, AnAssociatedPointAnswerOfZeroAsksForTheCoordinateState) {
    Load();
    map.ClearRecords();
    EXPECT_EQ(Send(20201, Zeros(4)), 0);
    EXPECT_EQ(map.RequestsOf(20202).size(), 1u);
    EXPECT_FALSE(g_bAfterClose);  // answered inside the request
    // -1 resends once through the dialog's points; nothing recurses.
    Bytes refused = Zeros(4);
    Put(refused, 0, int32_t{-1});
    EXPECT_EQ(Send(20201, refused), 0);
}

}  // namespace
