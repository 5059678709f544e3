#include "Surfaces.h"

#include <algorithm>
#include <cmath>

namespace tambrix::tools {

namespace {

constexpr int kNearWallHeight = 160;  // pixels of wall above its foot, near zoom
constexpr int kNearTileWidth = 64;    // a wall piece spans half a tile's screen width

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); }

Rgb Scale(Rgb c, float k) { return Rgb{ToByte(c.r * k), ToByte(c.g * k), ToByte(c.b * k)}; }
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

// Wallpaper at wall position s (0..1 along the piece) and height t (0 floor, 1 top).
Rgb Wallpaper(float s, float t) {
    constexpr Rgb kSage{150, 176, 140}, kCream{236, 228, 204}, kBase{96, 64, 42}, kMoulding{246, 242, 232};
    if (t < 0.09f) return t > 0.075f ? Scale(kBase, 1.25f) : kBase;  // skirting board and its lip
    if (t > 0.96f) return kMoulding;
    const float stripe = s * 8.0f;
    const bool sage = static_cast<int>(std::floor(stripe)) % 2 == 0;
    if (sage) return Mix(kSage, kCream, 0.08f * std::sin(t * 60.0f));
    // Small flowers down the middle of the cream stripes.
    const float cx = std::floor(stripe) + 0.5f;
    const float row = t * 14.0f;
    const float cy = std::floor(row) + 0.5f;
    const float dx = (stripe - cx) * 1.6f, dy = (row - cy) * 1.0f;
    const float r = std::sqrt(dx * dx + dy * dy);
    if (r < 0.14f) return Rgb{214, 120, 110};
    if (r < 0.26f) return Rgb{226, 178, 150};
    return kCream;
}

}  // namespace

std::vector<RgbaFrame> PaintWallFrames(int zoom) {
    const int shift = ZoomShift(zoom);
    const int width = kNearTileWidth >> shift;
    const int wall = kNearWallHeight >> shift;
    const int slope = width / 2;
    std::vector<RgbaFrame> frames;
    // Left rises to the right, Right falls to the right, Facing is seen square on, Insert
    // is the narrow post that fills a corner.
    struct Piece {
        int width;
        int rise;  // screen rows the foot climbs across the piece (negative: falls)
        float light;
    };
    const Piece pieces[4] = {{width, slope, 1.0f}, {width, -slope, 0.78f}, {width, 0, 0.9f}, {std::max(2, width / 8), 0, 0.7f}};
    for (const Piece& p : pieces) {
        RgbaFrame f;
        f.width = p.width;
        f.height = wall + std::abs(p.rise) + 1;
        f.rgb.assign(static_cast<size_t>(f.width) * f.height, Rgb{});
        f.alpha.assign(f.rgb.size(), 0);
        f.depth.assign(f.rgb.size(), 255);
        for (int x = 0; x < f.width; ++x) {
            const float s = (x + 0.5f) / f.width;
            // Top edge of the column, as a real number so that edges can be smoothed.
            const float top = p.rise > 0 ? p.rise * (1.0f - s) : p.rise < 0 ? -p.rise * s : 0.0f;
            for (int y = 0; y < f.height; ++y) {
                const float coverTop = std::clamp(y + 1.0f - top, 0.0f, 1.0f);
                const float coverBottom = std::clamp(top + wall - y, 0.0f, 1.0f);
                const float cover = std::min(coverTop, coverBottom);
                if (cover <= 0) continue;
                const size_t i = static_cast<size_t>(y) * f.width + x;
                const float t = 1.0f - (y + 0.5f - top) / wall;
                f.rgb[i] = Scale(Wallpaper(s, std::clamp(t, 0.0f, 1.0f)), p.light);
                f.alpha[i] = ToByte(cover * 255.0f);
                f.depth[i] = static_cast<uint8_t>(std::clamp(static_cast<int>(120 - 40 * s * (p.rise > 0 ? 1 : -1)), 0, 254));
            }
        }
        f.x = 0;
        f.y = f.height;
        frames.push_back(std::move(f));
    }
    return frames;
}

RgbaFrame PaintFloorTile(int zoom) {
    const int shift = ZoomShift(zoom);
    RgbaFrame f;
    f.width = 128 >> shift;
    f.height = 64 >> shift;
    f.rgb.assign(static_cast<size_t>(f.width) * f.height, Rgb{});
    f.alpha.assign(f.rgb.size(), 0);
    f.depth.assign(f.rgb.size(), 255);
    const float halfW = f.width / 2.0f, halfH = f.height / 2.0f;
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            const float px = x + 0.5f - halfW, py = y + 0.5f;
            if (std::fabs(px) / halfW + std::fabs(py - halfH) / halfH > 1.0f) continue;
            // Floor coordinates a, b in 0..1 across the tile.
            const float a = (px / halfW + py / halfH) / 2.0f, b = (py / halfH - px / halfW) / 2.0f;
            // Planks of a sixth of a tile, half a tile long, every other row shifted.
            const int lane = static_cast<int>(std::floor(b * 6.0f));
            const float along = a * 2.0f + (lane % 2 ? 0.5f : 0.0f);
            const int plank = static_cast<int>(std::floor(along));
            const uint32_t h = Hash(static_cast<uint32_t>(lane * 131 + plank * 7 + 1000));
            const float tone = 0.82f + 0.3f * ((h & 0xFF) / 255.0f);
            const float grain = 0.06f * std::sin(a * 70.0f + (h >> 8 & 0xF)) + 0.03f * std::sin(a * 23.0f + b * 9.0f);
            Rgb c = Scale(Rgb{176, 120, 72}, tone + grain);
            const float seamB = std::fabs(b * 6.0f - std::round(b * 6.0f));
            const float seamA = std::fabs(along - std::round(along));
            if (seamB < 0.05f || seamA < 0.015f) c = Scale(c, 0.62f);
            const size_t i = static_cast<size_t>(y) * f.width + x;
            f.rgb[i] = c;
            f.alpha[i] = 255;
            f.depth[i] = 200;
        }
    }
    f.x = 0;
    f.y = f.height;
    return f;
}

