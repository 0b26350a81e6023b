// The host's graphics-system manager, as far as the plug-in reaches it: the configuration object with its
// boolean options, which take effect only when the configuration is applied (saved, then announced).
#pragma once

#include "platform/win32/core/wintypes.h"

class AcGsConfig {
public:
    // Boolean options by number; option 0 is the one the plug-in keeps and sets. An unknown number reads
    // false and is not written.
    bool getOption(int option) const;
    void setOption(int option, bool value);
    // Applying a changed configuration takes two calls, as on the host: the settings are stored, then the
    // views are told.
    void saveSettings();
    void configChanged();
};

class AcGsManager {
public:
    AcGsConfig* getConfig();
};

// The manager of the current document's views; null when no drawing window exists.
AcGsManager* acgsGetGsManager();

namespace platform {

inline constexpr int kGsOptionCount = 4;

// What the graphics system holds and what it was asked to do.
struct GsState {
    bool options[kGsOptionCount] = {true, false, false, false};  // option 0 starts on, as on the host
    bool applied[kGsOptionCount] = {true, false, false, false};  // the values in effect (after configChanged)
    int saves = 0;
    int changes = 0;
    bool available = true;  // false: acgsGetGsManager gives null
};
GsState& GraphicsSystem();

}  // namespace platform
