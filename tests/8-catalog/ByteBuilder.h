#pragma once

// Builds resource bodies field by field for the catalog tests.

#include <cstdint>
#include <string_view>
#include <vector>

namespace tambrix::testing {

using Bytes = std::vector<uint8_t>;

class ByteBuilder {
public:
    ByteBuilder& U8(uint8_t v) {
        mBytes.push_back(v);
        return *this;
    }
    ByteBuilder& U16(uint16_t v) {  // little-endian
        mBytes.push_back(static_cast<uint8_t>(v & 0xFF));
        mBytes.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    ByteBuilder& U32(uint32_t v) {  // little-endian
        U16(static_cast<uint16_t>(v & 0xFFFF));
        return U16(static_cast<uint16_t>(v >> 16));
    }
    /// The text and its terminating NUL.
    ByteBuilder& Text(std::string_view text) {
        Raw(text);
        return U8(0);
    }
    /// The bytes of the text, no terminator.
    ByteBuilder& Raw(std::string_view text) {
        mBytes.insert(mBytes.end(), text.begin(), text.end());
        return *this;
    }
    /// A 0xFFFD entry: language code, value, comment.
    ByteBuilder& Entry(uint8_t code, std::string_view value, std::string_view comment = {}) {
        U8(code);
        Text(value);
        return Text(comment);
    }
    /// A 0xFFFC text: its length as a varint (7 bits a byte, low first), then the bytes.
    ByteBuilder& Packed(std::string_view text) {
        size_t n = text.size();
        for (; n >= 0x80; n >>= 7) U8(static_cast<uint8_t>(0x80 | (n & 0x7F)));
        U8(static_cast<uint8_t>(n));
        return Raw(text);
    }
    /// A 0xFFFC pair: language (code - 1), value, comment.
    ByteBuilder& Pair(uint8_t language, std::string_view value, std::string_view comment = {}) {
        U8(language);
        Packed(value);
        return Packed(comment);
    }
    std::vector<uint8_t> Take() { return std::move(mBytes); }
    operator std::vector<uint8_t>() const { return mBytes; }

private:
    std::vector<uint8_t> mBytes;
};

}  // namespace tambrix::testing
