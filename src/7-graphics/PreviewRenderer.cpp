#include "graphics/PreviewRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <numeric>
#include <optional>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "graphics/DrawGroup.h"
#include "graphics/HeldResource.h"
#include "graphics/Palette.h"
#include "graphics/Sprite.h"
#include "resfile/ResourceFile.h"

namespace tambrix {

using platform::Bitmap;

namespace {

constexpr int32_t kNearZoom = kViewZooms - 1;
constexpr double kPixelsPerZ = -20.0;  // one unit of z lifts a sprite 20 pixels
constexpr float kMaxZ = 1.0e6f;        // beyond this a z offset is nonsense; it counts as 0
constexpr int32_t kDepthBias = 4096;
constexpr uint8_t kNoPixel = 255;
constexpr int32_t kOpaque = 255;
constexpr uint16_t kFarthest = 0xFFFF;
constexpr int64_t kBoxStart = 100000;

// Screen and depth offsets per unit of tile x, tile y and level for one view.
struct Projection {
    int32_t xFromTileX, xFromTileY;
    int32_t yFromTileX, yFromTileY, yFromLevel;
    int32_t depthFromTileX, depthFromTileY;
};

// One step along a tile axis at the near zoom moves a part this far across and down the
// picture and this far in depth, one level this far up; each zoom further out halves them.
constexpr int32_t kTileAcross = 64;
constexpr int32_t kTileDown = 32;
constexpr int32_t kLevelUp = 50;
constexpr int32_t kTileDepth = 347;

Projection projectionFor(int32_t rotation, int32_t shift) {
    // Shifting a negative value rounds towards minus infinity: c(-347) is not -c(347).
    auto c = [shift](int32_t v) { return v >> shift; };
    constexpr int32_t x = kTileAcross, y = kTileDown, l = kLevelUp, d = kTileDepth;
    switch (rotation) {
        case 0: return {c(x), c(-x), c(y), c(y), c(l), c(-d), -c(d)};
        case 1: return {c(-x), -c(x), c(y), -c(y), -c(l), -c(d), -c(-d)};
        case 2: return {-c(x), -c(-x), -c(y), -c(y), c(l), -c(-d), c(d)};
        default: return {-c(-x), c(x), -c(y), c(y), -c(l), c(d), c(-d)};
    }
}

bool fetchImage(ResourceFile& file, const PreviewPart& part, int32_t imageIndex, DrawGroupImage& image) {
    if (part.currentGraphic < 0 || part.currentGraphic >= part.graphicCount) return false;
    // The sum runs on as an unsigned 16-bit ID on disk does: 0x7FFF + 1 names 0x8000.
    const int32_t id = part.baseGraphicId + part.currentGraphic;
    if (!FitsResId(id)) return false;
    HeldResource held(&file, file.GetResource(restype::kDGRP, ToResId(id), nullptr));
    if (!held) return false;
    DrawGroup group = ReadDrawGroup(held.Data(), held.Size());
    if (static_cast<size_t>(imageIndex) >= group.images.size()) return false;
    image = std::move(group.images[static_cast<size_t>(imageIndex)]);
    return true;
}

bool isDynamic(const PreviewPart& part, const DrawGroupEntry& e) {
    return part.dynamicSpriteCount >= 1 && e.spriteId >= part.dynamicSpriteBaseId &&
           e.spriteId < part.dynamicSpriteBaseId + part.dynamicSpriteCount;
}

// The entry's y offset after its lift: z × −20, truncated towards zero.
int64_t liftedY(const DrawGroupEntry& e) {
    int64_t y = e.yOffset;
    const float z = e.zOffset;
    if (z != 0.0f && std::isfinite(z) && std::fabs(z) < kMaxZ)
        y += static_cast<int64_t>(static_cast<double>(z) * kPixelsPerZ);
    return y;
}

struct PartPlacement {
    int64_t sx = 0;
    int64_t sy = 0;
    int32_t depth = 0;
};

PartPlacement place(const PreviewPart& part, const Projection& p, bool placeByTile) {
    if (!placeByTile) return {};
    const int64_t tx = part.tileX;
    const int64_t ty = part.tileY;
    return {tx * p.xFromTileX + ty * p.xFromTileY,
            tx * p.yFromTileX + ty * p.yFromTileY + static_cast<int64_t>(part.level) * p.yFromLevel,
            static_cast<int32_t>(tx * p.depthFromTileX + ty * p.depthFromTileY)};
}

struct Box {
    int64_t minX = kBoxStart, minY = kBoxStart;
    int64_t maxX = -kBoxStart, maxY = -kBoxStart;
};

// Blue, green and red of a colour, one in each of the three low 16-bit lanes of a word,
// so that a blend works on all three at once.
constexpr uint64_t kLaneOnes = 0x0000000100010001u;
constexpr uint64_t kLaneLowBytes = 0x000000FF00FF00FFu;
constexpr uint64_t lanes(uint32_t blue, uint32_t green, uint32_t red) {
    return blue | uint64_t{green} << 16 | uint64_t{red} << 32;
}

// The sprite's colours (blue, green and red in the low three bytes, and in lanes) and its
// alpha values after the part's opacity, looked up once per frame and opacity rather
// than per pixel.
struct SpriteLook {
    std::array<uint32_t, platform::kPaletteSize> bgr;
    std::array<uint64_t, platform::kPaletteSize> bgrLanes;
    std::array<int32_t, 256> alpha;
    int32_t opacity;
    bool opaque;  // the part's opacity leaves every alpha as it is

