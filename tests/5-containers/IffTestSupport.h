#pragma once

// Helpers of the container tests: whole-file reads and writes, hand-made headers and
// chunks, and an independent chunk lister that does not share code with the library
// (so a mistake common to reader and writer cannot pass).

#include <cstdint>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/DataBlock.h"
#include "core/TextBuffer.h"
#include "resfile/ResourceFile.h"
#include "support/ByteBuilder.h"
#include "support/TempDir.h"

namespace tambrix::testing {

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

/// A version 2 file header: the template text with the version digits, then the map offset.
inline ByteBuilder FileHeader(char major, char minor, uint32_t mapOffset) {
    std::string text = "IFF FILE 2.5:TYPE FOLLOWED BY SIZE";  // 34 bytes
    text[9] = major;
    text[11] = minor;
    ByteBuilder b;
    b.Text(text).U8(0).Text(" KOREL VANSTRAT & MAXIS 1").U32BE(mapOffset);  // 34 + 1 + 25 + 4
    return b;
}

/// Chunk size written when no size is given: the header plus the body.
inline constexpr int64_t kFittingSize = -1;

/// A 76-byte chunk header and its body.
inline void ModernChunk(ByteBuilder& b, std::string_view type, int16_t id, uint16_t flags, std::string_view label,
                        std::string_view body, int64_t size = kFittingSize) {
    b.Text(type);                                              // 0: type, four characters
    b.U32BE(static_cast<uint32_t>(size >= 0 ? size : 76 + body.size()));  // 4: chunk size, header included
    b.U16BE(static_cast<uint16_t>(id));                        // 8: ID
    b.U16BE(flags);                                            // 10: attribute byte, flag bits
    b.Field(label, 64);                                        // 12: label field
    b.Text(body);                                              // 76: body
}

inline ByteBuilder LegacyFileHeader() {
    ByteBuilder b;
    b.Text("IFF FILE 1.0:TYPE FOLLOWED BY SIZE").U8(0).Text(" KOREL VANSTRAT & MAXIS 1996").U8(0);
    return b;
}

/// A 16-byte version 1.0 chunk header and its body.
inline void LegacyChunk(ByteBuilder& b, std::string_view type, uint16_t id, uint16_t flags, uint32_t labelNumber,
                        std::string_view body, int64_t size = kFittingSize) {
    b.Text(type);                                              // 0: type
    b.U32BE(static_cast<uint32_t>(size >= 0 ? size : 16 + body.size()));  // 4: chunk size
    b.U16BE(id);                                               // 8: ID
    b.U16BE(flags);                                            // 10: flags
    b.U32BE(labelNumber);                                      // 12: label number
    b.Text(body);                                              // 16: body
}

struct ListedChunk {
    uint32_t offset;
    std::string type;
    uint32_t size;
    int16_t id;
    uint16_t flags;
};

/// Lists the chunk chain of a file's bytes the plain way; stops where a chunk does not fit.
inline std::vector<ListedChunk> ListChunks(const std::vector<uint8_t>& bytes, uint32_t headerSize) {
    std::vector<ListedChunk> chunks;
    auto be32 = [&](size_t at) {
        return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) | (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
    };
    size_t pos = 64;
    while (pos + headerSize <= bytes.size()) {
        uint32_t size = be32(pos + 4);
        if (size < headerSize || pos + size > bytes.size()) break;
        chunks.push_back({static_cast<uint32_t>(pos), std::string(bytes.begin() + pos, bytes.begin() + pos + 4), size,
                          static_cast<int16_t>((bytes[pos + 8] << 8) | bytes[pos + 9]),
                          static_cast<uint16_t>((bytes[pos + 10] << 8) | bytes[pos + 11])});
        pos += size;
    }
    return chunks;
}

inline uint32_t MapOffsetOf(const std::vector<uint8_t>& bytes) {
    return (uint32_t{bytes[60]} << 24) | (uint32_t{bytes[61]} << 16) | (uint32_t{bytes[62]} << 8) | bytes[63];
}

/// A new block holding the bytes of `text`.
inline DataBlock* MakeBlock(std::string_view text) {
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(text.size()));
    for (size_t i = 0; i < text.size(); ++i) block->data[i] = static_cast<uint8_t>(text[i]);
    return block;
}

inline std::string BlockText(const DataBlock* block) {
    if (!block || !block->data) return {};
    return std::string(reinterpret_cast<const char*>(block->data), block->size);
}

/// A body of n bytes that differs for every seed.
inline std::string Body(uint32_t seed, size_t n) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

/// What a reader sees of one resource.
struct Seen {
    ResType type;
    uint16_t id;
    std::string label;
    uint8_t attribute;
    bool libraryOrder;
    std::string body;
    bool operator==(const Seen&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Seen& s) {
    return os << ResTypeText(s.type) << " #" << static_cast<int16_t>(s.id) << " '" << s.label << "' attr "
              << int(s.attribute) << (s.libraryOrder ? " lib" : "") << " body " << s.body.size() << " bytes";
}

/// Every resource in index order, bodies loaded; one that does not load is seen with
/// ID 0xFFFF, the label "<load failed>" and the code as its body.
inline std::vector<Seen> Snapshot(ResourceFile& file) {
    std::vector<Seen> all;
    for (int16_t t = 1; t <= file.CountTypes(); ++t) {
        ResType type = file.GetIndType(t);
        for (int16_t i = 1; i <= file.CountResources(type); ++i) {
            DataBlock* block = file.GetIndResource(type, i, nullptr);
            if (!block) {
                all.push_back({type, 0xFFFF, "<load failed>", 0, false, std::to_string(file.GetError())});
                continue;
            }
            LabelText label;
            file.GetResName(block, label);
            uint16_t id = 0;
            file.GetResID(block, id);
            all.push_back({type, id, std::string(label.View()), file.GetResAttrs(block), file.IsLibraryOrder(block),
                           BlockText(block)});
        }
    }
    return all;
}

}  // namespace tambrix::testing
