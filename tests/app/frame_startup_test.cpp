// Start-up and shutdown of the plug-in's frame, and the checks of its own folder.
#include <sys/stat.h>
#include <unistd.h>

#include "frame_fixture.h"
#include "plugin/core/Settings.h"
#include "plugin/core/PointIcon.h"
#include "plugin/core/RasterImage.h"
#include "plugin/exchange/Reactors.h"

namespace {

using frametest::FrameTest;

// A folder under the test's one whose Windows form has exactly the length asked for.
std::string FolderOfLength(const std::string& base, int units) {
    const int baseUnits = static_cast<int>(platform::ToWindowsPath(base).size());
    std::string path = base;
    int missing = units - baseUnits;
    while (missing > 0) {
        const int part = std::min(missing - 1, 100);
        path += "/" + std::string(size_t(part), 'f');
        missing -= part + 1;
    }
    std::filesystem::create_directories(path);
    EXPECT_EQ(static_cast<int>(platform::ToWindowsPath(path).size()), units);
    return path;
}

TEST_F(FrameTest, TheFolderMustBeShortWritableAndRoomyUnlessTheUserGoesOn) {
    const std::string ok = FolderOfLength(dir, 190);
    EXPECT_TRUE(CheckFolderUsable(platform::ToWindowsPath(ok).c_str()));
    const std::string tooLong = FolderOfLength(dir, 191);
    user.ExpectMessageBox(u"路径太长");
    EXPECT_FALSE(CheckFolderUsable(platform::ToWindowsPath(tooLong).c_str()));

    // 1.9 GiB free: No goes on, Yes stops (the user will move the plug-in).
    platform::SetDiskFreeSpace("", {(19ull << 30) / 10, 100ull << 30, 1ull << 30, 0});
    user.ExpectMessageBox(u"磁盘空间不足", IDNO).ExpectMessageBox(u"磁盘空间不足", IDYES);
    EXPECT_TRUE(CheckFolderUsable(CString()));
    EXPECT_FALSE(CheckFolderUsable(CString()));
    // A count that can't be read says nothing about the space.
    platform::SetDiskFreeSpace("", {0, 0, 0, 5});
    EXPECT_TRUE(CheckFolderUsable(CString()));
    platform::ClearDiskFreeSpace();
    EXPECT_FALSE(std::filesystem::exists(moduleFolder + "/t__Arx.txt"));

    // A folder that can't be written (here: one that doesn't exist).
    user.ExpectMessageBox(u"没有读写权限");
    EXPECT_FALSE(CheckFolderUsable(platform::ToWindowsPath(dir + "/absent").c_str()));
    if (geteuid() != 0) {  // permissions don't stop the superuser
        const std::string locked = dir + "/locked";
        std::filesystem::create_directories(locked);
        chmod(locked.c_str(), 0555);
        user.ExpectMessageBox(u"没有读写权限");
        EXPECT_FALSE(CheckFolderUsable(platform::ToWindowsPath(locked).c_str()));
        EXPECT_FALSE(std::filesystem::exists(locked + "/t__Arx.txt"));
        chmod(locked.c_str(), 0755);
    }
}

TEST_F(FrameTest, AFailedStartUpLeavesNothingAndItsUnloadTouchesNothing) {
    platform::SetDiskFreeSpace("", {1ull << 20, 100ull << 30, 1ull << 20, 0});
    user.ExpectMessageBox(u"磁盘空间不足", IDYES);
    const size_t windows = platform::LiveWindowCount();
    EXPECT_EQ(theApp.dispatch(AcRx::kInitAppMsg, nullptr), AcRx::kRetError);
    EXPECT_FALSE(theApp.IsInitialised());
    EXPECT_EQ(GetMessageWindow(), nullptr);
    EXPECT_EQ(g_pEditorReactor, nullptr);
    EXPECT_EQ(acedRegCmds->lookupGlobalCmd(u"TARN"), nullptr);
    EXPECT_EQ(platform::LiveWindowCount(), windows);
    EXPECT_TRUE(map.Requests().empty());
    EXPECT_EQ(theApp.dispatch(AcRx::kUnloadAppMsg, nullptr), AcRx::kRetOK);
    EXPECT_TRUE(map.Requests().empty());  // not even the menu entry's removal
    // Messages outside the host's table are answered as the base does.
    EXPECT_EQ(theApp.dispatch(static_cast<AcRx::AppMsgCode>(40), nullptr), AcRx::kRetOK);
}

TEST_F(FrameTest, StartUpMakesTheActiveDrawingsStateCurrentAndShutdownUndoesEverything) {
    AcApDocument* second = platform::NewDocument(platform::ToWindowsPath(dir + "/b.dxf"));
    AcApDocument* unnamed = platform::NewDocument();  // never saved: a state of its own all the same
    acDocManager->activateDocument(second);
    LoadSettings();
    g_Settings.m_nViewFollowMode = 2;
    ASSERT_TRUE(SaveSettings());
    const size_t editorReactors = platform::EditorReactorCount();
    Load();
    ASSERT_NE(CurrentDocState(), nullptr);
    EXPECT_EQ(CurrentDocState()->m_pDoc, second);
    EXPECT_NE(g_DocSyncRegistry.GetDocState(doc, false), nullptr);
    EXPECT_NE(g_DocSyncRegistry.GetDocState(unnamed, false), nullptr);
    EXPECT_EQ(map.FollowInterval(), 500u);
    EXPECT_EQ(platform::EditorReactorCount(), editorReactors + 1);
    EXPECT_EQ(acedRegCmds->lookupGlobalCmd(u"MATCHTARN")->groupName(), std::u16string(u"TARN"));
    EXPECT_EQ(g_ImageColor.colorMethod(), AcCmEntityColor::kByColor);

    g_Settings.m_bOnlineMap = 1;
    ASSERT_TRUE(SaveSettings());
    ASSERT_EQ(theApp.dispatch(AcRx::kUnloadAppMsg, nullptr), AcRx::kRetOK);
    EXPECT_FALSE(g_Settings.m_bOnlineMap);  // switched off in memory only
    EXPECT_EQ(GetMessageWindow(), nullptr);
    EXPECT_EQ(g_pEditorReactor, nullptr);
    EXPECT_EQ(g_pDocReactor, nullptr);
    EXPECT_EQ(g_pDbReactor, nullptr);
    EXPECT_EQ(CurrentDocState(), nullptr);
    EXPECT_EQ(platform::EditorReactorCount(), editorReactors);
    EXPECT_EQ(acedRegCmds->lookupGlobalCmd(u"TARN"), nullptr);
    EXPECT_FALSE(map.MenuEntryPresent());
    // The saved settings keep the user's choice of the online map.
    LoadSettings();
    EXPECT_TRUE(g_Settings.m_bOnlineMap);
}

}  // namespace

namespace {

TEST_F(FrameTest, ThePointIconIsWrittenBesideThePluginOnceAndDefinedInTheDrawing) {
    Load();
    g_strIconPath.Empty();
    g_strIconName.Empty();
    LoadIconImage();
    const std::string icon = moduleFolder + "/Icon.png";
    ASSERT_TRUE(std::filesystem::exists(icon));
    EXPECT_EQ(g_strIconName, CString(u"Icon"));
    EXPECT_FALSE(g_idIconImageDef.isNull());
    // A file the user left there is kept.
    std::filesystem::resize_file(icon, std::filesystem::file_size(icon) + 1);
    const auto size = std::filesystem::file_size(icon);
    const AcDbObjectId first = g_idIconImageDef;
    LoadIconImage();
    EXPECT_EQ(std::filesystem::file_size(icon), size);
    EXPECT_EQ(g_idIconImageDef, first);
}

}  // namespace
