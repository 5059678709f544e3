#include "graphics/Sprite.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/ByteReader.h"
#include "graphics/HeldResource.h"
#include "graphics/Palette.h"
#include "resfile/ResourceFile.h"

namespace tambrix {

using platform::Bitmap;

namespace {

// ---------------------------------------------------------------------------------------
// Chunk layouts (little-endian once the "SPR#" fix-up has run).
//
// "SPR#" header                          "SPR2" header
//   0  i32  version (502+: current)        0  u32  version (not read)
//   4  u32  frame count F                  4  u32  frame count F
//   8  i32  palette ID (502+ only)         8  i32  palette ID (never negative)
//  12  u32  F frame offsets (below 502:   12  u32  F frame offsets
//           from offset 8)
//
// "SPR#" frame                           "SPR2" frame
//   0  i16  position, second value         0  u16  width
//   2  i16  position, first value          2  u16  height
//   4  i16  height                         4  4    not read
//   6  i16  width                          8  i16  frame palette ID (above 0: own)
//   8  2    not read                      10  2    not read
//  10  ...  command stream                12  i16  position, second value
//                                         14  i16  position, first value
//                                         16  ...  command stream
// ---------------------------------------------------------------------------------------
constexpr int32_t kCurrentSprVersion = 502;
constexpr uint32_t kLargestSprVersion = 0xFFFF;  // versions in use are 502 to 505
constexpr uint32_t kCountOffset = 4;
constexpr uint32_t kPaletteIdOffset = 8;
constexpr uint32_t kOffsetsOffset = 12;
constexpr uint32_t kOldOffsetsOffset = 8;
constexpr uint32_t kSprFrameHeaderSize = 10;
constexpr uint32_t kSpr2FrameHeaderSize = 16;
constexpr uint32_t kSprFrameHeaderFields = 4;

// "SPR#" commands: a code byte and a count byte.
enum SprCommand : uint8_t {
    kSprSkipPixels = 1,
    kSprRun = 2,      // colour index, pad byte
    kSprLiteral = 3,  // n indices, a pad byte when n is odd
    kSprNextRow = 4,
    kSprEnd = 5,
    kSprSkipRows = 9,
};

// "SPR2" commands: a 16-bit word, code in the top three bits, count in the low thirteen.
constexpr uint16_t kSpr2CodeMask = 0xE000;
constexpr uint16_t kSpr2CountMask = 0x1FFF;
enum Spr2Command : uint16_t {
    kSpr2NextRow = 0x0000,
    kSpr2DepthColour = 0x2000,  // depth, colour
    kSpr2Full = 0x4000,         // depth, colour, alpha (0-31)
    kSpr2SkipPixels = 0x6000,
    kSpr2SkipRows = 0x8000,
    kSpr2End = 0xA000,
    kSpr2Colour = 0xC000,  // colour
    kSpr2Invalid = 0xE000,
};

constexpr uint8_t kNoDepth = 255;    // depth plane: no pixel here
constexpr uint8_t kFlatDepth = 128;  // depth of pixels that carry none
constexpr uint8_t kOpaque = 255;
constexpr uint8_t kTransparent = 0;
constexpr uint8_t kAlphaScale = 8;  // stored alpha 0-31 to 0-255
constexpr uint8_t kNoPaletteFill = 255;
constexpr size_t kMaxErrorLength = 255;

const char* const kSpriteNotFound = "sprite not found";
const char* const kCantDraw = "can't draw that";
const char* const kBadIndex = "bad index";
const char* const kEmpty = "empty";
const char* const kNeedPalette = "global palette required";
const char* const kNoCanvas = "could not GetObject on HBITMAP";
const char* const kCountNotFound = "Sprite not found";
const char* const kBadToken = "bad token";

// One per thread: a thumbnail or index thread and the view may all draw, and each
// reads back the error of its own last call.
std::string& lastError() {
    thread_local std::string text;
    return text;
}

void setLastError(const char* message) { lastError().assign(message, std::min(std::strlen(message), kMaxErrorLength)); }

struct FetchedSprite {
    HeldResource chunk;
    bool isSpr2 = false;
};

// "SPR#" first (with the byte-order fix-up), then "SPR2".
FetchedSprite fetchSprite(ResourceFile& file, int32_t spriteId) {
    FetchedSprite sprite;
    if (!FitsResId(spriteId)) return sprite;
    const ResId id = ToResId(spriteId);
    if (DataBlock* block = file.GetResource(restype::kSPR, id, &SpriteByteOrderFixup)) {
        sprite.chunk = HeldResource(&file, block);
        return sprite;
    }
    if (DataBlock* block = file.GetResource(restype::kSPR2, id, nullptr)) {
        sprite.chunk = HeldResource(&file, block);
        sprite.isSpr2 = true;
    }
    return sprite;
}

HeldResource fetchPalette(ResourceFile& file, int32_t paletteId) {
    if (!FitsResId(paletteId)) return {};
    return HeldResource(&file, file.GetResource(restype::kPALT, ToResId(paletteId), nullptr));
}

struct SpriteHeader {
    int32_t version = 0;
    uint32_t frameCount = 0;     // as stored
    uint32_t framesInTable = 0;  // no more than the offset table holds
    int32_t paletteId = 0;
    uint32_t offsetsAt = kOffsetsOffset;
};

// oldLayout: an "SPR#" below version 502 keeps its offsets at 8 and has no palette ID;
// plane decoding ignores the version and always reads the current layout.
SpriteHeader readHeader(const HeldResource& chunk, bool oldLayout) {
    SpriteHeader h;
    ByteReader r(chunk.Data(), chunk.Size());
    h.version = r.I32();
    h.frameCount = r.U32();
    h.offsetsAt = oldLayout ? kOldOffsetsOffset : kOffsetsOffset;
    if (!oldLayout) h.paletteId = r.I32();
    // A count read from the file: the offset table must really hold it.
    const uint32_t tableBytes = chunk.Size() > h.offsetsAt ? chunk.Size() - h.offsetsAt : 0;
    h.framesInTable = std::min(h.frameCount, tableBytes / 4);
    return h;
}

struct FrameHeader {
    int32_t width = 0;
    int32_t height = 0;
    int32_t paletteId = -1;  // "SPR2" only
    SpritePosition position;
    uint32_t streamStart = 0;
};

// Reads frame `index` (below framesInTable); false when its offset or header lies
// outside the chunk. `storedOffset` receives the frame's stored offset.
bool readFrame(const HeldResource& chunk, const SpriteHeader& h, bool isSpr2, uint32_t index, FrameHeader& f,
               uint32_t* storedOffset = nullptr) {
    ByteReader r(chunk.Data(), chunk.Size());
    r.Seek(h.offsetsAt + 4 * index);
    const uint32_t offset = r.U32();
    if (r.Failed()) return false;
    if (storedOffset) *storedOffset = offset;
    const uint32_t headerSize = isSpr2 ? kSpr2FrameHeaderSize : kSprFrameHeaderSize;
    if (offset > chunk.Size() || chunk.Size() - offset < headerSize) return false;
    r.Seek(offset);
    if (isSpr2) {
        f.width = r.U16();
        f.height = r.U16();
        r.Skip(4);
        f.paletteId = r.I16();
        r.Skip(2);
        f.position.second = r.I16();
        f.position.first = r.I16();
    } else {
        f.position.second = r.I16();
        f.position.first = r.I16();
        f.height = r.I16();
        f.width = r.I16();
        r.Skip(2);
    }
    f.streamStart = r.Position();
    return !r.Failed();
}

// ---------------------------------------------------------------------------------------
// Command-stream walkers. A frame's pixels come in stream order: rows from the top down
// (a row once left is never returned to), each row from left to right from column 0. The
// walker keeps the write position and checks each command once, handing its sink only
// what lies inside the canvas: BeginRow(row) when a row inside it starts, then whole
// spans on that row, Fill(x, n, index) or Pixels<kind>(x, source bytes, n), each at or
// right of the end of the one before. A stream that runs off the chunk ends the frame
// with what was drawn.
// ---------------------------------------------------------------------------------------
enum class PixelKind { SprIndex, Spr2Colour, Spr2DepthColour, Spr2Full };

enum class WalkEnd { EndCode, RanOff, Invalid };

struct Cursor {
    int64_t width;
    int64_t height;
    int64_t row = -1;  // no row selected before the first row start
    int64_t nextRow = 0;
    int64_t x = 0;
    bool inside = false;  // the row lies inside the canvas

