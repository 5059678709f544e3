#pragma once

// PNG files through the library's PNG writer, for the command-line tool's pictures.

#include <cstdint>
#include <string>
#include <vector>

namespace tambrix::tools {

/// Writes width x height pixels given as rows of red, green, blue bytes, top row
/// first. False when the file cannot be written.
bool WritePngRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbTopDown);

/// The same with a fourth byte per pixel, its alpha (0 transparent, 255 opaque).
bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbaTopDown);

/// Writes an 8-bit indexed picture given with its colour table (red, green, blue per
/// entry, at most 256 entries), top row first, as the colours it shows. False for an
/// index past the table.
bool WritePngIndexed(const std::string& path, int width, int height, const std::vector<uint8_t>& indicesTopDown,
                     const std::vector<uint8_t>& paletteRgb);

}  // namespace tambrix::tools
