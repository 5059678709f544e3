#pragma once

// The game's texts are single bytes of the Windows-1252 set: Latin-1 but for 0x80..0x9F,
// where the set has the euro sign, curly quotes, dashes, the trade mark sign and a few
// letters. Every conversion between the game's bytes and Unicode goes through here.

#include <cstdint>

namespace tambrix {

/// The character of a byte. The five bytes the set leaves undefined (0x81, 0x8D, 0x8F,
/// 0x90, 0x9D) stand for the control characters of the same number, as Windows reads them.
uint32_t CodePointOfGameByte(uint8_t byte);

/// The byte of a character, or -1 when the set has none (the five undefined bytes
/// included: no text of the game should be given them).
int GameByteOfCodePoint(uint32_t code);

}  // namespace tambrix
