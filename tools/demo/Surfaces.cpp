#include "demo/Surfaces.h"

#include <algorithm>
#include <cmath>

namespace tambrix::tools {

namespace {

constexpr int kNearWallHeight = 160;  // pixels of wall above its foot, near zoom
constexpr int kNearTileWidth = 64;    // a wall piece spans half a tile's screen width
constexpr int kIconSize = 32;

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); }
Rgb Mix(Rgb a, Rgb b, float t) {
    return Rgb{ToByte(a.r + (b.r - a.r) * t), ToByte(a.g + (b.g - a.g) * t), ToByte(a.b + (b.b - a.b) * t)};
}

// A small integer hash: fixed patterns without a random source.
uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

/// A shade of one ramp of a palette.
struct Shade {
    int ramp;
    float brightness;
};

enum WallRamp { kSage, kCream, kSkirting, kMoulding, kRose, kPetal };
const Ramps kWall({{150, 176, 140}, {236, 228, 204}, {96, 64, 42}, {246, 242, 232}, {214, 120, 110}, {226, 178, 150}});
const Ramps kFloor({{176, 120, 72}});
enum IconRamp { kGold, kGoldRim, kGoldMark, kGreen };
const Ramps kIcons({{226, 178, 58}, {186, 136, 36}, {250, 228, 140}, {80, 200, 90}});

// Wallpaper at wall position s (0..1 along the piece) and height t (0 floor, 1 top):
// sage and cream stripes with small roses down the cream ones.
Shade Wallpaper(float s, float t) {
    if (t < 0.09f) return {kSkirting, t > 0.075f ? 1.25f : 1.0f};  // skirting board and its lip
    if (t > 0.96f) return {kMoulding, 1.0f};
    const float stripe = s * 8.0f;
    if (static_cast<int>(std::floor(stripe)) % 2 == 0) return {kSage, 1.0f + 0.04f * std::sin(t * 60.0f)};
    const float dx = (stripe - std::floor(stripe) - 0.5f) * 1.6f, dy = t * 14.0f - std::floor(t * 14.0f) - 0.5f;
    const float r = std::hypot(dx, dy);
    return {r < 0.14f ? kRose : r < 0.26f ? kPetal : kCream, 1.0f};
}

}  // namespace

std::vector<SpriteImage> PaintWallFrames(int zoom) {
    const int shift = ZoomShift(zoom);
    const int width = kNearTileWidth >> shift, wall = kNearWallHeight >> shift, slope = width / 2;
    // Left rises to the right, Right falls to the right, Facing is seen square on, Insert
    // is the narrow post that fills a corner.
    struct Piece {
        int width;
        int rise;  // screen rows the foot climbs across the piece (negative: falls)
        float light;
    };
    const Piece pieces[4] = {
        {width, slope, 1.0f}, {width, -slope, 0.78f}, {width, 0, 0.9f}, {std::max(2, width / 8), 0, 0.7f}};
    std::vector<SpriteImage> frames;
    for (const Piece& p : pieces) {
        SpriteImage f(p.width, wall + std::abs(p.rise) + 1);
        for (int x = 0; x < f.width; ++x) {
            const float s = (x + 0.5f) / f.width;
            // The top edge of the column, as a real number so that the edges are smooth.
            const float top = p.rise > 0 ? p.rise * (1.0f - s) : p.rise < 0 ? -p.rise * s : 0.0f;
            for (int y = 0; y < f.height; ++y) {
                const float cover =
                    std::min(std::clamp(y + 1.0f - top, 0.0f, 1.0f), std::clamp(top + wall - y, 0.0f, 1.0f));
                if (cover <= 0) continue;
                const Shade shade = Wallpaper(s, std::clamp(1.0f - (y + 0.5f - top) / wall, 0.0f, 1.0f));
                const size_t i = f.Index(x, y);
                f.color[i] = kWall.Index(shade.ramp, shade.brightness * p.light);
                f.alpha[i] = ToByte(cover * 255.0f);
                f.depth[i] =
                    static_cast<uint8_t>(std::clamp(static_cast<int>(120 - 40 * s * (p.rise > 0 ? 1 : -1)), 0, 254));
            }
        }
        f.y = static_cast<int16_t>(f.height);
        frames.push_back(std::move(f));
    }
    return frames;
}

std::vector<Rgb> WallPalette() { return kWall.Palette(); }

SpriteImage PaintFloorTile(int zoom) {
    const int shift = ZoomShift(zoom);
    SpriteImage f(128 >> shift, 64 >> shift);
    const float halfW = f.width / 2.0f, halfH = f.height / 2.0f;
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            const float px = x + 0.5f - halfW, py = y + 0.5f;
            if (std::fabs(px) / halfW + std::fabs(py - halfH) / halfH > 1.0f) continue;
            // Floor coordinates a, b in 0..1 across the tile; planks of a sixth of a tile,
            // half a tile long, every other row shifted.
            const float a = (px / halfW + py / halfH) / 2.0f, b = (py / halfH - px / halfW) / 2.0f;
            const int lane = static_cast<int>(std::floor(b * 6.0f));
            const float along = a * 2.0f + (lane % 2 ? 0.5f : 0.0f);
            const uint32_t h = Hash(static_cast<uint32_t>(lane * 131 + static_cast<int>(std::floor(along)) * 7 + 1000));
            float tone = 0.82f + 0.3f * ((h & 0xFF) / 255.0f) + 0.06f * std::sin(a * 70.0f + (h >> 8 & 0xF)) +
                         0.03f * std::sin(a * 23.0f + b * 9.0f);
            if (std::fabs(b * 6.0f - std::round(b * 6.0f)) < 0.05f || std::fabs(along - std::round(along)) < 0.015f)
                tone *= 0.62f;  // the seams
            const size_t i = f.Index(x, y);
            f.color[i] = kFloor.Index(0, tone);
            f.alpha[i] = 255;
            f.depth[i] = 200;
        }
    }
    f.y = static_cast<int16_t>(f.height);
    return f;
}