namespace {

// A round, shaded disc with a smooth edge, drawn into a square frame.
template <typename ColourAt>
RgbaFrame PaintIcon(int size, ColourAt colourAt) {
    RgbaFrame f;
    f.width = f.height = size;
    f.rgb.assign(static_cast<size_t>(size) * size, Rgb{});
    f.alpha.assign(f.rgb.size(), 0);
    f.depth.assign(f.rgb.size(), 255);
    constexpr int kSub = 4;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float r = 0, g = 0, b = 0, cover = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    // Coordinates -1..1 across the icon.
                    const float u = ((x + (sx + 0.5f) / kSub) / size) * 2 - 1;
                    const float v = ((y + (sy + 0.5f) / kSub) / size) * 2 - 1;
                    Rgb c;
                    if (!colourAt(u, v, c)) continue;
                    r += c.r;
                    g += c.g;
                    b += c.b;
                    cover += 1;
                }
            }
            if (cover == 0) continue;
            const size_t i = static_cast<size_t>(y) * size + x;
            f.rgb[i] = Rgb{ToByte(r / cover), ToByte(g / cover), ToByte(b / cover)};
            f.alpha[i] = ToByte(255.0f * cover / (kSub * kSub));
            f.depth[i] = 100;
        }
    }
    f.y = size;
    return f;
}

constexpr int kIconSize = 32;

}  // namespace

std::vector<RgbaFrame> PaintCoinIcon() {
    std::vector<RgbaFrame> frames;
    for (int lit = 0; lit < 2; ++lit) {
        const float glow = lit ? 1.18f : 1.0f;
        frames.push_back(PaintIcon(kIconSize, [&](float u, float v, Rgb& c) {
            const float r = std::sqrt(u * u + v * v);
            if (r > 0.94f) return false;
            const float light = 0.75f + 0.35f * (-u - v) / 1.41f;
            Rgb gold{226, 178, 58};
            if (r > 0.78f) gold = Rgb{186, 136, 36};                     // rim
            else if (std::fabs(u) < 0.09f && std::fabs(v) < 0.55f) gold = Rgb{250, 228, 140};  // the mark
            else if (std::fabs(v) < 0.09f && std::fabs(u) < 0.3f) gold = Rgb{250, 228, 140};
            c = Scale(gold, light * glow);
            return true;
        }));
    }
    return frames;
}

std::vector<RgbaFrame> PaintDiamondIcon() {
    std::vector<RgbaFrame> frames;
    for (int lit = 0; lit < 2; ++lit) {
        const float glow = lit ? 1.2f : 1.0f;
        frames.push_back(PaintIcon(kIconSize, [&](float u, float v, Rgb& c) {
            // A tall green octahedron seen from the side: four facets.
            const float w = 0.55f;
            if (std::fabs(u) / w + std::fabs(v) > 0.95f) return false;
            const bool left = u < 0, top = v < 0;
            const float facet = left ? (top ? 1.15f : 0.85f) : (top ? 0.95f : 0.65f);
            c = Scale(Rgb{80, 200, 90}, facet * glow);
            return true;
        }));
    }
    return frames;
}

std::vector<Rgb> PaintSunset(int width, int height) {
    std::vector<Rgb> pixels(static_cast<size_t>(width) * height);
    const float sunX = width * 0.62f, sunY = height * 0.58f, sunR = height * 0.16f;
    for (int y = 0; y < height; ++y) {
        const float t = static_cast<float>(y) / (height - 1);
        const Rgb sky = t < 0.5f ? Mix(Rgb{58, 40, 104}, Rgb{220, 96, 88}, t * 2) : Mix(Rgb{220, 96, 88}, Rgb{252, 190, 96}, (t - 0.5f) * 2);
        for (int x = 0; x < width; ++x) {
            Rgb c = sky;
            const float dx = x - sunX, dy = y - sunY;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < sunR) c = Rgb{255, 236, 170};
            else if (d < sunR * 2.2f) c = Mix(c, Rgb{255, 210, 130}, 0.5f * (1 - (d - sunR) / (sunR * 1.2f)));
            const float far = height * (0.7f + 0.06f * std::sin(x * 0.05f) + 0.03f * std::sin(x * 0.13f + 1));
            const float nearHill = height * (0.8f + 0.07f * std::sin(x * 0.031f + 2) + 0.02f * std::sin(x * 0.2f));
            if (y > nearHill) c = Rgb{34, 30, 52};
            else if (y > far) c = Rgb{76, 52, 90};
            pixels[static_cast<size_t>(y) * width + x] = c;
        }
    }
    return pixels;
}

std::vector<uint8_t> PaintSwatches(int width, int height, std::vector<Rgb>& palette) {
    // The palette: 6 x 6 x 6 colour cube, then a grey ramp.
    palette.clear();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(Rgb{static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51)});
    while (palette.size() < 256) {
        const uint8_t v = static_cast<uint8_t>((palette.size() - 216) * 255 / 39);
        palette.push_back(Rgb{v, v, v});
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    constexpr int kColumns = 16, kRows = 16;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int cx = x * kColumns / width, cy = y * kRows / height;
            const bool border = (x * kColumns) % width < kColumns || (y * kRows) % height < kRows;
            pixels[static_cast<size_t>(y) * width + x] = border ? 216 : static_cast<uint8_t>(cy * kColumns + cx);
        }
    }
    return pixels;
}

}  // namespace tambrix::tools
