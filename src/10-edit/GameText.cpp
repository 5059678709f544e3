#include "edit/GameText.h"

#include "core/GameCharset.h"
#include "core/ResultCodes.h"

namespace tambrix {

namespace {

/// The byte of a character a user may give, or -1: the set's characters but for the
/// control characters, of which tab, line feed and carriage return are kept.
int byteOf(uint32_t code) {
    if (code == '\t' || code == '\n' || code == '\r') return static_cast<int>(code);
    if (code < 0x20 || code == 0x7F) return -1;
    return GameByteOfCodePoint(code);
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
