#pragma once

// Sprites: the game's run-length coded 8-bit pictures, stored as "SPR#" (colour only) or
// "SPR2" (colour, depth and alpha) chunks. A sprite ID names either kind; "SPR#" wins
// when both exist.

#include <cstdint>
#include <memory>
#include <stdexcept>

#include "platform/Bitmap.h"

namespace tambrix {

class ResourceFile;
class Palette;

/// How DrawSprite colours a frame.
enum SpriteViewMode : int32_t {
    kSpriteViewColour = 0,  ///< palette colours
    kSpriteViewDepth = 1,   ///< the depth byte of each pixel, in grey bands
    kSpriteViewAlpha = 2,   ///< the alpha byte of each pixel, in grey
};

/// A frame's stored position: the first value, then the second.
struct SpritePosition {
    int32_t first = 0;
    int32_t second = 0;
};

struct SpriteSize {
    int32_t width = 0;
    int32_t height = 0;
};

/// Raised by DecodeSpritePlanes for an invalid "SPR#" command; what() is "bad token".
class SpriteDecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Result flags of DecodeSpritePlanes.
inline constexpr uint32_t kSpriteDecoded = 1;   ///< always set
inline constexpr uint32_t kColourPlaneOut = 2;  ///< a colour plane was handed out
inline constexpr uint32_t kDepthPlaneOut = 4;   ///< a depth plane was handed out
inline constexpr uint32_t kAlphaPlaneOut = 8;   ///< an alpha plane was handed out

/// The fill-index value that asks DecodeSpritePlanes to pick the index nearest the key colour.
inline constexpr uint32_t kNoFillIndex = 0xFFFFFFFF;

/// The optional slots of DecodeSpritePlanes; leave a slot null to skip it.
struct SpritePlaneSlots {
    /// In: a fill index for the colour plane (its low byte), or kNoFillIndex. Out: the
    /// index chosen for the key colour when kNoFillIndex came in.
    uint32_t* fillIndex = nullptr;
    SpritePosition* position = nullptr;
    SpriteSize* size = nullptr;
    /// Receives the sprite's palette (the grey ramp, display colours reserved, when the
    /// sprite's "PALT" is missing).
    Palette* palette = nullptr;
    int32_t* paletteId = nullptr;
    /// Out planes; a bitmap already held here is deleted first.
    std::unique_ptr<platform::Bitmap>* colourPlane = nullptr;
    std::unique_ptr<platform::Bitmap>* depthPlane = nullptr;
    std::unique_ptr<platform::Bitmap>* alphaPlane = nullptr;
};

/// The conversion routine for an "SPR#" body stored in the other byte order: reverses the
/// header integers and each frame's four header fields; pixel streams are left alone.
void SpriteByteOrderFixup(uint8_t* body, uint32_t count);

/// The frame count of sprite `spriteId`, no more than its offset table holds; 0 and
/// "Sprite not found" in LastGraphicsError when the file has no such sprite.
uint32_t CountSpriteFrames(ResourceFile& file, int32_t spriteId);

/// Draws one frame on an 8-bit canvas filled with the palette index nearest `background`
/// (0x00BBGGRR). Null on failure, with the reason in LastGraphicsError. `position`, when
/// given, receives the frame's stored position.
std::unique_ptr<platform::Bitmap> DrawSprite(ResourceFile& file, int32_t spriteId, int32_t frameIndex,
                                             uint32_t background, int32_t viewMode, SpritePosition* position = nullptr);

/// Decodes one frame into separate colour, depth (255 = no pixel) and alpha planes for the
/// preview renderer. A frame index past the last frame decodes frame 0; a negative one
/// decodes nothing. A frame whose planes would exceed the bitmap caps counts as empty.
/// An "SPR2" frame's own palette ID is used only when it is above 0 and the file holds
/// that "PALT"; otherwise the chunk's. Returns kSpriteDecoded plus a flag per plane handed out.
/// Throws SpriteDecodeError ("bad token") for an invalid "SPR#" command; every plane and
/// chunk of the call is released first.
uint32_t DecodeSpritePlanes(ResourceFile& file, int32_t spriteId, int32_t frameIndex, uint32_t keyColour,
                            const SpritePlaneSlots& slots);

/// One sprite fetched once for decoding any number of its frames. Its chunk is taken from
/// the file when the decoder is made (a fetch and release of the same sprite meanwhile, by
/// DrawSprite or anyone, leaves it alone); each palette its frames name is read on first
/// use and kept. Decode gives what DecodeSpritePlanes gives.
class SpriteDecoder {
public:
    SpriteDecoder(ResourceFile& file, int32_t spriteId);
    ~SpriteDecoder();
    SpriteDecoder(SpriteDecoder&&) noexcept;
    SpriteDecoder& operator=(SpriteDecoder&&) noexcept;

    /// Whether the file holds the sprite.
    bool Found() const;
    /// The bytes of the chunk held; 0 when the sprite was not found.
    uint32_t ChunkSize() const;
    uint32_t Decode(int32_t frameIndex, uint32_t keyColour, const SpritePlaneSlots& slots);

    struct HeldSprite;

private:
    std::unique_ptr<HeldSprite> mHeld;
};

/// The last failure of DrawSprite or CountSpriteFrames on this thread (at most 255
/// characters); empty after a success. A frame whose offset lies outside its chunk reads "bad index: frame
/// F at offset O is outside the chunk of S bytes".
const char* LastGraphicsError();

}  // namespace tambrix
