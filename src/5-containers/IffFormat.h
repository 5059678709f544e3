#pragma once

// The bytes of an IFF container on disk: the 64-byte file headers, the chunk headers of
// both generations.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "core/ResourceTypes.h"

namespace tambrix {

class FileStream;
class TextBuffer;

namespace iff {

inline constexpr uint32_t kFileHeaderSize = 64;
/// Chunks start right behind the file header.
inline constexpr uint32_t kFirstChunkOffset = kFileHeaderSize;
inline constexpr uint32_t kLabelFieldSize = 64;
inline constexpr uint32_t kMaxLabelLength = kLabelFieldSize - 1;
/// Map offset of a version 2 header: the file has no valid map.
inline constexpr uint32_t kNoMapOffset = 0;
/// Offset of an entry that has never been written.
inline constexpr uint32_t kNoOffset = 0xFFFFFFFF;
/// Label number of a version 1.0 chunk without a label.
inline constexpr uint32_t kNoLabelNumber = 0xFFFFFFFF;
/// Largest chunk (and body) size believed from a version 2 file.
inline constexpr uint32_t kMaxChunkSize = 0x40000000;
/// Version 1.0 takes any size its field holds.
inline constexpr uint32_t kMaxLegacyChunkSize = 0xFFFFFFFF;

// Low byte of the flags word.
inline constexpr uint16_t kFlagFree = 0x0004;
inline constexpr uint16_t kFlagInternal = 0x0008;  ///< version 1.0 only
inline constexpr uint16_t kFlagLibraryOrder = 0x0010;
inline constexpr uint32_t kAttributeShift = 8;

/// No type: a resource type code is never 0.
inline constexpr ResType kNoType = 0;
inline constexpr ResType kFreeType = MakeResType("XXXX");
inline constexpr ResType kMapType = MakeResType("rsmp");
inline constexpr ResType kLabelTableType = MakeResType("NAME");

inline constexpr uint16_t kVersion20 = 0x0200;
inline constexpr uint16_t kVersion25 = 0x0205;

/// The two chunk header generations.
enum class ChunkLayout {
    kModern,  ///< versions 2.0 and 2.5: 76 bytes with the label inside
    kLegacy,  ///< version 1.0: 16 bytes with a label number
};

inline constexpr uint32_t kModernHeaderSize = 76;
inline constexpr uint32_t kLegacyHeaderSize = 16;

constexpr uint32_t HeaderSize(ChunkLayout layout) {
    return layout == ChunkLayout::kModern ? kModernHeaderSize : kLegacyHeaderSize;
}
/// Largest chunk size a walk accepts for the layout.
constexpr uint32_t MaxChunkSize(ChunkLayout layout) {
    return layout == ChunkLayout::kModern ? kMaxChunkSize : kMaxLegacyChunkSize;
}

/// One chunk header in memory; each layout uses the label field it has.
struct ChunkHeader {
    ResType type = 0;
    uint32_t size = 0;
    int16_t id = 0;
    uint16_t flags = 0;
    char label[kLabelFieldSize] = {};       ///< modern: NUL-terminated, at most 63 characters
    uint32_t labelNumber = kNoLabelNumber;  ///< legacy

    bool IsFree() const { return (flags & kFlagFree) != 0; }
    std::string_view Label() const;
    /// Stores at most 63 characters; the rest of the field becomes 0x00.
    void SetLabel(std::string_view text);
};

/// Whether a chunk of this size can stand in a walk: at least a header, at most the
/// layout's limit, and not wrapping the position past 4 GiB.
bool IsWalkableChunk(ChunkLayout layout, uint32_t offset, uint32_t size);

/// Reads the header at offset. File-layer codes pass through (kShortRead when the file
/// ends inside the header).
int32_t ReadChunkHeader(FileStream& stream, uint32_t offset, ChunkLayout layout, ChunkHeader& header);
/// Reads only the type and size fields of the header at offset, failing as
/// ReadChunkHeader does (kShortRead when the file ends inside the header): for a reader
/// that needs no label.
int32_t ReadChunkTypeAndSize(FileStream& stream, uint32_t offset, ChunkLayout layout, ResType& type, uint32_t& size);
/// Writes the header at offset (which may be the end of the file).
int32_t WriteChunkHeader(FileStream& stream, uint32_t offset, ChunkLayout layout, const ChunkHeader& header);

// The 64-byte file header. Its first 35 bytes are fixed ("IFF FILE d.d:TYPE FOLLOWED BY
// SIZE" and a 0); the creator text behind them differs from one writing program to
// another and is never compared. Every reader of headers decides through these functions.

/// Whether the fixed part is there, the version digits being digits; `version` then
/// holds them (0x0205 for "2.5").
bool ReadHeaderVersion(const uint8_t* bytes, uint16_t& version);

/// Result of checking a version 2 file header.
struct FileHeaderInfo {
    uint16_t version = 0;
    uint32_t mapOffset = kNoMapOffset;  ///< also for version 2.0
};

/// Checks the 64 bytes as a version 2 header: kBadHeader when the fixed part differs or
/// the version is neither 2.0 nor 2.5.
int32_t ParseFileHeader(const uint8_t* bytes, FileHeaderInfo& info);
/// Reads and checks the header at offset 0; a short file answers the read's code.
int32_t ReadFileHeader(FileStream& stream, FileHeaderInfo& info);
/// The version 2.5 header this library writes into a new file, carrying mapOffset.
void MakeFileHeader(uint32_t mapOffset, uint8_t* bytes);
/// Writes a new file's version 2.5 header, without a map.
int32_t WriteNewFileHeader(FileStream& stream);
/// Writes only the map offset of an existing version 2.5 header (bytes 60-63): the rest
/// of the file's header stays as the program that made the file wrote it.
int32_t WriteMapOffset(FileStream& stream, uint32_t mapOffset);

/// Whether the 64 bytes are a version 1.0 header.
bool IsLegacyFileHeader(const uint8_t* bytes);
/// Reads and checks a version 1.0 header (kBadHeader when it is none).
int32_t ReadLegacyFileHeader(FileStream& stream);
/// The version 1.0 header this library writes into a new file.
void MakeLegacyFileHeader(uint8_t* bytes);
int32_t WriteLegacyFileHeader(FileStream& stream);

/// Seeks and writes; an offset past the end of the file is refused with kShortWrite,
/// nothing written.
int32_t WriteAt(FileStream& stream, uint32_t offset, const void* bytes, uint32_t count);
/// Seeks and reads exactly count bytes.
int32_t ReadAt(FileStream& stream, uint32_t offset, void* bytes, uint32_t count);

void PutU16BE(uint8_t* p, uint16_t value);
void PutU32BE(uint8_t* p, uint32_t value);

/// The ID UniqueID answers for a type holding `ids`: one above the largest, compared
/// as signed 16-bit, but at least 129. When 32767 is taken, the lowest free ID from 129
/// on instead of a wrap to -32768 (0 when every one is taken).
ResId PickUniqueId(const std::vector<int32_t>& ids);

/// Makes `label` free in the sense of `taken`: the label itself, else the label followed
/// by 0, 1, 2 ... The base gives way to the number at 63 characters, so the search ends.
void PickUniqueName(TextBuffer& label, const std::function<bool(std::string_view)>& taken);

}  // namespace iff
}  // namespace tambrix
