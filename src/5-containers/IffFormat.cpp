#include "containers/IffFormat.h"

#include <algorithm>
#include <cstring>

#include "core/ByteReader.h"
#include "core/ResultCodes.h"
#include "core/TextBuffer.h"
#include "fileaccess/FileStream.h"

namespace tambrix::iff {

namespace {

// File header (64 bytes), both generations:
//   0  34  "IFF FILE d.d:TYPE FOLLOWED BY SIZE", major digit at 9, minor digit at 11
//  34   1  0x00
//  35  25  creator text (version 1.0: 29 bytes, to the end of the header)
//  60   4  version 2.5: map offset, u32 big-endian (0: no valid map)
// Only the first 35 bytes are fixed. The creator text names the program that wrote the
// file and differs between the game's own tools and others', so a reader never compares
// it; our writers put the texts below into the files they create, and a write into an
// existing file touches no header byte but the map offset.
constexpr char kFixedHeader[] = "IFF FILE *.*:TYPE FOLLOWED BY SIZE";  // and the 0 behind it
constexpr uint32_t kFixedHeaderSize = sizeof kFixedHeader;               // 35, the 0 included
constexpr uint32_t kMajorDigitOffset = 9;
constexpr uint32_t kMinorDigitOffset = 11;
constexpr uint32_t kMapOffsetField = 60;
constexpr uint32_t kMapOffsetSize = 4;

// What this library writes into a new file's header behind the fixed part.
constexpr char kCreatorText[] = " KOREL VANSTRAT & MAXIS 1";                // version 2.x, 25 bytes
constexpr char kLegacyCreatorText[] = " KOREL VANSTRAT & MAXIS 1996\0";       // version 1.0, 29 bytes
static_assert(kFixedHeaderSize + sizeof kCreatorText - 1 == kMapOffsetField);
static_assert(kFixedHeaderSize + sizeof kLegacyCreatorText - 1 == kFileHeaderSize);

constexpr uint16_t kVersion10 = 0x0100;

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// The new-file header of a version with the creator text behind it.
void makeHeader(char major, char minor, const char* creator, uint32_t creatorSize, uint8_t* bytes) {
    std::memset(bytes, 0, kFileHeaderSize);
    std::memcpy(bytes, kFixedHeader, kFixedHeaderSize);
    bytes[kMajorDigitOffset] = static_cast<uint8_t>(major);
    bytes[kMinorDigitOffset] = static_cast<uint8_t>(minor);
    std::memcpy(bytes + kFixedHeaderSize, creator, creatorSize);
}

// Fields both chunk headers share, then the label field (version 2) or the label
// number (version 1.0).
constexpr uint32_t kSizeField = 4;
constexpr uint32_t kIdField = 8;
constexpr uint32_t kFlagsField = 10;
constexpr uint32_t kLabelField = 12;

}  // namespace

void PutU16BE(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}
void PutU32BE(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value >> 24);
    p[1] = static_cast<uint8_t>(value >> 16);
    p[2] = static_cast<uint8_t>(value >> 8);
    p[3] = static_cast<uint8_t>(value);
}

std::string_view ChunkHeader::Label() const { return {label, strnlen(label, kMaxLabelLength)}; }

void ChunkHeader::SetLabel(std::string_view text) {
    std::memset(label, 0, sizeof label);
    size_t n = text.size() < kMaxLabelLength ? text.size() : kMaxLabelLength;
    const void* nul = n ? std::memchr(text.data(), '\0', n) : nullptr;
    if (nul) n = static_cast<size_t>(static_cast<const char*>(nul) - text.data());
    if (n) std::memcpy(label, text.data(), n);
}

bool IsWalkableChunk(ChunkLayout layout, uint32_t offset, uint32_t size) {
    if (size < HeaderSize(layout) || size > MaxChunkSize(layout)) return false;
    return size <= UINT32_MAX - offset;
}

int32_t ReadAt(FileStream& stream, uint32_t offset, void* bytes, uint32_t count) {
    int32_t r = stream.Seek(offset);
    if (r != rc::kOk) return r;
    return stream.Read(bytes, count);
}

