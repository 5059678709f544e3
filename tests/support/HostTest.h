#pragma once

// What tests need to know of the host they run on: whether it is Windows, the reasons a
// test gives when it cannot run there, and the process environment on either host.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace tambrix::test {

#ifdef _WIN32
inline constexpr bool kWindowsHost = true;
#else
inline constexpr bool kWindowsHost = false;
#endif

// Why a test is skipped on Windows, each said once so that the reasons read alike.
inline constexpr const char* kNoCaseOnWindows =
    "the Windows file system ignores case: names that differ only in case are one file there";
inline constexpr const char* kPosixFilesOnly =
    "needs POSIX file features that Windows has not (named pipes, symbolic links without privileges, permission bits)";
inline constexpr const char* kNoPrefixSearchOnWindows =
    "on Windows the install search looks at the machine itself, not at a home folder's Steam and Wine prefixes";
inline constexpr const char* kNoPngInBuild = "PNG output is not in this build";
inline constexpr const char* kNoIndexInBuild = "the search index needs SQLite, which this build has not";

/// Skips the running test on Windows, naming the reason.
#define TAMBRIX_SKIP_ON_WINDOWS(reason) \
    if (::tambrix::test::kWindowsHost) GTEST_SKIP() << (reason)

/// The value of an environment variable, if set.
inline std::optional<std::string> Variable(const char* name) {
    const char* value = ::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

/// Sets an environment variable of this process, or unsets it for no value.
inline void SetVariable(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
    ::_putenv_s(name, value ? value->c_str() : "");  // an empty value unsets it
#else
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
#endif
}

}  // namespace tambrix::test
