#pragma once

// Sprite, palette and draw-group chunks for the graphics tests. Sprites are spelled out
// field by field with hand-made pixel streams (the decoder's edge cases); palettes and
// draw groups come from the library's own encoders.

#include <cstdint>
#include <vector>

#include "graphics/DrawGroup.h"
#include "graphics/Palette.h"
#include "support/ByteBuilder.h"

namespace tambrix::testing {

/// A 256-colour "PALT" where entry i is (i, 255 - i, i / 2): every index is its own colour.
inline std::vector<uint8_t> DistinctPaltChunk() {
    std::vector<PaletteEntry> colours;
    for (int i = 0; i < 256; ++i)
        colours.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2), 0});
    return EncodePalette(colours);
}

struct SprFrame {
    int16_t first = 0;   // position, first value
    int16_t second = 0;  // position, second value
    int16_t width = 0;
    int16_t height = 0;
    std::vector<uint8_t> stream;
};

/// An "SPR#" chunk (header, offset table, frames); otherOrder writes the integers the
/// byte-order fix-up turns big-endian, as a file from the other byte order holds them.
inline std::vector<uint8_t> SprChunk(const std::vector<SprFrame>& frames, int32_t paletteId, int32_t version = 505,
                                     bool otherOrder = false) {
    ByteBuilder b;
    auto u32 = [&](uint32_t v) { otherOrder ? b.U32BE(v) : b.U32(v); };
    auto u16 = [&](int16_t v) { otherOrder ? b.U16BE(static_cast<uint16_t>(v)) : b.U16(static_cast<uint16_t>(v)); };
    const bool current = version >= 502;
    uint32_t offset = (current ? 12 : 8) + 4 * static_cast<uint32_t>(frames.size());
    u32(static_cast<uint32_t>(version));
    u32(static_cast<uint32_t>(frames.size()));
    if (current) u32(static_cast<uint32_t>(paletteId));
    for (const auto& f : frames) {
        u32(offset);
        offset += 10 + static_cast<uint32_t>(f.stream.size());
    }
    for (const auto& f : frames) {
        for (int16_t field : {f.second, f.first, f.height, f.width}) u16(field);
        b.U16(0).Append(f.stream);  // header, 10 bytes
    }
    return b;
}
inline std::vector<uint8_t> SprChunkOtherOrder(const std::vector<SprFrame>& frames, int32_t paletteId,
                                               int32_t version = 505) {
    return SprChunk(frames, paletteId, version, true);
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
    ByteBuilder b;
    b.U32(1000).U32(static_cast<uint32_t>(frames.size())).I32(paletteId);
    for (const auto& f : frames) {
        b.U32(offset);
        offset += 16 + static_cast<uint32_t>(f.stream.size());
    }
    for (const auto& f : frames) {
        b.U16(f.width).U16(f.height).U32(0).I16(f.paletteId).U16(0).I16(f.second).I16(f.first);  // 16 bytes
        b.Append(f.stream);
    }
    return b;
}

/// An "SPR2" command word: code in the top three bits, count in the low thirteen.
inline ByteBuilder& Spr2Word(ByteBuilder& b, uint16_t code, uint16_t count) {
    return b.U16(static_cast<uint16_t>(code | count));
}

/// A "DGRP" whose twelve images are all `image`.
inline std::vector<uint8_t> DgrpAllViews(const std::vector<DrawGroupEntry>& image,
                                         uint16_t version = kDrawGroupVersion) {
    return EncodeDrawGroup(DrawGroupImages(kViewCount, image), version);
}

}  // namespace tambrix::testing