    SpriteLook(const Palette& palette, int32_t partOpacity) : opacity(partOpacity), opaque(opacity >= kOpaque) {
        for (uint32_t i = 0; i < bgr.size(); ++i) {
            const PaletteEntry e = palette.Entry(i);
            bgr[i] = e.blue | static_cast<uint32_t>(e.green) << 8 | static_cast<uint32_t>(e.red) << 16;
            bgrLanes[i] = lanes(e.blue, e.green, e.red);
        }
        for (int32_t i = 0; i < 256; ++i) alpha[i] = opaque ? i : static_cast<int32_t>(int64_t{i} * opacity / kOpaque);
    }
};

// One sprite frame as the render uses it (an entry's sprite ID and frame index): its size
// for the measuring pass, its planes and palette once a draw needs them. The tiles of an
// object share their draw groups, so many entries name the same frame: it is read once
// per pass and decoded once per render.
struct SpriteFrame {
    SpriteSize size;
    bool decoded = false;
    bool broken = false;  // its stream holds a bad command: left out of the picture
    Palette palette;
    std::unique_ptr<Bitmap> colour, depth, alpha;
    std::optional<SpriteLook> look;  // made for the last part opacity it was drawn with
};

class SpriteFrames {
public:
    SpriteFrames(ResourceFile& file, uint32_t background) : mFile(file), mBackground(background) {}

    // The frame with its size read.
    SpriteFrame& Measured(const DrawGroupEntry& e) {
        auto [it, added] = mFrames.try_emplace({e.spriteId, e.frameIndex});
        if (added) decode(e, {.size = &it->second.size});
        return it->second;
    }
    // The frame with its planes; they are kept for later entries while the frames kept
    // stay within a budget, and are dropped by `Release` otherwise.
    SpriteFrame& Decoded(const DrawGroupEntry& e) {
        SpriteFrame& f = Measured(e);
        if (f.decoded) return f;
        uint32_t fill = kNoFillIndex;
        const SpritePlaneSlots slots{.fillIndex = &fill,
                                     .size = &f.size,
                                     .palette = &f.palette,
                                     .colourPlane = &f.colour,
                                     .depthPlane = &f.depth,
                                     .alphaPlane = &f.alpha};
        f.look.reset();
        try {
            decode(e, slots);
        } catch (const SpriteDecodeError&) {
            f.broken = true;  // a sprite with a broken stream is left out; the rest still draws
        }
        uint64_t bytes = 0;
        for (const auto* plane : {&f.colour, &f.depth, &f.alpha})
            if (*plane) bytes += (*plane)->ImageSize();
        f.decoded = f.broken || mKeptBytes + bytes <= kKeptBytes;
        if (f.decoded) mKeptBytes += bytes;
        return f;
    }
    // Drops the planes of a frame that `Decoded` did not keep.
    static void Release(SpriteFrame& f) {
        if (f.decoded) return;
        f.colour.reset();
        f.depth.reset();
        f.alpha.reset();
    }

private:
    static constexpr uint64_t kKeptBytes = uint64_t{64} << 20;

    // Decodes through the held sprite, or fetches the sprite for this one frame.
    void decode(const DrawGroupEntry& e, const SpritePlaneSlots& slots) {
        if (SpriteDecoder* decoder = held(e.spriteId))
            decoder->Decode(e.frameIndex, mBackground, slots);
        else
            DecodeSpritePlanes(mFile, e.spriteId, e.frameIndex, mBackground, slots);
    }

