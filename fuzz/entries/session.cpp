#include "fuzz/entries/session.h"

#include "fuzz/entries/files.h"
#include "platform/arx/aced/acedframe.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/clock.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/sys/sys_hooks.h"
#include "plugin/app/MessageDlg.h"
#include "plugin/core/Settings.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/maplink/mapapp.h"
#include "plugin/maplink/maplink.h"

namespace tarnfuzz {

namespace {

// The plug-in's globals outlive the platform's reset.
void Forget() {
    ResetPluginState();
}

}  // namespace

PluginSession::PluginSession(bool simulator) {
    const std::string scratch = WriteScratchFile("session.probe", nullptr, 0);
    m_base = std::filesystem::path(scratch).parent_path() / "session";
    std::error_code ec;
    std::filesystem::remove_all(m_base, ec);
    for (const char* folder : {"plugin", "appdata", "temp"}) {
        std::filesystem::create_directories(m_base / folder, ec);
    }
    platform::ResetAll();
    platform::clock::UseVirtual(true);
    platform::SetLocalAppDataFolder((m_base / "appdata").string());
    platform::SetTempFolder((m_base / "temp").string());
    platform::SetModuleFileName(platform::PluginModuleHandle(),
                                platform::ToWindowsPath((m_base / "plugin" / "TarnArx.arx").string()));
    Forget();
    MapApiLinkInit(&g_MapApiLink);
    // The host's main frame is the host's, there before the plug-in and after it.
    acedGetAcadFrame();
    m_windowsBefore = platform::LiveWindowCount();
    if (simulator) {
        mapsim::MapSim::RecordInstall(u"C:\\Tarn\\tarn.exe", 785);
        map.Start();
    }
    doc = platform::NewDocument(platform::ToWindowsPath((m_base / "a.dxf").string()));
    if (theApp.dispatch(AcRx::kInitAppMsg, nullptr) != AcRx::kRetOK || GetMessageWindow() == nullptr) {
        m_problem = "the plug-in did not start";
    }
}

std::string PluginSession::Finish() {
    if (m_finished) {
        return {};
    }
    m_finished = true;
    std::string problem;
    if (theApp.IsInitialised()) {
        theApp.dispatch(AcRx::kUnloadAppMsg, nullptr);
    }
    if (GetMessageWindow() != nullptr) {
        problem = "the hidden window outlived the unload";
    }
    map.Stop();
    platform::CloseAllDocuments();
    if (problem.empty() && platform::LiveWindowCount() > m_windowsBefore) {
        problem = "a window outlived the unload";
    }
    return problem;
}

PluginSession::~PluginSession() {
    Finish();
    Forget();
    platform::ResetAll();
    std::error_code ec;
    std::filesystem::remove_all(m_base, ec);
}

}  // namespace tarnfuzz
