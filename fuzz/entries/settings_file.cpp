// The settings file: whatever "TarnArx_setting.ini" (or the older file beside the module) holds, the record
// loaded is in range, the file is left whole, and loading it again gives the same record.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "fuzz/entries/entries.h"
#include "fuzz/entries/files.h"
#include "platform/mfc/afxwin.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/sys/sys_hooks.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/core/Settings.h"
#include "plugin/maplink/mapapp.h"

namespace tarnfuzz {

namespace {

// The plug-in's globals outlive the platform's reset.
void Forget() {
    ResetPluginState();
}

std::string CheckRecord(const CSettingsRecord& r) {
    if (!std::isfinite(r.m_dViewScale1) || r.m_dViewScale1 <= 0 || !std::isfinite(r.m_dViewScale2) ||
        r.m_dViewScale2 <= 0) {
        return "a view scale is not a positive number";
    }
    const int icon = r.m_nIconSize;
    if (icon != 240 && icon != 120 && icon != 60 && icon != 30 && icon != 15) {
        return "the icon size is not one of the five";
    }
    if (r.m_nMaxLevel < 16 || r.m_nMaxLevel > 28 || r.m_nTextLevel < 0 || r.m_nTextLevel > 28) {
        return "a level is out of range";
    }
    if (r.m_nViewFollowMode < 0 || r.m_nViewFollowMode > 3) {
        return "the follow mode is out of range";
    }
    if (r.m_nVersion < kPluginVersion) {
        return "the record was not upgraded";
    }
    return {};
}

}  // namespace

std::string RunSettingsFile(const std::uint8_t* data, std::size_t size) {
    // The first byte picks where the file lies: the settings folder, or the older file beside the module.
    const bool old = size > 0 && (data[0] & 1) != 0;
    const std::string scratch = WriteScratchFile("settings.probe", nullptr, 0);
    if (scratch.empty()) {
        return {};
    }
    const std::filesystem::path base = std::filesystem::path(scratch).parent_path() / "settings";
    std::error_code ec;
    std::filesystem::remove_all(base, ec);
    const std::filesystem::path appData = base / "appdata", temp = base / "temp", module = base / "plugin";
    for (const auto& folder : {appData, temp, module}) {
        std::filesystem::create_directories(folder, ec);
    }
    {
        std::ofstream out(old ? module / "setting.ini" : appData / "TarnArx_setting.ini", std::ios::binary);
        if (size > 1) {
            out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
        }
    }
    platform::SetLocalAppDataFolder(appData.string());
    platform::SetTempFolder(temp.string());
    platform::SetModuleFileName(AfxGetInstanceHandle(),
                                platform::ToWindowsPath((module / "TarnArx.arx").string()));

    Forget();
    LoadSettings();
    std::string problem = CheckRecord(g_Settings);
    if (problem.empty() && g_strMapTempRoot.IsEmpty()) {
        problem = "no cache root";
    }
    if (problem.empty()) {
        // What the load left in the file reads back as the same record.
        const CSettingsRecord first = g_Settings;
        Forget();
        LoadSettings();
        if (std::memcmp(&first, &g_Settings, sizeof first) != 0) {
            problem = "the record saved does not load back the same";
        }
    }
    Forget();
    platform::ResetAll();
    std::filesystem::remove_all(base, ec);
    return problem;
}

}  // namespace tarnfuzz