    template <class Sink>
    void startRow(int64_t r, Sink& sink) {
        row = r;
        x = 0;
        inside = r >= 0 && r < height;
        if (inside) sink.BeginRow(r);
    }
    // How many of n pixels at the position are inside the canvas (x is never negative).
    int64_t visible(int64_t n) const { return inside && x < width ? std::min(n, width - x) : 0; }
};

template <class Sink>
WalkEnd walkSpr(const HeldResource& chunk, uint32_t streamStart, Sink& sink) {
    const uint8_t* const start = chunk.Data() + streamStart;
    const uint8_t* const end = chunk.Data() + chunk.Size();
    const uint8_t* p = start;
    Cursor c{.width = sink.width, .height = sink.height};
    for (;;) {
        if (end - p < 2) return WalkEnd::RanOff;
        const uint8_t code = p[0];
        const uint8_t n = p[1];
        p += 2;
        switch (code) {
            case kSprSkipPixels: c.x += n; break;
            case kSprRun: {
                if (end - p < 2) return WalkEnd::RanOff;  // index and pad byte
                if (const int64_t shown = c.visible(n)) sink.Fill(c.x, static_cast<size_t>(shown), p[0]);
                p += 2;
                c.x += n;
                break;
            }
            case kSprLiteral: {
                const auto present = static_cast<uint32_t>(std::min<ptrdiff_t>(n, end - p));
                if (const int64_t shown = c.visible(present))
                    sink.template Pixels<PixelKind::SprIndex>(c.x, p, static_cast<size_t>(shown), end);
                p += present;
                c.x += present;
                if (present < n) return WalkEnd::RanOff;
                if ((p - start) & 1) {
                    if (p == end) return WalkEnd::RanOff;
                    ++p;
                }
                break;
            }
            case kSprNextRow: c.startRow(c.nextRow++, sink); break;
            case kSprEnd: return WalkEnd::EndCode;
            case kSprSkipRows: c.nextRow += n; break;
            default: return WalkEnd::Invalid;
        }
    }
}

// One "SPR2" pixel command of n pixels of `bytes` bytes each; false when the chunk ends
// inside it or its pad byte.
template <PixelKind kind, size_t bytes, class Sink>
bool spr2Pixels(Cursor& c, const uint8_t* start, const uint8_t* end, const uint8_t*& p, uint32_t n, Sink& sink) {
    size_t present = n;
    if (static_cast<size_t>(end - p) < n * bytes) present = static_cast<size_t>(end - p) / bytes;  // whole pixels only
    if (const int64_t shown = c.visible(static_cast<int64_t>(present)))
        sink.template Pixels<kind>(c.x, p, static_cast<size_t>(shown), end);
    p += present * bytes;
    c.x += static_cast<int64_t>(present);
    if (present < n) return false;
    if ((p - start) & 1) {
        if (p == end) return false;
        ++p;
    }
    return true;
}

template <class Sink>
WalkEnd walkSpr2(const HeldResource& chunk, uint32_t streamStart, Sink& sink) {
    const uint8_t* const start = chunk.Data() + streamStart;
    const uint8_t* const end = chunk.Data() + chunk.Size();
    const uint8_t* p = start;
    Cursor c{.width = sink.width, .height = sink.height};
    for (;;) {
        if (end - p < 2) return WalkEnd::RanOff;
        const auto word = static_cast<uint16_t>(p[0] | (p[1] << 8));
        p += 2;
        const uint32_t n = word & kSpr2CountMask;
        bool whole = true;
        switch (word & kSpr2CodeMask) {
            case kSpr2NextRow: c.startRow(c.nextRow++, sink); break;
            case kSpr2SkipPixels: c.x += n; break;
            case kSpr2SkipRows:
                // The next n rows are started in turn; writing resumes at the last of them.
                if (n > 0) {
                    c.startRow(c.nextRow + n - 1, sink);
                    c.nextRow += n;
                }
                break;
            case kSpr2End: return WalkEnd::EndCode;
            case kSpr2Invalid: return WalkEnd::Invalid;
            case kSpr2DepthColour: whole = spr2Pixels<PixelKind::Spr2DepthColour, 2>(c, start, end, p, n, sink); break;
            case kSpr2Full: whole = spr2Pixels<PixelKind::Spr2Full, 3>(c, start, end, p, n, sink); break;
            case kSpr2Colour: whole = spr2Pixels<PixelKind::Spr2Colour, 1>(c, start, end, p, n, sink); break;
        }
        if (!whole) return WalkEnd::RanOff;
    }
}

// ---------------------------------------------------------------------------------------
// Sinks. They write the canvas rows straight through as the walker reaches them. The
// bitmaps come unfilled: each plane is given its background whole (the row padding
// zeros) before the walk, then the spans drawn on it.
// ---------------------------------------------------------------------------------------
// The per-pixel loops: the pixels of one command, stored interleaved, spread over the
// planes. `srcRoom` is the chunk's bytes from src on, `room` the row's bytes (padding
// included) from the first pixel on. SSE2 takes blocks of 16 or 32 pixels; a command's
// last block is moved back to end on its last pixel (rewriting a few pixels with the
// same bytes). A command of fewer pixels is one block when the chunk and the row have
// room for it, stored over the bytes past the span as they were.
#if defined(__SSE2__)
inline __m128i load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store16(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Lanes n to 15 set: loaded from kPastSpan + 16 - n.
alignas(16) constexpr uint8_t kPastSpan[32] = {0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                                               0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                               0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
// Stores the lanes of v outside `keep`, leaving those in it as they are.
inline void storeKeeping(uint8_t* p, __m128i v, __m128i keep) {
    store16(p, _mm_or_si128(_mm_andnot_si128(keep, v), _mm_and_si128(keep, load16(p))));
}

struct Planes16 {
    __m128i depth, colour, alpha;
};

// Depth and colour of 16 pixels (32 bytes).
inline Planes16 depthColour16(const uint8_t* src) {
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i v0 = load16(src);
    const __m128i v1 = load16(src + 16);
    return {_mm_packus_epi16(_mm_and_si128(v0, lowBytes), _mm_and_si128(v1, lowBytes)),
            _mm_packus_epi16(_mm_srli_epi16(v0, 8), _mm_srli_epi16(v1, 8)), _mm_set1_epi8(static_cast<char>(kOpaque))};
}
inline void depthColour16(uint8_t* c, uint8_t* d, uint8_t* a, const uint8_t* src) {
    const Planes16 v = depthColour16(src);
    store16(d, v.depth);
    store16(c, v.colour);
    store16(a, v.alpha);
}

// 96 bytes in six registers, byte i moved to place 2i mod 95 (the last stays): each
// register interleaved with the one three further on. Five such passes move byte 3p + k
// (pixel p, its byte k) to 32k + p, as 2^5 = 32 and 3 x 32 = 96 = 1 mod 95.
inline void interleaveHalves(__m128i (&v)[6]) {
    const __m128i t0 = _mm_unpacklo_epi8(v[0], v[3]);
    const __m128i t1 = _mm_unpackhi_epi8(v[0], v[3]);
    const __m128i t2 = _mm_unpacklo_epi8(v[1], v[4]);
    const __m128i t3 = _mm_unpackhi_epi8(v[1], v[4]);
    const __m128i t4 = _mm_unpacklo_epi8(v[2], v[5]);
    const __m128i t5 = _mm_unpackhi_epi8(v[2], v[5]);
    v[0] = t0, v[1] = t1, v[2] = t2, v[3] = t3, v[4] = t4, v[5] = t5;
}

// Stored alpha times 8 in every byte: a 16-bit shift, less the bits it carried into the
// byte above.
inline __m128i scaleAlpha(__m128i v) {
    static_assert(kAlphaScale == 8);
    return _mm_and_si128(_mm_slli_epi16(v, 3), _mm_set1_epi8(static_cast<char>(0xF8)));
}

// Depth, colour and alpha of 16 pixels (48 bytes; the other half of the registers stays
// empty and its results unused).
inline Planes16 full16(const uint8_t* src) {
    __m128i v[6] = {load16(src),         load16(src + 16),    load16(src + 32),
                    _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
    for (int pass = 0; pass < 5; ++pass) interleaveHalves(v);
    return {v[0], v[2], scaleAlpha(v[4])};
}
inline void full16(uint8_t* c, uint8_t* d, uint8_t* a, const uint8_t* src) {
    const Planes16 v = full16(src);
    store16(d, v.depth);
    store16(c, v.colour);
    store16(a, v.alpha);
}
// Of 32 pixels (96 bytes).
inline void full32(uint8_t* c, uint8_t* d, uint8_t* a, const uint8_t* src) {
    __m128i v[6] = {load16(src),      load16(src + 16), load16(src + 32),
                    load16(src + 48), load16(src + 64), load16(src + 80)};
    for (int pass = 0; pass < 5; ++pass) interleaveHalves(v);
    store16(d, v[0]);
    store16(d + 16, v[1]);
    store16(c, v[2]);
    store16(c + 16, v[3]);
    store16(a, scaleAlpha(v[4]));
    store16(a + 16, scaleAlpha(v[5]));
}
// The first n of a block's pixels; the lanes past them keep what the planes hold.
inline void storeFirst(uint8_t* c, uint8_t* d, uint8_t* a, const Planes16& v, size_t n) {
    const __m128i keep = load16(kPastSpan + 16 - n);
    storeKeeping(d, v.depth, keep);
    storeKeeping(c, v.colour, keep);
    storeKeeping(a, v.alpha, keep);
}
#endif

inline void depthColourPixels(uint8_t* c, uint8_t* d, uint8_t* a, const uint8_t* src, size_t n, size_t srcRoom,
                              size_t room) {
#if defined(__SSE2__)
    if (n >= 16) {
        size_t i = 0;
        for (; i + 16 <= n; i += 16) depthColour16(c + i, d + i, a + i, src + 2 * i);
        if (i < n) depthColour16(c + n - 16, d + n - 16, a + n - 16, src + 2 * (n - 16));
        return;
    }
    if (srcRoom >= 32 && room >= 16) {
        storeFirst(c, d, a, depthColour16(src), n);
        return;
    }
#else
    (void)srcRoom, (void)room;
#endif
    for (size_t i = 0; i < n; ++i) {
        d[i] = src[2 * i];
        c[i] = src[2 * i + 1];
        a[i] = kOpaque;
    }
}

inline void fullPixels(uint8_t* c, uint8_t* d, uint8_t* a, const uint8_t* src, size_t n, size_t srcRoom, size_t room) {
    if (n == 1) {  // the commonest: a lone edge pixel
        d[0] = src[0];
        c[0] = src[1];
        a[0] = static_cast<uint8_t>(src[2] * kAlphaScale);
        return;
    }
#if defined(__SSE2__)
    if (n >= 16) {
        size_t i = 0;
        for (; i + 32 <= n; i += 32) full32(c + i, d + i, a + i, src + 3 * i);
        if (i + 16 <= n) {
            full16(c + i, d + i, a + i, src + 3 * i);
            i += 16;
        }
        if (i < n) full16(c + n - 16, d + n - 16, a + n - 16, src + 3 * (n - 16));
        return;
    }
    if (srcRoom >= 48 && room >= 16) {
        storeFirst(c, d, a, full16(src), n);
        return;
    }
#else
    (void)srcRoom, (void)room;
#endif
    for (size_t i = 0; i < n; ++i) {
        d[i] = src[3 * i];
        c[i] = src[3 * i + 1];
        a[i] = static_cast<uint8_t>(src[3 * i + 2] * kAlphaScale);
    }
}

[[gnu::noinline]] void everyNth(uint8_t* dst, const uint8_t* src, size_t step, size_t n) {
    for (size_t i = 0; i < n; ++i) dst[i] = src[i * step];
}

// The rows of a plane from the top down.
struct Rows {
    explicit Rows(const Bitmap& first)
        : width(first.Width()),
          height(first.Height()),
          stride(first.Stride()),
          step(-static_cast<ptrdiff_t>(first.Stride())) {}

    // The offset of `row` from the top row.
    ptrdiff_t Offset(int64_t row) const { return static_cast<ptrdiff_t>(row) * step; }

    const int64_t width;
    const int64_t height;
    const int64_t stride;
    const ptrdiff_t step;  // from a row to the one below it
};

// DrawSprite's sink: one byte per pixel, chosen by the view mode. "SPR#" pixels are
// colour indices in every mode; a pixel without a byte for the view shows the background.
struct CanvasSink {
    Rows rows;
    const int64_t width;
    const int64_t height;
    uint8_t* const top;
    const int32_t mode;
    uint8_t* row = nullptr;

    CanvasSink(Bitmap& canvas, int32_t viewMode, uint8_t background)
        : rows(canvas), width(rows.width), height(rows.height), top(canvas.TopRow(0)), mode(viewMode) {
        canvas.Fill8(background);
    }
    void BeginRow(int64_t r) { row = top + rows.Offset(r); }
    void Fill(int64_t x, size_t n, uint8_t index) { std::memset(row + x, index, n); }
    template <PixelKind kind>
    void Pixels(int64_t x, const uint8_t* src, size_t n, const uint8_t* /*chunkEnd*/) {
        size_t step = 1;
        size_t byteOfPixel = 0;  // which stored byte this view shows
        switch (kind) {
            case PixelKind::SprIndex: break;
            case PixelKind::Spr2Colour:
                if (mode != kSpriteViewColour) return;
                break;
            case PixelKind::Spr2DepthColour:
                if (mode == kSpriteViewAlpha) return;
                step = 2;
                byteOfPixel = mode == kSpriteViewColour ? 1 : 0;
                break;
            case PixelKind::Spr2Full:
                step = 3;
                byteOfPixel = mode == kSpriteViewColour ? 1 : mode == kSpriteViewDepth ? 0 : 2;
                break;
        }
        if (step == 1)
            std::memcpy(row + x, src, n);
        else
            everyNth(row + x, src + byteOfPixel, step, n);
    }
};

// DecodeSpritePlanes's sink: colour, depth and alpha per pixel.
struct PlaneSink {
    Rows rows;
    const int64_t width;
    const int64_t height;
    uint8_t* const colourTop;
    uint8_t* const depthTop;
    uint8_t* const alphaTop;
    uint8_t* colour = nullptr;  // the row being written
    uint8_t* depth = nullptr;
    uint8_t* alpha = nullptr;

    PlaneSink(Bitmap& c, Bitmap& d, Bitmap& a, uint8_t fill)
        : rows(c),
          width(rows.width),
          height(rows.height),
          colourTop(c.TopRow(0)),
          depthTop(d.TopRow(0)),
          alphaTop(a.TopRow(0)) {
        c.Fill8(fill);
        d.Fill8(kNoDepth);
        a.Fill8(kTransparent);
    }
    void BeginRow(int64_t r) {
        const ptrdiff_t at = rows.Offset(r);
        colour = colourTop + at;
        depth = depthTop + at;
        alpha = alphaTop + at;
    }
    void Fill(int64_t x, size_t n, uint8_t index) {
        std::memset(colour + x, index, n);
        std::memset(depth + x, kFlatDepth, n);
        std::memset(alpha + x, kOpaque, n);
    }
    template <PixelKind kind>
    void Pixels(int64_t x, const uint8_t* src, size_t n, const uint8_t* chunkEnd) {
        uint8_t* c = colour + x;
        uint8_t* d = depth + x;
        uint8_t* a = alpha + x;
        const auto srcRoom = static_cast<size_t>(chunkEnd - src);
        const auto room = static_cast<size_t>(rows.stride - x);
        switch (kind) {
            case PixelKind::SprIndex:
            case PixelKind::Spr2Colour:
                std::memcpy(c, src, n);
                std::memset(d, kFlatDepth, n);
                std::memset(a, kOpaque, n);
                break;
            case PixelKind::Spr2DepthColour: depthColourPixels(c, d, a, src, n, srcRoom, room); break;
            case PixelKind::Spr2Full: fullPixels(c, d, a, src, n, srcRoom, room); break;
        }
    }
};

void setColourTable(std::array<platform::RgbQuad, Bitmap::kColourTableSize>& table, const Palette& palette) {
    for (uint32_t i = 0; i < table.size(); ++i) {
        const PaletteEntry e = palette.Entry(i);  // entries a short palette lacks are black
        table[i] = platform::RgbQuad{e.blue, e.green, e.red, 0};
    }
}

// The grey palette as a colour table, made once: every depth and alpha plane carries it.
const std::array<platform::RgbQuad, Bitmap::kColourTableSize>& greyColourTable() {
    static const auto table = [] {
        std::array<platform::RgbQuad, Bitmap::kColourTableSize> t{};
        const Palette& grey = GetGreyPalette();
        for (uint32_t i = 0; i < t.size(); ++i) {
            const PaletteEntry e = grey.Entry(i);
            t[i] = platform::RgbQuad{e.blue, e.green, e.red, 0};
        }
        return t;
    }();
    return table;
}

uint8_t nearestToColour(const Palette& palette, uint32_t colour) {
    return palette.NearestIndex(static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                                static_cast<uint8_t>(colour >> 16));
}

// The body of DrawSprite; answers the failure message or null (`detail`, when set, is
// the longer message to store).
const char* drawSprite(ResourceFile& file, int32_t spriteId, int32_t frameIndex, uint32_t background, int32_t viewMode,
                       SpritePosition* outPosition, std::unique_ptr<Bitmap>& canvas, std::string& detail) {
    // A mode this drawing does not know shows colours.
    if (viewMode != kSpriteViewDepth && viewMode != kSpriteViewAlpha) viewMode = kSpriteViewColour;
    FetchedSprite sprite = fetchSprite(file, spriteId);
    if (!sprite.chunk) return kSpriteNotFound;

    SpriteHeader h;
    if (sprite.isSpr2) {
        h = readHeader(sprite.chunk, false);
        if (h.paletteId < 0) return kCantDraw;
    } else {
        ByteReader r(sprite.chunk.Data(), sprite.chunk.Size());
        if (r.I32() < kCurrentSprVersion) return kCantDraw;
        h = readHeader(sprite.chunk, false);
    }
    // A frame the offset table does not hold is as missing as one past the count; one
    // whose offset leaves no room for its header inside the chunk is named with that offset.
    FrameHeader f;
    if (h.frameCount == 0) {
        detail = "sprite " + std::to_string(spriteId) + " has no frames";
        return kBadIndex;
    }
    if (frameIndex < 0 || static_cast<uint32_t>(frameIndex) >= h.frameCount) return kBadIndex;
    if (static_cast<uint32_t>(frameIndex) >= h.framesInTable) {
        std::ostringstream text;
        text << kBadIndex << ": frame " << frameIndex << " of " << h.frameCount << " has no offset: the chunk of "
             << sprite.chunk.Size() << " bytes holds " << h.framesInTable;
        detail = text.str();
        return kBadIndex;
    }
    uint32_t offset = 0;
    if (!readFrame(sprite.chunk, h, sprite.isSpr2, static_cast<uint32_t>(frameIndex), f, &offset)) {
        std::ostringstream text;
        text << kBadIndex << ": frame " << frameIndex << " at offset " << offset << " is outside the chunk of "
             << sprite.chunk.Size() << " bytes";
        detail = text.str();
        return kBadIndex;
    }
    if (outPosition) *outPosition = f.position;
    if (f.width == 0 || f.height == 0) return kEmpty;

    Palette palette;
    switch (viewMode) {
        case kSpriteViewDepth: palette.BuildFromTable(DepthViewTable(), false); break;
        case kSpriteViewAlpha: palette.BuildFromTable(AlphaViewTable(), false); break;
        default: {
            HeldResource palt = fetchPalette(file, h.paletteId);
            if (!palt) return kNeedPalette;
            palette.LoadFromChunk(palt.Block());
            break;
        }
    }

    if (!FitsBitmap(f.width, f.height, 8)) return kNoCanvas;
    canvas = Bitmap::CreateUnfilled(f.width, f.height, 8);
    if (!canvas) return kNoCanvas;
    setColourTable(canvas->ColourTable(), palette);

    CanvasSink sink(*canvas, viewMode, nearestToColour(palette, background));
    if (sprite.isSpr2)
        walkSpr2(sprite.chunk, f.streamStart, sink);
    else
        walkSpr(sprite.chunk, f.streamStart, sink);
    return nullptr;
}

// A palette a held sprite loaded, with its colour table and the index nearest the last
// key colour asked for.
struct HeldPalette {
    int32_t id = 0;
    bool present = false;  // the file holds it; otherwise `palette` is the reserved grey ramp
    Palette palette;
    std::array<platform::RgbQuad, Bitmap::kColourTableSize> table;
    uint32_t keyColour = 0;
    int32_t nearest = -1;  // the index nearest keyColour; -1 before the first search

    uint8_t Nearest(uint32_t colour) {
        if (nearest < 0 || colour != keyColour) {
            keyColour = colour;
            nearest = nearestToColour(palette, colour);
        }
        return static_cast<uint8_t>(nearest);
    }
};

void reverseBytes(uint8_t* p, uint32_t n) { std::reverse(p, p + n); }

uint32_t readLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

// A sprite held for decoding its frames: the chunk fetched once, and each palette its
// frames name loaded once. A few palettes are kept (a frame names at most two); more
// replace the oldest.
struct SpriteDecoder::HeldSprite {
    static constexpr size_t kHeldPalettes = 4;

    HeldSprite(ResourceFile& f, int32_t spriteId) : file(f), sprite(fetchSprite(f, spriteId)) {
        // The version plays no part in plane decoding: palette ID at 8, offsets at 12.
        if (sprite.chunk) header = readHeader(sprite.chunk, false);
    }

    HeldPalette& PaletteFor(int32_t id) {
        for (auto& held : palettes)
            if (held && held->id == id) return *held;
        auto& slot = palettes[nextPalette];
        nextPalette = (nextPalette + 1) % kHeldPalettes;
        slot.emplace();
        slot->id = id;
        HeldResource palt = fetchPalette(file, id);
        slot->present = static_cast<bool>(palt);
        if (palt)
            slot->palette.LoadFromChunk(palt.Block());
        else
            slot->palette.BuildFromTable(GreyRampTable(), true);
        if (!once) setColourTable(slot->table, slot->palette);  // made from the palette handed over otherwise
        return *slot;
    }

    ResourceFile& file;
    FetchedSprite sprite;
    SpriteHeader header;
    std::array<std::optional<HeldPalette>, kHeldPalettes> palettes;
    size_t nextPalette = 0;
    bool once = false;  // held for one frame only
};

namespace {

uint32_t decodeFrame(SpriteDecoder::HeldSprite& held, int32_t frameIndex, uint32_t keyColour,
                     const SpritePlaneSlots& slots) {
    for (auto* slot : {slots.colourPlane, slots.depthPlane, slots.alphaPlane})
        if (slot) slot->reset();

    const FetchedSprite& sprite = held.sprite;
    if (!sprite.chunk) {
        if (slots.size) *slots.size = SpriteSize{};
        if (slots.position) *slots.position = SpritePosition{};
        return kSpriteDecoded;
    }

    const SpriteHeader& h = held.header;
    int32_t paletteId = h.paletteId;
    FrameHeader f;
    bool haveFrame = false;
    if (frameIndex >= 0) {
        const uint32_t index = static_cast<uint32_t>(frameIndex) < h.frameCount ? static_cast<uint32_t>(frameIndex) : 0;
        // A frame that the offset table or the chunk does not hold decodes as nothing.
        haveFrame = index < h.framesInTable && readFrame(sprite.chunk, h, sprite.isSpr2, index, f);
        if (!haveFrame) {
            if (slots.size) *slots.size = SpriteSize{};
            if (slots.position) *slots.position = SpritePosition{};
        }
    }

    int32_t planeWidth = 1;
    int32_t planeHeight = 1;
    if (haveFrame) {
        // Planes the bitmap caps refuse count as empty; any size within them is decoded.
        const bool empty = f.width == 0 || f.height == 0 || (sprite.isSpr2 && f.width == 1 && f.height == 1) ||
                           !FitsBitmap(f.width, f.height, 8);
        if (!empty) {
            planeWidth = std::max(f.width, 1);
            planeHeight = std::max(f.height, 1);
        }
        if (slots.size) *slots.size = empty ? SpriteSize{} : SpriteSize{f.width, f.height};
        if (slots.position) *slots.position = f.position;
    }
    // An "SPR2" frame's own palette ID is often left over from the tool that wrote it (an
    // ID the file lacks, or 0 where the file's palettes are numbered otherwise): it
    // replaces the chunk's only when it is above 0 and the file holds that palette.
    HeldPalette* palette = nullptr;
    const bool paletteWanted = slots.palette || slots.paletteId;
    if (haveFrame && sprite.isSpr2 && f.paletteId > 0 && paletteWanted) {
        auto& own = held.PaletteFor(f.paletteId);
        if (own.present) {
            paletteId = f.paletteId;
            palette = &own;
        }
    }
    if (slots.paletteId) *slots.paletteId = paletteId;

    uint8_t fill = kNoPaletteFill;
    if (slots.palette) {
        if (!palette) palette = &held.PaletteFor(paletteId);
        if (slots.fillIndex && *slots.fillIndex != kNoFillIndex) {
            fill = static_cast<uint8_t>(*slots.fillIndex);
        } else {
            fill = palette->Nearest(keyColour);
            if (slots.fillIndex) *slots.fillIndex = fill;
        }
        // A sprite held for this one frame hands its palette over.
        if (held.once)
            *slots.palette = std::move(palette->palette);
        else
            *slots.palette = palette->palette;
    }

    const bool planesWanted = slots.colourPlane || slots.depthPlane || slots.alphaPlane;
    if (!haveFrame || !planesWanted) return kSpriteDecoded;

    std::unique_ptr<Bitmap> colour = Bitmap::CreateUnfilled(planeWidth, planeHeight, 8);
    std::unique_ptr<Bitmap> depth = Bitmap::CreateUnfilled(planeWidth, planeHeight, 8);
    std::unique_ptr<Bitmap> alpha = Bitmap::CreateUnfilled(planeWidth, planeHeight, 8);
    if (!colour || !depth || !alpha) return kSpriteDecoded;
    if (!slots.palette)
        colour->ColourTable() = greyColourTable();
    else if (held.once)
        setColourTable(colour->ColourTable(), *slots.palette);
    else
        colour->ColourTable() = palette->table;
    depth->ColourTable() = greyColourTable();
    alpha->ColourTable() = greyColourTable();

    PlaneSink sink(*colour, *depth, *alpha, fill);
    if (sprite.isSpr2) {
        walkSpr2(sprite.chunk, f.streamStart, sink);  // 0xE000 just ends the frame
    } else if (walkSpr(sprite.chunk, f.streamStart, sink) == WalkEnd::Invalid) {
        setLastError(kBadToken);
        throw SpriteDecodeError(kBadToken);
    }

    uint32_t flags = kSpriteDecoded;
    if (slots.colourPlane) {
        *slots.colourPlane = std::move(colour);
        flags |= kColourPlaneOut;
    }
    if (slots.depthPlane) {
        *slots.depthPlane = std::move(depth);
        flags |= kDepthPlaneOut;
    }
    if (slots.alphaPlane) {
        *slots.alphaPlane = std::move(alpha);
        flags |= kAlphaPlaneOut;
    }
    return flags;
}

}  // namespace

void SpriteByteOrderFixup(uint8_t* body, uint32_t count) {
    if (!body || count < 4) return;
    // Some tools leave the library-order flag clear on bodies they wrote little-endian.
    // Such a body already reads as a current version; turned, it would read as a version
    // no sprite has (a small version stored the other way round reads as 2^24 or more),
    // so a body that reads as a current version here is left as it is.
    const uint32_t asStored = readLe32(body);
    if (asStored >= static_cast<uint32_t>(kCurrentSprVersion) && asStored <= kLargestSprVersion) return;
    reverseBytes(body, 4);
    const auto version = static_cast<int32_t>(readLe32(body));
    const bool current = version >= kCurrentSprVersion;
    const uint32_t offsetsAt = current ? kOffsetsOffset : kOldOffsetsOffset;
    if (count < kCountOffset + 4) return;
    reverseBytes(body + kCountOffset, 4);
    if (current && count >= kPaletteIdOffset + 4) reverseBytes(body + kPaletteIdOffset, 4);
    if (count < offsetsAt) return;
    const uint32_t frames = std::min(readLe32(body + kCountOffset), (count - offsetsAt) / 4);
    std::vector<uint32_t> offsets;
    offsets.reserve(frames);
    for (uint32_t i = 0; i < frames; ++i) {
        uint8_t* p = body + offsetsAt + 4 * i;
        reverseBytes(p, 4);
        offsets.push_back(readLe32(p));
    }
    // Frames shared by several offsets are turned once: turning them twice would undo it.
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    for (uint32_t offset : offsets) {
        if (offset > count || count - offset < 2 * kSprFrameHeaderFields) continue;
        for (uint32_t field = 0; field < kSprFrameHeaderFields; ++field) reverseBytes(body + offset + 2 * field, 2);
    }
}

uint32_t CountSpriteFrames(ResourceFile& file, int32_t spriteId) {
    lastError().clear();
    FetchedSprite sprite = fetchSprite(file, spriteId);
    if (!sprite.chunk) {
        setLastError(kCountNotFound);
        return 0;
    }
    bool oldLayout = false;
    if (!sprite.isSpr2) {
        ByteReader r(sprite.chunk.Data(), sprite.chunk.Size());
        oldLayout = r.I32() < kCurrentSprVersion;
    }
    return readHeader(sprite.chunk, oldLayout).framesInTable;
}

std::unique_ptr<Bitmap> DrawSprite(ResourceFile& file, int32_t spriteId, int32_t frameIndex, uint32_t background,
                                   int32_t viewMode, SpritePosition* position) {
    lastError().clear();
    std::unique_ptr<Bitmap> canvas;
    std::string detail;
    if (const char* failure = drawSprite(file, spriteId, frameIndex, background, viewMode, position, canvas, detail)) {
        setLastError(detail.empty() ? failure : detail.c_str());
        return nullptr;
    }
    return canvas;
}

SpriteDecoder::SpriteDecoder(ResourceFile& file, int32_t spriteId)
    : mHeld(std::make_unique<HeldSprite>(file, spriteId)) {
    // Held past this call: other fetches of the sprite meanwhile must not free it.
    if (!mHeld->sprite.chunk.Keep()) mHeld->sprite = FetchedSprite{};
}
SpriteDecoder::~SpriteDecoder() = default;
SpriteDecoder::SpriteDecoder(SpriteDecoder&&) noexcept = default;
SpriteDecoder& SpriteDecoder::operator=(SpriteDecoder&&) noexcept = default;

bool SpriteDecoder::Found() const { return static_cast<bool>(mHeld->sprite.chunk); }

uint32_t SpriteDecoder::ChunkSize() const { return Found() ? mHeld->sprite.chunk.Size() : 0; }

uint32_t SpriteDecoder::Decode(int32_t frameIndex, uint32_t keyColour, const SpritePlaneSlots& slots) {
    return decodeFrame(*mHeld, frameIndex, keyColour, slots);
}

uint32_t DecodeSpritePlanes(ResourceFile& file, int32_t spriteId, int32_t frameIndex, uint32_t keyColour,
                            const SpritePlaneSlots& slots) {
    SpriteDecoder::HeldSprite held(file, spriteId);
    held.once = true;
    return decodeFrame(held, frameIndex, keyColour, slots);
}

const char* LastGraphicsError() { return lastError().c_str(); }

}  // namespace tambrix
