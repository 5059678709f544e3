#pragma once

// A growable byte buffer for the encoders of the demo generator: every resource body
// it writes is little-endian ("library order") unless a big-endian put is asked for.

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace tambrix::tools {

class ByteWriter {
public:
    void U8(uint8_t v) { mBytes.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float v) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        U32(bits);
    }
    void U16Be(uint16_t v) {
        U8(static_cast<uint8_t>(v >> 8));
        U8(static_cast<uint8_t>(v));
    }
    void U32Be(uint32_t v) {
        U16Be(static_cast<uint16_t>(v >> 16));
        U16Be(static_cast<uint16_t>(v));
    }
    void Bytes(const uint8_t* p, size_t n) { mBytes.insert(mBytes.end(), p, p + n); }
    /// The characters of text and one NUL.
    void CString(std::string_view text) {
        mBytes.insert(mBytes.end(), text.begin(), text.end());
        U8(0);
    }
    /// One pad byte when the size is odd.
    void PadToEven(uint8_t pad = 0) {
        if (mBytes.size() % 2 != 0) U8(pad);
    }
    /// Overwrites a 32-bit value written earlier (a forward offset).
    void PatchU32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) mBytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void PatchU32Be(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) mBytes[at + i] = static_cast<uint8_t>(v >> (8 * (3 - i)));
    }

    size_t Size() const { return mBytes.size(); }
    const std::vector<uint8_t>& Bytes() const { return mBytes; }
    std::vector<uint8_t> Take() { return std::move(mBytes); }

private:
    std::vector<uint8_t> mBytes;
};

}  // namespace tambrix::tools
