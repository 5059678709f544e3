#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tambrix {

/// A fixed-capacity NUL-terminated text over storage that its owner provides.
/// Appends are cut so that the text always stays below the capacity.
class TextBuffer {
public:
    TextBuffer(char* storage, uint32_t capacity);
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    void Clear();
    uint32_t Length() const;
    uint32_t Capacity() const { return mCapacity; }
    const char* CStr() const { return mText; }
    char* Data() { return mText; }
    std::string_view View() const { return {mText, Length()}; }

    void Assign(std::string_view text);
    void Assign(const TextBuffer& other) { Assign(other.View()); }
    void Append(std::string_view text);
    /// Appends at most n bytes of text (stopping at a NUL).
    void AppendN(const char* text, uint32_t n);
    void AppendChar(char c);
    /// Appends the value formatted "%d".
    void AppendInt(int32_t value);
    /// The character at index, or 0 outside the text.
    char At(int32_t index) const;
    /// strcmp-style comparison of the two texts as bytes.
    int Compare(std::string_view other) const;
    /// Comparison with only 'A'..'Z' folded to 'a'..'z'.
    int CompareNoCase(std::string_view other) const;

private:
    char* mText;
    uint32_t mCapacity;
};

/// A TextBuffer that carries its own storage.
template <uint32_t N>
class FixedText : public TextBuffer {
public:
    FixedText() : TextBuffer(mStorage, N) {}
    explicit FixedText(std::string_view text) : TextBuffer(mStorage, N) { Assign(text); }
    FixedText(const FixedText& other) : TextBuffer(mStorage, N) { Assign(other.View()); }
    FixedText& operator=(const FixedText& other) {
        Assign(other.View());
        return *this;
    }

private:
    char mStorage[N] = {};
};

inline constexpr uint32_t kFileNameCapacity = 260;  ///< names of at most 259 characters
inline constexpr uint32_t kLabelCapacity = 64;      ///< labels of at most 63 characters

using FileNameText = FixedText<kFileNameCapacity>;
using LabelText = FixedText<kLabelCapacity>;

}  // namespace tambrix
