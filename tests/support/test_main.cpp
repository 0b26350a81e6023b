// Test entry: every test starts on a reset platform, under the virtual clock, with a fresh temporary folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/win32/core/clock.h"
#include "platform/win32/core/testhooks.h"
#include "support/testdirs.h"

namespace tarntest {

namespace {

std::filesystem::path g_root;
std::filesystem::path g_current;
int g_serial = 0;

class PlatformReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        platform::ResetAll();
        platform::clock::UseVirtual(true);
        g_current = g_root / ("t" + std::to_string(++g_serial));
        std::filesystem::create_directories(g_current);
    }
    void OnTestEnd(const ::testing::TestInfo& info) override {
        platform::ResetAll();
        std::error_code ec;
        if (info.result() != nullptr && info.result()->Passed()) {
            std::filesystem::remove_all(g_current, ec);
        }
    }
};

}  // namespace

std::string TempDir() {
    return g_current.string();
}

}  // namespace tarntest

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::error_code ec;
    const auto base = std::filesystem::temp_directory_path(ec);
    tarntest::g_root = (ec ? std::filesystem::path("/tmp") : base) /
                       ("tarn-tests-" + std::to_string(static_cast<long>(::getpid())));
    std::filesystem::create_directories(tarntest::g_root);
    ::testing::UnitTest::GetInstance()->listeners().Append(new tarntest::PlatformReset);
    const int rc = RUN_ALL_TESTS();
    if (rc == 0) {
        std::filesystem::remove_all(tarntest::g_root, ec);
    }
    return rc;
}
