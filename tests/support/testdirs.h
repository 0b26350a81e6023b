// Per-test scratch space: a fresh folder for every test, removed when the test passes.
#pragma once

#include <string>

namespace tarntest {

// The current test's temporary folder (a host path).
std::string TempDir();

}  // namespace tarntest