    // The sprite fetched once for both passes while the chunks held stay within the
    // budget; null past it (each decode then fetches the sprite itself).
    SpriteDecoder* held(int32_t spriteId) {
        auto it = mSprites.find(spriteId);
        if (it != mSprites.end()) return it->second ? &*it->second : nullptr;
        SpriteDecoder decoder(mFile, spriteId);
        std::optional<SpriteDecoder>& slot = mSprites[spriteId];
        if (mHeldBytes + decoder.ChunkSize() <= kKeptBytes) {
            mHeldBytes += decoder.ChunkSize();
            slot.emplace(std::move(decoder));
            return &*slot;
        }
        return nullptr;
    }

    ResourceFile& mFile;
    uint32_t mBackground;
    std::map<std::pair<int32_t, int32_t>, SpriteFrame> mFrames;
    std::map<int32_t, std::optional<SpriteDecoder>> mSprites;
    uint64_t mKeptBytes = 0;
    uint64_t mHeldBytes = 0;
};

// The depth buffer: one 16-bit depth per picture pixel, rows counted upwards.
struct DepthBuffer {
    int64_t width = 0;
    std::vector<uint16_t> depths;
    uint16_t* Row(int64_t row) { return depths.data() + row * width; }
};

// c × alpha + under × (255 − alpha), over 255 rounded down, for the three lanes at once:
// each lane's sum stays below 2^16, and x / 255 is (x + 1 + (x >> 8)) >> 8 for every x up
// to 255 × 255.
inline uint64_t blend(uint64_t under, uint64_t over, uint32_t alpha) {
    const uint64_t x = (kOpaque - alpha) * under + alpha * over;
    return (x + kLaneOnes + (x >> 8 & kLaneLowBytes)) >> 8 & kLaneLowBytes;
}

// One sprite pixel that passed the depth test: source column sc onto picture pixel p.
// An opaque one is a copy of its colour.
template <bool kOpaquePart>
inline void drawPixel(uint8_t* p, const uint8_t* colour, const uint8_t* alpha, int64_t sc, const SpriteLook& look) {
    const int32_t a = kOpaquePart ? alpha[sc] : look.alpha[alpha[sc]];
    if (a == kOpaque) {
        const uint32_t c = look.bgr[colour[sc]];
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
    } else if (a > 0) {
        const uint64_t c = blend(lanes(p[0], p[1], p[2]), look.bgrLanes[colour[sc]], static_cast<uint32_t>(a));
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 16);
        p[2] = static_cast<uint8_t>(c >> 32);
    }
}

#if defined(__SSE2__)
// The colours of eight source pixels (columns `at` and on, or down from it when
// mirrored) packed into 24 bytes as picture pixels lie, in three words.
template <bool kMirror>
inline void colours8(const uint8_t* colour, int64_t at, const SpriteLook& look, uint64_t (&w)[3]) {
    uint64_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = look.bgr[colour[kMirror ? at - i : at + i]];
    w[0] = v[0] | v[1] << 24 | v[2] << 48;
    w[1] = v[2] >> 16 | v[3] << 8 | v[4] << 32 | v[5] << 56;
    w[2] = v[5] >> 8 | v[6] << 16 | v[7] << 40;
}

// 16-bit lanes: eight values reversed.
inline __m128i reverse8(__m128i v) {
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
    return _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2));
}

