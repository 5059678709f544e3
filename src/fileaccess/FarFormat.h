#pragma once

// The layout constants and the bounded reader shared by the archive reader and writer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fileaccess/FarArchive.h"

namespace tambrix::farformat {

inline constexpr std::string_view kSignature = "FAR!byAZ";
inline constexpr uint32_t kVersion = 1;
inline constexpr uint32_t kHeaderBytes = 16;        ///< signature, version, manifest offset
inline constexpr uint32_t kCountBytes = 4;          ///< the manifest's entry count
inline constexpr uint32_t kEntryFixedBytes = 12;    ///< size, second size, offset
inline constexpr uint32_t kMaxManifestBytes = 64u << 20;  ///< far above any real archive's
inline constexpr uint32_t kCopyChunkBytes = 64u << 10;
inline constexpr uint32_t kMaxShortNameLength = 0xFFFF;   ///< a 1b name length is a u16
inline constexpr uint32_t kMaxFolderDepth = 32;
inline constexpr uint32_t kMaxFoldersSearched = 65536;
inline constexpr unsigned char kFirstPrintable = 0x20;
inline constexpr unsigned char kDelete = 0x7F;
inline constexpr const char* kArchivePattern = "*.far";

inline constexpr size_t NameLengthBytes(FarVariant variant) { return variant == FarVariant::k1a ? 4 : 2; }

/// Reads little-endian values from a span; every read checks the bytes left first and
/// fails without moving when they are too few.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : mData(data), mSize(data ? size : 0) {}

    size_t Remaining() const { return mSize - mPosition; }

    bool U16(uint16_t& value) {
        if (Remaining() < 2) return false;
        value = static_cast<uint16_t>(mData[mPosition] | (mData[mPosition + 1] << 8));
        mPosition += 2;
        return true;
    }
    bool U32(uint32_t& value) {
        if (Remaining() < 4) return false;
        value = static_cast<uint32_t>(mData[mPosition]) | (static_cast<uint32_t>(mData[mPosition + 1]) << 8) |
                (static_cast<uint32_t>(mData[mPosition + 2]) << 16) |
                (static_cast<uint32_t>(mData[mPosition + 3]) << 24);
        mPosition += 4;
        return true;
    }
    bool Text(size_t count, std::string& text) {
        if (count > Remaining()) return false;
        text.assign(reinterpret_cast<const char*>(mData + mPosition), count);
        mPosition += count;
        return true;
    }

private:
    const uint8_t* mData;
    size_t mSize;
    size_t mPosition = 0;
};

}  // namespace tambrix::farformat