int32_t WriteAt(FileStream& stream, uint32_t offset, const void* bytes, uint32_t count) {
    uint32_t size = 0;
    int32_t r = stream.GetSize(size);
    if (r != rc::kOk) return r;
    // The file grows only by the bytes written at its end: a position beyond the end
    // comes from a size field, and a damaged one could make the file gigabytes long.
    if (offset > size) return rc::kShortWrite;
    r = stream.Seek(offset);
    if (r != rc::kOk) return r;
    return stream.Write(bytes, count);
}

// Modern chunk header (76 bytes, big-endian):
//   0  4  type          8  2  ID (signed)     12  64  label, NUL-terminated
//   4  4  chunk size   10  2  flags (attribute byte high)
// Legacy chunk header (16 bytes, big-endian):
//   0  4  type   4  4  size   8  2  ID   10  2  flags   12  4  label number
namespace {

// The `count` bytes at offset: looked at where the stream holds them, else read into
// `copy`. Null, with the read's code in `r`, when they cannot be read.
const uint8_t* bytesAt(FileStream& stream, uint32_t offset, uint8_t* copy, uint32_t count, int32_t& r) {
    r = rc::kOk;
    if (const uint8_t* held = stream.Peek(offset, count)) return held;
    r = ReadAt(stream, offset, copy, count);
    return r == rc::kOk ? copy : nullptr;
}

}  // namespace

int32_t ReadChunkHeader(FileStream& stream, uint32_t offset, ChunkLayout layout, ChunkHeader& header) {
    uint8_t copy[kModernHeaderSize];
    int32_t r = rc::kOk;
    const uint8_t* raw = bytesAt(stream, offset, copy, HeaderSize(layout), r);
    if (!raw) return r;
    ByteReader in(raw, HeaderSize(layout));
    header.type = in.U32BE();
    header.size = in.U32BE();
    header.id = in.I16BE();
    header.flags = in.U16BE();
    if (layout == ChunkLayout::kModern) {
        // A field of 64 non-zero bytes reads as its first 63 characters.
        const uint8_t* label = nullptr;
        in.ReadBytes(kMaxLabelLength, label);
        std::memset(header.label, 0, sizeof header.label);
        std::memcpy(header.label, label, kMaxLabelLength);
        header.labelNumber = kNoLabelNumber;
    } else {
        header.label[0] = '\0';
        header.labelNumber = in.U32BE();
    }
    return rc::kOk;
}

int32_t ReadChunkTypeAndSize(FileStream& stream, uint32_t offset, ChunkLayout layout, ResType& type, uint32_t& size) {
    uint32_t fileSize = 0;
    int32_t r = stream.GetSize(fileSize);
    if (r != rc::kOk) return r;
    if (offset > fileSize || fileSize - offset < HeaderSize(layout)) return rc::kShortRead;
    uint8_t copy[kIdField];
    const uint8_t* raw = bytesAt(stream, offset, copy, kIdField, r);
    if (!raw) return r;
    ByteReader in(raw, kIdField);
    type = in.U32BE();
    size = in.U32BE();
    return rc::kOk;
}

int32_t WriteChunkHeader(FileStream& stream, uint32_t offset, ChunkLayout layout, const ChunkHeader& header) {
    uint8_t raw[kModernHeaderSize] = {};
    PutU32BE(raw, header.type);
    PutU32BE(raw + kSizeField, header.size);
    PutU16BE(raw + kIdField, static_cast<uint16_t>(header.id));
    PutU16BE(raw + kFlagsField, header.flags);
    if (layout == ChunkLayout::kModern) {
        std::string_view label = header.Label();
        std::memcpy(raw + kLabelField, label.data(), label.size());
    } else {
        PutU32BE(raw + kLabelField, header.labelNumber);
    }
    return WriteAt(stream, offset, raw, HeaderSize(layout));
}

bool ReadHeaderVersion(const uint8_t* bytes, uint16_t& version) {
    for (uint32_t i = 0; i < kFixedHeaderSize; ++i) {
        if (i == kMajorDigitOffset || i == kMinorDigitOffset) {
            if (!isDigit(bytes[i])) return false;
        } else if (bytes[i] != static_cast<uint8_t>(kFixedHeader[i])) {
            return false;
        }
    }
    version = static_cast<uint16_t>(((bytes[kMajorDigitOffset] - '0') << 8) + (bytes[kMinorDigitOffset] - '0'));
    return true;
}

