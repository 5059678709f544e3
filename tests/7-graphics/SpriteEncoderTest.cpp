#include <gtest/gtest.h>

#include <cstring>

#include "graphics/Sprite.h"
#include "graphics/SpriteEncoder.h"
#include "platform/Bitmap.h"
#include "support/FakeResourceFile.h"

namespace tambrix {
namespace {

using Bytes = std::vector<uint8_t>;

void SetPixel(SpriteImage& image, int x, int y, uint8_t colour, uint8_t depth, uint8_t alpha) {
    const size_t i = image.Index(x, y);
    image.color[i] = colour;
    image.depth[i] = depth;
    image.alpha[i] = alpha;
}

// 4 x 3, position (2, -1): row 0 empty; row 1 opaque, translucent, gap, opaque;
// row 2 gap of two, opaque, nothing after.
SpriteImage SmallFrame() {
    SpriteImage image(4, 3);
    image.x = 2;
    image.y = -1;
    SetPixel(image, 0, 1, 5, 10, 255);
    SetPixel(image, 1, 1, 6, 11, 128);
    SetPixel(image, 3, 1, 7, 12, 255);
    SetPixel(image, 2, 2, 9, 3, 255);
    return image;
}

TEST(Spr2Encoding, SmallFrameBytesAreExact) {
    const Bytes expected = {
        0xE8, 0x03, 0x00, 0x00,              // version 1000
        0x01, 0x00, 0x00, 0x00,              // one frame
        0x07, 0x00, 0x00, 0x00,              // palette 7
        0x10, 0x00, 0x00, 0x00,              // frame at offset 16
        0x04, 0x00, 0x03, 0x00,              // width 4, height 3
        0x07, 0x00, 0x00, 0x00,              // flags: colour, depth, alpha
        0x07, 0x00, 0x00, 0x00,              // frame palette 7, transparent index 0
        0xFF, 0xFF, 0x02, 0x00,              // y -1, x 2
        0x02, 0x80,                          // two row starts: row 0 (empty), then row 1
        0x01, 0x20, 0x0A, 0x05,              // one pixel: depth 10, colour 5
        0x01, 0x40, 0x0B, 0x06, 0x10, 0x00,  // one translucent pixel, alpha 128 / 8, pad to even
        0x01, 0x60,                          // skip one
        0x01, 0x20, 0x0C, 0x07,              // one pixel
        0x00, 0x00,                          // row 2
        0x02, 0x60,                          // skip two
        0x01, 0x20, 0x03, 0x09,              // one pixel; the row's empty tail is not written
        0x00, 0xA0,                          // end of frame
    };
    EXPECT_EQ(EncodeSpr2({SmallFrame()}, 7), expected);
}

TEST(Spr2Encoding, LongRunsAreSplitAtTheCountLimit) {
    SpriteImage image(kSpr2MaxCount + 5, 1);
    for (int x = 0; x < image.width; ++x) SetPixel(image, x, 0, 1, 1, 255);
    const Bytes bytes = EncodeSpr2({image}, 0);
    // Row start, then a full run, then the rest.
    EXPECT_EQ(bytes[32 + 2] | (bytes[32 + 3] << 8), 0x2000 | kSpr2MaxCount);
    const size_t second = 32 + 4 + 2 * kSpr2MaxCount;
    EXPECT_EQ(bytes[second] | (bytes[second + 1] << 8), 0x2000 | 5);
}

// 6 x 4: rows 0 and 1 empty; row 2 three of index 3 (a run), one 4, a gap, one 8;
// row 3 indices 5 and 6.
SpriteImage HashFrame() {
    SpriteImage image(6, 4);
    image.x = -3;
    image.y = 4;
    for (int x = 0; x < 3; ++x) SetPixel(image, x, 2, 3, 0, 255);
    SetPixel(image, 3, 2, 4, 0, 255);
    SetPixel(image, 5, 2, 8, 0, 200);
    SetPixel(image, 0, 3, 5, 0, 255);
    SetPixel(image, 1, 3, 6, 0, 255);
    return image;
}

const Bytes kHashStream = {
    0x09, 0x02,              // skip two rows
    0x04, 0x00,              // row start: row 2
    0x02, 0x03, 0x03, 0x00,  // run of three, index 3, pad
    0x03, 0x01, 0x04, 0x00,  // literal of one, pad (odd position)
    0x01, 0x01,              // skip one
    0x03, 0x01, 0x08, 0x00,  // literal of one, pad
    0x04, 0x00,              // row 3
    0x03, 0x02, 0x05, 0x06,  // literal of two, no pad
    0x05, 0x00,              // end
};

TEST(SprHashEncoding, LittleEndianBytesAreExact) {
    Bytes expected = {
        0xF9, 0x01, 0x00, 0x00,  // version 505
        0x01, 0x00, 0x00, 0x00,  // one frame
        0x2A, 0x00, 0x00, 0x00,  // palette 42
        0x10, 0x00, 0x00, 0x00,  // frame at 16
        0x04, 0x00, 0xFD, 0xFF,  // y 4, x -3
        0x04, 0x00, 0x06, 0x00,  // height 4, width 6
        0x00, 0x00,              // unused
    };
    expected.insert(expected.end(), kHashStream.begin(), kHashStream.end());
    EXPECT_EQ(EncodeSprHash({HashFrame()}, 42), expected);
}

TEST(SprHashEncoding, GapsOfMoreThan255RowsAreSplit) {
    SpriteImage image(1, 300);
    SetPixel(image, 0, 299, 1, 0, 255);
    const Bytes bytes = EncodeSprHash({image}, 0);
    const Bytes stream(bytes.begin() + 26, bytes.end());
    const Bytes expected = {0x09, 0xFF, 0x09, 0x2C, 0x04, 0x00, 0x03, 0x01, 0x01, 0x00, 0x05, 0x00};
    EXPECT_EQ(stream, expected);
}

// A frame with every kind of pixel in a fixed pattern, leading and inner empty rows.
SpriteImage PatternFrame(int width, int height) {
    SpriteImage image(width, height);
    for (int y = 0; y < height; ++y) {
        if (y < 2 || y == height / 2) continue;
        for (int x = 0; x < width; ++x) {
            const uint32_t h = static_cast<uint32_t>(x * 7 + y * 13) % 11;
            if (h < 3) continue;
            const uint8_t alpha = h < 6 ? static_cast<uint8_t>(40 + 20 * h) : 255;
            SetPixel(image, x, y, static_cast<uint8_t>((x * 3 + y) % 256), static_cast<uint8_t>((x + 2 * y) % 250),
                     alpha);
        }
    }
    return image;
}

// Bodies not in library order are turned round by the file when they are loaded.
class SpriteRoundTrip : public ::testing::Test {
protected:
    void Add(ResType type, int16_t id, const Bytes& body, bool libraryOrder) {
        mFile.Put(type, id, body, !libraryOrder);
    }

