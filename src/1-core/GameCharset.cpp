#include "core/GameCharset.h"

namespace tambrix {

namespace {

constexpr uint8_t kFirstSpecial = 0x80;
constexpr uint8_t kSpecialCount = 32;
// The characters of bytes 0x80..0x9F; 0 where the set has none.
constexpr uint16_t kSpecials[kSpecialCount] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

uint32_t CodePointOfGameByte(uint8_t byte) {
    if (byte < kFirstSpecial || byte >= kFirstSpecial + kSpecialCount) return byte;
    const uint16_t special = kSpecials[byte - kFirstSpecial];
    return special != 0 ? special : byte;
}

int GameByteOfCodePoint(uint32_t code) {
    if (code < kFirstSpecial || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
    for (int i = 0; i < kSpecialCount; ++i)
        if (kSpecials[i] != 0 && kSpecials[i] == code) return kFirstSpecial + i;
    return -1;
}

}  // namespace tambrix
