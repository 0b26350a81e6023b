// Shared set-up of the plug-in core tests: the user's folders and the plug-in's module in the test's scratch
// space (its dialog tables are this program's own resources), a scripted user, and the settings and notice
// state of a fresh load.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/mfc/afxwin.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/sys/sys_hooks.h"
#include "plugin/app/HostEnv.h"
#include "plugin/app/Settings.h"
#include "plugin/maplink/mapapp.h"
#include "support/testdirs.h"
#include "support/testfiles.h"

namespace apptest {

// A fresh load of the plug-in's settings state (the globals outlive the platform's reset).
inline void ForgetSettings() {
    g_Settings = CSettingsRecord{};
    g_strSettingsPath.Empty();
    g_strMapTempRoot.Empty();
    g_MapAppState = CMapAppState();
    g_bAfterClose = 0;
    g_ViewVarBackup = CViewVarBackup();
    g_bZoomMatch = 0;
    g_nMapImageWidth = 0;
    g_nMapImageHeight = 0;
    SetMapNoticeHooks(MapNoticeHooks());
    ResetMapAppLoadState();
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = tarntest::TempDir();
        appData = root + "/appdata";
        temp = root + "/temp";
        pluginDir = root + "/plugin";
        for (const std::string& dir : {appData, temp, pluginDir}) {
            std::filesystem::create_directories(dir);
        }
        platform::SetLocalAppDataFolder(appData);
        platform::SetTempFolder(temp);
        platform::SetModuleFileName(AfxGetInstanceHandle(),
                                    platform::ToWindowsPath(pluginDir + "/TarnArx.arx"));
        ForgetSettings();
        platform::SetUiDriver(&ui);
    }
    void TearDown() override {
        std::string report;
        EXPECT_TRUE(ui.Verify(&report)) << report;
        platform::SetUiDriver(nullptr);
        ForgetSettings();
    }

    std::string SettingsFile() const { return appData + "/TarnArx_setting.ini"; }
    static CString Win(const std::string& hostPath) {
        return CString(platform::ToWindowsPath(hostPath).c_str());
    }

    std::string root;
    std::string appData;
    std::string temp;
    std::string pluginDir;
    platform::ScriptedUiDriver ui;
};

}  // namespace apptest

#include <cstring>
#include <vector>

#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"

namespace apptest {

// Stands in for the plug-in frame's hidden window "TarnArxWin": timer 1001 asks for the coordinate state, and
// the 20202 and 20301 answers are kept as the frame keeps them.
class FrameStandIn {
public:
    FrameStandIn() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &FrameStandIn::Proc;
        wc.lpszClassName = u"TarnArxWin";
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(0, u"TarnArxWin", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~FrameStandIn() {
        if (IsWindow(m_hwnd)) {
            DestroyWindow(m_hwnd);
        }
    }
    FrameStandIn(const FrameStandIn&) = delete;
    FrameStandIn& operator=(const FrameStandIn&) = delete;

    HWND Hwnd() const { return m_hwnd; }
    int assocDialogs = 0;  // WM_APP+50 received
    int coordRequests = 0;

private:
    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<FrameStandIn*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self == nullptr) {
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        if (message == WM_TIMER && wParam == 1001) {
            KillTimer(hwnd, 1001);
            ++self->coordRequests;
            if (MapApiGetCoordState(&g_MapApiLink) < 0) {
                g_MapAppState.m_bCheckPending = 0;
                g_bAfterClose = 0;
            }
            return 0;
        }
        if (message == WM_APP + 50) {
            ++self->assocDialogs;
            return 0;
        }
        if (message == WM_COPYDATA && wParam == kMapMsgWParam) {
            const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            const auto* p = static_cast<const BYTE*>(cds->lpData);
            const DWORD code = static_cast<DWORD>(cds->dwData & 0xFFFF);
            if (code == 20202 && cds->cbData >= 60) {
                std::memcpy(&g_MapAppState.m_nCoordType, p + 40, 4);
                g_MapAppState.m_nReceivedKey = DigestToKey63(p + 44);
                if (g_MapAppState.m_bCheckPending != 0) {
                    g_MapAppState.CheckMapStateDigest(hwnd);
                }
                if (g_bAfterClose != 0) {
                    if (g_MapAppState.m_nCoordType != 2) {
                        SaveFileMd5(g_MapAppState.m_strDrawingPath, p + 44);
                    }
                    g_bAfterClose = 0;
                }
            } else if (code == 20301 && cds->cbData >= 76 && g_bZoomMatch != 0) {
                std::memcpy(&g_nMapImageWidth, p + 68, 4);
                std::memcpy(&g_nMapImageHeight, p + 72, 4);
            }
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
};

}  // namespace apptest
