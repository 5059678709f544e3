#pragma once

// The game's texts are single bytes of the Windows-1252 set; people type Unicode. This is
// the one place where a text someone gives (UTF-8) becomes a text the game can show.

#include <cstdint>
#include <string>
#include <string_view>

namespace tambrix {

/// Converts UTF-8 to the game's Windows-1252 bytes. kOk; kEditBadText (and `out` empty)
/// for bytes that are not UTF-8, a character the set lacks, a NUL (it would end the text
/// early) or a control character other than tab, line feed and carriage return.
int32_t Utf8ToGameText(std::string_view utf8, std::string& out);

}  // namespace tambrix
