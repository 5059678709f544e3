#include "graphics/BitmapExport.h"

#include <algorithm>
#include <string_view>

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "platform/PlatformFile.h"

namespace tambrix {

using platform::Bitmap;

namespace {
// Packed bitmap, little-endian:
//   0  u32  header size (40)          20  u32  image size
//   4  i32  width                     24  i32  horizontal resolution (0)
//   8  i32  height (> 0: bottom-up)   28  i32  vertical resolution (0)
//  12  u16  planes                    32  u32  colours used K
//  14  u16  bits per pixel            36  u32  colours important K
//  16  u32  compression               40  4·K  colour table: blue, green, red, 0
//                                     40+4K    the rows, bottom row first
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBitsPerPixelOffset = 14;
constexpr uint32_t kColoursUsedOffset = 32;
constexpr uint32_t kMaxIndexedBits = 8;

// File header, little-endian:
//   0  "BM"   2  u32 file size   6  u16 0   8  u16 0   10  u32 offset of the rows
constexpr uint32_t kFileHeaderSize = 14;
constexpr std::string_view kFileTag = "BM";

uint32_t tableEntries(uint32_t bitsPerPixel) { return bitsPerPixel <= kMaxIndexedBits ? 1u << bitsPerPixel : 0; }

}  // namespace

std::optional<PackedDib> BitmapToPackedDib(const Bitmap* bitmap, uint32_t compression, const Palette* /*palette*/) {
    // Bit-field masks are refused; and run-length output is not made here, so a header
    // claiming it would describe rows that are not compressed.
    if (!bitmap || compression != kDibUncompressed) return std::nullopt;
    const uint32_t bits = static_cast<uint32_t>(bitmap->Planes()) * bitmap->BitsPerPixel();
    const uint32_t colours = tableEntries(bits);
    const uint32_t imageSize = bitmap->ImageSize();

    ByteWriter out;
    out.Reserve(kInfoHeaderSize + 4 * colours + imageSize);
    out.U32(kInfoHeaderSize).I32(bitmap->Width()).I32(bitmap->Height());
    out.U16(bitmap->Planes()).U16(static_cast<uint16_t>(bits)).U32(compression).U32(imageSize);
    out.I32(0).I32(0);  // horizontal and vertical resolution
    out.U32(colours).U32(colours);
    for (uint32_t i = 0; i < colours; ++i) {
        const platform::RgbQuad q = i < bitmap->ColourTable().size() ? bitmap->ColourTable()[i] : platform::RgbQuad{};
        out.U8(q.blue).U8(q.green).U8(q.red).U8(0);
    }
    out.Append(bitmap->Bits(), imageSize);
    return out.Take();
}

bool WritePackedDibFile(const std::string& path, const PackedDib* packed) {
    if (!packed) return false;
    // The rows start after the header and the colour table the block itself declares.
    ByteReader r(packed->data(), static_cast<uint32_t>(packed->size()));
    const uint32_t headerSize = r.U32();
    r.Seek(kBitsPerPixelOffset);
    const uint16_t bits = r.U16();
    r.Seek(kColoursUsedOffset);
    uint32_t colours = r.U32();
    if (r.Failed() || headerSize < kInfoHeaderSize || headerSize > packed->size()) return false;
    if (colours == 0) colours = tableEntries(bits);
    if (colours > (packed->size() - headerSize) / 4) return false;
    const auto blockSize = static_cast<uint32_t>(packed->size());
    const uint32_t rowsOffset = headerSize + 4 * colours + kFileHeaderSize;

    ByteWriter header;
    header.Text(kFileTag).U32(blockSize + kFileHeaderSize).U16(0).U16(0).U32(rowsOffset);

    // Written whole beside the name and then put in its place: a failed write leaves an
    // earlier file of that name as it was, and never removes another file.
    return platform::WriteWholeFile(path, {{header.Bytes().data(), kFileHeaderSize}, {packed->data(), blockSize}});
}

namespace {

/// Blue, green, red of one pixel of an 8- or 24-bit row.
platform::RgbQuad pixelAt(const platform::Bitmap& bitmap, const uint8_t* row, int32_t x) {
    if (bitmap.BitsPerPixel() == 8) return bitmap.ColourTable()[row[x]];
    const uint8_t* p = row + static_cast<size_t>(x) * 3;
    return {p[0], p[1], p[2], 0};
}

}  // namespace

std::vector<uint8_t> TransparentRgba(const platform::Bitmap& onBlack, const platform::Bitmap& onWhite) {
    const auto depthOk = [](const platform::Bitmap& b) { return b.BitsPerPixel() == 8 || b.BitsPerPixel() == 24; };
    if (onBlack.Width() != onWhite.Width() || onBlack.Height() != onWhite.Height() || !depthOk(onBlack) ||
        !depthOk(onWhite))
        return {};
    const int32_t width = onBlack.Width();
    const int32_t height = onBlack.Height();
    const bool indexed = onBlack.BitsPerPixel() == 8 && onWhite.BitsPerPixel() == 8;
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    uint8_t* out = rgba.data();
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* black = onBlack.TopRow(y);
        const uint8_t* white = onWhite.TopRow(y);
        for (int32_t x = 0; x < width; ++x, out += 4) {
            const platform::RgbQuad b = pixelAt(onBlack, black, x);
            const platform::RgbQuad w = pixelAt(onWhite, white, x);
            int alpha = 255;
            if (indexed) {
                // A palette picture has no blending: its background is the index that moved
                // (the palette may hold no pure black or white).
                if (black[x] != white[x]) alpha = 0;
            } else {
                // On black a pixel is alpha * colour, on white the same plus (1 - alpha) * 255.
                const int shown = std::max({int(w.red) - b.red, int(w.green) - b.green, int(w.blue) - b.blue, 0});
                alpha = 255 - std::min(shown, 255);
            }
            const auto unmix = [alpha](uint8_t c) {
                return static_cast<uint8_t>(alpha == 0 ? 0 : std::min(255, (c * 255 + alpha / 2) / alpha));
            };
            const platform::RgbQuad colour = indexed ? w : b;
            out[0] = indexed ? colour.red : unmix(colour.red);
            out[1] = indexed ? colour.green : unmix(colour.green);
            out[2] = indexed ? colour.blue : unmix(colour.blue);
            out[3] = static_cast<uint8_t>(alpha);
        }
    }
    return rgba;
}

}  // namespace tambrix
