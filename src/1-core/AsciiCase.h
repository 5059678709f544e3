#pragma once

// The library's one case rule: names, labels and extensions compare with only ASCII
// 'A'..'Z' folded to 'a'..'z', every other byte as it is (the game's texts are 8-bit
// in no one encoding, so nothing else can be folded safely).

#include <string>
#include <string_view>

namespace tambrix {

constexpr char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

/// The text with every byte folded.
inline std::string FoldedAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = FoldAscii(c);
    return folded;
}

/// Equality of the folded texts.
inline bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

/// strcmp-style order (-1, 0, 1) of the folded texts, bytes compared unsigned.
inline int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace tambrix
