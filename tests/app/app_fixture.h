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
#include "plugin/core/HostEnv.h"
#include "plugin/app/MessageDlg.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/core/Settings.h"
#include "plugin/maplink/mapapp.h"
#include "support/testdirs.h"
#include "support/testfiles.h"

namespace apptest {

// A fresh load of the plug-in's state, settings included (the globals outlive the platform's reset).
inline void ForgetSettings() {
    ResetPluginState();
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

// The plug-in frame's hidden window "TarnArxWin" on its own, counting the coordinate-state timer and the
// requests to open the associated-point dialog (the dialog itself is the base map's, tested with it).
class FrameStandIn {
public:
    FrameStandIn() {
        // The class start-up registers: a copy of the dialog class.
        WNDCLASSW wc{};
        GetClassInfoW(nullptr, WC_DIALOG, &wc);
        wc.lpszClassName = kMessageWindowClass;
        AfxRegisterClass(&wc);
        auto* window = new CountingWindow(*this);
        if (window->Create(kMessageDlgResource)) {
            g_pMessageDlg = window;
        } else {
            delete window;
        }
    }
    ~FrameStandIn() {
        if (g_pMessageDlg != nullptr) {
            g_pMessageDlg->DestroyWindow();  // the window deletes itself
        }
    }
    FrameStandIn(const FrameStandIn&) = delete;
    FrameStandIn& operator=(const FrameStandIn&) = delete;

    HWND Hwnd() const { return GetMessageWindow(); }
    int assocDialogs = 0;  // WM_APP+50 received
    int coordRequests = 0;

private:
    class CountingWindow : public CMessageDlg {
    public:
        explicit CountingWindow(FrameStandIn& counts) : m_counts(counts) {}
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_TIMER && wParam == 1001) {
                ++m_counts.coordRequests;
            }
            if (message == WM_APP + 50) {
                ++m_counts.assocDialogs;
                return 1;
            }
            return CMessageDlg::WindowProc(message, wParam, lParam);
        }

    private:
        FrameStandIn& m_counts;
    };
};

}  // namespace apptest
