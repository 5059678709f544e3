#include "graphics/SpriteEncoder.h"

#include <algorithm>

#include "core/ByteWriter.h"

namespace tambrix {

namespace {

// SPR2 command words: the top three bits are the code, the low thirteen the count.
constexpr uint16_t kSpr2RowStart = 0x0000;
constexpr uint16_t kSpr2DepthColour = 0x2000;
constexpr uint16_t kSpr2DepthColourAlpha = 0x4000;
constexpr uint16_t kSpr2Skip = 0x6000;
constexpr uint16_t kSpr2SkipRows = 0x8000;
constexpr uint16_t kSpr2End = 0xA000;
constexpr uint16_t kSpr2Colour = 0xC000;

// SPR# commands: a code byte and a count byte.
constexpr uint8_t kSprSkip = 1;
constexpr uint8_t kSprRun = 2;
constexpr uint8_t kSprLiteral = 3;
constexpr uint8_t kSprRowStart = 4;
constexpr uint8_t kSprEnd = 5;
constexpr uint8_t kSprSkipRows = 9;
constexpr int kSprMaxCount = 255;
constexpr int kSprMinRun = 3;  // shorter repeats are cheaper as literals

constexpr uint8_t kHalfAlpha = 128;

enum class Kind { None, Opaque, Translucent };

Kind Classify(const SpriteImage& image, size_t i, Spr2Pixels pixels) {
    const uint8_t a = image.alpha[i];
    if (pixels == Spr2Pixels::ColourOnly) return a >= kHalfAlpha ? Kind::Opaque : Kind::None;
    if (a == 255) return Kind::Opaque;
    return Spr2AlphaByte(a) == 0 ? Kind::None : Kind::Translucent;
}

// Frame header (16 bytes): u16 width, u16 height, u32 flags (not read by the decoder),
// i16 palette ID, i16 transparent index (not read), i16 y, i16 x; then the stream.
void EncodeSpr2Frame(ByteWriter& w, const SpriteImage& image, int32_t paletteId, Spr2Pixels pixels) {
    constexpr uint32_t kFlagsColourDepthAlpha = 7;
    constexpr uint32_t kFlagsColour = 1;
    w.U16(static_cast<uint16_t>(image.width));
    w.U16(static_cast<uint16_t>(image.height));
    w.U32(pixels == Spr2Pixels::Full ? kFlagsColourDepthAlpha : kFlagsColour);
    w.I16(static_cast<int16_t>(paletteId));
    w.I16(0);
    w.I16(image.y);
    w.I16(image.x);

    int32_t lastRow = -1;  // no row selected yet
    for (int32_t row = 0; row < image.height; ++row) {
        // Does the row hold any pixel?
        int32_t end = image.width;
        while (end > 0 && Classify(image, image.Index(end - 1, row), pixels) == Kind::None) --end;
        if (end == 0) continue;
        const int32_t starts = row - lastRow;  // row starts needed to reach this row
        if (starts == 1) {
            w.U16(kSpr2RowStart);
        } else {
            w.U16(static_cast<uint16_t>(kSpr2SkipRows | starts));
        }
        lastRow = row;
        int32_t x = 0;
        while (x < end) {
            const Kind kind = Classify(image, image.Index(x, row), pixels);
            int32_t n = 1;
            while (x + n < end && n < kSpr2MaxCount && Classify(image, image.Index(x + n, row), pixels) == kind) ++n;
            if (kind == Kind::None) {
                w.U16(static_cast<uint16_t>(kSpr2Skip | n));
            } else if (pixels == Spr2Pixels::ColourOnly) {
                w.U16(static_cast<uint16_t>(kSpr2Colour | n));
                for (int32_t k = 0; k < n; ++k) w.U8(image.color[image.Index(x + k, row)]);
                w.PadToEven();
            } else if (kind == Kind::Opaque) {
                w.U16(static_cast<uint16_t>(kSpr2DepthColour | n));
                for (int32_t k = 0; k < n; ++k) {
                    const size_t i = image.Index(x + k, row);
                    w.U8(std::min<uint8_t>(image.depth[i], 254));
                    w.U8(image.color[i]);
                }
            } else {
                w.U16(static_cast<uint16_t>(kSpr2DepthColourAlpha | n));
                for (int32_t k = 0; k < n; ++k) {
                    const size_t i = image.Index(x + k, row);
                    w.U8(std::min<uint8_t>(image.depth[i], 254));
                    w.U8(image.color[i]);
                    w.U8(Spr2AlphaByte(image.alpha[i]));
                }
                w.PadToEven();
            }
            x += n;
        }
    }
    w.U16(kSpr2End);
}

// Frame header (10 bytes): i16 y, i16 x, i16 height, i16 width, u16 (not read); then
// the stream of two-byte commands.
void EncodeSprHashFrame(ByteWriter& w, const SpriteImage& image, bool bigEndian) {
    auto put16 = [&](int32_t v) {
        if (bigEndian)
            w.U16BE(static_cast<uint16_t>(v));
        else
            w.U16(static_cast<uint16_t>(v));
    };
    put16(image.y);
    put16(image.x);
    put16(image.height);
    put16(image.width);
    put16(0);

    auto drawn = [&](int32_t px, int32_t py) { return image.alpha[image.Index(px, py)] >= kHalfAlpha; };
    int32_t nextRow = 0;  // the row a row start would select
    for (int32_t row = 0; row < image.height; ++row) {
        int32_t end = image.width;
        while (end > 0 && !drawn(end - 1, row)) --end;
        if (end == 0) continue;
        for (int32_t gap = row - nextRow; gap > 0;) {
            const int32_t n = std::min(gap, kSprMaxCount);
            w.U8(kSprSkipRows);
            w.U8(static_cast<uint8_t>(n));
            gap -= n;
        }
        w.U8(kSprRowStart);
        w.U8(0);
        nextRow = row + 1;
        int32_t x = 0;
        while (x < end) {
            if (!drawn(x, row)) {
                int32_t n = 1;
                while (x + n < end && n < kSprMaxCount && !drawn(x + n, row)) ++n;
                w.U8(kSprSkip);
                w.U8(static_cast<uint8_t>(n));
                x += n;
                continue;
            }
            const uint8_t c = image.color[image.Index(x, row)];
            int32_t same = 1;
            while (x + same < end && same < kSprMaxCount && drawn(x + same, row) &&
                   image.color[image.Index(x + same, row)] == c)
                ++same;
            if (same >= kSprMinRun) {
                w.U8(kSprRun);
                w.U8(static_cast<uint8_t>(same));
                w.U8(c);
                w.U8(0);  // pad byte
                x += same;
                continue;
            }
            // A literal up to the next long run or gap.
            int32_t n = 0;
            while (x + n < end && n < kSprMaxCount && drawn(x + n, row)) {
                const uint8_t cn = image.color[image.Index(x + n, row)];
                int32_t repeat = 1;
                while (x + n + repeat < end && repeat < kSprMinRun && drawn(x + n + repeat, row) &&
                       image.color[image.Index(x + n + repeat, row)] == cn)
                    ++repeat;
                if (n > 0 && repeat >= kSprMinRun) break;
                ++n;
            }
            w.U8(kSprLiteral);
            w.U8(static_cast<uint8_t>(n));
            for (int32_t k = 0; k < n; ++k) w.U8(image.color[image.Index(x + k, row)]);
            w.PadToEven();
            x += n;
        }
    }
    w.U8(kSprEnd);
    w.U8(0);
}

}  // namespace

SpriteImage::SpriteImage(int32_t w, int32_t h)
    : width(w),
      height(h),
      color(static_cast<size_t>(w) * h, 0),
      depth(static_cast<size_t>(w) * h, 255),
      alpha(static_cast<size_t>(w) * h, 0) {}

bool SpriteImage::Empty() const {
    return std::none_of(alpha.begin(), alpha.end(), [](uint8_t a) { return a != 0; });
}

uint8_t Spr2AlphaByte(uint8_t alpha) { return static_cast<uint8_t>(std::min<int>((alpha + 4) / 8, kSpr2MaxAlpha)); }

// Chunk layout: u32 version, u32 frame count, i32 palette ID, u32 offset per frame
// (from the start of the chunk), then the frames.
std::vector<uint8_t> EncodeSpr2(const std::vector<SpriteImage>& frames, int32_t paletteId, Spr2Pixels pixels) {
    ByteWriter w;
    w.U32(kSpr2Version);
    w.U32(static_cast<uint32_t>(frames.size()));
    w.I32(paletteId);
    const size_t table = w.Size();
    for (size_t i = 0; i < frames.size(); ++i) w.U32(0);
    for (size_t i = 0; i < frames.size(); ++i) {
        w.PadToEven();
        w.PatchU32(table + 4 * i, static_cast<uint32_t>(w.Size()));
        EncodeSpr2Frame(w, frames[i], paletteId, pixels);
    }
    return w.Take();
}

std::vector<uint8_t> EncodeSprHash(const std::vector<SpriteImage>& frames, int32_t paletteId, bool bigEndian) {
    ByteWriter w;
    auto put32 = [&](uint32_t v) {
        if (bigEndian)
            w.U32BE(v);
        else
            w.U32(v);
    };
    put32(static_cast<uint32_t>(kSprHashVersion));
    put32(static_cast<uint32_t>(frames.size()));
    put32(static_cast<uint32_t>(paletteId));
    const size_t table = w.Size();
    for (size_t i = 0; i < frames.size(); ++i) w.U32(0);
    for (size_t i = 0; i < frames.size(); ++i) {
        w.PadToEven();
        if (bigEndian)
            w.PatchU32BE(table + 4 * i, static_cast<uint32_t>(w.Size()));
        else
            w.PatchU32(table + 4 * i, static_cast<uint32_t>(w.Size()));
        EncodeSprHashFrame(w, frames[i], bigEndian);
    }
    return w.Take();
}

}  // namespace tambrix
