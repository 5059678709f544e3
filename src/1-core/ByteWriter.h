#pragma once

// The byte writer every encoder of the library writes through, the counterpart of
// ByteReader: a growable buffer, little-endian ("library order") unless a big-endian put
// is asked for. Every put answers the writer, so that a layout reads as one chain.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace tambrix {

/// The puts, for a writer class that adds puts of its own (Derived, which every put
/// answers); ByteWriter below is the plain one.
template <class Derived>
class BasicByteWriter {
public:
    Derived& U8(uint8_t v) {
        mBytes.push_back(v);
        return self();
    }
    Derived& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
    Derived& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
    Derived& U32(uint32_t v) { return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16)); }
    Derived& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    /// An IEEE single, little-endian.
    Derived& F32(float v) { return U32(std::bit_cast<uint32_t>(v)); }
    Derived& U16BE(uint16_t v) { return U8(static_cast<uint8_t>(v >> 8)).U8(static_cast<uint8_t>(v)); }
    Derived& U32BE(uint32_t v) { return U16BE(static_cast<uint16_t>(v >> 16)).U16BE(static_cast<uint16_t>(v)); }
    Derived& Append(const uint8_t* bytes, size_t n) {
        if (n > 0) mBytes.insert(mBytes.end(), bytes, bytes + n);
        return self();
    }
    Derived& Append(const std::vector<uint8_t>& bytes) { return Append(bytes.data(), bytes.size()); }
    /// The bytes of the text, no terminator.
    Derived& Text(std::string_view text) {
        mBytes.insert(mBytes.end(), text.begin(), text.end());
        return self();
    }
    /// The bytes of the text and one NUL.
    Derived& CString(std::string_view text) { return Text(text).U8(0); }
    /// The text in a field of n bytes: cut at n, the rest of the field 0.
    Derived& Field(std::string_view text, size_t n) {
        return Text(text.substr(0, n)).Fill(n - std::min(n, text.size()), 0);
    }
    Derived& Fill(size_t n, uint8_t v) {
        mBytes.insert(mBytes.end(), n, v);
        return self();
    }
    /// One pad byte when the size is odd.
    Derived& PadToEven(uint8_t pad = 0) { return mBytes.size() % 2 != 0 ? U8(pad) : self(); }

    /// Overwrite values written before (a forward offset, a field of a fixed layout).
    void PatchU8(size_t at, uint8_t v) { mBytes.at(at) = v; }
    void PatchU16(size_t at, uint16_t v) {
        for (size_t i = 0; i < 2; ++i) mBytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
    void PatchU32(size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) mBytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
    void PatchU32BE(size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) mBytes.at(at + i) = static_cast<uint8_t>(v >> (8 * (3 - i)));
    }

    /// Room for n bytes in all, so that a writer of known size grows once.
    void Reserve(size_t n) { mBytes.reserve(n); }
    size_t Size() const { return mBytes.size(); }
    const std::vector<uint8_t>& Bytes() const { return mBytes; }
    /// The bytes for patching by hand (hand-made damaged files in tests).
    std::vector<uint8_t>& Bytes() { return mBytes; }
    std::vector<uint8_t> Take() { return std::move(mBytes); }

private:
    Derived& self() { return static_cast<Derived&>(*this); }

    std::vector<uint8_t> mBytes;
};

class ByteWriter : public BasicByteWriter<ByteWriter> {};

}  // namespace tambrix
