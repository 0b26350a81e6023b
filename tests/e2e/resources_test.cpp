// Loaded modules: each has its own instance handle, path and resources; the program's own are apart.
#include "host_fixture.h"
#include "platform/mfc/afxdlg.h"
#include "platform/win32/core/modres.h"
#include "platform/win32/sys/sys_hooks.h"

namespace {

using e2e::HostTest;
using platform::CommandOutcome;

TARN_RESOURCE(TARN_RT_STRING, 101, u"test program", sizeof(u"test program"));

std::u16string StringOf(HMODULE module, UINT id) {
    WCHAR text[64] = u"";
    LoadStringW(module, id, text, 64);
    return text;
}

TEST_F(HostTest, EachLoadedModuleHasItsOwnInstanceAndResources) {
    std::string error;
    ASSERT_TRUE(host.LoadModule(E2E_GOOD_MODULE, &error)) << error;
    ASSERT_TRUE(host.LoadModule(E2E_SECOND_MODULE, &error)) << error;
    const HMODULE first = host.Modules().Find("e2e_good")->instance;
    const HMODULE second = host.Modules().Find("e2e_second")->instance;
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first, platform::PluginModuleHandle());
    EXPECT_EQ(GetModuleHandleW(u"E2E_SECOND.ARX"), second);
    EXPECT_NE(Printed().find("[e2e2] init C:"), std::string::npos) << Printed();
    EXPECT_NE(Printed().find("e2e_second.arx"), std::string::npos) << Printed();

    // Each finds its own entries through its handle, called from its own code or from the host.
    Mark();
    EXPECT_EQ(Run("E2ELEFT"), CommandOutcome::kEnded);
    EXPECT_EQ(Run("E2E2LEFT"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("[e2e] first module"), std::string::npos) << Printed();
    EXPECT_NE(Printed().find("[e2e2] second module"), std::string::npos) << Printed();
    EXPECT_EQ(StringOf(first, 101), u"first module");
    EXPECT_EQ(StringOf(second, 101), u"second module");
    EXPECT_EQ(StringOf(nullptr, 101), u"test program");
    const HRSRC png = FindResourceW(second, MAKEINTRESOURCEW(8315), u"PNG");
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(SizeofResource(second, png), 9u);
    const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(second, png)));
    EXPECT_EQ(bytes[1], 'P');
    EXPECT_EQ(bytes[8], 7);
    EXPECT_TRUE(platform::ModuleHasAddress(second, bytes));

    // A dialog finds its template in the active resource module, else in the first loaded module that has it.
    ASSERT_NE(platform::FindDialogResource(9100), nullptr);
    EXPECT_EQ(platform::FindDialogResource(9100)->caption, u"first module");
    AfxSetResourceHandle(first);
    ASSERT_NE(platform::FindDialogResource(9100), nullptr);
    EXPECT_EQ(platform::FindDialogResource(9100)->caption, u"first module");
    EXPECT_EQ(platform::FindDialogResource(9100)->controls.at(0).text, u"OK");
    AfxSetResourceHandle(second);
    EXPECT_EQ(platform::FindDialogResource(9100)->caption, u"second module");
    AfxSetResourceHandle(nullptr);
    EXPECT_EQ((platform::LoadedModules()), (std::vector<HMODULE>{first, second}));

    // Unloaded, its handle finds nothing and its code is no longer its.
    EXPECT_EQ(Run("ARX Unload e2e_second"), CommandOutcome::kEnded);
    EXPECT_EQ(FindResourceW(second, MAKEINTRESOURCEW(8315), u"PNG"), nullptr);
    EXPECT_EQ(StringOf(first, 101), u"first module");
    EXPECT_EQ(std::vector<HMODULE>{first}, platform::LoadedModules());
}

}  // namespace