// Eight picture pixels (24 bytes at p, in 16-bit lanes: three channels a pixel) blended
// with colours `w` (packed as the pixels) by alphas a0..a7 (16-bit lanes), each channel
// as `blend` does: an alpha of 0 leaves a pixel as it is, one of 255 gives it the colour.
inline void blend8(uint8_t* p, const uint64_t (&w)[3], __m128i alphas) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(kOpaque);
    const __m128i one = _mm_set1_epi16(1);
    // Each alpha thrice, as the channels lie: a0 a0 a0 a1 a1 a1 a2 a2 | a2 a3 a3 a3 ...
    const __m128i low = _mm_unpacklo_epi64(alphas, alphas);
    const __m128i high = _mm_unpackhi_epi64(alphas, alphas);
    const __m128i a0 = _mm_shufflelo_epi16(_mm_shufflehi_epi16(low, _MM_SHUFFLE(2, 2, 1, 1)), _MM_SHUFFLE(1, 0, 0, 0));
    const __m128i a1 =
        _mm_shufflehi_epi16(_mm_shufflelo_epi16(alphas, _MM_SHUFFLE(3, 3, 3, 2)), _MM_SHUFFLE(1, 0, 0, 0));
    const __m128i a2 = _mm_shufflehi_epi16(_mm_shufflelo_epi16(high, _MM_SHUFFLE(2, 2, 1, 1)), _MM_SHUFFLE(3, 3, 3, 2));
    const __m128i under01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i under2 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i over01 = _mm_set_epi64x(static_cast<int64_t>(w[1]), static_cast<int64_t>(w[0]));
    const __m128i over2 = _mm_set_epi64x(0, static_cast<int64_t>(w[2]));
    auto mix = [&](__m128i under, __m128i over, __m128i alpha) {
        const __m128i x =
            _mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(full, alpha), under), _mm_mullo_epi16(alpha, over));
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
    };
    const __m128i r0 = mix(_mm_unpacklo_epi8(under01, zero), _mm_unpacklo_epi8(over01, zero), a0);
    const __m128i r1 = mix(_mm_unpackhi_epi8(under01, zero), _mm_unpackhi_epi8(over01, zero), a1);
    const __m128i r2 = mix(_mm_unpacklo_epi8(under2, zero), _mm_unpacklo_epi8(over2, zero), a2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(r0, r1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 16), _mm_packus_epi16(r2, r2));
}
#endif

// Draws one row of a sprite: n pixels onto picture pixels `px` and their depths `z`, from
// source column `first` on, rightwards or (mirrored) leftwards. Pixels without depth are
// passed over; an opaque one is a copy of its colour. With SSE2, and when every depth of
// the sprite stays within 16 bits, eight pixels go at a time: their depths tested and
// stored at once; when the part's opacity is full, their colours copied when all passed
// and all are opaque, blended otherwise (a pixel that did not pass counts as transparent,
// which leaves it as it is).
template <bool kMirror, bool kOpaquePart>
void mergeRow(uint8_t* __restrict px, uint16_t* __restrict z, const uint8_t* __restrict colour,
              const uint8_t* __restrict depth, const uint8_t* __restrict alpha, int64_t first, int64_t n, int64_t zBase,
              const SpriteLook& look) {
    int64_t k = 0;
#if defined(__SSE2__)
    if (zBase >= 0 && zBase + kNoPixel - 1 <= kFarthest) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i base = _mm_set1_epi16(static_cast<int16_t>(zBase));
        const __m128i none = _mm_set1_epi16(kNoPixel);
        const __m128i flip = _mm_set1_epi16(static_cast<int16_t>(0x8000));  // unsigned order as signed
        for (; k + 8 <= n; k += 8) {
            const int64_t from = kMirror ? first - k : first + k;        // the first source column
            const int64_t lowest = kMirror ? first - k - 7 : first + k;  // the lowest of the eight
            __m128i d = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(depth + lowest)), zero);
            if constexpr (kMirror) d = reverse8(d);
            const __m128i zOld = _mm_loadu_si128(reinterpret_cast<const __m128i*>(z + k));
            const __m128i zNew = _mm_add_epi16(d, base);
            // Kept: no pixel, or one farther than what is there (equal depth: the later wins).
            const __m128i kept = _mm_or_si128(_mm_cmpeq_epi16(d, none),
                                              _mm_cmpgt_epi16(_mm_xor_si128(zNew, flip), _mm_xor_si128(zOld, flip)));
            const unsigned passed = ~static_cast<unsigned>(_mm_movemask_epi8(kept)) & 0xFFFFu;  // two bits a pixel
            if (passed == 0) continue;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(z + k),
                             _mm_or_si128(_mm_and_si128(kept, zOld), _mm_andnot_si128(kept, zNew)));
            if constexpr (kOpaquePart) {
                uint64_t alphaBytes;
                std::memcpy(&alphaBytes, alpha + lowest, 8);
                uint64_t w[3];
                colours8<kMirror>(colour, from, look, w);
                uint8_t* p = px + 3 * k;
                if (passed == 0xFFFFu && alphaBytes == ~uint64_t{0}) {
                    std::memcpy(p, &w[0], 8);  // one store each: a single wide copy would stall
                    std::memcpy(p + 8, &w[1], 8);
                    std::memcpy(p + 16, &w[2], 8);
                } else {
                    __m128i a =
                        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(alpha + lowest)), zero);
                    if constexpr (kMirror) a = reverse8(a);
                    blend8(p, w, _mm_andnot_si128(kept, a));
                }
            } else {
                for (int64_t i = 0; i < 8; ++i)
                    if (passed >> 2 * i & 1)
                        drawPixel<kOpaquePart>(px + 3 * (k + i), colour, alpha, kMirror ? from - i : from + i, look);
            }
        }
    }
