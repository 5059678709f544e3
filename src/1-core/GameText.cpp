#include "core/GameText.h"

#include "core/ResultCodes.h"

namespace tambrix {

namespace {

// 0x80-0x9F of Windows-1252; 0 where the code page assigns nothing.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

uint32_t Cp1252ToUnicode(uint8_t byte) {
    if (byte < 0x80 || byte >= 0xA0) return byte;
    const uint16_t code = kHighControls[byte - 0x80];
    return code ? code : byte;
}

int UnicodeToCp1252(uint32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == code) return 0x80 + i;
    return -1;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

size_t Utf8SequenceLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto lead = static_cast<uint8_t>(text[0]);
    size_t length = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (length == 0 || length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k)
        if ((static_cast<uint8_t>(text[k]) & 0xC0) != 0x80) return 0;
    // Overlong three- and four-byte forms, surrogates and code points past U+10FFFF.
    const auto second = static_cast<uint8_t>(text[1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

bool IsUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceLength(text.substr(i));
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string GameTextToUtf8(std::string_view text) {
    if (IsUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) AppendUtf8(out, Cp1252ToUnicode(static_cast<uint8_t>(c)));
    return out;
}

int32_t Utf8ToGameText(std::string_view utf8, std::string& out) {
    out.clear();
    std::string text;
    for (size_t i = 0; i < utf8.size();) {
        const size_t length = Utf8SequenceLength(utf8.substr(i));
        if (length == 0) return rc::kEditBadText;
        // The lead byte keeps 7, 5, 4 or 3 bits; each continuation byte 6.
        constexpr uint8_t kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        uint32_t code = static_cast<uint8_t>(utf8[i]) & kLeadBits[length];
        for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
        i += length;
        const bool control = (code < 0x20 && code != '\t' && code != '\n' && code != '\r') || code == 0x7F;
        const int byte = control ? -1 : UnicodeToCp1252(code);
        if (byte < 0) return rc::kEditBadText;
        text += static_cast<char>(byte);
    }
    out = std::move(text);
    return rc::kOk;
}

}  // namespace tambrix
