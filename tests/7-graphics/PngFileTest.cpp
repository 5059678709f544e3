#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ResultCodes.h"
#include "graphics/PngFile.h"
#include "platform/PlatformFile.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

PngImage Pattern(int32_t w, int32_t h, int32_t channels) {
    PngImage image(w, h, channels);
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(i * 37 + i / 7);
    return image;
}

// Every channel count comes back byte for byte, odd sizes included.
class PngRoundTrip : public ::testing::TestWithParam<std::tuple<int32_t, int32_t, int32_t>> {};

TEST_P(PngRoundTrip, ReadsBackWhatWasWritten) {
    const auto [w, h, channels] = GetParam();
    const PngImage image = Pattern(w, h, channels);
    const std::vector<uint8_t> bytes = EncodePng(image);
    ASSERT_FALSE(bytes.empty());
    PngImage back;
    ASSERT_TRUE(DecodePng(bytes.data(), bytes.size(), channels, back).Ok());
    EXPECT_EQ(back.width, w);
    EXPECT_EQ(back.height, h);
    EXPECT_EQ(back.channels, channels);
    EXPECT_EQ(back.pixels, image.pixels);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PngRoundTrip,
                         ::testing::Values(std::tuple{1, 1, 1}, std::tuple{7, 3, 1}, std::tuple{5, 9, 3},
                                           std::tuple{64, 2, 4}, std::tuple{1, 33, 4}));

TEST(PngFile, ConvertsBetweenChannelCounts) {
    PngImage grey(2, 1, 1);
    grey.pixels = {10, 200};
    const std::vector<uint8_t> bytes = EncodePng(grey);
    PngImage rgba;
    ASSERT_TRUE(DecodePng(bytes.data(), bytes.size(), 4, rgba).Ok());
    EXPECT_EQ(rgba.pixels, (std::vector<uint8_t>{10, 10, 10, 255, 200, 200, 200, 255}));  // opaque without alpha
}

// Bytes that are not a PNG picture, or one too large, give an error and no pixels.
TEST(PngFile, RefusesDamagedAndOversizedPictures) {
    const std::vector<uint8_t> good = EncodePng(Pattern(8, 8, 4));
    std::vector<uint8_t> cut(good.begin(), good.begin() + good.size() / 2);
    std::vector<uint8_t> noSignature = good;
    noSignature[1] = 'Q';
    std::vector<uint8_t> huge = good;  // the header says 65536 x 65536 (checked before the checksums)
    huge[16] = 0, huge[17] = 1, huge[18] = 0, huge[19] = 0;
    huge[20] = 0, huge[21] = 1, huge[22] = 0, huge[23] = 0;
    std::vector<uint8_t> wide = good;  // 5000 x 5000: within the side cap, over the pixel cap
    wide[18] = 0x13, wide[19] = 0x88, wide[22] = 0x13, wide[23] = 0x88;
    std::vector<uint8_t> zero = good;  // 0 pixels wide
    zero[16] = zero[17] = zero[18] = zero[19] = 0;
    std::vector<uint8_t> flipped = good;
    flipped[flipped.size() / 2] ^= 0x55;

    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t code;
    } cases[] = {
        {"empty", {}, rc::kBadHeader},
        {"cut", cut, rc::kBadHeader},
        {"no signature", noSignature, rc::kBadHeader},
        {"huge", huge, rc::kNoMemory},
        {"wide", wide, rc::kNoMemory},
        {"zero", zero, rc::kNoMemory},
        {"flipped", flipped, rc::kBadHeader},
    };
    for (const auto& c : cases) {
        PngImage out = Pattern(2, 2, 4);
        const PngResult result = DecodePng(c.bytes.data(), c.bytes.size(), 4, out);
        EXPECT_EQ(result.code, c.code) << c.name << ": " << result.error;
        EXPECT_FALSE(result.error.empty()) << c.name;
        EXPECT_TRUE(out.pixels.empty()) << c.name;
    }
    PngImage out;
    EXPECT_FALSE(DecodePng(good.data(), good.size(), 2, out).Ok());  // no two-channel output
}

TEST(PngFile, EncodeRefusesWhatIsNoPicture) {
    PngImage shortPixels = Pattern(4, 4, 3);
    shortPixels.pixels.pop_back();
    EXPECT_TRUE(EncodePng(shortPixels).empty());
    EXPECT_TRUE(EncodePng(PngImage(0, 4, 4)).empty());
    EXPECT_TRUE(EncodePng(Pattern(2, 2, 2)).empty());
}

TEST(PngFile, FilesWriteAndReadAndAFailedWriteLeavesNoFile) {
    test::TempDir dir;
    const std::string path = dir.File("p.png");
    const PngImage image = Pattern(5, 4, 4);
    ASSERT_TRUE(WritePngFile(path, image).Ok());
    PngImage back;
    ASSERT_TRUE(ReadPngFile(path, 4, back).Ok());
    EXPECT_EQ(back.pixels, image.pixels);
    EXPECT_EQ(ReadPngFile(dir.File("none.png"), 4, back).code, rc::kNoSuchFile);

    platform::Hooks().failWritesAfter = 0;
    const PngResult failed = WritePngFile(dir.File("q.png"), image);
    platform::Hooks().failWritesAfter = -1;
    EXPECT_FALSE(failed.Ok());
    EXPECT_FALSE(platform::FileExists(dir.File("q.png")));
}

}  // namespace
}  // namespace tambrix
