#include <gtest/gtest.h>

#include <string>

#include "platform/win32/core/modres.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"

namespace {

// Linked into this program as the plug-in's resources are linked into a test program.
const unsigned char kIcon[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
TARN_RESOURCE(u"PNG", 8315, kIcon, sizeof kIcon);
TARN_RESOURCE(TARN_RT_STRING, 57, u"Send to map", sizeof(u"Send to map"));
TARN_RESOURCE(TARN_RT_STRING, 58, u"", sizeof(u""));
const unsigned char kBitmap[] = {'B', 'M', 0, 0};
TARN_RESOURCE(TARN_RT_BITMAP, 8328, kBitmap, sizeof kBitmap);

TEST(Resources, TheProgramsOwnEntriesAreFoundByTypeAndId) {
    for (HMODULE module : {HMODULE{nullptr}, platform::PluginModuleHandle()}) {
        HRSRC png = FindResourceW(module, MAKEINTRESOURCEW(8315), u"PNG");
        ASSERT_NE(png, nullptr);
        EXPECT_EQ(SizeofResource(module, png), sizeof kIcon);
        EXPECT_EQ(LockResource(LoadResource(module, png)), static_cast<const void*>(kIcon));
        // Names and types as strings ("#n" is a number), case ignored.
        EXPECT_EQ(FindResourceW(module, u"#8315", u"png"), png);
        EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(8328), RT_BITMAP),
                  FindResourceW(module, MAKEINTRESOURCEW(8328), u"#2"));
        EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(8328), RT_BITMAP), nullptr);
    }
    // Wrong type, unknown id, names that are no number, a module that is not loaded.
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(8315), RT_BITMAP), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(8316), u"PNG"), nullptr);
    EXPECT_EQ(FindResourceW(nullptr, u"#", u"PNG"), nullptr);
    EXPECT_EQ(FindResourceW(nullptr, u"#99999999999", u"PNG"), nullptr);
    EXPECT_EQ(FindResourceW(nullptr, u"ICON", u"PNG"), nullptr);
    EXPECT_EQ(FindResourceW(reinterpret_cast<HMODULE>(0x5000000), MAKEINTRESOURCEW(8315), u"PNG"), nullptr);
    EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
}

TEST(Resources, StringsAreCutToTheBufferAndCanBeHandedOutInPlace) {
    WCHAR buffer[32];
    EXPECT_EQ(LoadStringW(nullptr, 57, buffer, 32), 11);
    EXPECT_EQ(std::u16string(buffer), u"Send to map");
    EXPECT_EQ(LoadStringW(platform::PluginModuleHandle(), 57, buffer, 5), 4);
    EXPECT_EQ(std::u16string(buffer), u"Send");
    EXPECT_EQ(LoadStringW(nullptr, 57, buffer, 1), 0);
    EXPECT_EQ(buffer[0], u'\0');
    const WCHAR* inPlace = nullptr;
    EXPECT_EQ(LoadStringW(nullptr, 57, reinterpret_cast<LPWSTR>(&inPlace), 0), 11);
    EXPECT_EQ(std::u16string(inPlace, 11), u"Send to map");
    EXPECT_EQ(LoadStringW(nullptr, 58, buffer, 32), 0);
    EXPECT_EQ(LoadStringW(nullptr, 59, buffer, 32), 0);
}

TEST(Resources, ModuleHandlesByName) {
    EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleW(u"tarnarx.ARX"), platform::PluginModuleHandle());
    EXPECT_EQ(GetModuleHandleW(u"other.arx"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
