#pragma once

// A byte builder for hand-made archives: each test spells out its fields one by one, so
// that a mistake shared by the library's reader and writer cannot pass unseen.

#include <cstdint>
#include <string>
#include <vector>

namespace tambrix::test {

class FarBytes {
public:
    FarBytes& U16(uint16_t value) {
        mBytes.push_back(static_cast<uint8_t>(value));
        mBytes.push_back(static_cast<uint8_t>(value >> 8));
        return *this;
    }
    FarBytes& U32(uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) mBytes.push_back(static_cast<uint8_t>(value >> shift));
        return *this;
    }
    FarBytes& Text(const std::string& text) {
        mBytes.insert(mBytes.end(), text.begin(), text.end());
        return *this;
    }
    /// The 16-byte header: signature, version, manifest offset.
    FarBytes& Header(uint32_t manifestOffset, uint32_t version = 1) {
        return Text("FAR!byAZ").U32(version).U32(manifestOffset);
    }
    /// One manifest entry of the u32-name-length variant (1a).
    FarBytes& Entry1a(uint32_t size, uint32_t secondSize, uint32_t offset, const std::string& name) {
        return U32(size).U32(secondSize).U32(offset).U32(static_cast<uint32_t>(name.size())).Text(name);
    }
    /// One manifest entry of the u16-name-length variant (1b).
    FarBytes& Entry1b(uint32_t size, uint32_t secondSize, uint32_t offset, const std::string& name) {
        return U32(size).U32(secondSize).U32(offset).U16(static_cast<uint16_t>(name.size())).Text(name);
    }
    uint32_t Size() const { return static_cast<uint32_t>(mBytes.size()); }
    const std::vector<uint8_t>& Bytes() const { return mBytes; }

private:
    std::vector<uint8_t> mBytes;
};

}  // namespace tambrix::test
