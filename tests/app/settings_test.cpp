// The settings record and file: defaults, upgrade, damaged files, the move of an older file, failed saves,
// the notices' switches, the FILE_MD5 entries and the reopen check of a drawing.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <cstring>
#include <limits>

#include "app/app_fixture.h"
#include "mapsim/mapsim.h"
#include "platform/win32/bus/bus_hooks.h"
#include "plugin/res/dlg_hint.h"

namespace {

using apptest::AppTest;

CSettingsRecord ExpectedDefaults() {
    CSettingsRecord r;
    std::memset(&r, 0, sizeof r);
    r.m_dViewScale1 = 1.0;
    r.m_dViewScale2 = 2.0;
    r.m_nRoundedValue = 1000;
    r.m_nIconSize = 60;
    r.m_nMaxLevel = 20;
    r.m_nTextLevel = 18;
    r.m_nVersion = 141;
    r.m_bHintMapTooOld = 1;
    r.m_bHintPluginUpdate = 1;
    return r;
}

bool SameBytes(const CSettingsRecord& a, const CSettingsRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class Settings : public AppTest {
protected:
    CString File() const { return Win(SettingsFile()); }
    void WriteRecord(const std::string& hostFile, CSettingsRecord record) {
        ASSERT_TRUE(WritePrivateProfileStructW(u"TarnArx", u"ini", &record, sizeof record, Win(hostFile)));
    }
    // The record as the file holds it now.
    bool FileRecord(CSettingsRecord& record) const {
        return GetPrivateProfileStructW(u"TarnArx", u"ini", &record, sizeof record, File()) != FALSE;
    }
    std::u16string FileText(const char16_t* section, const char16_t* key) const {
        WCHAR buffer[400] = {};
        GetPrivateProfileStringW(section, key, u"<none>", buffer, 400, File());
        return buffer;
    }
    void Reload() {
        apptest::ForgetSettings();
        LoadSettings();
    }
};

TEST_F(Settings, FirstRunWritesTheDefaultRecordAndTheTemporaryFolder) {
    LoadSettings();
    EXPECT_EQ(g_strSettingsPath, Win(appData) + u"\\TarnArx_setting.ini");
    EXPECT_TRUE(SameBytes(g_Settings, ExpectedDefaults()));
    CSettingsRecord stored;
    ASSERT_TRUE(FileRecord(stored));
    EXPECT_TRUE(SameBytes(stored, ExpectedDefaults()));
    EXPECT_EQ(FileText(u"TarnArx", u"ini").size(), 322u);
    EXPECT_EQ(FileText(u"TempPath", u"MapTemp"), Win(temp).Str());  // no trailing backslash
    EXPECT_EQ(g_strMapTempRoot, Win(temp));
}

TEST_F(Settings, EveryFieldSurvivesASaveAndAReload) {
    LoadSettings();
    CSettingsRecord r = ExpectedDefaults();
    r.m_bAutoSync = 1;
    r.m_dViewScale1 = 1.25;
    r.m_dViewScale2 = 3.5;
    r.m_bPointAsIcon = 1;
    r.m_nRoundedValue = 1300;
    r.m_nIconSize = 240;
    r.m_nMaxLevel = 28;
    r.m_nMatchZoomFactor = 1;
    r.m_nColorByLayer = 1;
    r.m_nTextLevel = 0;  // "0表示不显示": kept, not taken for "unset"
    r.m_nVersion = 150;  // a newer plug-in wrote it: not upgraded
    r.m_nViewFollowMode = 3;
    r.m_bHintMapTooOld = 0;
    r.m_bHintPluginUpdate = 0;
    r.m_bHideSkippedList = 1;
    r.m_bDblClickProperty = 1;
    r.m_bLoadWithHost = 1;
    r.m_bOnlineMap = 1;
    r.m_nAnnouncedMapVersion = 785;
    r.m_nAnnouncedPluginVersion = 142;
    r.m_reserved4[83] = 0x5A;  // bytes a later version uses are kept as read
    g_Settings = r;
    ASSERT_TRUE(SaveSettings());
    Reload();
    EXPECT_TRUE(SameBytes(g_Settings, r));
}

TEST_F(Settings, OlderRecordsAreUpgradedAndSaved) {
    CSettingsRecord r = ExpectedDefaults();
    r.m_nVersion = 0;
    r.m_bHintMapTooOld = 0;
    r.m_bHintPluginUpdate = 0;
    r.m_nTextLevel = 7;
    r.m_nColorByLayer = 1;
    r.m_dViewScale2 = 5.0;
    r.m_nIconSize = 30;
    WriteRecord(SettingsFile(), r);
    LoadSettings();
    EXPECT_EQ(g_Settings.m_nVersion, 141u);
    EXPECT_EQ(g_Settings.m_bHintMapTooOld, 1);
    EXPECT_EQ(g_Settings.m_bHintPluginUpdate, 1);
    EXPECT_EQ(g_Settings.m_nTextLevel, 18);
    EXPECT_EQ(g_Settings.m_nColorByLayer, 0);
    EXPECT_EQ(g_Settings.m_dViewScale2, 2.0);  // version 0 had no second scale
    EXPECT_EQ(g_Settings.m_nIconSize, 30);
    CSettingsRecord stored;
    ASSERT_TRUE(FileRecord(stored));
    EXPECT_TRUE(SameBytes(stored, g_Settings));

    // Version 120 keeps its second scale unless it is 0.
    r.m_nVersion = 120;
    WriteRecord(SettingsFile(), r);
    Reload();
    EXPECT_EQ(g_Settings.m_nVersion, 141u);
    EXPECT_EQ(g_Settings.m_nTextLevel, 18);
    EXPECT_EQ(g_Settings.m_dViewScale2, 5.0);
    r.m_dViewScale2 = 0.0;
    r.m_dViewScale1 = 0.0;
    r.m_nMaxLevel = 0;
    WriteRecord(SettingsFile(), r);
    Reload();
    EXPECT_EQ(g_Settings.m_dViewScale2, 2.0);
    EXPECT_EQ(g_Settings.m_dViewScale1, 1.0);
    EXPECT_EQ(g_Settings.m_nMaxLevel, 20);

    // A newer record is left as it is.
    r = ExpectedDefaults();
    r.m_nVersion = 150;
    r.m_nTextLevel = 7;
    r.m_bHintPluginUpdate = 0;
    WriteRecord(SettingsFile(), r);
    Reload();
    EXPECT_TRUE(SameBytes(g_Settings, r));
}

TEST_F(Settings, DamagedFilesLoadTheDefaults) {
    const std::string good = std::string(320, '0') + "00";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty file", ""},
        {"no record", "[TempPath]\r\nMapTemp=C:\\x\r\n"},
        {"truncated", "[TarnArx]\r\nini=" + good.substr(0, 200) + "\r\n"},
        {"another size", "[TarnArx]\r\nini=" + std::string(160, '0') + "00\r\n"},
        {"bad checksum", "[TarnArx]\r\nini=" + std::string(318, '0') + "0100\r\n"},
        {"not hexadecimal", "[TarnArx]\r\nini=" + std::string(320, 'Z') + "00\r\n"},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        tarntest::WriteFile(SettingsFile(), text);
        Reload();
        EXPECT_TRUE(SameBytes(g_Settings, ExpectedDefaults()));
        CSettingsRecord stored;
        ASSERT_TRUE(FileRecord(stored));
        EXPECT_TRUE(SameBytes(stored, ExpectedDefaults()));
    }
    // A stored cache root is used as it is; an empty or missing one is the temporary folder.
    tarntest::WriteFile(SettingsFile(), "[TempPath]\r\nMapTemp=C:\\cache\\\r\n");
    Reload();
    EXPECT_EQ(g_strMapTempRoot, u"C:\\cache");
    tarntest::WriteFile(SettingsFile(), "[TempPath]\r\nMapTemp=\r\n");
    Reload();
    EXPECT_EQ(g_strMapTempRoot, Win(temp));
}

TEST_F(Settings, ValuesOutOfRangeGoBackToTheirDefaultOneByOne) {
    struct Case {
        const char* what;
        void (*damage)(CSettingsRecord&);
        bool (*fixed)(const CSettingsRecord&);
    };
    const Case cases[] = {
        {"icon size", [](CSettingsRecord& r) { r.m_nIconSize = 100; },
         [](const CSettingsRecord& r) { return r.m_nIconSize == 60; }},
        {"icon size 0", [](CSettingsRecord& r) { r.m_nIconSize = 0; },
         [](const CSettingsRecord& r) { return r.m_nIconSize == 60; }},
        {"level 29", [](CSettingsRecord& r) { r.m_nMaxLevel = 29; },
         [](const CSettingsRecord& r) { return r.m_nMaxLevel == 20; }},
        {"level 15", [](CSettingsRecord& r) { r.m_nMaxLevel = 15; },
         [](const CSettingsRecord& r) { return r.m_nMaxLevel == 20; }},
        {"text level 29", [](CSettingsRecord& r) { r.m_nTextLevel = 29; },
         [](const CSettingsRecord& r) { return r.m_nTextLevel == 18; }},
        {"text level -1", [](CSettingsRecord& r) { r.m_nTextLevel = -1; },
         [](const CSettingsRecord& r) { return r.m_nTextLevel == 18; }},
        {"follow mode", [](CSettingsRecord& r) { r.m_nViewFollowMode = 4; },
         [](const CSettingsRecord& r) { return r.m_nViewFollowMode == 0; }},
        {"scale NaN", [](CSettingsRecord& r) { r.m_dViewScale1 = std::numeric_limits<double>::quiet_NaN(); },
         [](const CSettingsRecord& r) { return r.m_dViewScale1 == 1.0; }},
        {"scale negative", [](CSettingsRecord& r) { r.m_dViewScale2 = -2.0; },
         [](const CSettingsRecord& r) { return r.m_dViewScale2 == 2.0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSettingsRecord r = ExpectedDefaults();
        r.m_bAutoSync = 1;  // the rest stays as it was
        r.m_nRoundedValue = 1234;
        c.damage(r);
        WriteRecord(SettingsFile(), r);
        Reload();
        EXPECT_TRUE(c.fixed(g_Settings));
        EXPECT_EQ(g_Settings.m_bAutoSync, 1);
        EXPECT_EQ(g_Settings.m_nRoundedValue, 1234);
        CSettingsRecord stored;
        ASSERT_TRUE(FileRecord(stored));
        EXPECT_TRUE(c.fixed(stored));
    }
}

TEST_F(Settings, AnOlderFileBesideThePluginIsMovedToTheApplicationData) {
    const std::string old = pluginDir + "/setting.ini";
    CSettingsRecord r = ExpectedDefaults();
    r.m_nIconSize = 30;
    r.m_bAutoSync = 1;
    WriteRecord(old, r);
    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", u"C:\\old", Win(old)));
    LoadSettings();
    EXPECT_TRUE(SameBytes(g_Settings, r));
    EXPECT_FALSE(std::filesystem::exists(old));
    CSettingsRecord stored;
    ASSERT_TRUE(FileRecord(stored));
    EXPECT_TRUE(SameBytes(stored, r));
    EXPECT_EQ(FileText(u"TempPath", u"MapTemp"), Win(temp).Str());
    EXPECT_EQ(g_strMapTempRoot, Win(temp));

    // An empty older file is no settings file: the defaults, and the old file stays where it is.
    std::filesystem::remove(SettingsFile());
    tarntest::WriteFile(old, "");
    Reload();
    EXPECT_TRUE(SameBytes(g_Settings, ExpectedDefaults()));
    EXPECT_TRUE(std::filesystem::exists(old));

    // A rename that fails (the file on another volume) falls back to a copy and a delete.
    std::filesystem::remove(SettingsFile());
    WriteRecord(old, r);
    platform::InjectFileOpenFailure(SettingsFile(), EXDEV);
    Reload();
    EXPECT_TRUE(SameBytes(g_Settings, r));
    EXPECT_FALSE(std::filesystem::exists(old));
    ASSERT_TRUE(FileRecord(stored));
    EXPECT_TRUE(SameBytes(stored, r));
    // When the copy fails too, the older file is read where it lies, and stays.
    const std::string otherData = root + "/appdata2";
    std::filesystem::create_directories(otherData);
    platform::SetLocalAppDataFolder(otherData);
    platform::InjectFileOpenFailure(otherData + "/TarnArx_setting.ini", EACCES);
    WriteRecord(old, r);
    Reload();
    EXPECT_TRUE(SameBytes(g_Settings, r));
    EXPECT_TRUE(std::filesystem::exists(old));
    EXPECT_FALSE(std::filesystem::exists(otherData + "/TarnArx_setting.ini"));
}

TEST_F(Settings, AFailedSaveReportsFailureAndLeavesTheFileWhole) {
    LoadSettings();
    const std::string before = tarntest::ReadFile(SettingsFile());
    ASSERT_EQ(::chmod(SettingsFile().c_str(), 0444), 0);
    g_Settings.m_bAutoSync = 1;
    EXPECT_FALSE(SaveSettings());
    g_strMapTempRoot = u"C:\\elsewhere";
    EXPECT_FALSE(SaveMapTempPath());
    EXPECT_EQ(tarntest::ReadFile(SettingsFile()), before);
    ::chmod(SettingsFile().c_str(), 0644);
    // A full disk, likewise.
    platform::InjectDiskFull(appData);
    EXPECT_FALSE(SaveSettings());
    EXPECT_FALSE(SaveMapTempPath());
    EXPECT_EQ(tarntest::ReadFile(SettingsFile()), before);
}

// The cache root is made full once, when read: a drive root keeps its separator ("C:" alone would be the
// drive's current folder) and a relative root does not follow the current folder afterwards.
TEST_F(Settings, TheCacheRootIsReadAsAFullPathAndADriveRootKeepsItsSeparator) {
    LoadSettings();
    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", u"C:\\", File()));
    Reload();
    EXPECT_EQ(g_strMapTempRoot, CString(u"C:\\"));
    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", u"D:/maps/", File()));
    Reload();
    EXPECT_EQ(g_strMapTempRoot, CString(u"D:\\maps"));

    const std::string work = root + "/work/inner";
    std::filesystem::create_directories(work);
    const std::filesystem::path was = std::filesystem::current_path();
    std::filesystem::current_path(work);
    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", u"..\\cache", File()));
    Reload();
    std::filesystem::current_path(was);
    EXPECT_EQ(g_strMapTempRoot, CString(platform::ToWindowsPath(root + "/work/cache").c_str()));

    // A root whose last name ends in a blank is read in the one form every later reading gives too.
    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", Win(root) + u"\\r\\.. \\", File()));
    Reload();
    EXPECT_EQ(g_strMapTempRoot, Win(root));
    // A temporary folder at a drive's root gives that root as the first run's cache root.
    const std::string drive = root + "/drive";
    std::filesystem::create_directories(drive);
    platform::MapDrive(u'D', drive);
    platform::SetTempFolder(drive);
    EXPECT_EQ(GetTempFolder(), CString(u"D:\\"));
    std::filesystem::remove(SettingsFile());
    Reload();
    EXPECT_EQ(g_strMapTempRoot, CString(u"D:\\"));
    EXPECT_EQ(FileText(u"TempPath", u"MapTemp"), u"D:\\");
}

TEST_F(Settings, TheNoticesKeepTheirSwitchesInTheRecordAndAskThroughTheHintDialog) {
    LoadSettings();
    ui.ExpectDialog(IDD_DLG_HINT, [](platform::UiDialog& d) {
        EXPECT_EQ(d.Caption(), u"更新提示");
        EXPECT_NE(d.Text(IDC_HINT_TEXT).find(u"v1.4.2"), std::u16string::npos);
        EXPECT_EQ(d.Check(IDC_HINT_NOT_AGAIN), BST_UNCHECKED);
        d.SetCheck(IDC_HINT_NOT_AGAIN, true);
        d.Click(IDCANCEL);  // "否", with the box ticked
    });
    EXPECT_EQ(ShowPluginUpdate(u"修复若干问题", 142), 1);
    EXPECT_EQ(g_Settings.m_bHintPluginUpdate, 0);
    EXPECT_EQ(g_Settings.m_nAnnouncedPluginVersion, 142u);
    EXPECT_TRUE(platform::ShellExecuteRecords().empty());

    // After a restart the switch is still off: no dialog at all.
    Reload();
    EXPECT_EQ(g_Settings.m_bHintPluginUpdate, 0);
    EXPECT_EQ(ShowPluginUpdate(u"修复若干问题", 142), 1);

    // "是" opens the page and leaves the other switch as it was.
    ui.ExpectDialog(IDD_DLG_HINT, [](platform::UiDialog& d) { d.Click(IDOK); });
    EXPECT_EQ(ShowHintAndOpen(&g_Settings.m_bHintMapTooOld, u"版本太低", u"https://example.test/"), 0);
    EXPECT_EQ(g_Settings.m_bHintMapTooOld, 1);
    EXPECT_EQ(platform::ShellExecuteRecords().size(), 1u);
}

// --- FILE_MD5 and the reopen check

BYTE g_digestA[16] = {1, 2, 3, 4, 5, 6, 7, 0xF8, 9, 10, 11, 12, 13, 14, 15, 16};
BYTE g_digestB[16] = {2, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

std::array<uint8_t, 16> AsArray(const BYTE (&d)[16]) {
    std::array<uint8_t, 16> a{};
    std::memcpy(a.data(), d, 16);
    return a;
}

TEST_F(Settings, FileMd5EntriesAreKeyedByTheDrawingPathInTheAnsiCodePage) {
    LoadSettings();
    EXPECT_EQ(DigestToKey63(g_digestA), 0x7807060504030201ull);  // little-endian, top bit cleared
    const CString drawing = u"C:\\图纸\\测试.dwg";
    EXPECT_EQ(ReadFileMd5(drawing), 0u);
    ASSERT_TRUE(SaveFileMd5(drawing, g_digestA));
    EXPECT_EQ(FileText(u"FILE_MD5", u"8036525160036909500"), u"8648888228000236033");
    EXPECT_EQ(ReadFileMd5(drawing), 0x7807060504030201ull);
    EXPECT_EQ(ReadFileMd5(u"C:\\图纸\\其他.dwg"), 0u);
    EXPECT_FALSE(SaveFileMd5(u"", g_digestA));  // an unnamed drawing has no entry
}

TEST_F(Settings, DigestsAreEqualOnlyWhenAllSixteenBytesAre) {
    BYTE copy[16];
    std::memcpy(copy, g_digestA, 16);
    EXPECT_TRUE(DigestsEqual(g_digestA, copy));
    // A difference in the last byte, outside the 8 bytes of the key, still counts.
    copy[15] ^= 0x01;
    EXPECT_FALSE(DigestsEqual(g_digestA, copy));
    EXPECT_EQ(DigestToKey63(copy), DigestToKey63(g_digestA));
    copy[15] ^= 0x01;
    copy[7] ^= 0x80;  // the bit the key clears
    EXPECT_FALSE(DigestsEqual(g_digestA, copy));
}

class ReopenCheck : public Settings {
protected:
    void SetUp() override {
        Settings::SetUp();
        LoadSettings();
        MapApiLinkInit(&g_MapApiLink);
        MapApiSetAppName(&g_MapApiLink, u"TarnArxWin");
        ASSERT_TRUE(sim.Start());
    }
    void TearDown() override {
        sim.Stop();
        MapApiLinkFree(&g_MapApiLink);
        Settings::TearDown();
    }
    // A drawing closes: the after-close flag is set and the coordinate state asked for.
    void CloseDrawing(const CString& path) {
        g_bAfterClose = 1;
        g_MapAppState.m_strDrawingPath = path;
        ASSERT_EQ(MapApiGetCoordState(&g_MapApiLink), 0);
    }
    int Reopen(const CString& path) {
        const int before = frame.assocDialogs;
        g_MapAppState.StartDocumentCheck(path, 5);
        platform::AdvanceClock(10);  // timers run at 10 ms at the earliest
        platform::PumpMessages();
        return frame.assocDialogs - before;
    }

    mapsim::MapSim sim;
    apptest::FrameStandIn frame;
};

TEST_F(ReopenCheck, TheAssociatedPointDialogOpensOnlyWhenTheSettingChanged) {
    const CString drawing = u"C:\\图纸\\a.dwg";
    sim.SetCoordState(4, AsArray(g_digestA), "CGCS2000");
    CloseDrawing(drawing);
    EXPECT_EQ(ReadFileMd5(drawing), DigestToKey63(g_digestA));
    EXPECT_EQ(g_bAfterClose, 0);

    EXPECT_EQ(Reopen(drawing), 0);  // same setting as at its close
    EXPECT_EQ(g_MapAppState.m_bCheckPending, 0);
    EXPECT_EQ(frame.coordRequests, 1);

    sim.SetCoordState(4, AsArray(g_digestB), "Other");
    EXPECT_EQ(Reopen(drawing), 1);
    EXPECT_EQ(Reopen(u"C:\\图纸\\never-closed.dwg"), 1);  // no entry
    sim.SetCoordState(2, AsArray(g_digestA), "WGS84");
    EXPECT_EQ(Reopen(drawing), 1);  // longitude/latitude always asks

    // A close under longitude/latitude writes nothing.
    CloseDrawing(u"C:\\图纸\\b.dwg");
    EXPECT_EQ(ReadFileMd5(u"C:\\图纸\\b.dwg"), 0u);
}

TEST_F(ReopenCheck, OneCheckAtATimeAndNoneLeftPendingWithoutAnAnswer) {
    sim.SetCoordState(4, AsArray(g_digestA), "CGCS2000");
    g_MapAppState.StartDocumentCheck(u"C:\\a.dwg", 5);
    g_MapAppState.StartDocumentCheck(u"C:\\b.dwg", 5);  // pending: ignored
    EXPECT_EQ(g_MapAppState.m_strDrawingPath, u"C:\\a.dwg");
    platform::AdvanceClock(10);  // timers run at 10 ms at the earliest
    platform::PumpMessages();
    EXPECT_EQ(frame.coordRequests, 1);
    EXPECT_EQ(frame.assocDialogs, 1);
    EXPECT_EQ(g_MapAppState.m_bCheckPending, 0);

    g_MapAppState.StartDocumentCheck(u"", 5);  // an unnamed drawing is not checked
    EXPECT_EQ(g_MapAppState.m_bCheckPending, 0);

    // The map application is gone: the failed request ends the check, so later drawings are checked.
    sim.Stop();
    g_MapAppState.StartDocumentCheck(u"C:\\c.dwg", 5);
    platform::AdvanceClock(10);  // timers run at 10 ms at the earliest
    EXPECT_EQ(g_MapAppState.m_bCheckPending, 0);
    ASSERT_TRUE(sim.Start());
    g_MapAppState.StartDocumentCheck(u"C:\\d.dwg", 5);
    EXPECT_EQ(g_MapAppState.m_strDrawingPath, u"C:\\d.dwg");
    platform::AdvanceClock(10);  // timers run at 10 ms at the earliest
    platform::PumpMessages();
    EXPECT_EQ(frame.assocDialogs, 2);

    // Without the hidden window no timer could end the check: it is not started.
    DestroyWindow(frame.Hwnd());
    g_MapAppState.StartDocumentCheck(u"C:\\e.dwg", 5);
    EXPECT_EQ(g_MapAppState.m_bCheckPending, 0);
}

}  // namespace