#endif
    for (; k < n; ++k) {
        const int64_t sc = kMirror ? first - k : first + k;
        const uint8_t d = depth[sc];
        if (d == kNoPixel) continue;
        const int64_t zv = d + zBase;
        if (zv > z[k]) continue;           // equal depth: the later sprite wins
        z[k] = static_cast<uint16_t>(zv);  // the low 16 bits
        drawPixel<kOpaquePart>(px + 3 * k, colour, alpha, sc, look);
    }
}

// Merges one decoded sprite at column a, bottom row b (rows counted upwards): clipped to
// the picture first, then drawn a row at a time.
void mergeSprite(Bitmap& result, DepthBuffer& depthBuffer, SpriteFrame& s, int64_t a, int64_t b, bool mirror,
                 int32_t partDepth, int32_t opacity) {
    // The reported size never exceeds the planes (a negative "SPR#" size decodes as 1).
    const int64_t w = std::min(s.size.width, s.colour->Width());
    const int64_t h = std::min(s.size.height, s.colour->Height());
    // Clip to the picture; the box makes this a no-op unless the sprite changed between passes.
    const int64_t k0 = std::max<int64_t>(0, -a);
    const int64_t k1 = std::min<int64_t>(w, result.Width() - a);
    const int64_t r0 = std::max<int64_t>(0, -b);
    const int64_t r1 = std::min<int64_t>(h, result.Height() - b);
    if (k0 >= k1 || r0 >= r1) return;

    // The tiles of an object draw the same frames at the same opacity: the look is made once.
    if (!s.look || s.look->opacity != opacity) s.look.emplace(s.palette, opacity);
    const SpriteLook& look = *s.look;
    const int64_t zBase = static_cast<int64_t>(partDepth) + kDepthBias;
    const int64_t firstSource = mirror ? w - 1 - k0 : k0;
    auto row = mirror ? (look.opaque ? &mergeRow<true, true> : &mergeRow<true, false>)
                      : (look.opaque ? &mergeRow<false, true> : &mergeRow<false, false>);
    for (int64_t r = r0; r < r1; ++r) {
        const auto sr = static_cast<int32_t>(r);
        row(result.Row(static_cast<int32_t>(b + r)) + 3 * (a + k0), depthBuffer.Row(b + r) + (a + k0),
            s.colour->Row(sr), s.depth->Row(sr), s.alpha->Row(sr), firstSource, k1 - k0, zBase, look);
    }
}

