#pragma once

// Byte builders for sprite, palette and draw-group chunks in the graphics tests. Each
// writes the documented layout field by field, little-endian unless told otherwise.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tambrix::testing {

class Bytes {
public:
    Bytes& u8(uint8_t v) {
        mBytes.push_back(v);
        return *this;
    }
    Bytes& u16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
    Bytes& u32(uint32_t v) { return u16(static_cast<uint16_t>(v)).u16(static_cast<uint16_t>(v >> 16)); }
    Bytes& i16(int16_t v) { return u16(static_cast<uint16_t>(v)); }
    Bytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Bytes& f32(float v) {
        uint32_t bits;
        static_assert(sizeof bits == sizeof v);
        __builtin_memcpy(&bits, &v, sizeof bits);
        return u32(bits);
    }
    Bytes& raw(std::initializer_list<uint8_t> bytes) {
        mBytes.insert(mBytes.end(), bytes);
        return *this;
    }
    Bytes& raw(const std::vector<uint8_t>& bytes) {
        mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    size_t size() const { return mBytes.size(); }
    const std::vector<uint8_t>& vec() const { return mBytes; }
    operator std::vector<uint8_t>() const { return mBytes; }

private:
    std::vector<uint8_t> mBytes;
};

/// A "PALT" chunk of the given red/green/blue triplets.
inline std::vector<uint8_t> PaltChunk(const std::vector<std::vector<uint8_t>>& colours) {
    Bytes b;
    b.u32(1)                                       // version (not read)
        .u32(static_cast<uint32_t>(colours.size()))  // entry count
        .u32(0)
        .u32(0);  // not read
    for (const auto& c : colours) b.u8(c[0]).u8(c[1]).u8(c[2]);
    return b;
}

/// A 256-colour "PALT" where entry i is (i, 255 - i, i / 2): every index is its own colour.
inline std::vector<uint8_t> DistinctPaltChunk() {
    std::vector<std::vector<uint8_t>> colours;
    for (int i = 0; i < 256; ++i)
        colours.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2)});
    return PaltChunk(colours);
}

struct SprFrame {
    int16_t first = 0;   // position, first value
    int16_t second = 0;  // position, second value
    int16_t width = 0;
    int16_t height = 0;
    std::vector<uint8_t> stream;
};

/// An "SPR#" chunk of version 502 or later: header, offset table, then the frames.
inline std::vector<uint8_t> SprChunk(const std::vector<SprFrame>& frames, int32_t paletteId, int32_t version = 505) {
    const bool current = version >= 502;
    const uint32_t tableAt = current ? 12 : 8;
    uint32_t offset = tableAt + 4 * static_cast<uint32_t>(frames.size());
    Bytes b;
    b.i32(version).u32(static_cast<uint32_t>(frames.size()));
    if (current) b.i32(paletteId);
    for (const auto& f : frames) {
        b.u32(offset);
        offset += 10 + static_cast<uint32_t>(f.stream.size());
    }
    for (const auto& f : frames) {
        b.i16(f.second).i16(f.first).i16(f.height).i16(f.width).u16(0);  // header, 10 bytes
        b.raw(f.stream);
    }
    return b;
}

/// The same chunk as stored in the other byte order: the integers the fix-up turns are
/// written big-endian.
inline std::vector<uint8_t> SprChunkOtherOrder(const std::vector<SprFrame>& frames, int32_t paletteId,
                                               int32_t version = 505) {
    std::vector<uint8_t> b = SprChunk(frames, paletteId, version);
    auto swap = [&](size_t at, size_t n) {
        for (size_t i = 0; i < n / 2; ++i) std::swap(b[at + i], b[at + n - 1 - i]);
    };
    const bool current = version >= 502;
    const size_t tableAt = current ? 12 : 8;
    std::vector<size_t> offsets;
    for (size_t i = 0; i < frames.size(); ++i) {
        const uint8_t* p = &b[tableAt + 4 * i];
        offsets.push_back(p[0] | p[1] << 8 | p[2] << 16 | static_cast<size_t>(p[3]) << 24);
    }
    swap(0, 4);
    swap(4, 4);
    if (current) swap(8, 4);
    for (size_t i = 0; i < frames.size(); ++i) swap(tableAt + 4 * i, 4);
    for (size_t o : offsets)
        for (size_t field = 0; field < 4; ++field) swap(o + 2 * field, 2);
    return b;
}

struct Spr2Frame {
    uint16_t width = 0;
    uint16_t height = 0;
    int16_t paletteId = -1;
    int16_t first = 0;
    int16_t second = 0;
    std::vector<uint8_t> stream;
};

/// An "SPR2" chunk: header, offset table, then the frames.
inline std::vector<uint8_t> Spr2Chunk(const std::vector<Spr2Frame>& frames, int32_t paletteId) {
    uint32_t offset = 12 + 4 * static_cast<uint32_t>(frames.size());
    Bytes b;
    b.u32(1000).u32(static_cast<uint32_t>(frames.size())).i32(paletteId);
    for (const auto& f : frames) {
        b.u32(offset);
        offset += 16 + static_cast<uint32_t>(f.stream.size());
    }
    for (const auto& f : frames) {
        b.u16(f.width).u16(f.height).u32(0).i16(f.paletteId).u16(0).i16(f.second).i16(f.first);  // 16 bytes
        b.raw(f.stream);
    }
    return b;
}

/// An "SPR2" command word: code in the top three bits, count in the low thirteen.
inline Bytes& Spr2Word(Bytes& b, uint16_t code, uint16_t count) { return b.u16(static_cast<uint16_t>(code | count)); }

struct DgrpEntry {
    int32_t spriteId = 0;
    int32_t frameIndex = 0;
    int32_t x = 0;
    int32_t y = 0;
    float z = 0.0f;
    uint32_t flags = 0;
    uint16_t type = 0xFFFD;  // older versions: only this type is drawn
};

/// A "DGRP" chunk of the given version; images in order.
inline std::vector<uint8_t> DgrpChunk(const std::vector<std::vector<DgrpEntry>>& images, uint16_t version = 20004) {
    Bytes b;
    b.u16(version);
    if (version >= 20003) {
        b.u32(static_cast<uint32_t>(images.size()));
        for (const auto& image : images) {
            b.u32(0x11).u32(0x22).u32(static_cast<uint32_t>(image.size()));  // two unused values, entry count
            for (const auto& e : image) {
                b.i32(e.spriteId).i32(e.frameIndex).i32(e.x).i32(e.y).f32(e.z).u32(e.flags);
                if (version >= 20004) b.f32(1.5f).f32(2.5f);  // two unused floats
            }
        }
    } else {
        b.u16(static_cast<uint16_t>(images.size()));
        for (const auto& image : images) {
            b.u16(static_cast<uint16_t>(image.size())).u8(1).u8(2);  // entry count, two unused bytes
            for (const auto& e : image) {
                b.u16(e.type)
                    .i16(static_cast<int16_t>(e.spriteId))
                    .i16(static_cast<int16_t>(e.frameIndex))
                    .u16(static_cast<uint16_t>(e.flags))
                    .i16(static_cast<int16_t>(e.x))
                    .i16(static_cast<int16_t>(e.y));
                if (version >= 20001) b.f32(e.z);
            }
        }
    }
    return b;
}

/// A "DGRP" whose twelve images are all `image`.
inline std::vector<uint8_t> DgrpAllViews(const std::vector<DgrpEntry>& image, uint16_t version = 20004) {
    return DgrpChunk(std::vector<std::vector<DgrpEntry>>(12, image), version);
}

}  // namespace tambrix::testing
