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
    // A reset may reach code that registers its own reset on first use, which grows the list while it is
    // walked: walk by index over copies, newest first. What registers now starts fresh and needs no reset.
    auto& resets = Resets();
    for (size_t i = resets.size(); i-- > 0;) {
        std::function<void()> reset = resets[i].second;
        reset();
    }
}

}  // namespace platform
