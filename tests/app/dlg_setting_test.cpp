// The settings dialog driven by a scripted user: what it shows, its range checks, what OK applies and saves,
// help, and the cache folder's move.
#include <sys/stat.h>

#include <filesystem>

#include "app/frame_fixture.h"
#include "support/testfiles.h"
#include "platform/win32/sys/sys_hooks.h"
#include "plugin/app/DlgSetting.h"
#include "plugin/core/HostEnv.h"
#include "plugin/app/PathDialog.h"
#include "plugin/res/dlg_setting.h"

namespace {

using frametest::FrameTest;
using platform::UiDialog;

class DlgSettingTest : public FrameTest {
protected:
    INT_PTR Run() {
        CAcModuleResourceOverride resources;
        CDlgSetting dialog;
        return dialog.DoModal();
    }
    std::vector<uint32_t> FollowValues() const {
        std::vector<uint32_t> values;
        for (const mapsim::Request& r : map.RequestsOf(20013)) {
            uint32_t v = 0;
            std::memcpy(&v, r.payload.data() + r.payload.size() - 4, 4);
            values.push_back(v);
        }
        return values;
    }
    CSettingsRecord Saved() const {
        CSettingsRecord record{};
        EXPECT_TRUE(GetPrivateProfileStructW(u"TarnArx", u"ini", &record, sizeof record, g_strSettingsPath));
        return record;
    }
    short DblClickEdit() const {
        resbuf value{};
        acedGetVar(u"DBLCLKEDIT", &value);
        return value.resval.rint;
    }
};

TEST_F(DlgSettingTest, ItShowsTheRecordAndCancelChangesNothing) {
    Load();
    g_Settings.m_bAutoSync = 1;
    g_Settings.m_bPointAsIcon = 0;
    g_Settings.m_nIconSize = 100;  // not in the list: shown as 60
    g_Settings.m_nMaxLevel = 22;
    g_Settings.m_nTextLevel = 5;
    g_Settings.m_nColorByLayer = 3;
    g_Settings.m_bDblClickProperty = 2;  // only 1 counts as on
    g_Settings.m_bLoadWithHost = 1;
    g_Settings.m_nViewFollowMode = 2;
    g_Settings.m_nRoundedValue = 149;
    const CSettingsRecord before = g_Settings;
    const size_t follows = map.RequestsOf(20013).size();
    user.ExpectDialog(IDD_DLG_SETTING, [](UiDialog& d) {
        EXPECT_EQ(d.Caption(), u"设置");
        EXPECT_EQ(d.Check(IDC_SET_AUTO_SYNC), BST_CHECKED);
        EXPECT_EQ(d.Check(IDC_SET_POINT_ICON), BST_UNCHECKED);
        EXPECT_EQ(d.Items(IDC_SET_ICON_SIZE),
                  (std::vector<std::u16string>{u"240米(14级)", u"120米(15级)", u"60米(16级)", u"30米(17级)",
                                               u"15米(18级)"}));
        EXPECT_EQ(d.Selection(IDC_SET_ICON_SIZE), 2);
        EXPECT_EQ(d.Text(IDC_SET_MAX_LEVEL), u"22");
        EXPECT_EQ(d.Text(IDC_SET_TEXT_LEVEL), u"5");
        EXPECT_EQ(d.Check(IDC_SET_BYLAYER), BST_CHECKED);
        EXPECT_EQ(d.Check(IDC_SET_DBLCLICK), BST_UNCHECKED);
        EXPECT_EQ(d.Check(IDC_SET_AUTO_LOAD), BST_CHECKED);
        EXPECT_EQ(d.Items(IDC_SET_FOLLOW),
                  (std::vector<std::u16string>{u"无", u"Zavrel随CAD", u"CAD随Zavrel", u"相互跟随"}));
        EXPECT_EQ(d.Selection(IDC_SET_FOLLOW), 2);
        EXPECT_EQ(d.Text(IDC_SET_CACHE_FOLDER), std::u16string(g_strMapTempRoot.GetString()));
        d.SetText(IDC_SET_MAX_LEVEL, u"17");
        d.Click(IDCANCEL);
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(g_Settings.m_nMaxLevel, before.m_nMaxLevel);
    EXPECT_EQ(g_Settings.m_nIconSize, 100);
    EXPECT_EQ(g_Settings.m_nRoundedValue, 100);  // rounded when the dialog opens, not shown
    EXPECT_EQ(map.RequestsOf(20013).size(), follows);
}

TEST_F(DlgSettingTest, LevelsOutOfRangeAreRefusedWithTheirMessagesAndNothingIsStored) {
    Load();
    g_Settings.m_nMaxLevel = 20;
    g_Settings.m_nTextLevel = 18;
    const size_t follows = map.RequestsOf(20013).size();
    user.ExpectDialog(IDD_DLG_SETTING, [&](UiDialog& d) {
        for (const char16_t* bad : {u"15", u"29"}) {
            d.SetText(IDC_SET_MAX_LEVEL, bad);
            d.Click(IDOK);
            EXPECT_FALSE(d.Ended());
        }
        d.SetText(IDC_SET_MAX_LEVEL, u"16");
        for (const char16_t* bad : {u"-1", u"29"}) {
            d.SetText(IDC_SET_TEXT_LEVEL, bad);
            d.Click(IDOK);
            EXPECT_FALSE(d.Ended());
        }
        d.SetText(IDC_SET_TEXT_LEVEL, u"x");
        d.Click(IDOK);
        EXPECT_FALSE(d.Ended());
        EXPECT_EQ(g_Settings.m_nMaxLevel, 20);
        EXPECT_EQ(g_Settings.m_nTextLevel, 18);
        EXPECT_EQ(map.RequestsOf(20013).size(), follows);
        d.SetText(IDC_SET_TEXT_LEVEL, u"0");
        d.SetText(IDC_SET_MAX_LEVEL, u"28");
        d.Click(IDOK);
    });
    user.ExpectMessageBox(u"底图最大级别请设置在16-28之间！")
        .ExpectMessageBox(u"底图最大级别请设置在16-28之间！")
        .ExpectMessageBox(u"文字绑定级别级别请设置在0-28之间！")
        .ExpectMessageBox(u"文字绑定级别级别请设置在0-28之间！")
        .ExpectMessageBox(u"integer");
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(g_Settings.m_nMaxLevel, 28);
    EXPECT_EQ(g_Settings.m_nTextLevel, 0);
    EXPECT_EQ(Saved().m_nMaxLevel, 28);
}

TEST_F(DlgSettingTest, OkStoresEveryFieldSavesAndAppliesTheFollowTheDemandLoadAndDoubleClick) {
    Load();
    g_Settings.m_nIconSize = 100;
    g_Settings.m_bDblClickProperty = 1;
    g_Settings.m_bLoadWithHost = 0;
    resbuf zero{};
    zero.restype = RTSHORT;
    zero.resval.rint = 0;
    acedSetVar(u"DBLCLKEDIT", &zero);  // the double-click properties had taken the host's double-click

    user.ExpectDialog(IDD_DLG_SETTING, [](UiDialog& d) {
        d.SetCheck(IDC_SET_AUTO_SYNC, true);
        d.SetCheck(IDC_SET_POINT_ICON, true);
        d.SetCheck(IDC_SET_BYLAYER, true);
        d.SetCheck(IDC_SET_DBLCLICK, false);
        d.SetCheck(IDC_SET_AUTO_LOAD, true);
        d.SetText(IDC_SET_MAX_LEVEL, u"24");
        d.SetText(IDC_SET_TEXT_LEVEL, u"12");
        d.Select(IDC_SET_FOLLOW, u"CAD随Zavrel");
        d.Click(IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(g_Settings.m_bAutoSync, 1);
    EXPECT_EQ(g_Settings.m_bPointAsIcon, 1);
    EXPECT_EQ(g_Settings.m_nColorByLayer, 1);
    EXPECT_EQ(g_Settings.m_bDblClickProperty, 0);
    EXPECT_EQ(g_Settings.m_bLoadWithHost, 1);
    EXPECT_EQ(g_Settings.m_nMaxLevel, 24);
    EXPECT_EQ(g_Settings.m_nTextLevel, 12);
    EXPECT_EQ(g_Settings.m_nViewFollowMode, 2);
    EXPECT_EQ(g_Settings.m_nIconSize, 60);  // the list's 60 replaced the 100
    EXPECT_EQ(FollowValues().back(), 500u);
    EXPECT_EQ(DblClickEdit(), 1);
    EXPECT_NE(platform::DumpRegistry().find("TarnArx"), std::string::npos);
    const CSettingsRecord saved = Saved();
    EXPECT_EQ(std::memcmp(&saved, &g_Settings, sizeof saved), 0);

    // The double-click back on leaves the host's variable; follow "无" tells the map application 1; auto-load
    // off removes the registration.
    acedSetVar(u"DBLCLKEDIT", &zero);
    user.ExpectDialog(IDD_DLG_SETTING, [](UiDialog& d) {
        d.SetCheck(IDC_SET_DBLCLICK, true);
        d.SetCheck(IDC_SET_AUTO_LOAD, false);
        d.Select(IDC_SET_FOLLOW, 0);
        d.Click(IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(g_Settings.m_bDblClickProperty, 1);
    EXPECT_EQ(DblClickEdit(), 0);
    EXPECT_EQ(FollowValues().back(), 1u);
    EXPECT_EQ(platform::DumpRegistry().find("TarnArx"), std::string::npos);

    // A follow mode out of range in the file shows no selection and is kept rather than stored as -1.
    g_Settings.m_nViewFollowMode = 7;
    user.ExpectDialog(IDD_DLG_SETTING, [](UiDialog& d) {
        EXPECT_EQ(d.Selection(IDC_SET_FOLLOW), -1);
        d.Click(IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(g_Settings.m_nViewFollowMode, 7);
}

TEST_F(DlgSettingTest, HelpOpensTheHelpDialog) {
    Load();
    user.ExpectDialog(IDD_DLG_SETTING, [](UiDialog& d) {
        d.Click(IDC_SET_HELP);
        d.Click(IDCANCEL);
    });
    user.ExpectDialog(u"使用帮助", [](UiDialog& d) { d.Click(IDOK); });
    EXPECT_EQ(Run(), IDCANCEL);
}

TEST_F(DlgSettingTest, ANewCacheFolderIsTakenAtOkOnlyAndTheOldCacheGoesUnlessItHoldsTheNewOne) {
    Load();
    namespace fs = std::filesystem;
    const std::string oldRoot = dir + "/cache-old";
    const std::string newRoot = dir + "/cache-new";
    fs::create_directories(oldRoot);
    MakeCacheFolder(platform::ToWindowsPath(oldRoot + "/MapTemp").c_str());  // the plug-in's own cache
    MakeCacheFolder(platform::ToWindowsPath(oldRoot + "/MapTemp/1").c_str());
    fs::create_directories(newRoot);
    g_strMapTempRoot = platform::ToWindowsPath(oldRoot).c_str();
    SaveMapTempPath();
    auto choose = [this](const std::string& folder, bool thenOk) {
        user.ExpectDialog(IDD_DLG_SETTING, [folder, thenOk](UiDialog& d) {
            d.SetText(IDC_SET_MAX_LEVEL, u"17");  // replaced by the value the dialog opened with
            d.Click(IDC_SET_BROWSE);
            EXPECT_EQ(d.Text(IDC_SET_CACHE_FOLDER), platform::ToWindowsPath(folder));
            EXPECT_EQ(d.Text(IDC_SET_MAX_LEVEL), u"20");
            d.Click(thenOk ? IDOK : IDCANCEL);
        });
        user.ExpectFolderPicker(u"选择要打开的地图临时路径", [folder](UiDialog& d) {
            EXPECT_EQ(d.Caption(), u"文件夹选择");
            d.SetText(IDC_PATH_EDIT, platform::ToWindowsPath(folder));
            d.Click(IDOK);
        });
    };
    g_Settings.m_nMaxLevel = 20;

    choose(newRoot, false);  // cancelled: nothing changes
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(g_strMapTempRoot, CString(platform::ToWindowsPath(oldRoot).c_str()));
    EXPECT_TRUE(fs::exists(oldRoot + "/MapTemp/1"));

    choose(newRoot, true);
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(g_strMapTempRoot, CString(platform::ToWindowsPath(newRoot).c_str()));
    WCHAR stored[300] = {};
    GetPrivateProfileStringW(u"TempPath", u"MapTemp", u"", stored, 300, g_strSettingsPath);
    EXPECT_EQ(std::u16string(stored), platform::ToWindowsPath(newRoot));
    EXPECT_FALSE(fs::exists(oldRoot + "/MapTemp"));

    // The same folder spelled with a trailing separator (as a hand-edited file may hold it) is no change.
    fs::create_directories(newRoot + "/MapTemp/2");
    g_strMapTempRoot += u"\\";
    choose(newRoot, true);
    EXPECT_EQ(Run(), IDOK);
    EXPECT_TRUE(fs::exists(newRoot + "/MapTemp/2"));

    // A new root inside the old cache keeps the old cache, which holds it.
    const std::string inside = newRoot + "/MapTemp/inner";
    fs::create_directories(inside);
    choose(inside, true);
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(g_strMapTempRoot, CString(platform::ToWindowsPath(inside).c_str()));
    EXPECT_TRUE(fs::exists(newRoot + "/MapTemp/2"));
}

// A save that fails is told with the file and the cause; the change holds for this run all the same.
TEST_F(DlgSettingTest, AFailedSaveIsToldWithTheFileAndItsCauseAndTheChangeHolds) {
    Load();
    const std::string file = platform::ToHostPath(g_strSettingsPath.GetString());
    ASSERT_TRUE(std::filesystem::exists(file));
    const std::string before = tarntest::ReadFile(file);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    user.ExpectDialog(IDD_DLG_SETTING, [](UiDialog& d) {
        d.SetText(IDC_SET_MAX_LEVEL, u"23");
        d.Click(IDOK);
    });
    user.ExpectMessageBox(u"文件：" + std::u16string(g_strSettingsPath.GetString()) +
                          u"\n原因：没有写入权限");
    EXPECT_EQ(Run(), IDOK);
    ::chmod(file.c_str(), 0644);
    EXPECT_EQ(g_Settings.m_nMaxLevel, 23);
    EXPECT_EQ(tarntest::ReadFile(file), before);
}

// A cache folder typed relative is made full when chosen: it must not follow the current folder.
TEST_F(DlgSettingTest, ARelativeCacheFolderIsMadeFullWhenChosen) {
    Load();
    namespace fs = std::filesystem;
    fs::create_directories(dir + "/work/cache-rel");
    const fs::path was = fs::current_path();
    fs::current_path(dir + "/work");
    user.ExpectDialog(IDD_DLG_SETTING, [](UiDialog& d) {
        d.SetText(IDC_SET_CACHE_FOLDER, u"cache-rel");
        d.Click(IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    fs::current_path(was);
    EXPECT_EQ(g_strMapTempRoot, CString(platform::ToWindowsPath(dir + "/work/cache-rel").c_str()));
    WCHAR stored[300] = {};
    GetPrivateProfileStringW(u"TempPath", u"MapTemp", u"", stored, 300, g_strSettingsPath);
    EXPECT_EQ(std::u16string(stored), platform::ToWindowsPath(dir + "/work/cache-rel"));
}

TEST_F(DlgSettingTest, TheHiddenValueIsRoundedToTheNearestHundredEachTimeTheDialogOpens) {
    Load();
    // value, then the multiple of 100 nearest it (a remainder of 50 or more goes up)
    const std::pair<int32_t, int32_t> cases[] = {{0, 0},
                                                 {49, 0},
                                                 {50, 100},
                                                 {99, 100},
                                                 {100, 100},
                                                 {149, 100},
                                                 {150, 200},
                                                 {1049, 1000},
                                                 {1050, 1100},
                                                 {123456, 123500},
                                                 {2147483647, 2147483600}};
    for (const auto& [value, rounded] : cases) {
        g_Settings.m_nRoundedValue = value;
        user.ExpectDialog(IDD_DLG_SETTING, [](UiDialog& d) { d.Click(IDCANCEL); });
        EXPECT_EQ(Run(), IDCANCEL);
        EXPECT_EQ(g_Settings.m_nRoundedValue, rounded) << value;
    }
}

}  // namespace