std::vector<Rgb> FloorPalette() { return kFloor.Palette(); }

std::vector<SpriteImage> PaintIcon(Icon icon) {
    // Where the icon covers u, v (-1..1 across it), and its shade there.
    const auto shadeAt = [icon](float u, float v, Shade& s) {
        if (icon == Icon::Coin) {
            const float r = std::hypot(u, v);
            const bool mark =
                (std::fabs(u) < 0.09f && std::fabs(v) < 0.55f) || (std::fabs(v) < 0.09f && std::fabs(u) < 0.3f);
            s = {r > 0.78f ? kGoldRim : mark ? kGoldMark : kGold, 0.75f + 0.35f * (-u - v) / 1.41f};
            return r <= 0.94f;
        }
        s = {kGreen, u < 0 ? (v < 0 ? 1.15f : 0.85f) : (v < 0 ? 0.95f : 0.65f)};  // four facets
        return std::fabs(u) / 0.55f + std::fabs(v) <= 0.95f;
    };
    // Smooth edges: 4 x 4 samples per pixel give the cover, the first covered one the shade.
    constexpr int kSub = 4;
    std::vector<SpriteImage> frames;
    for (const float glow : {1.0f, icon == Icon::Coin ? 1.18f : 1.2f}) {
        SpriteImage f(kIconSize, kIconSize);
        for (int y = 0; y < kIconSize; ++y) {
            for (int x = 0; x < kIconSize; ++x) {
                int cover = 0;
                Shade first{0, 0}, s{0, 0};
                for (int sy = 0; sy < kSub; ++sy)
                    for (int sx = 0; sx < kSub; ++sx)
                        if (shadeAt((x + (sx + 0.5f) / kSub) / kIconSize * 2 - 1,
                                    (y + (sy + 0.5f) / kSub) / kIconSize * 2 - 1, s) &&
                            cover++ == 0)
                            first = s;
                if (cover == 0) continue;
                const size_t i = f.Index(x, y);
                f.color[i] = kIcons.Index(first.ramp, first.brightness * glow);
                f.alpha[i] = ToByte(255.0f * cover / (kSub * kSub));
                f.depth[i] = 100;
            }
        }
        f.y = kIconSize;
        frames.push_back(std::move(f));
    }
    return frames;
}

std::vector<Rgb> IconPalette() { return kIcons.Palette(); }

std::unique_ptr<platform::Bitmap> PaintSunset(int width, int height) {
    auto bitmap = platform::Bitmap::Create(width, height, 24);
    if (!bitmap) return nullptr;
    const float sunX = width * 0.62f, sunY = height * 0.58f, sunR = height * 0.16f;
    for (int y = 0; y < height; ++y) {
        const float t = static_cast<float>(y) / (height - 1);
        const Rgb sky =
            t < 0.5f ? Mix({58, 40, 104}, {220, 96, 88}, t * 2) : Mix({220, 96, 88}, {252, 190, 96}, (t - 0.5f) * 2);
        uint8_t* row = bitmap->TopRow(y);
        for (int x = 0; x < width; ++x) {
            Rgb c = sky;
            const float d = std::hypot(x - sunX, y - sunY);
            if (d < sunR)
                c = Rgb{255, 236, 170};
            else if (d < sunR * 2.2f)
                c = Mix(c, {255, 210, 130}, 0.5f * (1 - (d - sunR) / (sunR * 1.2f)));
            const float far = height * (0.7f + 0.06f * std::sin(x * 0.05f) + 0.03f * std::sin(x * 0.13f + 1));
            const float nearHill = height * (0.8f + 0.07f * std::sin(x * 0.031f + 2) + 0.02f * std::sin(x * 0.2f));
            if (y > nearHill)
                c = Rgb{34, 30, 52};
            else if (y > far)
                c = Rgb{76, 52, 90};
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    return bitmap;
}

std::unique_ptr<platform::Bitmap> PaintSwatches(int width, int height) {
    auto bitmap = platform::Bitmap::Create(width, height, 8);
    if (!bitmap) return nullptr;
    // The colour table: a 6 x 6 x 6 colour cube, then a ramp of 40 greys.
    constexpr int kCube = 216, kColumns = 16, kRows = 16;
    for (int i = 0; i < platform::Bitmap::kColourTableSize; ++i) {
        const auto level = [i](int cube) {
            return static_cast<uint8_t>(i < kCube ? cube * 51 : (i - kCube) * 255 / 39);
        };
        bitmap->ColourTable()[i] = platform::RgbQuad{level(i % 6), level(i / 6 % 6), level(i / 36), 0};
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool border = (x * kColumns) % width < kColumns || (y * kRows) % height < kRows;
            bitmap->TopRow(y)[x] =
                border ? kCube : static_cast<uint8_t>(y * kRows / height * kColumns + x * kColumns / width);
        }
    }
    return bitmap;
}

}  // namespace tambrix::tools
