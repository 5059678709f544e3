#pragma once

// Names are UTF-8 everywhere in the library and the tools. The standard library reads a
// narrow path in the host's 8-bit code page on Windows, where a name outside that page
// (an accented letter on another system's page, any Cyrillic or Japanese name) would
// name another file or none: paths for the standard file calls are made from and read
// back as UTF-8 through these two, which keep the bytes as they are elsewhere.

#include <filesystem>
#include <string>

namespace tambrix {

/// The standard path of a UTF-8 name.
inline std::filesystem::path Utf8Path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

/// The UTF-8 name of a standard path, in the host's separators; `generic` gives '/'.
inline std::string Utf8Name(const std::filesystem::path& path, bool generic = false) {
    const std::u8string text = generic ? path.generic_u8string() : path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace tambrix
