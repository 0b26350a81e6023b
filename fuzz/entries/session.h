// A started plug-in for the targets that drive it whole: its module, settings and cache folders in this
// process's scratch space, the virtual clock, one drawing with a file name open and the simulated map
// application running or not. Everything goes again at the end, as a fresh load would find it.
#pragma once

#include <filesystem>
#include <string>

#include "mapsim/mapsim.h"
#include "platform/arx/arxheaders.h"

namespace tarnfuzz {

class PluginSession {
public:
    explicit PluginSession(bool simulator);
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // The session's own folder: plugin, appdata and temp below it, and the drawing a.dxf's place.
    const std::filesystem::path& Base() const { return m_base; }
    // Empty when the plug-in started; else what went wrong.
    const std::string& Problem() const { return m_problem; }
    // Unloads the plug-in and closes the drawing; what did not go that should have, or "".
    std::string Finish();

    mapsim::MapSim map;
    AcApDocument* doc = nullptr;

private:
    std::filesystem::path m_base;
    size_t m_windowsBefore = 0;
    std::string m_problem;
    bool m_finished = false;
};

}  // namespace tarnfuzz