int32_t ParseFileHeader(const uint8_t* bytes, FileHeaderInfo& info) {
    if (!ReadHeaderVersion(bytes, info.version)) return rc::kBadHeader;
    if (info.version == kVersion20) {
        info.mapOffset = kNoMapOffset;  // bytes 60-63 are creator text there, never an offset
    } else if (info.version == kVersion25) {
        ByteReader in(bytes, kFileHeaderSize);
        in.Seek(kMapOffsetField);
        info.mapOffset = in.U32BE();
    } else {
        return rc::kBadHeader;
    }
    return rc::kOk;
}

int32_t ReadFileHeader(FileStream& stream, FileHeaderInfo& info) {
    uint8_t raw[kFileHeaderSize];
    int32_t r = ReadAt(stream, 0, raw, kFileHeaderSize);
    if (r != rc::kOk) return r;
    return ParseFileHeader(raw, info);
}

void MakeFileHeader(uint32_t mapOffset, uint8_t* bytes) {
    makeHeader('2', '5', kCreatorText, sizeof kCreatorText - 1, bytes);
    PutU32BE(bytes + kMapOffsetField, mapOffset);
}

int32_t WriteNewFileHeader(FileStream& stream) {
    uint8_t raw[kFileHeaderSize];
    MakeFileHeader(kNoMapOffset, raw);
    return WriteAt(stream, 0, raw, kFileHeaderSize);
}

int32_t WriteMapOffset(FileStream& stream, uint32_t mapOffset) {
    uint8_t raw[kMapOffsetSize];
    PutU32BE(raw, mapOffset);
    return WriteAt(stream, kMapOffsetField, raw, kMapOffsetSize);
}

bool IsLegacyFileHeader(const uint8_t* bytes) {
    uint16_t version = 0;
    return ReadHeaderVersion(bytes, version) && version == kVersion10;
}

int32_t ReadLegacyFileHeader(FileStream& stream) {
    uint8_t raw[kFileHeaderSize];
    int32_t r = ReadAt(stream, 0, raw, kFileHeaderSize);
    if (r != rc::kOk) return r;
    return IsLegacyFileHeader(raw) ? rc::kOk : rc::kBadHeader;
}

void MakeLegacyFileHeader(uint8_t* bytes) {
    makeHeader('1', '0', kLegacyCreatorText, sizeof kLegacyCreatorText - 1, bytes);
}

int32_t WriteLegacyFileHeader(FileStream& stream) {
    uint8_t raw[kFileHeaderSize];
    MakeLegacyFileHeader(raw);
    return WriteAt(stream, 0, raw, kFileHeaderSize);
}

ResId PickUniqueId(const std::vector<int32_t>& ids) {
    constexpr int32_t kHighestReserved = 128;
    constexpr int32_t kLargest = 32767;
    int32_t highest = kHighestReserved;
    for (int32_t id : ids) highest = std::max(highest, id);
    if (highest < kLargest) return static_cast<ResId>(highest + 1);
    std::vector<int32_t> sorted(ids);
    std::sort(sorted.begin(), sorted.end());
    for (int32_t id = kHighestReserved + 1; id <= kLargest; ++id)
        if (!std::binary_search(sorted.begin(), sorted.end(), id)) return static_cast<ResId>(id);
    return 0;
}

void PickUniqueName(TextBuffer& label, const std::function<bool(std::string_view)>& taken) {
    char baseStorage[kLabelFieldSize];
    TextBuffer base(baseStorage, kLabelFieldSize);
    base.Assign(label.View());
    for (int32_t k = 0; taken(label.View()); ++k) {
        char digits[16];
        TextBuffer number(digits, sizeof digits);
        number.AppendInt(k);
        label.Clear();
        label.AppendN(base.CStr(), std::min<uint32_t>(base.Length(), kMaxLabelLength - number.Length()));
        label.Append(number.View());
    }
}

}  // namespace tambrix::iff
