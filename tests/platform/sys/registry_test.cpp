#include <gtest/gtest.h>

#include <string>

#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"

namespace {

const char16_t* const kMainFrm = u"Software\\Zavrel Software\\tarn\\MainFrm";

TEST(Registry, QueryGivesSizeTypeAndMoreData) {
    platform::SeedRegistryDword(HKEY_CURRENT_USER, kMainFrm, u"LastVersion", 785);
    platform::SeedRegistryString(HKEY_CURRENT_USER, kMainFrm, u"LastRunPath", u"C:\\tarn\\tarn.exe");

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\zavrel software\\TARN\\mainfrm", 0, KEY_ALL_ACCESS,
                            &key),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0, value = 0;
    size = sizeof(value);
    ASSERT_EQ(RegQueryValueExW(key, u"lastversion", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(value, 785u);

    // Null data asks for the size; too small a buffer gives ERROR_MORE_DATA, the size and the type.
    size = 0;
    type = 0;
    ASSERT_EQ(RegQueryValueExW(key, u"LastRunPath", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 34u);  // 16 units and the NUL
    char16_t text[8];
    size = sizeof(text);
    EXPECT_EQ(RegQueryValueExW(key, u"LastRunPath", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 34u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);

    // Writes, deletes and sub-key enumeration in name order.
    HKEY sub = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(key, u"b\\Deep", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    const DWORD one = 1;
    EXPECT_EQ(RegSetValueExW(sub, u"V", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(sub), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(key, u"A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(sub), ERROR_SUCCESS);
    char16_t name[8];
    DWORD length = 8;
    ASSERT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"A");
    EXPECT_EQ(length, 1u);
    length = 1;
    EXPECT_EQ(RegEnumKeyExW(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    length = 8;
    EXPECT_EQ(RegEnumKeyExW(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegDeleteKeyW(key, u"b"), ERROR_ACCESS_DENIED);  // still has a sub-key
    EXPECT_EQ(RegDeleteKeyW(key, u"B\\deep"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, u"LASTVERSION"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, u"LastVersion"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(platform::OpenRegistryKeyCount(), 0u);

    EXPECT_EQ(platform::DumpRegistry(),
              "[HKEY_CURRENT_USER\\Software]\n[HKEY_CURRENT_USER\\Software\\Zavrel Software]\n"
              "[HKEY_CURRENT_USER\\Software\\Zavrel Software\\tarn]\n"
              "[HKEY_CURRENT_USER\\Software\\Zavrel Software\\tarn\\MainFrm]\n"
              "\"LastRunPath\"=\"C:\\tarn\\tarn.exe\"\n"
              "[HKEY_CURRENT_USER\\Software\\Zavrel Software\\tarn\\MainFrm\\A]\n"
              "[HKEY_CURRENT_USER\\Software\\Zavrel Software\\tarn\\MainFrm\\b]\n");
}

TEST(Registry, AccessRightsAndInjectedFailures) {
    platform::SeedRegistryDword(HKEY_CURRENT_USER, kMainFrm, u"LastVersion", 700);
    platform::InjectRegistryOpenFailure(HKEY_CURRENT_USER, u"software\\ZAVREL SOFTWARE\\tarn\\MainFrm",
                                        ERROR_ACCESS_DENIED, KEY_ALL_ACCESS);
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kMainFrm, 0, KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kMainFrm, 0, KEY_READ, &key), ERROR_SUCCESS);
    const DWORD v = 1;
    EXPECT_EQ(RegSetValueExW(key, u"X", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);

    platform::InjectRegistryOpenFailure(HKEY_LOCAL_MACHINE, u"Software\\Gone", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Gone", 0, nullptr, 0, KEY_READ, nullptr, &key,
                              nullptr),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Other", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);

    // A handle whose key has been deleted refuses further use.
    HKEY parent = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\T", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &parent, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(parent, u"Leaf", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(parent, u"leaf"), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, u"X", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4),
              ERROR_KEY_DELETED);
    RegCloseKey(key);
    RegCloseKey(parent);
}

}  // namespace
