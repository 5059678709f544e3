#pragma once
// SHA-256 digests, for telling whether a file's bytes changed since they were written.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tambrix {

class Sha256 {
public:
    using Digest = std::array<uint8_t, 32>;

    Sha256();
    void Add(const void* data, size_t size);
    /// The digest of everything added; the object starts over afterwards.
    Digest Finish();

    /// The digest of `size` bytes as 64 lowercase hexadecimal digits.
    static std::string Hex(const void* data, size_t size);
    static std::string Hex(const Digest& digest);

private:
    void block(const uint8_t* p);
    std::array<uint32_t, 8> mState{};
    std::array<uint8_t, 64> mBuffer{};
    size_t mBuffered = 0;
    uint64_t mLength = 0;  ///< bytes added
};

}  // namespace tambrix
