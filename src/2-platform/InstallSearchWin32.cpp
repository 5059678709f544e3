// The install search's host registry on Windows (InstallSearch.h): a text value read with
// the registry API, in the 64-bit view first and then the 32-bit one, where a 32-bit
// installer on a 64-bit system left its entry (as the Wine registry reader does).
#include "platform/InstallSearch.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <climits>

namespace tambrix::platform {

namespace {

// A folder's path is short; a longer value is no path and is not read whole.
constexpr DWORD kLargestValueBytes = 64 * 1024;

bool widen(std::string_view text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) return true;
    if (text.find('\0') != std::string_view::npos || text.size() > INT_MAX) return false;
    const int size = static_cast<int>(text.size());
    const int count = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (count <= 0) return false;
    wide.resize(static_cast<size_t>(count));
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), count) == count;
}

std::optional<std::string> readView(HKEY root, const std::wstring& key, const std::wstring& value, REGSAM view) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    std::wstring text;
    LSTATUS status = ::RegQueryValueExW(opened, value.c_str(), nullptr, &type, nullptr, &bytes);
    if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && bytes <= kLargestValueBytes) {
        text.resize(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(opened, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &read);
        if (status == ERROR_SUCCESS) text.resize(std::min<size_t>(read / sizeof(wchar_t), text.size()));
    } else {
        status = ERROR_INVALID_DATA;
    }
    ::RegCloseKey(opened);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    // A stored text may or may not hold its terminating zero; it ends at the first one.
    const size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    if (text.empty()) return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int count = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return std::nullopt;
    std::string result(static_cast<size_t>(count), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), count, nullptr, nullptr);
    return result;
}

}  // namespace

std::optional<std::string> ReadHostRegistryText(RegistryHive hive, std::string_view key, std::string_view value) {
    std::wstring wideKey, wideValue;
    if (key.empty() || !widen(key, wideKey) || !widen(value, wideValue)) return std::nullopt;
    const HKEY root = hive == RegistryHive::kMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        if (auto text = readView(root, wideKey, wideValue, view)) return text;
    }
    return std::nullopt;
}

}  // namespace tambrix::platform