// The render; a missing file draws nothing.
std::unique_ptr<Bitmap> renderParts(ResourceFile* file, std::vector<PreviewPart>& parts, bool placeByTile,
                                    int32_t imageIndex, uint32_t background, PreviewReport& report) {
    // Views outside 0..11 have no zoom: nothing of the object is drawn.
    const bool validView = file && imageIndex >= 0 && imageIndex < kPreviewImageCount;
    const int32_t rotation = imageIndex % kViewRotations;
    const int32_t shift = validView ? kNearZoom - imageIndex / kViewRotations : 0;
    const Projection proj = projectionFor(rotation, shift);
    if (!validView) file = nullptr;

    // Pass 0: measure. Each part's image is read once for both passes.
    Box box;
    int drawn = 0;
    std::vector<size_t> order(parts.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<std::optional<DrawGroupImage>> images(parts.size());
    std::optional<SpriteFrames> frames;
    if (file) frames.emplace(*file, background);
    for (size_t i = 0; i < parts.size(); ++i) {
        PreviewPart& part = parts[i];
        DrawGroupImage image;
        if (!file || !fetchImage(*file, part, imageIndex, image)) continue;
        const PartPlacement at = place(part, proj, placeByTile);
        part.tileDepth = at.depth;
        for (const DrawGroupEntry& e : image.entries) {
            if (isDynamic(part, e)) continue;
            const int64_t a = e.xOffset + at.sx;
            const int64_t b = -liftedY(e) - at.sy;
            const SpriteSize size = frames->Measured(e).size;
            if (size.width == 0 || size.height == 0) continue;
            ++drawn;
            box.minX = std::min(box.minX, a);
            box.minY = std::min(box.minY, b);
            box.maxX = std::max(box.maxX, a + size.width);
            box.maxY = std::max(box.maxY, b + size.height);
        }
        images[i] = std::move(image);
    }

    if (drawn == 0) box = Box{0, 0, 1, 1};
    box.minX -= kPreviewMargin;
    box.minY -= kPreviewMargin;
    box.maxX += kPreviewMargin;
    box.maxY += kPreviewMargin;
    const int64_t width = box.maxX - box.minX;
    const int64_t height = box.maxY - box.minY;
    report = {drawn == 0 ? PreviewReport::Outcome::kNothingToDraw : PreviewReport::Outcome::kDrawn, width, height};
    // Any box within the caps is drawn, however far apart its sprites lie; a larger one
    // (or one memory cannot hold) gives no picture, and the report says how large it was.
    if (!FitsBitmap(width, height, 24) || !FitsBitmap(width, height, 16)) {
        report.outcome = PreviewReport::Outcome::kTooLarge;
        return nullptr;
    }
    const int64_t ox = -box.minX;
    const int64_t oy = -box.minY;

    auto result = Bitmap::CreateUnfilled(static_cast<int32_t>(width), static_cast<int32_t>(height), 24);
    DepthBuffer depthBuffer{width, {}};
    if (result) {
        try {
            depthBuffer.depths.assign(static_cast<size_t>(width * height), kFarthest);
        } catch (const std::bad_alloc&) {
            result.reset();
        }
    }
    if (!result) {
        report.outcome = PreviewReport::Outcome::kTooLarge;
        return nullptr;
    }
    result->Fill24(static_cast<uint8_t>(background >> 16), static_cast<uint8_t>(background >> 8),
                   static_cast<uint8_t>(background));

    // Farthest part first; parts of equal depth keep their list order.
    std::stable_sort(order.begin(), order.end(),
                     [&parts](size_t l, size_t r) { return parts[l].tileDepth > parts[r].tileDepth; });

    // Pass 1: draw.
    for (size_t index : order) {
        if (!images[index]) continue;
        const PreviewPart& part = parts[index];
        const PartPlacement at = place(part, proj, placeByTile);
        for (const DrawGroupEntry& e : images[index]->entries) {
            if (isDynamic(part, e)) continue;
            const int64_t a = ox + e.xOffset + at.sx;
            const int64_t b = oy - liftedY(e) - at.sy;
            SpriteFrame& s = frames->Decoded(e);
            if (!s.broken && s.size.width != 0 && s.size.height != 0 && s.colour && s.depth && s.alpha)
                mergeSprite(*result, depthBuffer, s, a, b, (e.flags & DrawGroupEntry::kMirror) != 0, at.depth,
                            part.opacity);
            SpriteFrames::Release(s);
        }
    }
    return result;
}

}  // namespace

std::unique_ptr<Bitmap> RenderPreviewParts(ResourceFile* file, std::vector<PreviewPart>& parts, bool placeByTile,
                                           int32_t imageIndex, uint32_t background, PreviewReport* report) {
    PreviewReport ignored;
    return renderParts(file, parts, placeByTile, imageIndex, background, report ? *report : ignored);
}

std::string PreviewViewText(int32_t view) {
    static constexpr const char* kZoomNames[kViewZooms] = {"far", "medium", "near"};
    if (view < 0 || view >= kPreviewImageCount) return "";
    return std::string(kZoomNames[PreviewZoom(view)]) + ", rotation " + std::to_string(PreviewRotation(view));
}

std::string PreviewReportText(const PreviewReport& report) {
    // 29260 as "29,260".
    auto grouped = [](int64_t n) {
        std::string digits = std::to_string(n < 0 ? -n : n);
        for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
        return (n < 0 ? "-" : "") + digits;
    };
    switch (report.outcome) {
        case PreviewReport::Outcome::kNothingToDraw: return "no sprite to draw in this view";
        case PreviewReport::Outcome::kTooLarge:
            return "picture too large: " + grouped(report.width) + " x " + grouped(report.height) + " pixels";
        case PreviewReport::Outcome::kDrawn: break;
    }
    return "";
}

}  // namespace tambrix
