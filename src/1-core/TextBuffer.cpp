#include "core/TextBuffer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/AsciiCase.h"

namespace tambrix {

TextBuffer::TextBuffer(char* storage, uint32_t capacity) : mText(storage), mCapacity(capacity) {
    if (mCapacity > 0) mText[0] = '\0';
}

void TextBuffer::Clear() {
    if (mCapacity > 0) mText[0] = '\0';
}

uint32_t TextBuffer::Length() const {
    if (mCapacity == 0) return 0;
    return static_cast<uint32_t>(strnlen(mText, mCapacity - 1));
}

void TextBuffer::Assign(std::string_view text) {
    if (mCapacity == 0) return;
    if (text.empty()) {
        mText[0] = '\0';
        return;
    }
    // The source may overlap our own storage (assigning a part of ourselves).
    uint32_t n = static_cast<uint32_t>(std::min<size_t>(text.size(), mCapacity - 1));
    const void* nul = std::memchr(text.data(), '\0', n);
    if (nul) n = static_cast<uint32_t>(static_cast<const char*>(nul) - text.data());
    std::memmove(mText, text.data(), n);
    mText[n] = '\0';
}

void TextBuffer::Append(std::string_view text) {
    AppendN(text.data(), static_cast<uint32_t>(std::min<size_t>(text.size(), UINT32_MAX)));
}

void TextBuffer::AppendN(const char* text, uint32_t n) {
    if (mCapacity == 0 || !text || n == 0) return;
    uint32_t length = Length();
    uint32_t room = mCapacity - 1 - length;
    uint32_t take = 0;
    while (take < n && take < room && text[take] != '\0') ++take;
    std::memmove(mText + length, text, take);
    mText[length + take] = '\0';
}

void TextBuffer::AppendChar(char c) {
    if (c == '\0') return;
    AppendN(&c, 1);
}

void TextBuffer::AppendInt(int32_t value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", value);
    Append(digits);
}

char TextBuffer::At(int32_t index) const {
    if (index < 0 || static_cast<uint32_t>(index) >= Length()) return '\0';
    return mText[index];
}

int TextBuffer::Compare(std::string_view other) const {
    std::string_view self = View();
    size_t n = std::min(self.size(), other.size());
    int c = std::memcmp(self.data(), other.data(), n);
    if (c != 0) return c < 0 ? -1 : 1;
    if (self.size() == other.size()) return 0;
    return self.size() < other.size() ? -1 : 1;
}

int TextBuffer::CompareNoCase(std::string_view other) const { return tambrix::CompareNoCase(View(), other); }

}  // namespace tambrix
