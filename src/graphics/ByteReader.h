#pragma once

#include <cstdint>

namespace tambrix {

/// A bounds-checked little-endian reader over bytes someone else wrote. A read past the
/// end answers 0 and leaves the reader failed (sticky), so a decoder can read a whole
/// header and check once.
class ByteReader {
public:
    ByteReader(const uint8_t* data, uint32_t size) : mData(data), mSize(data ? size : 0) {}

    uint32_t Size() const { return mSize; }
    uint32_t Position() const { return mPosition; }
    uint32_t Remaining() const { return mSize - mPosition; }
    bool Failed() const { return mFailed; }
    bool AtEnd() const { return mPosition >= mSize; }

    /// Moves to an absolute position; a position past the end fails.
    void Seek(uint32_t position) {
        if (position > mSize) {
            fail();
            return;
        }
        mPosition = position;
    }
    void Skip(uint32_t count) {
        if (count > Remaining()) {
            fail();
            return;
        }
        mPosition += count;
    }
    uint8_t U8() {
        if (Remaining() < 1) return fail();
        return mData[mPosition++];
    }
    uint16_t U16() {
        if (Remaining() < 2) return fail();
        const uint16_t v = static_cast<uint16_t>(mData[mPosition] | (mData[mPosition + 1] << 8));
        mPosition += 2;
        return v;
    }
    uint32_t U32() {
        if (Remaining() < 4) return fail();
        const uint32_t v = static_cast<uint32_t>(mData[mPosition]) | (static_cast<uint32_t>(mData[mPosition + 1]) << 8) |
                           (static_cast<uint32_t>(mData[mPosition + 2]) << 16) |
                           (static_cast<uint32_t>(mData[mPosition + 3]) << 24);
        mPosition += 4;
        return v;
    }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() { return static_cast<int32_t>(U32()); }

private:
    uint8_t fail() {
        mFailed = true;
        mPosition = mSize;
        return 0;
    }

    const uint8_t* mData;
    uint32_t mSize;
    uint32_t mPosition = 0;
    bool mFailed = false;
};

}  // namespace tambrix
