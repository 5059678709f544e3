#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "graphics/BitmapExport.h"
#include "graphics/PreviewRenderer.h"
#include "graphics/Sprite.h"
#include "platform/PlatformFile.h"
#include "support/FakeResourceFile.h"
#include "support/SpriteBuilders.h"
#include "support/TempDir.h"

using namespace tambrix;
using namespace tambrix::testing;
using platform::Bitmap;

namespace {

uint32_t u32At(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t u16At(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// The 33 x 33 preview of an object with nothing to draw, on (0x10, 0x20, 0x30).
std::unique_ptr<Bitmap> blankPreview() {
    FakeResourceFile file;
    std::vector<PreviewPart> parts = {{}};
    return RenderPreviewParts(&file, parts, false, kDefaultPreviewImage, 0x00302010);
}

// A 5 x 3 sprite frame drawn in colour: 8 bits with its palette as colour table.
std::unique_ptr<Bitmap> spriteFrame() {
    FakeResourceFile file;
    file.Put(restype::kPALT, 3, DistinctPaltChunk());
    file.Put(restype::kSPR2, 1,
             Spr2Chunk({{.width = 5,
                         .height = 3,
                         .stream = ByteBuilder().Append({0, 0}).Append({1, 0xC0}).Append({40, 0, 0, 0xA0})}},
                       3));
    return DrawSprite(file, 1, 0, 0x00FFFFFF, kSpriteViewColour);
}

TEST(BitmapExport, PreviewPacksAs24BitsWithoutColourTable) {
    auto preview = blankPreview();
    ASSERT_TRUE(preview);
    auto packed = BitmapToPackedDib(preview.get(), kDibUncompressed);
    ASSERT_TRUE(packed);
    const auto& b = *packed;
    ASSERT_EQ(b.size(), 40u + 3300u);
    EXPECT_EQ(u32At(b, 0), 40u);     // header size
    EXPECT_EQ(u32At(b, 4), 33u);     // width
    EXPECT_EQ(u32At(b, 8), 33u);     // height, positive: bottom-up
    EXPECT_EQ(u16At(b, 12), 1);      // planes
    EXPECT_EQ(u16At(b, 14), 24);     // bits per pixel
    EXPECT_EQ(u32At(b, 16), 0u);     // compression
    EXPECT_EQ(u32At(b, 20), 3300u);  // image size: 33 rows of 100 bytes
    EXPECT_EQ(u32At(b, 24), 0u);
    EXPECT_EQ(u32At(b, 28), 0u);
    EXPECT_EQ(u32At(b, 32), 0u);  // no colour table
    EXPECT_EQ(u32At(b, 36), 0u);
    // The first row: 33 pixels blue, green, red, then one pad byte.
    EXPECT_EQ(b[40], 0x30);
    EXPECT_EQ(b[41], 0x20);
    EXPECT_EQ(b[42], 0x10);
    EXPECT_EQ(b[40 + 98], 0x10);
    EXPECT_EQ(b[40 + 99], 0);
    EXPECT_EQ(b[40 + 100], 0x30);
}

TEST(BitmapExport, SpriteFramePacksItsOwnColourTable) {
    auto frame = spriteFrame();
    ASSERT_TRUE(frame) << LastGraphicsError();
    auto packed = BitmapToPackedDib(frame.get(), kDibUncompressed);
    ASSERT_TRUE(packed);
    const auto& b = *packed;
    EXPECT_EQ(u16At(b, 14), 8);
    EXPECT_EQ(u32At(b, 20), 24u);  // 3 rows of 8 bytes
    EXPECT_EQ(u32At(b, 32), 256u);
    EXPECT_EQ(u32At(b, 36), 256u);
    ASSERT_EQ(b.size(), 40u + 1024u + 24u);
    // Entry 40 of the palette is (40, 215, 20): stored blue, green, red, 0.
    EXPECT_EQ(b[40 + 4 * 40 + 0], 20);
    EXPECT_EQ(b[40 + 4 * 40 + 1], 215);
    EXPECT_EQ(b[40 + 4 * 40 + 2], 40);
    EXPECT_EQ(b[40 + 4 * 40 + 3], 0);
    // The top row of the frame is the last row stored.
    EXPECT_EQ(b[40 + 1024 + 16], 40);
}

TEST(BitmapExport, FailuresWriteNothingAndSaySo) {
    test::TempDir dir;
    auto packed = BitmapToPackedDib(blankPreview().get(), kDibUncompressed);
    EXPECT_FALSE(WritePackedDibFile(dir.File("none.bmp"), nullptr));
    EXPECT_FALSE(dir.Exists("none.bmp"));
    EXPECT_FALSE(WritePackedDibFile(dir.File("no/such/folder/x.bmp"), &*packed));

    // The block write fails after the file header went out: no half picture stays.
    platform::Hooks().failWritesAfter = 1;
    const bool written = WritePackedDibFile(dir.File("cut.bmp"), &*packed);
    platform::Hooks().failWritesAfter = -1;
    EXPECT_FALSE(written);
    EXPECT_FALSE(dir.Exists("cut.bmp"));

    // Blocks that are no packed bitmap.
    PackedDib tooShort(20, 0);
    EXPECT_FALSE(WritePackedDibFile(dir.File("a.bmp"), &tooShort));
    PackedDib badHeader = *packed;
    badHeader[0] = 0xFF;  // header size larger than the block
    badHeader[1] = 0xFF;
    EXPECT_FALSE(WritePackedDibFile(dir.File("b.bmp"), &badHeader));
    PackedDib badTable = *packed;
    badTable[32 + 3] = 0x10;  // colours used far beyond the block
    EXPECT_FALSE(WritePackedDibFile(dir.File("c.bmp"), &badTable));
}

// Reads a file back with ImageMagick's identify, when it is installed.
std::string identify(const std::string& path) {
    const std::string command = "identify -format '%w %h %[pixel:p{0,0}]' '" + path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    std::string out;
    char buffer[256];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    return out;
}

TEST(BitmapExport, AnImageToolReadsBothFiles) {
    if (std::system("command -v identify >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
    test::TempDir dir;
    auto preview = BitmapToPackedDib(blankPreview().get(), kDibUncompressed);
    ASSERT_TRUE(WritePackedDibFile(dir.File("preview.bmp"), &*preview));
    EXPECT_EQ(identify(dir.File("preview.bmp")), "33 33 srgb(16,32,48)");
    auto frame = BitmapToPackedDib(spriteFrame().get(), kDibUncompressed);
    ASSERT_TRUE(WritePackedDibFile(dir.File("frame.bmp"), &*frame));
    EXPECT_EQ(identify(dir.File("frame.bmp")), "5 3 srgb(40,215,20)");
}

}  // namespace
