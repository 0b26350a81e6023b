// The map application as installed and running: start-up and readiness checks, notices, starting programs.
#include <gtest/gtest.h>

#include "maplink/linktest.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/sys/sys_hooks.h"
#include "plugin/maplink/mapapp.h"

namespace {

using linktest::RecordingWindow;

// The settings side of the notices, as the plug-in core will provide it.
struct FakeSettings {
    BYTE tooOld = 1;
    BYTE update = 1;
    BYTE loadWithHost = 0;
    DWORD announcedMap = 0;
    DWORD announcedPlugin = 0;
    int saves = 0;
    int registers = 0;
    int unregisters = 0;
    int hintAnswer = IDCANCEL;
    int hintDoNotShow = 0;
    std::vector<std::u16string> hints;
};
FakeSettings* g_fake = nullptr;

void InstallFake(FakeSettings& fake) {
    g_fake = &fake;
    MapNoticeHooks hooks;
    hooks.m_pTooOldHint = &fake.tooOld;
    hooks.m_pUpdateHint = &fake.update;
    hooks.m_pLoadWithHost = &fake.loadWithHost;
    hooks.m_pAnnouncedMapVersion = &fake.announcedMap;
    hooks.m_pAnnouncedPluginVersion = &fake.announcedPlugin;
    hooks.m_pfnSaveSettings = [] { ++g_fake->saves; };
    hooks.m_pfnRegisterDemandLoad = [] { ++g_fake->registers; };
    hooks.m_pfnUnregisterDemandLoad = [] { ++g_fake->unregisters; };
    hooks.m_pfnHintDialog = [](const CString& text, int* doNotShow) {
        g_fake->hints.push_back(text.Str());
        *doNotShow = g_fake->hintDoNotShow;
        return g_fake->hintAnswer;
    };
    SetMapNoticeHooks(hooks);
}

class MapApp : public ::testing::Test {
protected:
    void SetUp() override {
        ResetMapAppLoadState();
        InstallFake(fake);
        platform::SetUiDriver(&ui);
    }
    void TearDown() override {
        std::string report;
        EXPECT_TRUE(ui.Verify(&report)) << report;
        platform::SetUiDriver(nullptr);
        SetMapNoticeHooks(MapNoticeHooks());
        ResetMapAppLoadState();
    }
    void Install(DWORD version, const char16_t* runPath = nullptr) {
        platform::SeedRegistryDword(HKEY_CURRENT_USER, kMapAppRegKey, u"LastVersion", version);
        if (runPath != nullptr) {
            platform::SeedRegistryString(HKEY_CURRENT_USER, kMapAppRegKey, u"LastRunPath", runPath);
        }
    }
    const std::vector<platform::ShellExecuteRecord>& Opened() const {
        return platform::ShellExecuteRecords();
    }

