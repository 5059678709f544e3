#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tambrix {

/// A forward reader over bytes that someone else wrote. Every read is checked against
/// the bytes that remain; a read that does not fit fails and moves nothing.
class CatalogByteReader {
public:
    CatalogByteReader(const uint8_t* data, uint32_t size) : mData(data), mSize(data ? size : 0) {}

    uint32_t Position() const { return mPos; }
    uint32_t Remaining() const { return mSize - mPos; }
    bool AtEnd() const { return mPos == mSize; }

    bool ReadU8(uint8_t& value) {
        if (Remaining() < 1) return false;
        value = mData[mPos++];
        return true;
    }

    bool ReadU16LE(uint16_t& value) {
        if (Remaining() < 2) return false;
        value = static_cast<uint16_t>(mData[mPos] | (mData[mPos + 1] << 8));
        mPos += 2;
        return true;
    }

    bool ReadI16LE(int16_t& value) {
        uint16_t raw = 0;
        if (!ReadU16LE(raw)) return false;
        value = static_cast<int16_t>(raw);
        return true;
    }

    /// n raw bytes.
    bool ReadBytes(uint32_t n, std::string_view& bytes) {
        if (n > Remaining()) return false;
        bytes = std::string_view(reinterpret_cast<const char*>(mData + mPos), n);
        mPos += n;
        return true;
    }

    /// A NUL-terminated string; fails when no NUL lies inside the remaining bytes.
    bool ReadCString(std::string_view& text) {
        const void* nul = Remaining() ? std::memchr(mData + mPos, 0, Remaining()) : nullptr;
        if (!nul) return false;
        uint32_t length = static_cast<uint32_t>(static_cast<const uint8_t*>(nul) - (mData + mPos));
        text = std::string_view(reinterpret_cast<const char*>(mData + mPos), length);
        mPos += length + 1;
        return true;
    }

    /// The text up to the next NUL, or up to the end when no NUL follows (the NUL,
    /// when there is one, is consumed).
    std::string_view ReadTextToEnd() {
        std::string_view text;
        if (ReadCString(text)) return text;
        ReadBytes(Remaining(), text);
        return text;
    }

private:
    const uint8_t* mData;
    uint32_t mSize;
    uint32_t mPos = 0;
};

}  // namespace tambrix
