// Programs run with their arguments as given: every argument reaches the program unchanged, nothing is read
// by a shell, and the result is the program's exit code.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "plugin/cutil/cutil.h"
#include "support/testdirs.h"

namespace {

std::set<std::string> Entries(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(RunProgram, EveryArgumentArrivesUnchangedAndNothingElseRuns) {
    const std::string dir = tarntest::TempDir();
    // The folder is the current one: what a shell would run besides ("touch pwned") would land in it too.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    // touch makes one file a name: the names found afterwards are the arguments it received.
    const std::set<std::string> names{
        "\"; &|$() touch pwned",
        "x; touch pwned2 & touch pwned3 | touch pwned4",
        "$(touch pwned5)",
        "`touch pwned6`",
        "with space",
        "quote\"inside",
        "back\\slash",
        "trailing\\",
        "two\\\\\"quoted",
        "tab\there",
        "'single' *star? >redirect",
        "地图",
    };
    std::vector<std::string> paths;
    for (const std::string& name : names) {
        paths.push_back(dir + "/" + name);
    }
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(RunCommand("/usr/bin/touch", path.c_str(), static_cast<const char*>(nullptr)), 0);
    }
    EXPECT_EQ(Entries(dir), names);

    // Several arguments in one call, each its own.
    const std::string a = dir + "/a b";
    const std::string b = dir + "/\"c\"";
    EXPECT_EQ(RunCommand("/usr/bin/touch", a.c_str(), b.c_str(), static_cast<const char*>(nullptr)), 0);
    EXPECT_TRUE(std::filesystem::exists(a));
    EXPECT_TRUE(std::filesystem::exists(b));
    EXPECT_EQ(Entries(dir).size(), names.size() + 2);
    std::filesystem::current_path(before);
}

TEST(RunProgram, TheResultIsTheExitCodeOrMinusOneWhenNothingRan) {
    EXPECT_EQ(RunCommand("/bin/true", static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(RunCommand("/bin/false", static_cast<const char*>(nullptr)), 1);
    // An empty argument is an argument: touch fails on it.
    EXPECT_EQ(RunCommand("/usr/bin/touch", "", static_cast<const char*>(nullptr)), 1);
    // The program is taken as given: no search along PATH, no program of a quoted name, no invalid text.
    EXPECT_EQ(RunCommand("/no/such/program", static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(RunCommand("true", static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(RunCommand("/bin/\"true", static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(RunCommand("/bin/true", "\xff", static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(RunCommand(nullptr), -1);
}

}  // namespace
