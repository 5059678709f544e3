#pragma once

// A device-independent bitmap section: 8, 16 or 24 bits per pixel, one plane, rows
// bottom-up in memory and padded to 4 bytes, and a 256-entry colour table for 8-bit
// pictures. Every picture the library creates, fills or reads is one of these.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tambrix::platform {

/// A colour-table entry as stored in a bitmap: blue, green, red, 0.
struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;

    friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

class Bitmap {
public:
    static constexpr int kColourTableSize = 256;
    /// Largest width or height accepted; larger requests fail rather than allocate.
    static constexpr int32_t kMaxDimension = 16384;
    /// Largest pixel area in bytes accepted (stride × height).
    static constexpr size_t kMaxImageBytes = size_t{64} << 20;

    /// A zero-filled bitmap, or null for a size outside 1..kMaxDimension or above
    /// kMaxImageBytes, a depth other
    /// than 8, 16 or 24, or when memory is short.
    static std::unique_ptr<Bitmap> Create(int32_t width, int32_t height, uint16_t bitsPerPixel);
    /// As Create, but the pixel bytes (row padding included) are left unset: for a caller
    /// that writes every byte of ImageSize() before the bitmap is read.
    static std::unique_ptr<Bitmap> CreateUnfilled(int32_t width, int32_t height, uint16_t bitsPerPixel);

    int32_t Width() const { return mWidth; }
    int32_t Height() const { return mHeight; }
    uint16_t Planes() const { return 1; }
    uint16_t BitsPerPixel() const { return mBitsPerPixel; }
    /// Bytes per row: the row's bytes rounded up to a multiple of 4.
    uint32_t Stride() const { return mStride; }
    /// Stride × height.
    uint32_t ImageSize() const { return mImageSize; }

    /// The pixel rows, bottom row first.
    uint8_t* Bits() { return mBits; }
    const uint8_t* Bits() const { return mBits; }
    /// Row `row` counted upwards from the bottom edge (row 0 is the bottom row).
    uint8_t* Row(int32_t row) { return mBits + static_cast<size_t>(row) * mStride; }
    const uint8_t* Row(int32_t row) const { return mBits + static_cast<size_t>(row) * mStride; }
    /// Row `row` counted downwards from the top edge.
    uint8_t* TopRow(int32_t row) { return Row(mHeight - 1 - row); }
    const uint8_t* TopRow(int32_t row) const { return Row(mHeight - 1 - row); }

    /// The colour table; meaningful for 8-bit bitmaps.
    std::array<RgbQuad, kColourTableSize>& ColourTable() { return mColourTable; }
    const std::array<RgbQuad, kColourTableSize>& ColourTable() const { return mColourTable; }

    // The fills set every byte once: each pixel to the value, the row padding to zeros,
    // so that a bitmap made unfilled is wholly defined by one.
    /// Sets every 8-bit pixel to `index`.
    void Fill8(uint8_t index);
    /// Sets every 16-bit pixel to `value`.
    void Fill16(uint16_t value);
    /// Sets every 24-bit pixel to blue, green, red.
    void Fill24(uint8_t blue, uint8_t green, uint8_t red);

    // One block holds the bitmap and its pixels (made by make, released here).
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap() = default;
    static void operator delete(void* block) { ::operator delete(block); }

private:
    Bitmap() = default;
    static std::unique_ptr<Bitmap> make(int32_t width, int32_t height, uint16_t bitsPerPixel, bool zeroed);
    void copyFirstRow(uint32_t bytesPerPixel);

    int32_t mWidth = 0;
    int32_t mHeight = 0;
    uint16_t mBitsPerPixel = 0;
    uint32_t mStride = 0;
    uint32_t mImageSize = 0;
    uint8_t* mBits = nullptr;  // just past this object, in the same block
    std::array<RgbQuad, kColourTableSize> mColourTable{};
};

/// The size and depth a Windows bitmap file states in its headers.
struct BitmapFileInfo {
    int32_t width = 0;
    int32_t height = 0;  ///< rows stored top-down (a negative stored height) count the same
    uint16_t bitsPerPixel = 0;
};

/// The bytes at the start of a bitmap file that ReadBitmapFileInfo reads.
inline constexpr size_t kBitmapFileInfoBytes = 30;

/// Reads the file header ("BM", u32 file size, two u16, u32 pixel offset) and the start
/// of the info header (u32 size, i32 width, i32 height, u16 planes, u16 bits per pixel)
/// from the first bytes of a file; nothing when they are too few or lack the "BM".
std::optional<BitmapFileInfo> ReadBitmapFileInfo(const uint8_t* bytes, size_t size);

}  // namespace tambrix::platform
