#include "platform/win32/core/testhooks.h"

#include <utility>
#include <vector>

namespace platform {

namespace {

std::vector<std::pair<std::string, std::function<void()>>>& Resets() {
    static std::vector<std::pair<std::string, std::function<void()>>> resets;
    return resets;
}

}  // namespace

void RegisterReset(const std::string& name, std::function<void()> reset) {
    for (auto& entry : Resets()) {
        if (entry.first == name) {
            entry.second = std::move(reset);
            return;
        }
    }
    Resets().emplace_back(name, std::move(reset));
}

void ResetAll() {
    auto& resets = Resets();
    for (auto it = resets.rbegin(); it != resets.rend(); ++it) {
        it->second();
    }
}

}  // namespace platform
