#pragma once

// The layout constants shared by the archive reader and writer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tambrix {

/// How an entry's name length is stored: the header does not say, the reader finds out.
enum class FarVariant {
    k1a,  ///< u32 name length
    k1b,  ///< u16 name length
};

namespace farformat {

inline constexpr std::string_view kSignature = "FAR!byAZ";
inline constexpr uint32_t kVersion = 1;
inline constexpr uint32_t kHeaderBytes = 16;              ///< signature, version, manifest offset
inline constexpr uint32_t kCountBytes = 4;                ///< the manifest's entry count
inline constexpr uint32_t kEntryFixedBytes = 12;          ///< size, second size, offset
inline constexpr uint32_t kMaxManifestBytes = 64u << 20;  ///< far above any real archive's
inline constexpr uint32_t kCopyChunkBytes = 64u << 10;
inline constexpr uint32_t kMaxShortNameLength = 0xFFFF;  ///< a 1b name length is a u16
inline constexpr uint32_t kMaxFolderDepth = 32;
inline constexpr uint32_t kMaxFoldersSearched = 65536;
inline constexpr unsigned char kFirstPrintable = 0x20;
inline constexpr unsigned char kDelete = 0x7F;
inline constexpr const char* kArchivePattern = "*.far";

inline constexpr size_t NameLengthBytes(FarVariant variant) { return variant == FarVariant::k1a ? 4 : 2; }

}  // namespace farformat

}  // namespace tambrix
