#pragma once

// Helpers of the container tests: hand-made file bytes, a chunk lister that shares no code
// with the library (so a mistake common to reader and writer cannot pass), the two
// container generations as the tests over both see them, and a folder fixture.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"
#include "core/DataBlock.h"
#include "core/TextBuffer.h"
#include "resfile/ResourceFile.h"
#include "support/ByteBuilder.h"
#include "support/TempDir.h"

namespace tambrix::testing {

inline uint32_t GetU32BE(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b[at]} << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}
inline void PutU32BE(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (24 - 8 * i));
}
inline std::string Text(const ByteBuilder& b) { return std::string(b.Bytes().begin(), b.Bytes().end()); }

/// A version 2 file header: the template text with the version digits, a NUL, the
/// signature, then the map offset (34 + 1 + 25 + 4 bytes).
inline ByteBuilder FileHeader(char major, char minor, uint32_t mapOffset) {
    std::string text = "IFF FILE 2.5:TYPE FOLLOWED BY SIZE";
    text[9] = major;
    text[11] = minor;
    ByteBuilder b;
    b.Text(text).U8(0).Text(" KOREL VANSTRAT & MAXIS 1").U32BE(mapOffset);
    return b;
}
inline ByteBuilder LegacyFileHeader() {
    return std::move(
        ByteBuilder().Text("IFF FILE 1.0:TYPE FOLLOWED BY SIZE").U8(0).Text(" KOREL VANSTRAT & MAXIS 1996").U8(0));
}

/// A 76-byte chunk header (type, size with the header unless given, ID, flags with the
/// attribute byte high, 64-byte label field) and its body.
inline void ModernChunk(ByteBuilder& b, std::string_view type, int16_t id, uint16_t flags, std::string_view label,
                        std::string_view body, int64_t size = -1) {
    b.Text(type).U32BE(static_cast<uint32_t>(size >= 0 ? size : 76 + body.size()));
    b.U16BE(static_cast<uint16_t>(id)).U16BE(flags).Field(label, 64).Text(body);
}
/// A 16-byte version 1.0 chunk header (type, size, ID, flags, label number) and its body.
inline void LegacyChunk(ByteBuilder& b, std::string_view type, uint16_t id, uint16_t flags, uint32_t labelNumber,
                        std::string_view body, int64_t size = -1) {
    b.Text(type).U32BE(static_cast<uint32_t>(size >= 0 ? size : 16 + body.size()));
    b.U16BE(id).U16BE(flags).U32BE(labelNumber).Text(body);
}

/// One container generation: its class, its chunk header and its own resource (the map
/// or the label table), never listed among the file's resources.
struct Generation {
    const char* name;
    bool legacy;
    uint32_t chunkHeader;
    ResType ownType;

    std::unique_ptr<IffFileBase> Make() const {
        return legacy ? std::unique_ptr<IffFileBase>(new LegacyIffResourceFile) : std::make_unique<IffResourceFile>();
    }
    /// The header of a file that is read by walking its chunks (version 2.0 or 1.0).
    ByteBuilder WalkedHeader() const { return legacy ? LegacyFileHeader() : FileHeader('2', '0', 0); }
    /// An unlabelled chunk.
    void Chunk(ByteBuilder& b, std::string_view type, int16_t id, uint16_t flags, std::string_view body,
               int64_t size = -1) const {
        if (legacy) return LegacyChunk(b, type, static_cast<uint16_t>(id), flags, 0xFFFFFFFF, body, size);
        ModernChunk(b, type, id, flags, "", body, size);
    }
};
inline const Generation kVersion2{"Version2", false, 76, MakeResType("rsmp")};
inline const Generation kVersion1{"Version1", true, 16, MakeResType("NAME")};
inline std::ostream& operator<<(std::ostream& os, const Generation& g) { return os << g.name; }

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
    for (size_t pos = 64; pos + headerSize <= bytes.size();) {
        uint32_t size = GetU32BE(bytes, pos + 4);
        if (size < headerSize || pos + size > bytes.size()) break;
        chunks.push_back({static_cast<uint32_t>(pos), std::string(bytes.begin() + pos, bytes.begin() + pos + 4), size,
                          static_cast<int16_t>((bytes[pos + 8] << 8) | bytes[pos + 9]),
                          static_cast<uint16_t>((bytes[pos + 10] << 8) | bytes[pos + 11])});
        pos += size;
    }
    return chunks;
}
/// The chunk of that type and ID; one at offset 0 (never a chunk) when there is none.
inline ListedChunk ChunkOf(const std::vector<ListedChunk>& chunks, std::string_view type, int16_t id) {
    auto it = std::find_if(chunks.begin(), chunks.end(), [&](auto& c) { return c.type == type && c.id == id; });
    return it != chunks.end() ? *it : ListedChunk{0, "", 0, 0, 0};
}
inline int CountChunks(const std::vector<ListedChunk>& chunks, std::string_view type) {
    return static_cast<int>(std::count_if(chunks.begin(), chunks.end(), [&](auto& c) { return c.type == type; }));
}
inline uint32_t MapOffsetOf(const std::vector<uint8_t>& bytes) { return GetU32BE(bytes, 60); }

