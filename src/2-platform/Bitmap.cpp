#include "platform/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/ByteReader.h"

namespace tambrix::platform {

namespace {
constexpr uint32_t kRowAlignBits = 32;
}

std::unique_ptr<Bitmap> Bitmap::Create(int32_t width, int32_t height, uint16_t bitsPerPixel) {
    return make(width, height, bitsPerPixel, true);
}

std::unique_ptr<Bitmap> Bitmap::CreateUnfilled(int32_t width, int32_t height, uint16_t bitsPerPixel) {
    return make(width, height, bitsPerPixel, false);
}

std::unique_ptr<Bitmap> Bitmap::make(int32_t width, int32_t height, uint16_t bitsPerPixel, bool zeroed) {
    if (width < 1 || height < 1 || width > kMaxDimension || height > kMaxDimension) return nullptr;
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24) return nullptr;
    const uint32_t stride = ((static_cast<uint32_t>(width) * bitsPerPixel + kRowAlignBits - 1) / kRowAlignBits) * 4;
    if (stride > kMaxImageBytes / static_cast<size_t>(height)) return nullptr;
    const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(height);
    // The pixels follow the object in one block: one allocation a bitmap.
    void* block = ::operator new(sizeof(Bitmap) + bytes, std::nothrow);
    if (!block) return nullptr;
    std::unique_ptr<Bitmap> bitmap(new (block) Bitmap());
    bitmap->mWidth = width;
    bitmap->mHeight = height;
    bitmap->mBitsPerPixel = bitsPerPixel;
    bitmap->mStride = stride;
    bitmap->mImageSize = static_cast<uint32_t>(bytes);
    bitmap->mBits = static_cast<uint8_t*>(block) + sizeof(Bitmap);
    if (zeroed) std::memset(bitmap->mBits, 0, bytes);
    return bitmap;
}

void Bitmap::Fill8(uint8_t index) {
    // One pass over the whole image, then the padding (1 to 3 bytes a row) put back to zeros
    // with one 4-byte store a row: the row's last pixels, then its padding.
    std::memset(mBits, index, mImageSize);
    const size_t padding = mStride - static_cast<size_t>(mWidth);
    if (padding == 0 || index == 0) return;
    std::array<uint8_t, 4> end{};
    for (size_t k = 0; k < 4 - padding; ++k) end[k] = index;
    uint8_t* last = mBits + mStride - 4;
    for (int32_t y = 0; y < mHeight; ++y, last += mStride) std::memcpy(last, end.data(), 4);
}

void Bitmap::Fill16(uint16_t value) {
    uint8_t* first = Row(0);
    for (int32_t x = 0; x < mWidth; ++x) {
        first[2 * x] = static_cast<uint8_t>(value);
        first[2 * x + 1] = static_cast<uint8_t>(value >> 8);
    }
    copyFirstRow(2);
}

void Bitmap::Fill24(uint8_t blue, uint8_t green, uint8_t red) {
    uint8_t* first = Row(0);
    for (int32_t x = 0; x < mWidth; ++x) {
        first[3 * x] = blue;
        first[3 * x + 1] = green;
        first[3 * x + 2] = red;
    }
    copyFirstRow(3);
}

// Zeros the padding of row 0, then repeats the whole row in every other row.
void Bitmap::copyFirstRow(uint32_t bytesPerPixel) {
    const size_t used = static_cast<size_t>(mWidth) * bytesPerPixel;
    std::memset(Row(0) + used, 0, mStride - used);
    for (int32_t y = 1; y < mHeight; ++y) std::memcpy(Row(y), Row(0), mStride);
}

std::optional<BitmapFileInfo> ReadBitmapFileInfo(const uint8_t* bytes, size_t size) {
    constexpr uint32_t kWidthOffset = 18;
    ByteReader reader(bytes, size);
    if (reader.U8() != 'B' || reader.U8() != 'M') return std::nullopt;
    reader.Seek(kWidthOffset);
    BitmapFileInfo info;
    info.width = reader.I32();
    const int32_t height = reader.I32();
    reader.U16();  // planes
    info.bitsPerPixel = reader.U16();
    if (reader.Failed()) return std::nullopt;
    // The most negative height has no positive twin; it is no picture anyway.
    info.height = height < 0 ? (height == INT32_MIN ? INT32_MAX : -height) : height;
    return info;
}

}  // namespace tambrix::platform
