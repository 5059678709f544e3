#include "edit/GameText.h"

#include "core/ResultCodes.h"

namespace tambrix {

namespace {

// The characters of bytes 0x80..0x9F; 0 where the set has none.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

/// The byte of a code point, or -1 when the set lacks it.
int byteOf(uint32_t code) {
    if (code == '\t' || code == '\n' || code == '\r') return static_cast<int>(code);
    if (code < 0x20 || code == 0x7F) return -1;
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == code) return 0x80 + i;
    return -1;
}

}  // namespace

int32_t Utf8ToGameText(std::string_view utf8, std::string& out) {
    out.clear();
    std::string text;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        uint32_t code = 0;
        size_t length = 0;
        uint32_t least = 0;  // the smallest code point of the length: shorter forms are overlong
        if (lead < 0x80) {
            code = lead, length = 1;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F, length = 2, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F, length = 3, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07, length = 4, least = 0x10000;
        } else {
            return rc::kEditBadText;
        }
        if (i + length > utf8.size()) return rc::kEditBadText;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<uint8_t>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) return rc::kEditBadText;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least) return rc::kEditBadText;
        const int byte = byteOf(code);
        if (byte < 0) return rc::kEditBadText;
        text += static_cast<char>(byte);
        i += length;
    }
    out = std::move(text);
    return rc::kOk;
}

}  // namespace tambrix