/// A new block holding the bytes of `text`.
inline DataBlock* MakeBlock(std::string_view text) {
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(text.size()));
    return std::copy(text.begin(), text.end(), block->data), block;
}
inline std::string BlockText(const DataBlock* block) {
    return block && block->data ? std::string(reinterpret_cast<const char*>(block->data), block->size) : "";
}
inline std::string LabelOf(ResourceFile& file, DataBlock* block) {
    LabelText label;
    file.GetResName(block, label);
    return std::string(label.View());
}

/// A body of n bytes that differs for every seed.
inline std::string Body(uint32_t seed, size_t n) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (auto& c : s) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
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
/// A resource to add: its body is Body(id, size).
inline Seen Res(ResType type, ResId id, std::string label, size_t size, bool libraryOrder = true) {
    return {type, static_cast<uint16_t>(id), std::move(label), 0, libraryOrder, Body(static_cast<uint16_t>(id), size)};
}

/// Every resource in index order, bodies loaded; one that does not load is seen with
/// ID 0xFFFF, the label "<load failed>" and the code as its body.
inline std::vector<Seen> Snapshot(ResourceFile& file) {
    std::vector<Seen> all;
    for (int16_t t = 1; t <= file.CountTypes(); ++t) {
        ResType type = file.GetIndType(t);
        for (int16_t i = 1; i <= file.CountResources(type); ++i) {
            DataBlock* block = file.GetIndResource(type, i, nullptr);
            const std::string failed = std::to_string(file.GetError());
            uint16_t id = 0xFFFF;
            if (block) file.GetResID(block, id);
            all.push_back({type, id, block ? LabelOf(file, block) : "<load failed>",
                           static_cast<uint8_t>(block ? file.GetResAttrs(block) : 0),
                           block && file.IsLibraryOrder(block), block ? BlockText(block) : failed});
        }
    }
    return all;
}
inline std::vector<Seen> Sorted(std::vector<Seen> seen) {
    std::sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) {
        return std::tie(a.type, a.id, a.label, a.body) < std::tie(b.type, b.id, b.label, b.body);
    });
    return seen;
}
/// A fixture over a scratch folder whose file "f.iff" most tests work on.
template <class Base = ::testing::Test>
class ContainerFolder : public Base {
protected:
    FileNameText Path(const std::string& file = "f.iff") { return FileNameText(dir.File(file)); }
    std::vector<uint8_t> Read(const std::string& file = "f.iff") { return dir.Read(file); }
    void Write(const std::vector<uint8_t>& bytes, const std::string& file = "f.iff") { dir.Write(file, bytes); }

    /// Creates the file through the library holding these resources, added in this
    /// order (attributes are not kept); answers its bytes.
    std::vector<uint8_t> Build(const Generation& gen, const std::vector<Seen>& plan,
                               const std::string& file = "f.iff") {
        std::remove(dir.File(file).c_str());
        auto iff = gen.Make();
        EXPECT_EQ(iff->Create(Path(file)), 0);
        EXPECT_EQ(iff->Open(Path(file)), 0);
        for (const Seen& s : plan)
            EXPECT_EQ(iff->AddResource(MakeBlock(s.body), s.type, static_cast<ResId>(s.id), LabelText(s.label),
                                       s.libraryOrder),
                      0)
                << s;
        EXPECT_EQ(iff->Close(), 0);
        return Read(file);
    }
    /// What a fresh object sees of the file (which it leaves unchanged), sorted; a
    /// resource that does not load is seen as failing, whatever the code.
    std::vector<Seen> Contents(const Generation& gen, const std::string& file = "f.iff") {
        auto iff = gen.Make();
        EXPECT_EQ(iff->Open(Path(file)), 0);
        std::vector<Seen> seen = Snapshot(*iff);
        EXPECT_EQ(iff->Close(), 0);
        for (Seen& s : seen)
            if (s.label == "<load failed>") s.body.clear();
        return Sorted(seen);
    }

    test::TempDir dir;
};

}  // namespace tambrix::testing
