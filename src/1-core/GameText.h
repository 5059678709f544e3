#pragma once

// The game's texts are single-byte Windows-1252 (western releases); files made by newer
// tools sometimes hold UTF-8 instead. Every program shows them through one rule, and
// every text a user gives goes back to the game's bytes through one more.

#include <cstdint>
#include <string>
#include <string_view>

namespace tambrix {

/// The Unicode code point of a Windows-1252 byte. The five bytes that code page leaves
/// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value.
uint32_t Cp1252ToUnicode(uint8_t byte);

/// The Windows-1252 byte of a code point, or -1 when the code page has none (the five
/// unassigned bytes included: no text of the game should be given them).
int UnicodeToCp1252(uint32_t code);

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

/// A text someone typed (UTF-8) as the game's Windows-1252 bytes. kOk; kEditBadText (and
/// `out` empty) for bytes that are not UTF-8, a character the code page lacks, a NUL (it
/// would end the text early) or a control character other than tab, line feed and
/// carriage return.
int32_t Utf8ToGameText(std::string_view utf8, std::string& out);

}  // namespace tambrix
