#pragma once

// Encoders for the two sprite chunk kinds, the counterpart of the decoders in Sprite.h:
// the demo generator writes its pictures with them, the tests and benchmarks their sprites.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tambrix {

/// One frame before encoding: per-pixel planes, top row first, row-major.
/// alpha 0 means "no pixel", 255 an opaque pixel, anything between a translucent one.
struct SpriteImage {
    int32_t width = 0;
    int32_t height = 0;
    int16_t x = 0;  ///< the frame's stored position, first value
    int16_t y = 0;  ///< the frame's stored position, second value
    std::vector<uint8_t> color;
    std::vector<uint8_t> depth;
    std::vector<uint8_t> alpha;

    SpriteImage() = default;
    SpriteImage(int32_t w, int32_t h);
    size_t Index(int32_t px, int32_t py) const { return static_cast<size_t>(py) * width + px; }
    bool Empty() const;
};

/// How an SPR2 frame stores its pixels.
enum class Spr2Pixels {
    Full,        ///< depth and colour (opaque), depth, colour and alpha (translucent)
    ColourOnly,  ///< colour index only; translucent pixels below half alpha are left out
};

inline constexpr uint32_t kSpr2Version = 1000;
inline constexpr int32_t kSprHashVersion = 505;
inline constexpr uint16_t kSpr2MaxCount = 0x1FFF;
/// SPR2 alpha bytes hold 0-31; the decoder multiplies by 8.
inline constexpr uint8_t kSpr2MaxAlpha = 31;

/// The SPR2 alpha byte for an 8-bit alpha (0 when the pixel would vanish).
uint8_t Spr2AlphaByte(uint8_t alpha);

/// An SPR2 chunk body: header, frame offsets, frames (each at an even offset).
std::vector<uint8_t> EncodeSpr2(const std::vector<SpriteImage>& frames, int32_t paletteId,
                                Spr2Pixels pixels = Spr2Pixels::Full);

/// An SPR# chunk body of the current layout. Pixels with alpha of at least half are
/// drawn. With bigEndian the header numbers are stored in the other byte order, as a
/// chunk without the library-order flag holds them (pixel streams are bytes either way).
std::vector<uint8_t> EncodeSprHash(const std::vector<SpriteImage>& frames, int32_t paletteId, bool bigEndian = false);

}  // namespace tambrix
