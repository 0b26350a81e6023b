// The graphics-system manager: one configuration whose options take effect when it is applied.
#include "platform/arx/acgs/gsmanager.h"

#include "platform/win32/core/testhooks.h"

namespace platform {

GsState& GraphicsSystem() {
    static GsState* state = [] {
        RegisterReset("arx.gs", [] { GraphicsSystem() = GsState(); });
        return new GsState();
    }();
    return *state;
}

}  // namespace platform

namespace {

bool Known(int option) {
    return option >= 0 && option < platform::kGsOptionCount;
}

AcGsConfig g_config;
AcGsManager g_manager;

}  // namespace

bool AcGsConfig::getOption(int option) const {
    return Known(option) && platform::GraphicsSystem().options[option];
}

void AcGsConfig::setOption(int option, bool value) {
    if (Known(option)) {
        platform::GraphicsSystem().options[option] = value;
    }
}

void AcGsConfig::saveSettings() {
    ++platform::GraphicsSystem().saves;
}

void AcGsConfig::configChanged() {
    platform::GsState& gs = platform::GraphicsSystem();
    ++gs.changes;
    for (int i = 0; i < platform::kGsOptionCount; ++i) {
        gs.applied[i] = gs.options[i];
    }
}

AcGsConfig* AcGsManager::getConfig() {
    return &g_config;
}

AcGsManager* acgsGetGsManager() {
    return platform::GraphicsSystem().available ? &g_manager : nullptr;
}
