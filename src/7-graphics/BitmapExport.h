#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace tambrix {

class Palette;

/// A packed device-independent bitmap: the 40-byte header, the colour table, the rows.
using PackedDib = std::vector<uint8_t>;

/// Compression codes of the bitmap header.
inline constexpr uint32_t kDibUncompressed = 0;
inline constexpr uint32_t kDibBitFields = 3;

/// Packs a picture for writing: header, colour table (256 entries for an 8-bit picture,
/// taken from its own table; none above 8 bits) and its rows, bottom row first. Only
/// uncompressed output is made: any other compression, like no bitmap, gives none.
/// `palette` is accepted for callers that hold one; the picture's own colours are written.
std::optional<PackedDib> BitmapToPackedDib(const platform::Bitmap* bitmap, uint32_t compression,
                                           const Palette* palette = nullptr);

/// Writes a ".bmp" file: the 14-byte file header, then the packed bitmap. An existing
/// file of exactly that name is replaced (one whose name differs in case is not touched).
/// False, with nothing left behind and an earlier file as it was, when there is no
/// bitmap, the block is not a packed bitmap, or the file cannot be created or written whole.
bool WritePackedDibFile(const std::string& path, const PackedDib* packed);

/// A picture with its background see-through, from the same picture drawn once on black
/// and once on white: where the two agree the pixel is opaque, where they differ fully
/// it is background, and in between the difference gives how much of the background
/// showed through. Rows top first, 4 bytes a pixel: red, green, blue, alpha (colour not
/// premultiplied). Empty when the two differ in size or are neither 8 nor 24 bits.
std::vector<uint8_t> TransparentRgba(const platform::Bitmap& onBlack, const platform::Bitmap& onWhite);

}  // namespace tambrix
