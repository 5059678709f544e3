// The writers of sprite, draw-group and bitmap bodies: one exact-bytes body per format,
// everything else read back through the library's own readers.

#include <gtest/gtest.h>

#include "graphics/BitmapExport.h"
#include "graphics/DrawGroup.h"
#include "graphics/Palette.h"
#include "graphics/PreviewRenderer.h"
#include "graphics/Sprite.h"
#include "graphics/SpriteEncoder.h"
#include "platform/PlatformFile.h"
#include "support/ByteBuilder.h"
#include "support/FakeResourceFile.h"
#include "support/TempDir.h"

using namespace tambrix;
using namespace tambrix::testing;

namespace {

void set(SpriteImage& image, int x, int y, uint8_t colour, uint8_t depth, uint8_t alpha) {
    const size_t i = image.Index(x, y);
    image.color[i] = colour;
    image.depth[i] = depth;
    image.alpha[i] = alpha;
}

TEST(SpriteEncoding, ExactBytesOfBothFormats) {
    // 4 x 3 at (2, -1): row 0 empty; row 1 opaque, translucent, gap, opaque; row 2 a gap of two, opaque.
    SpriteImage small(4, 3);
    small.x = 2;
    small.y = -1;
    set(small, 0, 1, 5, 10, 255);
    set(small, 1, 1, 6, 11, 128);
    set(small, 3, 1, 7, 12, 255);
    set(small, 2, 2, 9, 3, 255);
    EXPECT_EQ(EncodeSpr2({small}, 7),
              (Bytes{0xE8, 0x03, 0,    0,    1,    0, 0, 0, 7, 0, 0, 0,  // version 1000, one frame, palette 7
                     0x10, 0,    0,    0,                                // frame at 16
                     4,    0,    3,    0,    7,    0, 0, 0,              // 4 x 3; flags: colour, depth, alpha
                     7,    0,    0,    0,                                // frame palette 7, transparent index 0
                     0xFF, 0xFF, 2,    0,                                // y -1, x 2
                     0x02, 0x80,                                         // two row starts: row 0 (empty), row 1
                     0x01, 0x20, 10,   5,                                // one pixel: depth 10, colour 5
                     0x01, 0x40, 11,   6,    0x10, 0,                    // one translucent pixel, alpha 128 / 8, pad
                     0x01, 0x60,                                         // skip one
                     0x01, 0x20, 12,   7,                                // one pixel
                     0x00, 0x00, 0x02, 0x60,                             // row 2, skip two
                     0x01, 0x20, 3,    9,                                // one pixel; the empty tail is not written
                     0x00, 0xA0}));                                      // end of frame
    // 6 x 4 at (-3, 4): rows 0 and 1 empty; row 2 three 3s (a run), a 4, a gap, an 8; row 3 a 5 and a 6.
    SpriteImage hash(6, 4);
    hash.x = -3;
    hash.y = 4;
    for (int x = 0; x < 3; ++x) set(hash, x, 2, 3, 0, 255);
    set(hash, 3, 2, 4, 0, 255);
    set(hash, 5, 2, 8, 0, 200);
    set(hash, 0, 3, 5, 0, 255);
    set(hash, 1, 3, 6, 0, 255);
    EXPECT_EQ(EncodeSprHash({hash}, 42),
              (Bytes{0xF9, 1,    0,    0,    1,    0,    0, 0, 42, 0, 0, 0,  // version 505, one frame, palette 42
                     0x10, 0,    0,    0,                                    // frame at 16
                     4,    0,    0xFD, 0xFF, 4,    0,    6, 0, 0,  0,        // y 4, x -3, height 4, width 6
                     0x09, 0x02, 0x04, 0x00,                                 // skip two rows, row start
                     0x02, 0x03, 0x03, 0x00,                                 // run of three 3s, pad
                     0x03, 0x01, 0x04, 0x00,                                 // literal of one, pad
                     0x01, 0x01,                                             // skip one
                     0x03, 0x01, 0x08, 0x00,                                 // literal of one, pad
                     0x04, 0x00, 0x03, 0x02, 0x05, 0x06,                     // row 3: literal of two, no pad
                     0x05, 0x00}));                                          // end
}

// Every kind of pixel, empty rows, a row longer than one count and a gap of more than 255
// rows, in both formats and both byte orders, decode to what was encoded.
TEST(SpriteEncoding, FramesReadBackThroughTheDecoder) {
    std::vector<SpriteImage> images = {SpriteImage(37, 23), SpriteImage(kSpr2MaxCount + 5, 1), SpriteImage(1, 300)};
    for (int y = 2; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            if (const uint32_t h = (x * 7 + y * 13) % 11; h >= 3 && y != 11)
                set(images[0], x, y, uint8_t(x * 3 + y), uint8_t((x + 2 * y) % 250),
                    h < 6 ? uint8_t(40 + 20 * h) : 255);
    for (int x = 0; x < images[1].width; ++x) set(images[1], x, 0, 1, 1, 255);
    set(images[2], 0, 299, 1, 0, 255);
    FakeResourceFile file;
    file.Put(restype::kSPR2, 1, EncodeSpr2(images, 1));
    file.Put(restype::kSPR, 2, EncodeSprHash(images, 1));
    file.Put(restype::kSPR, 3, EncodeSprHash(images, 1, true), true);  // turned round when loaded
    for (int id : {1, 2, 3}) {
        EXPECT_EQ(CountSpriteFrames(file, id), 3u);
        for (int f = 0; f < 3; ++f) {
            SCOPED_TRACE(::testing::Message() << "sprite " << id << " frame " << f);
            const SpriteImage& image = images[f];
            std::unique_ptr<platform::Bitmap> colour, depth, alpha;
            uint32_t fill = 0;
            SpriteSize size;
            DecodeSpritePlanes(file, id, f, 0xFFFFFF,
                               {.fillIndex = &fill,
                                .size = &size,
                                .colourPlane = &colour,
                                .depthPlane = &depth,
                                .alphaPlane = &alpha});
            ASSERT_TRUE(colour && depth);
            ASSERT_EQ(size.width, image.width);
            ASSERT_EQ(size.height, image.height);
            for (int y = 0; y < image.height; ++y)
                for (int x = 0; x < image.width; ++x) {
                    const size_t i = image.Index(x, y);
                    const bool shown = id == 1 ? image.alpha[i] != 0 : image.alpha[i] >= 128;
                    if (id == 1 || !shown) {
                        ASSERT_EQ(depth->TopRow(y)[x], shown ? image.depth[i] : 255) << x << "," << y;
                    }
                    if (shown) {
                        ASSERT_EQ(colour->TopRow(y)[x], image.color[i]) << x << "," << y;
                    }
                    if (shown && id == 1) {
                        ASSERT_EQ(alpha->TopRow(y)[x], image.alpha[i] == 255 ? 255 : Spr2AlphaByte(image.alpha[i]) * 8);
                    }
                }
        }
    }
}

TEST(DrawGroupEncoding, ExactBytesOfTheCurrentVersion) {
    EXPECT_EQ(EncodeDrawGroup(
                  {{{.spriteId = 0x0102, .frameIndex = 3, .xOffset = -5, .yOffset = 40, .zOffset = 0.5f, .flags = 1}}}),
              (Bytes{0x24, 0x4E,                              // version 20004
                     1,    0,    0,    0,                     // one image
                     1,    0,    0,    0,    1,  0, 0, 0,     // direction of rotation 0, zoom number of zoom 0
                     1,    0,    0,    0,                     // one entry
                     2,    1,    0,    0,    3,  0, 0, 0,     // sprite 0x0102, frame 3
                     0xFB, 0xFF, 0xFF, 0xFF, 40, 0, 0, 0,     // x -5, y 40
                     0,    0,    0,    0x3F, 1,  0, 0, 0,     // z 0.5, flags: mirrored
                     0,    0,    0,    0,    0,  0, 0, 0}));  // two further floats
    const Bytes twelve = EncodeDrawGroup(DrawGroupImages(kViewCount));
    ASSERT_EQ(twelve.size(), 2u + 4u + 12u * 12u);
    EXPECT_EQ(twelve[6 + 10 * 12], 1u << 4);  // image 10: rotation 2,
    EXPECT_EQ(twelve[6 + 10 * 12 + 4], 3u);   // zoom 2 (near)
}

class DrawGroupVersions : public ::testing::TestWithParam<uint16_t> {};

// Every layout reads back what it holds; a cut chunk yields the images read so far.
TEST_P(DrawGroupVersions, ReadBackWholeAndCut) {
    const uint16_t version = GetParam();
    const Bytes full = EncodeDrawGroup({{{.spriteId = 300,
                                          .frameIndex = 2,
                                          .xOffset = -5,
                                          .yOffset = 7,
                                          .zOffset = 0.5f,
                                          .extra = {1.5f, 2.5f},
                                          .flags = 1},
                                         {.spriteId = 301, .type = 0x0001}},
                                        {},
                                        {{.spriteId = 4}}},
                                       version);
    DrawGroup g = ReadDrawGroup(full.data(), uint32_t(full.size()));
    EXPECT_EQ(g.version, version);
    EXPECT_FALSE(g.truncated);
    ASSERT_EQ(g.images.size(), 3u);
    // Older versions keep only entries of type 0xFFFD.
    ASSERT_EQ(g.images[0].entries.size(), version >= 20003 ? 2u : 1u);
    const DrawGroupEntry& e = g.images[0].entries[0];
    EXPECT_EQ(std::tuple(e.spriteId, e.frameIndex, e.xOffset, e.yOffset, e.flags), std::tuple(300, 2, -5, 7, 1u));
    EXPECT_EQ(e.zOffset, (version >= 20001 ? 0.5f : 0.0f));
    EXPECT_EQ(e.extra[1], (version >= 20004 ? 2.5f : 0.0f));
    EXPECT_TRUE(g.images[1].entries.empty());
    size_t lastCount = 0;  // every cut point: never a read past the end, never more images than fitted
    for (size_t n = 0; n < full.size(); ++n) {
        DrawGroup cut = ReadDrawGroup(Bytes(full.begin(), full.begin() + n).data(), uint32_t(n));
        EXPECT_TRUE(cut.truncated) << n;
        EXPECT_LE(cut.images.size(), 2u);
        EXPECT_GE(cut.images.size(), lastCount);
        lastCount = cut.images.size();
    }
    EXPECT_EQ(lastCount, 2u);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, DrawGroupVersions, ::testing::Values(20000, 20001, 20002, 20003, 20004));

// A preview packs as 24 bits without colour table, a sprite frame as 8 bits with its own;
// a write that cannot be whole leaves no file.
TEST(BitmapExport, PacksBothDepthsAndFailedWritesLeaveNoFile) {
    FakeResourceFile file;
    std::vector<PreviewPart> parts = {{}};
    auto preview = BitmapToPackedDib(RenderPreviewParts(&file, parts, false, 0, 0x00302010).get(), kDibUncompressed);
    ASSERT_TRUE(preview);
    const Bytes header = ByteBuilder().U32(40).U32(33).U32(33).U16(1).U16(24).U32(0).U32(3300).Append(Bytes(16, 0));
    ASSERT_EQ(preview->size(), 40u + 3300u);  // 33 rows of 100 bytes, bottom-up, blue green red
    EXPECT_EQ(Bytes(preview->begin(), preview->begin() + 40), header);
    EXPECT_EQ(Bytes(preview->begin() + 40, preview->begin() + 43), (Bytes{0x30, 0x20, 0x10}));
    EXPECT_EQ((*preview)[40 + 99], 0);  // one pad byte per row

    file.Put(restype::kPALT, 3, EncodePalette({{1, 2, 3}, {40, 215, 20}}));
    file.Put(restype::kSPR, 1, EncodeSprHash({SpriteImage(5, 3)}, 3));
    auto sprite = DrawSprite(file, 1, 0, 0x0014D728, kSpriteViewColour);
    ASSERT_TRUE(sprite) << LastGraphicsError();
    auto frame = BitmapToPackedDib(sprite.get(), kDibUncompressed);
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->size(), 40u + 1024u + 24u);  // 3 rows of 8 bytes
    EXPECT_EQ(Bytes(frame->begin() + 14, frame->begin() + 16), (Bytes{8, 0}));
    EXPECT_EQ(Bytes(frame->begin() + 32, frame->begin() + 36), (Bytes{0, 1, 0, 0}));      // 256 colours used
    EXPECT_EQ(Bytes(frame->begin() + 44, frame->begin() + 48), (Bytes{20, 215, 40, 0}));  // entry 1 blue, green, red

    test::TempDir dir;
    EXPECT_FALSE(WritePackedDibFile(dir.File("none.bmp"), nullptr));
    EXPECT_FALSE(WritePackedDibFile(dir.File("no/such/folder/x.bmp"), &*preview));
    platform::Hooks().failWritesAfter = 1;  // the block write fails after the file header went out
    EXPECT_FALSE(WritePackedDibFile(dir.File("cut.bmp"), &*preview));
    platform::Hooks().failWritesAfter = -1;
    PackedDib tooShort(20, 0), badHeader = *preview, badTable = *preview;
    badHeader[1] = 0xFF;      // header size larger than the block
    badTable[32 + 3] = 0x10;  // colours used far beyond the block
    for (const PackedDib* bad : {&tooShort, &badHeader, &badTable})
        EXPECT_FALSE(WritePackedDibFile(dir.File("b.bmp"), bad));
    EXPECT_FALSE(dir.Exists("none.bmp") || dir.Exists("cut.bmp") || dir.Exists("b.bmp"));
    ASSERT_TRUE(WritePackedDibFile(dir.File("ok.bmp"), &*frame));
    EXPECT_EQ(dir.Read("ok.bmp").size(), 14u + frame->size());
}

}  // namespace
