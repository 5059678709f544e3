// The host's registry as the install search reads it: on Windows a text value in the
// 64-bit view or, where a 32-bit installer left it, in the 32-bit one; elsewhere nothing.

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <string>

#include "platform/InstallSearch.h"
#include "support/HostTest.h"

namespace tambrix::platform {
namespace {

#ifdef _WIN32
/// A key of the test's own under HKEY_LOCAL_MACHINE\Software, in one registry view,
/// removed with everything in it afterwards.
class ScratchKey {
public:
    ScratchKey(REGSAM view) : mView(view) {
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPath, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &mKey, nullptr);
    }
    ~ScratchKey() {
        if (!mKey) return;
        ::RegCloseKey(mKey);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kPath, mView, 0);
    }
    bool Set(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        return mKey && ::RegSetValueExW(mKey, name, 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
    }
    static constexpr const wchar_t* kPath = L"Software\\Tambrix Registry Test";

private:
    REGSAM mView;
    HKEY mKey = nullptr;
};
#endif

TEST(HostRegistry, TextValuesAreReadInEitherViewAndNothingElseIs) {
#ifndef _WIN32
    EXPECT_EQ(ReadHostRegistryText(RegistryHive::kMachine, "Software\\Maxis\\The Sims", "SIMS_DATA"), std::nullopt);
    GTEST_SKIP() << "only Windows has a registry of its own: elsewhere there is never a value, as checked above";
#else
    ScratchKey native(KEY_WOW64_64KEY), older(KEY_WOW64_32KEY);
    const std::wstring folder = L"C:\\Jeux\\Les Sims \u00E9dition";  // outside ASCII
    const std::wstring unterminated = L"C:\\Short";
    const std::wstring huge(40000, L'x');
    const DWORD number = 7;
    ASSERT_TRUE(native.Set(L"Folder", REG_SZ, folder.c_str(), static_cast<DWORD>((folder.size() + 1) * 2)));
    ASSERT_TRUE(native.Set(L"NoZero", REG_SZ, unterminated.data(), static_cast<DWORD>(unterminated.size() * 2)));
    ASSERT_TRUE(native.Set(L"Number", REG_DWORD, &number, sizeof number));
    ASSERT_TRUE(native.Set(L"Empty", REG_SZ, L"", 2));
    ASSERT_TRUE(native.Set(L"Huge", REG_SZ, huge.c_str(), static_cast<DWORD>((huge.size() + 1) * 2)));
    ASSERT_TRUE(older.Set(L"Only32", REG_EXPAND_SZ, L"D:\\Maxis", 18));

    const std::string key = "Software\\Tambrix Registry Test";
    const struct {
        RegistryHive hive;
        std::string key, value;
        std::optional<std::string> read;
    } cases[] = {
        {RegistryHive::kMachine, key, "Folder", "C:\\Jeux\\Les Sims \xC3\xA9" "dition"},
        {RegistryHive::kMachine, key, "folder", "C:\\Jeux\\Les Sims \xC3\xA9" "dition"},  // names ignore case
        {RegistryHive::kMachine, key, "NoZero", "C:\\Short"},
        {RegistryHive::kMachine, key, "Only32", "D:\\Maxis"},  // the 32-bit view after the 64-bit one
        {RegistryHive::kMachine, key, "Number", std::nullopt},  // not a text
        {RegistryHive::kMachine, key, "Empty", std::nullopt},
        {RegistryHive::kMachine, key, "Huge", std::nullopt},  // no folder is that long
        {RegistryHive::kMachine, key, "Missing", std::nullopt},
        {RegistryHive::kUser, key, "Folder", std::nullopt},  // another hive
        {RegistryHive::kMachine, key + "\\Deeper", "Folder", std::nullopt},
        {RegistryHive::kMachine, "", "Folder", std::nullopt},
        {RegistryHive::kMachine, key, std::string("Fol\0der", 7), std::nullopt},
        {RegistryHive::kMachine, key, "Fol\xFF", std::nullopt},  // not UTF-8
    };
    for (const auto& c : cases) EXPECT_EQ(ReadHostRegistryText(c.hive, c.key, c.value), c.read) << c.value;
#endif
}

}  // namespace
}  // namespace tambrix::platform