    FakeSettings fake;
    platform::ScriptedUiDriver ui;
};

RecordingWindow* MapWindow() {
    return new RecordingWindow(u"tarnWin", nullptr);
}

TEST_F(MapApp, ReadinessNeedsTheWindowAndARecentEnoughVersion) {
    ui.ExpectMessageBox(u"您尚未打开Zavrel地图，无法使用插件功能！");
    Install(785);
    EXPECT_FALSE(CheckMapAppReady());

    std::unique_ptr<RecordingWindow> window(MapWindow());
    EXPECT_TRUE(CheckMapAppReady());
    EXPECT_TRUE(Opened().empty());
    EXPECT_TRUE(fake.hints.empty());
    EXPECT_EQ(CachedMapAppVersion(), 785u);
}

TEST_F(MapApp, Version771IsRefusedWithTheDownloadPage) {
    std::unique_ptr<RecordingWindow> window(MapWindow());
    Install(771);
    ui.ExpectMessageBox(u"您安装Zavrel地图版本太低，请到官网下载！");
    EXPECT_FALSE(CheckMapAppReady());
    ASSERT_EQ(Opened().size(), 1u);
    EXPECT_EQ(Opened()[0].verb, u"open");
    EXPECT_EQ(Opened()[0].file, kMapAppDownloadUrl);
    EXPECT_EQ(Opened()[0].show, SW_SHOWNORMAL);
}

TEST_F(MapApp, Version772GivesTheNoticeOncePerLoadAndArmsTheSwitchOnce) {
    std::unique_ptr<RecordingWindow> window(MapWindow());
    Install(772);
    fake.tooOld = 0;                  // switched off earlier, but 785 has never been announced: armed again
    EXPECT_TRUE(CheckMapAppReady());  // closed with "否": the check passes
    ASSERT_EQ(fake.hints.size(), 1u);
    EXPECT_EQ(fake.hints[0], u"您安装的Zavrel版本太低，请到官网重新下载！");
    EXPECT_EQ(fake.announcedMap, 785u);
    EXPECT_EQ(fake.tooOld, 1);
    EXPECT_EQ(fake.saves, 1);

    platform::SeedRegistryDword(HKEY_CURRENT_USER, kMapAppRegKey, u"LastVersion", 780);
    EXPECT_TRUE(CheckMapAppReady());  // second check in the same load: no notice
    EXPECT_EQ(fake.hints.size(), 1u);
    EXPECT_EQ(CachedMapAppVersion(), 780u);

    // A new load with the switch cleared by "do not show again" and 785 announced: no dialog.
    ResetMapAppLoadState();
    fake.tooOld = 0;
    EXPECT_TRUE(CheckMapAppReady());
    EXPECT_EQ(fake.hints.size(), 1u);
    EXPECT_EQ(fake.saves, 1);

    // "是" opens the download page and fails the check.
    ResetMapAppLoadState();
    fake.tooOld = 1;
    fake.hintAnswer = IDOK;
    EXPECT_FALSE(CheckMapAppReady());
    ASSERT_EQ(Opened().size(), 1u);
    EXPECT_EQ(Opened()[0].file, kMapAppDownloadUrl);
}

TEST_F(MapApp, RegistryTroublesAreReadSafely) {
    std::unique_ptr<RecordingWindow> window(MapWindow());
    EXPECT_FALSE(CheckMapAppReady());  // no key: silently false

    // Only read access is asked for: a user without all access still passes.
    Install(790);
    platform::InjectRegistryOpenFailure(HKEY_CURRENT_USER, kMapAppRegKey, ERROR_ACCESS_DENIED,
                                        KEY_ALL_ACCESS);
    EXPECT_TRUE(CheckMapAppReady());

    // A version of the wrong type leaves the cache at 0: too old.
    ResetMapAppLoadState();
    platform::SeedRegistryString(HKEY_CURRENT_USER, kMapAppRegKey, u"LastVersion", u"790");
    ui.ExpectMessageBox(u"版本太低");
    EXPECT_FALSE(CheckMapAppReady());
    EXPECT_EQ(platform::OpenRegistryKeyCount(), 0u);
}

TEST_F(MapApp, StartUpOffersToStartTheInstalledProgram) {
    ui.ExpectMessageBox(u"您尚未安装Zavrel地图，请到官网下载！");
    EXPECT_EQ(StartMapApp(), -1);
    ASSERT_EQ(Opened().size(), 1u);
    EXPECT_EQ(Opened()[0].file, kMapAppDownloadUrl);

    Install(785, u"C:\\Program Files\\tarn\\tarn.exe");
    ui.ExpectMessageBox(u"是否打开Zavrel程序？", IDYES);
    EXPECT_EQ(StartMapApp(), 0);
    ASSERT_EQ(Opened().size(), 2u);
    const platform::ShellExecuteRecord& run = Opened()[1];
    EXPECT_TRUE(run.extended);
    EXPECT_EQ(run.verb, u"open");
    EXPECT_EQ(run.file, u"C:\\Program Files\\tarn\\tarn.exe");
    EXPECT_EQ(run.mask, SEE_MASK_NOCLOSEPROCESS);
    EXPECT_EQ(platform::OpenKernelHandleCount(), 0u);  // the process handle is not left open

    ui.ExpectMessageBox(u"是否打开Zavrel程序？", IDNO);
    EXPECT_EQ(StartMapApp(), 0);
    EXPECT_EQ(Opened().size(), 2u);

    // A run path that is too long for the buffer is not taken; nothing is started from an empty one.
    platform::SeedRegistryString(HKEY_CURRENT_USER, kMapAppRegKey, u"LastRunPath", std::u16string(300, u'x'));
    ui.ExpectMessageBox(u"是否打开Zavrel程序？", IDYES);
    EXPECT_EQ(StartMapApp(), 0);
    EXPECT_EQ(Opened().size(), 2u);

    // Too old at start-up.
    Install(700);
    ui.ExpectMessageBox(u"您安装Zavrel地图版本太低，请到官网下载！");
    EXPECT_EQ(StartMapApp(), -1);

    // Running: the readiness check decides.
    std::unique_ptr<RecordingWindow> window(MapWindow());
    ui.ExpectMessageBox(u"版本太低");
    EXPECT_EQ(StartMapApp(), 0);
    Install(785);
    EXPECT_EQ(StartMapApp(), 1);
}

TEST_F(MapApp, StartUpWithAnOlderSupportedVersionGivesTheNoticeFirst) {
    // 772..784 at start-up: the notice; closed with "否" the start is offered as usual.
    Install(784, u"C:\\tarn\\tarn.exe");
    ui.ExpectMessageBox(u"是否打开Zavrel程序？", IDYES);
    EXPECT_EQ(StartMapApp(), 0);
    ASSERT_EQ(fake.hints.size(), 1u);
    EXPECT_EQ(fake.hints[0], u"您安装的Zavrel版本太低，请到官网重新下载！");
    ASSERT_EQ(Opened().size(), 1u);
    EXPECT_EQ(Opened()[0].file, u"C:\\tarn\\tarn.exe");

    // "是" opens the download page instead, and nothing is started.
    ResetMapAppLoadState();
    Install(772);
    fake.hintAnswer = IDOK;
    EXPECT_EQ(StartMapApp(), -1);
    EXPECT_EQ(fake.hints.size(), 2u);
    ASSERT_EQ(Opened().size(), 2u);
    EXPECT_EQ(Opened()[1].file, kMapAppDownloadUrl);
}

TEST_F(MapApp, PluginUpdateNoticeShowsTheDigitsAndRecordsTheAnnouncement) {
    fake.update = 0;
    fake.loadWithHost = 1;
    fake.announcedPlugin = 141;
    EXPECT_EQ(ShowPluginUpdate(CString(u"修复若干问题"), 152), 1);
    ASSERT_EQ(fake.hints.size(), 1u);
    EXPECT_EQ(fake.hints[0], u"系统发现插件有更新(v1.5.2)，请到官网下载！\r\n更新内容：\r\n修复若干问题");
    EXPECT_EQ(fake.unregisters, 1);
    EXPECT_EQ(fake.registers, 1);
    EXPECT_EQ(fake.update, 1);
    EXPECT_EQ(fake.announcedPlugin, 152u);
    EXPECT_EQ(fake.saves, 1);

    EXPECT_EQ(ShowPluginUpdate(CString(u"x"), 160), 1);  // once per load
    EXPECT_EQ(fake.hints.size(), 1u);

    // A version of 0 or below is newer than nothing: taken as an unsigned number it would be announced,
    // the plug-in's loading rewritten and the update switch set.
    for (int version : {0, -1}) {
        ResetMapAppLoadState();
        fake.update = 0;
        ShowPluginUpdate(CString(u""), version);
        EXPECT_EQ(fake.announcedPlugin, 152u) << version;
        EXPECT_EQ(fake.unregisters, 1) << version;
        EXPECT_EQ(fake.update, 0) << version;
        EXPECT_EQ(fake.saves, 1) << version;
    }
    fake.update = 1;

    // Already announced: shown while the switch is on, nothing changed or saved.
    ResetMapAppLoadState();
    fake.hintAnswer = IDOK;
    EXPECT_EQ(ShowPluginUpdate(CString(u""), 152), 0);
    EXPECT_EQ(fake.saves, 1);
    ASSERT_EQ(Opened().size(), 1u);
    EXPECT_EQ(Opened()[0].file, kPluginUpdateUrl);
}

TEST_F(MapApp, HintClosedWithDoNotShowClearsTheSwitch) {
    BYTE sw = 0;
    EXPECT_EQ(ShowHintAndOpen(&sw, CString(u"t"), CString(u"u")), 1);
    EXPECT_TRUE(fake.hints.empty());

    sw = 1;
    fake.hintDoNotShow = 1;
    EXPECT_EQ(ShowHintAndOpen(&sw, CString(u"t"), CString(u"u")), 1);
    EXPECT_EQ(sw, 0);
    EXPECT_EQ(fake.saves, 1);
    EXPECT_TRUE(Opened().empty());

    // Without the plug-in core's hooks a Yes/No box stands in for the hint dialog.
    SetMapNoticeHooks(MapNoticeHooks());
    sw = 1;
    ui.ExpectMessageBox(u"t", IDYES);
    EXPECT_EQ(ShowHintAndOpen(&sw, CString(u"t"), CString(u"u")), 0);
    ASSERT_EQ(Opened().size(), 1u);
    EXPECT_EQ(Opened()[0].file, u"u");
}

}  // namespace
