#pragma once

// Steam's list of its libraries, steamapps/libraryfolders.vdf: a text of nested
// "key" "value" pairs and "key" { ... } blocks. The libraries are the "path" values of
// the numbered blocks under the root "libraryfolders" (older Steam wrote the numbered
// keys with the path as their value). The reader is small and bounded: the file is read
// only up to a size no real list comes near, blocks nest only so deep, and a text that
// breaks any rule gives no library at all rather than a guess.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tambrix::platform {

/// Larger files are not read: a list of a few libraries with their games is some kilobytes.
inline constexpr size_t kMaxLibraryFoldersBytes = 1 << 20;
/// Blocks deeper than this make the text damaged (real lists use three levels).
inline constexpr int kMaxLibraryFoldersDepth = 16;
/// A list naming more libraries than this is no list Steam wrote (one per disk), and each
/// library costs a look at the disk.
inline constexpr size_t kMaxLibraryFolders = 256;

/// The library folders the text lists, in its order, as written (escapes undone). Empty
/// for a damaged text: an unclosed quote or block, a stray "}", a key without a value,
/// nesting too deep, more than kMaxLibraryFolders libraries, a NUL byte, or a root other
/// than "libraryfolders".
std::vector<std::string> ParseLibraryFolders(std::string_view text);

/// Reads the file and parses it; empty when it cannot be read, is not a plain file, or is
/// larger than kMaxLibraryFoldersBytes.
std::vector<std::string> ReadLibraryFolders(const std::string& path);

}  // namespace tambrix::platform
