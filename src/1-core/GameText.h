#pragma once

// The game's texts are single-byte Windows-1252 (western releases); files made by newer
// tools sometimes hold UTF-8 instead. Every program shows them through one rule.

#include <cstdint>
#include <string>
#include <string_view>

namespace tambrix {

/// The Unicode code point of a Windows-1252 byte. The five bytes that code page leaves
/// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value.
uint32_t Cp1252ToUnicode(uint8_t byte);

/// Appends the UTF-8 form of a code point (at most U+10FFFF).
void AppendUtf8(std::string& out, uint32_t code);

/// The length of the valid UTF-8 sequence at the start of `text` (1-4), or 0 when it does
/// not start with one (a stray continuation byte, a cut, overlong or surrogate form).
size_t Utf8SequenceLength(std::string_view text);

/// True when the whole text is valid UTF-8.
bool IsUtf8(std::string_view text);

/// A game text as UTF-8: kept when it is valid UTF-8 as a whole, else read byte by byte
/// as Windows-1252.
std::string GameTextToUtf8(std::string_view text);

}  // namespace tambrix
