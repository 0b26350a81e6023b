// Applications: loading a module into the host, its messages, its commands, unloading.
#include <filesystem>

#include "host_fixture.h"
#include "platform/win32/bus/bus_hooks.h"

namespace {

using e2e::Count;
using e2e::HostTest;
using platform::CommandOutcome;

TEST_F(HostTest, AModuleGetsItsMessagesAndItsCommandsComeAndGo) {
    Mark();
    std::string error;
    ASSERT_TRUE(host.LoadModule(E2E_GOOD_MODULE, &error)) << error;
    // It runs from the module folder and is told so; one drawing is open.
    const std::string copy = host.Options().moduleFolder + "/e2e_good.arx";
    EXPECT_TRUE(std::filesystem::exists(copy));
    EXPECT_NE(Printed().find("[e2e] init " + platform::Utf16ToUtf8(platform::ToWindowsPath(copy))),
              std::string::npos)
        << Printed();
    EXPECT_EQ(Count(Printed(), "[e2e] loaddwg"), 1);
    EXPECT_EQ(platform::LinkerCalls(), (std::vector<std::u16string>{u"unlock", u"mdiaware"}));
    EXPECT_FALSE(host.LoadModule(E2E_GOOD_MODULE, &error));
    EXPECT_NE(error.find("already loaded"), std::string::npos);

    // Its command runs in the host with the host's classes and input.
    EXPECT_EQ(Run("E2EHELLO", {"3,4"}), CommandOutcome::kEnded);
    ASSERT_EQ(Entities().size(), 1u);
    EXPECT_NE(Describe(Entities()[0]).find("LINE from (0,0,0) to (3,4,0)"), std::string::npos);
    EXPECT_EQ(Run("U"), CommandOutcome::kEnded);
    EXPECT_TRUE(Entities().empty());

    // Drawings opened and closed later are announced to it.
    Mark();
    EXPECT_EQ(Run("NEW"), CommandOutcome::kEnded);
    EXPECT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    EXPECT_EQ(Count(Printed(), "[e2e] loaddwg"), 1);
    EXPECT_EQ(Count(Printed(), "[e2e] unloaddwg"), 1);
    EXPECT_EQ(Run("NEW"), CommandOutcome::kEnded);

    // ARX ? lists it and its commands; ARX Unload: each open drawing, then the application; the commands
    // are gone, also the one it forgot to remove.
    Mark();
    EXPECT_EQ(Run("ARX ?"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("e2e_good.arx"), std::string::npos);
    EXPECT_NE(Printed().find("Command group E2E: E2EHELLO"), std::string::npos) << Printed();
    Mark();
    EXPECT_EQ(Run("ARX Unload e2e_good"), CommandOutcome::kEnded);
    EXPECT_EQ(Count(Printed(), "[e2e] unloaddwg"), 2);
    EXPECT_LT(Printed().rfind("[e2e] unloaddwg"), Printed().find("[e2e] unload\n")) << Printed();
    EXPECT_TRUE(host.Modules().All().empty());
    EXPECT_EQ(acedRegCmds->lookupGlobalCmd(u"E2EHELLO"), nullptr);
    EXPECT_EQ(acedRegCmds->lookupGlobalCmd(u"E2ELEFT"), nullptr);
    EXPECT_EQ(Run("E2EHELLO"), CommandOutcome::kUnknown);
    EXPECT_EQ(Run("ARX Unload e2e_good"), CommandOutcome::kFailed);

    // Loaded again by name from the module folder; QUIT closes the drawings (the module sees each go), then
    // unloads it.
    EXPECT_EQ(Run("ARX Load e2e_good.arx"), CommandOutcome::kEnded);
    EXPECT_EQ(Run("E2ELEFT"), CommandOutcome::kEnded);
    Mark();
    EXPECT_EQ(Run("QUIT"), CommandOutcome::kEnded);
    EXPECT_FALSE(host.Started());
    EXPECT_EQ(Count(Printed(), "[e2e] unloaddwg"), 2);
    EXPECT_EQ(Count(Printed(), "[e2e] documentToBeDestroyed"), 2);
    EXPECT_LT(Printed().rfind("[e2e] documentToBeDestroyed"), Printed().rfind("[e2e] unload")) << Printed();
    EXPECT_EQ(acedRegCmds->lookupGlobalCmd(u"E2ELEFT"), nullptr);
}

TEST_F(HostTest, AModuleThatRefusesToInitialiseIsNotLoaded) {
    Mark();
    std::string error;
    EXPECT_FALSE(host.LoadModule(E2E_FAILING_MODULE, &error));
    EXPECT_NE(error.find("refused to load"), std::string::npos) << error;
    EXPECT_NE(Printed().find("[e2e] init"), std::string::npos);
    EXPECT_EQ(Count(Printed(), "[e2e] loaddwg"), 0);
    EXPECT_TRUE(host.Modules().All().empty());
    EXPECT_EQ(acedRegCmds->lookupGlobalCmd(u"E2EHELLO"), nullptr);
    // The reactor it added before refusing is found and removed with it.
    EXPECT_EQ(host.Modules().Leftovers(),
              std::vector<std::string>{"\"e2e_failing.arx\" left a document manager reactor behind."});
    EXPECT_TRUE(platform::DocManagerReactors().size() <= 1u);  // the host's own
    host.Modules().ClearLeftovers();

    // Files that are no application, or no file at all.
    const std::string text = dir + "/readme.arx";
    e2e::WriteFile(text, "not a shared object");
    EXPECT_FALSE(host.LoadModule(text, &error));
    EXPECT_NE(error.find("cannot load"), std::string::npos) << error;
    EXPECT_FALSE(host.LoadModule(dir + "/absent.arx", &error));
    EXPECT_NE(error.find("not found"), std::string::npos) << error;
    EXPECT_EQ(Run("ARX Load absent.arx"), CommandOutcome::kFailed);
}

TEST_F(HostTest, WhatAModuleLeavesBehindIsReportedAndRemovedAtUnload) {
    std::string error;
    ASSERT_TRUE(host.LoadModule(E2E_SECOND_MODULE, &error)) << error;
    const size_t windows = platform::LiveWindowCount();
    const size_t editorReactors = platform::EditorReactorCount();
    EXPECT_EQ(Run("E2E2LEAVE"), CommandOutcome::kEnded);
    EXPECT_EQ(platform::LiveWindowCount(), windows + 1);
    Mark();
    EXPECT_EQ(Run("ARX Unload e2e_second"), CommandOutcome::kEnded);
    const std::vector<std::string> expected = {
        "\"e2e_second.arx\" left the window procedure of window \"E2ELeftWindow\" \"left\" behind.",
        "\"e2e_second.arx\" left the procedure of timer 1 behind.",
        "\"e2e_second.arx\" left an editor reactor behind.",
        "\"e2e_second.arx\" left a database reactor behind."};
    EXPECT_EQ(host.Modules().Leftovers(), expected);
    for (const std::string& line : expected) {
        EXPECT_NE(Printed().find(line), std::string::npos) << Printed();
    }
    // Gone with the module: nothing calls into unmapped code afterwards.
    EXPECT_EQ(platform::LiveWindowCount(), windows);
    EXPECT_EQ(platform::EditorReactorCount(), editorReactors);
    EXPECT_TRUE(platform::LiveTimers().empty());
    EXPECT_TRUE(platform::DatabaseReactors(host.Drawing()).empty());
    host.Wait(5000);
    EXPECT_EQ(Run("LINE 0,0 1,1", {""}), CommandOutcome::kEnded);
    host.Modules().ClearLeftovers();
}

}  // namespace
