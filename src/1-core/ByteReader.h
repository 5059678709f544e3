#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tambrix {

/// A bounds-checked cursor over bytes someone else wrote; every decoder reads through it.
///
/// Two kinds of read share one position and one sticky failed flag:
/// - value reads (U8(), U16(), U32BE() ...) answer 0 when the bytes are too few and move
///   the position to the end, so a decoder can read a whole header and check Failed() once;
/// - checked reads (ReadU8(), ReadBytes(), ReadCString() ...) answer false when the bytes
///   are too few and move nothing, so a decoder can stop at the first record that does not
///   fit and keep what it read before.
/// Every check compares against the bytes that remain, never `position + n`, so a count
/// from a file cannot wrap the position.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size)
        : mData(data), mSize(data ? static_cast<uint32_t>(size < UINT32_MAX ? size : UINT32_MAX) : 0) {}

    uint32_t Size() const { return mSize; }
    uint32_t Position() const { return mPosition; }
    uint32_t Remaining() const { return mSize - mPosition; }
    bool Failed() const { return mFailed; }
    bool AtEnd() const { return mPosition >= mSize; }

    /// Moves to an absolute position; a position past the end fails (to the end).
    void Seek(uint32_t position) {
        if (position > mSize) {
            failToEnd();
            return;
        }
        mPosition = position;
    }
    /// Skips count bytes; more than remain fails (to the end).
    void Skip(uint32_t count) {
        if (count > Remaining()) {
            failToEnd();
            return;
        }
        mPosition += count;
    }

    // Value reads: 0 and the position at the end when the bytes are too few.
    uint8_t U8() {
        if (Remaining() < 1) return failToEnd();
        return mData[mPosition++];
    }
    uint16_t U16() { return static_cast<uint16_t>(valueLE(2)); }
    uint32_t U32() { return static_cast<uint32_t>(valueLE(4)); }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint16_t U16BE() { return static_cast<uint16_t>(valueBE(2)); }
    uint32_t U32BE() { return static_cast<uint32_t>(valueBE(4)); }
    int16_t I16BE() { return static_cast<int16_t>(U16BE()); }
    /// An IEEE single, little-endian.
    float F32() { return std::bit_cast<float>(U32()); }

    // Checked reads: false and nothing moved when the bytes are too few.
    bool ReadU8(uint8_t& value) {
        if (!fits(1)) return false;
        value = mData[mPosition++];
        return true;
    }
    bool ReadU16(uint16_t& value) {
        if (!fits(2)) return false;
        value = U16();
        return true;
    }
    bool ReadI16(int16_t& value) {
        if (!fits(2)) return false;
        value = I16();
        return true;
    }
    bool ReadU32(uint32_t& value) {
        if (!fits(4)) return false;
        value = U32();
        return true;
    }
    /// Points `bytes` at the next n bytes and skips them.
    bool ReadBytes(uint32_t n, const uint8_t*& bytes) {
        if (!fits(n)) return false;
        bytes = mData + mPosition;
        mPosition += n;
        return true;
    }
    /// The next n bytes as text (a view into the reader's bytes).
    bool ReadBytes(uint32_t n, std::string_view& text) {
        const uint8_t* bytes = nullptr;
        if (!ReadBytes(n, bytes)) return false;
        text = std::string_view(reinterpret_cast<const char*>(bytes), n);
        return true;
    }
    /// The next n bytes copied into `text`.
    bool ReadText(uint32_t n, std::string& text) {
        std::string_view view;
        if (!ReadBytes(n, view)) return false;
        text.assign(view);
        return true;
    }
    /// A NUL-terminated string (the NUL is consumed, not returned); fails when no NUL lies
    /// inside the remaining bytes.
    bool ReadCString(std::string_view& text) {
        const uint32_t length = lengthToNul();
        if (length == Remaining()) {  // no NUL: fails, moves nothing
            mFailed = true;
            return false;
        }
        text = std::string_view(reinterpret_cast<const char*>(mData + mPosition), length);
        mPosition += length + 1;
        return true;
    }
    /// The text up to the next NUL, or up to the end when no NUL follows (the NUL, when
    /// there is one, is consumed). Never fails.
    std::string_view ReadTextToEnd() {
        const uint32_t length = lengthToNul();
        std::string_view text(reinterpret_cast<const char*>(mData + mPosition), length);
        mPosition += length < Remaining() ? length + 1 : length;
        return text;
    }

private:
    /// Whether n bytes remain; marks the reader failed when they do not.
    bool fits(uint32_t n) {
        if (n > Remaining()) {
            mFailed = true;
            return false;
        }
        return true;
    }
    uint8_t failToEnd() {
        mFailed = true;
        mPosition = mSize;
        return 0;
    }
    /// Bytes before the next NUL, or Remaining() when none follows.
    uint32_t lengthToNul() const {
        if (AtEnd()) return 0;
        const void* nul = std::memchr(mData + mPosition, 0, Remaining());
        return nul ? static_cast<uint32_t>(static_cast<const uint8_t*>(nul) - (mData + mPosition)) : Remaining();
    }
    uint32_t valueLE(uint32_t n) {
        if (Remaining() < n) return failToEnd();
        uint32_t v = 0;
        for (uint32_t i = 0; i < n; ++i) v |= static_cast<uint32_t>(mData[mPosition + i]) << (8 * i);
        mPosition += n;
        return v;
    }
    uint32_t valueBE(uint32_t n) {
        if (Remaining() < n) return failToEnd();
        uint32_t v = 0;
        for (uint32_t i = 0; i < n; ++i) v = (v << 8) | mData[mPosition + i];
        mPosition += n;
        return v;
    }

    const uint8_t* mData;
    uint32_t mSize;
    uint32_t mPosition = 0;
    bool mFailed = false;
};

}  // namespace tambrix
