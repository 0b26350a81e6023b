// Test hooks beside the seam: every stand-in area that keeps process-wide state registers a reset here the
// first time its state is touched, and the test harness resets them all between tests.
#pragma once

#include <functional>
#include <string>

namespace platform {

void RegisterReset(const std::string& name, std::function<void()> reset);

// Runs every registered reset, in the reverse order of registration (later areas stand on earlier ones).
void ResetAll();

}  // namespace platform
