#pragma once

#include <string_view>

namespace tambrix::nameparts {

/// Position of the file name within a path: just behind the last '\' or '/'.
inline size_t FileNameStart(std::string_view path) {
    size_t separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? 0 : separator + 1;
}

/// Position of the extension's '.' (the last dot of the file name), or npos when the
/// file name has none.
inline size_t ExtensionStart(std::string_view path) {
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < FileNameStart(path)) return std::string_view::npos;
    return dot;
}

/// The extension with its dot, or an empty view.
inline std::string_view Extension(std::string_view path) {
    size_t dot = ExtensionStart(path);
    return dot == std::string_view::npos ? std::string_view() : path.substr(dot);
}

}  // namespace tambrix::nameparts
