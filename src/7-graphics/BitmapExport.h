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
/// file is replaced. False, with nothing left behind, when there is no bitmap, the block
/// is not a packed bitmap, or the file cannot be created or written whole.
bool WritePackedDibFile(const std::string& path, const PackedDib* packed);

}  // namespace tambrix
