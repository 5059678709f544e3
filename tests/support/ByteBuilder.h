#pragma once

// The byte builder of every test: the library's byte writer, plus the pieces that spell
// out hand-made bodies field by field (string-table entries, archive headers and
// entries). Tests write layouts out here on purpose rather than through the library's
// own encoders where a mistake shared by a reader and its writer must not pass unseen.

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/ByteWriter.h"

namespace tambrix::testing {

using Bytes = std::vector<uint8_t>;

class ByteBuilder : public BasicByteWriter<ByteBuilder> {
public:
    operator std::vector<uint8_t>() const { return BasicByteWriter::Bytes(); }

    // String tables.
    /// A 0xFFFD entry: language code, value, comment.
    ByteBuilder& Entry(uint8_t code, std::string_view value, std::string_view comment = {}) {
        return U8(code).CString(value).CString(comment);
    }
    /// A 0xFFFC text: its length as a varint (7 bits a byte, low first), then the bytes.
    ByteBuilder& Packed(std::string_view text) {
        size_t n = text.size();
        for (; n >= 0x80; n >>= 7) U8(static_cast<uint8_t>(0x80 | (n & 0x7F)));
        return U8(static_cast<uint8_t>(n)).Text(text);
    }
    /// A 0xFFFC pair: language (code - 1), value, comment.
    ByteBuilder& Pair(uint8_t language, std::string_view value, std::string_view comment = {}) {
        return U8(language).Packed(value).Packed(comment);
    }

    // FAR archives.
    /// The 16-byte header: signature, version, manifest offset.
    ByteBuilder& FarHeader(uint32_t manifestOffset, uint32_t version = 1) {
        return Text("FAR!byAZ").U32(version).U32(manifestOffset);
    }
    /// One manifest entry of the u32-name-length variant (1a).
    ByteBuilder& FarEntry1a(uint32_t size, uint32_t secondSize, uint32_t offset, std::string_view name) {
        return U32(size).U32(secondSize).U32(offset).U32(static_cast<uint32_t>(name.size())).Text(name);
    }
    /// One manifest entry of the u16-name-length variant (1b).
    ByteBuilder& FarEntry1b(uint32_t size, uint32_t secondSize, uint32_t offset, std::string_view name) {
        return U32(size).U32(secondSize).U32(offset).U16(static_cast<uint16_t>(name.size())).Text(name);
    }
};

}  // namespace tambrix::testing
