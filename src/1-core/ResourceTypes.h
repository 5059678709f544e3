#pragma once

#include <cstdint>
#include <string>

namespace tambrix {

/// A four-character code, first character in the most significant byte ("SPR#" is
/// 0x53505223; the three-character "CST" is 0x00435354).
using ResType = uint32_t;
/// Resource IDs are signed 16-bit.
using ResId = int16_t;

/// Applied once, in place, by a container to a body that is not stored in library order.
using ConversionRoutine = void (*)(uint8_t* body, uint32_t count);

constexpr ResType MakeResType(const char (&code)[5]) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}
constexpr ResType MakeResType(const char (&code)[4]) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[2]));
}

/// The type as text, most significant byte first; leading zero bytes are left out.
std::string ResTypeText(ResType type);

namespace restype {
inline constexpr ResType kSTR = MakeResType("STR#");
inline constexpr ResType kCST = MakeResType("CST");
inline constexpr ResType kCTSS = MakeResType("CTSS");
inline constexpr ResType kCATS = MakeResType("CATS");
inline constexpr ResType kOBJD = MakeResType("OBJD");
inline constexpr ResType kPALT = MakeResType("PALT");
inline constexpr ResType kSPR = MakeResType("SPR#");
inline constexpr ResType kSPR2 = MakeResType("SPR2");
inline constexpr ResType kDGRP = MakeResType("DGRP");
}  // namespace restype

}  // namespace tambrix
