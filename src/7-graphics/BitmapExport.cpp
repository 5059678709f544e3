#include "graphics/BitmapExport.h"

#include "core/ByteReader.h"
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
constexpr uint8_t kFileTag[2] = {'B', 'M'};

void put16(PackedDib& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(PackedDib& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v));
    put16(out, static_cast<uint16_t>(v >> 16));
}

uint32_t tableEntries(uint32_t bitsPerPixel) { return bitsPerPixel <= kMaxIndexedBits ? 1u << bitsPerPixel : 0; }

bool writeAll(platform::NativeFile* file, const uint8_t* data, uint32_t count) {
    uint32_t done = 0;
    return platform::WriteFile(file, data, count, done) && done == count;
}
}  // namespace

std::optional<PackedDib> BitmapToPackedDib(const Bitmap* bitmap, uint32_t compression, const Palette* /*palette*/) {
    // Bit-field masks are refused; and run-length output is not made here, so a header
    // claiming it would describe rows that are not compressed.
    if (!bitmap || compression != kDibUncompressed) return std::nullopt;
    const uint32_t bits = static_cast<uint32_t>(bitmap->Planes()) * bitmap->BitsPerPixel();
    const uint32_t colours = tableEntries(bits);
    const uint32_t imageSize = bitmap->ImageSize();

    PackedDib out;
    out.reserve(kInfoHeaderSize + 4 * colours + imageSize);
    put32(out, kInfoHeaderSize);
    put32(out, static_cast<uint32_t>(bitmap->Width()));
    put32(out, static_cast<uint32_t>(bitmap->Height()));
    put16(out, bitmap->Planes());
    put16(out, static_cast<uint16_t>(bits));
    put32(out, compression);
    put32(out, imageSize);
    put32(out, 0);  // horizontal resolution
    put32(out, 0);  // vertical resolution
    put32(out, colours);
    put32(out, colours);
    for (uint32_t i = 0; i < colours; ++i) {
        const platform::RgbQuad q = i < bitmap->ColourTable().size() ? bitmap->ColourTable()[i] : platform::RgbQuad{};
        out.insert(out.end(), {q.blue, q.green, q.red, 0});
    }
    out.insert(out.end(), bitmap->Bits(), bitmap->Bits() + imageSize);
    return out;
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

    PackedDib header;
    header.push_back(kFileTag[0]);
    header.push_back(kFileTag[1]);
    put32(header, blockSize + kFileHeaderSize);
    put16(header, 0);
    put16(header, 0);
    put32(header, rowsOffset);

    platform::NativeFile* file = platform::OpenFile(path, platform::OpenMode::CreateAlways);
    if (!file) return false;
    const bool written = writeAll(file, header.data(), kFileHeaderSize) && writeAll(file, packed->data(), blockSize);
    platform::CloseFile(file);
    if (!written) platform::DeleteFile(path);  // a cut-off picture is worse than none
    return written;
}

}  // namespace tambrix