    struct Planes {
        std::unique_ptr<platform::Bitmap> colour, depth, alpha;
        SpriteSize size;
    };
    Planes Decode(int16_t id, int frame) {
        Planes p;
        uint32_t fill = 0;  // colour-plane fill index
        SpritePlaneSlots slots;
        slots.fillIndex = &fill;
        slots.size = &p.size;
        slots.colourPlane = &p.colour;
        slots.depthPlane = &p.depth;
        slots.alphaPlane = &p.alpha;
        DecodeSpritePlanes(mFile, id, frame, 0xFFFFFF, slots);
        return p;
    }

    testing::FakeResourceFile mFile;
};

TEST_F(SpriteRoundTrip, Spr2PlanesMatchWhatWasEncoded) {
    const SpriteImage image = PatternFrame(37, 23);
    Add(restype::kSPR2, 200, EncodeSpr2({SmallFrame(), image}, 1), true);
    const Planes p = Decode(200, 1);
    ASSERT_TRUE(p.colour && p.depth && p.alpha);
    ASSERT_EQ(p.size.width, 37);
    ASSERT_EQ(p.size.height, 23);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const size_t i = image.Index(x, y);
            const uint8_t depth = p.depth->TopRow(y)[x];
            if (image.alpha[i] == 0) {
                EXPECT_EQ(depth, 255) << x << "," << y;
                continue;
            }
            EXPECT_EQ(depth, image.depth[i]) << x << "," << y;
            EXPECT_EQ(p.colour->TopRow(y)[x], image.color[i]) << x << "," << y;
            const uint8_t alpha = image.alpha[i] == 255 ? 255 : static_cast<uint8_t>(Spr2AlphaByte(image.alpha[i]) * 8);
            EXPECT_EQ(p.alpha->TopRow(y)[x], alpha) << x << "," << y;
        }
    }
}

TEST_F(SpriteRoundTrip, SprHashInEitherByteOrderDecodesTheSameColours) {
    const SpriteImage image = PatternFrame(29, 17);
    Add(restype::kSPR, 300, EncodeSprHash({image}, 1, false), true);
    Add(restype::kSPR, 301, EncodeSprHash({HashFrame(), image}, 1, true), false);
    for (const auto& [id, frame] : {std::pair{300, 0}, std::pair{301, 1}}) {
        const Planes p = Decode(static_cast<int16_t>(id), frame);
        ASSERT_TRUE(p.colour && p.depth) << id;
        ASSERT_EQ(p.size.width, 29) << id;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const size_t i = image.Index(x, y);
                if (image.alpha[i] >= 128)
                    EXPECT_EQ(p.colour->TopRow(y)[x], image.color[i]) << id << ":" << x << "," << y;
                else
                    EXPECT_EQ(p.depth->TopRow(y)[x], 255) << id << ":" << x << "," << y;
            }
        }
    }
    EXPECT_EQ(CountSpriteFrames(mFile, 301), 2u);
}

}  // namespace
}  // namespace tambrix
