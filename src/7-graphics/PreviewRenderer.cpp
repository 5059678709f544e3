#include "graphics/PreviewRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

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

// Merges one decoded sprite at column a, bottom row b (rows counted upwards).
void mergeSprite(Bitmap& result, Bitmap& depthBuffer, const Bitmap& colour, const Bitmap& depth, const Bitmap& alpha,
                 const Palette& palette, int64_t a, int64_t b, int32_t w, int32_t h, bool mirror, int32_t partDepth,
                 int32_t opacity) {
    // The reported size never exceeds the planes (a negative "SPR#" size decodes as 1).
    w = std::min(w, colour.Width());
    h = std::min(h, colour.Height());
    // Clip to the picture; the box makes this a no-op unless the sprite changed between passes.
    const int64_t k0 = std::max<int64_t>(0, -a);
    const int64_t k1 = std::min<int64_t>(w, result.Width() - a);
    const int64_t r0 = std::max<int64_t>(0, -b);
    const int64_t r1 = std::min<int64_t>(h, result.Height() - b);
    if (k0 >= k1 || r0 >= r1) return;

    // The sprite's colours as blue, green, red, looked up once.
    std::array<std::array<uint8_t, 3>, platform::kPaletteSize> bgr;
    for (uint32_t i = 0; i < bgr.size(); ++i) {
        const PaletteEntry e = palette.Entry(i);
        bgr[i] = {e.blue, e.green, e.red};
    }
    const int64_t zBase = static_cast<int64_t>(partDepth) + kDepthBias;
    const int64_t step = mirror ? -1 : 1;
    const int64_t firstSource = mirror ? w - 1 - k0 : k0;

    for (int64_t r = r0; r < r1; ++r) {
        const auto row = static_cast<int32_t>(r);
        const uint8_t* srcColour = colour.Row(row);
        const uint8_t* srcDepth = depth.Row(row);
        const uint8_t* srcAlpha = alpha.Row(row);
        uint8_t* px = result.Row(static_cast<int32_t>(b + r)) + 3 * (a + k0);
        uint8_t* zbuf = depthBuffer.Row(static_cast<int32_t>(b + r)) + 2 * (a + k0);
        int64_t sc = firstSource;
        for (int64_t k = k0; k < k1; ++k, sc += step, px += 3, zbuf += 2) {
            const uint8_t d = srcDepth[sc];
            if (d == kNoPixel) continue;
            const int64_t z = d + zBase;
            const int32_t stored = zbuf[0] | (zbuf[1] << 8);
            if (z > stored) continue;  // equal depth: the later sprite wins
            int64_t alphaValue = srcAlpha[sc];
            if (opacity < kOpaque) alphaValue = alphaValue * opacity / kOpaque;
            const auto& c = bgr[srcColour[sc]];
            if (alphaValue == kOpaque) {
                px[0] = c[0];
                px[1] = c[1];
                px[2] = c[2];
            } else if (alphaValue > 0) {
                const int64_t keep = kOpaque - alphaValue;
                px[0] = static_cast<uint8_t>((keep * px[0] + alphaValue * c[0]) / kOpaque);
                px[1] = static_cast<uint8_t>((keep * px[1] + alphaValue * c[1]) / kOpaque);
                px[2] = static_cast<uint8_t>((keep * px[2] + alphaValue * c[2]) / kOpaque);
            }
            zbuf[0] = static_cast<uint8_t>(z);  // the low 16 bits
            zbuf[1] = static_cast<uint8_t>(z >> 8);
        }
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

    // Pass 0: measure.
    Box box;
    int drawn = 0;
    std::vector<size_t> order(parts.size());
    std::iota(order.begin(), order.end(), 0);
    DrawGroupImage image;
    for (PreviewPart& part : parts) {
        if (!validView || !fetchImage(*file, part, imageIndex, image)) continue;
        const PartPlacement at = place(part, proj, placeByTile);
        part.tileDepth = at.depth;
        for (const DrawGroupEntry& e : image.entries) {
            if (isDynamic(part, e)) continue;
            const int64_t a = e.xOffset + at.sx;
            const int64_t b = -liftedY(e) - at.sy;
            SpriteSize size;
            DecodeSpritePlanes(*file, e.spriteId, e.frameIndex, background, {.size = &size});
            if (size.width == 0 || size.height == 0) continue;
            ++drawn;
            box.minX = std::min(box.minX, a);
            box.minY = std::min(box.minY, b);
            box.maxX = std::max(box.maxX, a + size.width);
            box.maxY = std::max(box.maxY, b + size.height);
        }
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

    auto result = Bitmap::Create(static_cast<int32_t>(width), static_cast<int32_t>(height), 24);
    auto depthBuffer = Bitmap::Create(static_cast<int32_t>(width), static_cast<int32_t>(height), 16);
    if (!result || !depthBuffer) {
        report.outcome = PreviewReport::Outcome::kTooLarge;
        return nullptr;
    }
    result->Fill24(static_cast<uint8_t>(background >> 16), static_cast<uint8_t>(background >> 8),
                   static_cast<uint8_t>(background));
    depthBuffer->Fill16(kFarthest);

    // Farthest part first; parts of equal depth keep their list order.
    std::stable_sort(order.begin(), order.end(),
                     [&parts](size_t l, size_t r) { return parts[l].tileDepth > parts[r].tileDepth; });

    // Pass 1: draw.
    for (size_t index : order) {
        const PreviewPart& part = parts[index];
        if (!validView || !fetchImage(*file, part, imageIndex, image)) continue;
        const PartPlacement at = place(part, proj, placeByTile);
        for (const DrawGroupEntry& e : image.entries) {
            if (isDynamic(part, e)) continue;
            const int64_t a = ox + e.xOffset + at.sx;
            const int64_t b = oy - liftedY(e) - at.sy;
            Palette palette;
            uint32_t fill = kNoFillIndex;
            SpriteSize size;
            std::unique_ptr<Bitmap> colour, depth, alpha;
            try {
                DecodeSpritePlanes(*file, e.spriteId, e.frameIndex, background,
                                   {.fillIndex = &fill,
                                    .size = &size,
                                    .palette = &palette,
                                    .colourPlane = &colour,
                                    .depthPlane = &depth,
                                    .alphaPlane = &alpha});
            } catch (const SpriteDecodeError&) {
                continue;  // a sprite with a broken stream is left out; the rest still draws
            }
            if (size.width == 0 || size.height == 0 || !colour || !depth || !alpha) continue;
            mergeSprite(*result, *depthBuffer, *colour, *depth, *alpha, palette, a, b, size.width, size.height,
                        (e.flags & DrawGroupEntry::kMirror) != 0, at.depth, part.opacity);
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
