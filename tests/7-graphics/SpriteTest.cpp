#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "containers/IffResourceFile.h"
#include "graphics/Palette.h"
#include "graphics/Sprite.h"
#include "support/FakeResourceFile.h"
#include "support/SpriteBuilders.h"
#include "support/TempDir.h"

using namespace tambrix;
using namespace tambrix::testing;
using platform::Bitmap;

namespace {

constexpr ResId kSpriteId = 100;
constexpr ResId kPaletteId = 3;
// Entry 200 of the distinct palette is (200, 55, 100): the background maps to index 200.
constexpr uint32_t kBackground = 0x006437C8;
constexpr uint8_t kBg = 200;
constexpr uint32_t kWhite = 0x00FFFFFF;

std::vector<uint8_t> rowOf(const Bitmap& b, int32_t rowFromTop) {
    const uint8_t* p = b.TopRow(rowFromTop);
    return std::vector<uint8_t>(p, p + b.Width());
}

using Row = std::vector<uint8_t>;

class SpriteTest : public ::testing::Test {
protected:
    void SetUp() override { file.Put(restype::kPALT, kPaletteId, DistinctPaltChunk()); }
    void TearDown() override { EXPECT_EQ(file.Outstanding(), 0u) << "a fetched chunk was not handed back"; }

    std::unique_ptr<Bitmap> draw(int32_t frame = 0, int32_t mode = kSpriteViewColour, uint32_t bg = kBackground,
                                 SpritePosition* pos = nullptr) {
        return DrawSprite(file, kSpriteId, frame, bg, mode, pos);
    }

    FakeResourceFile file;
};

// ---------------------------------------------------------------------------------------
// "SPR#"
// ---------------------------------------------------------------------------------------

// Every command of the older format on a 4 x 4 frame.
std::vector<uint8_t> sprEveryCommand() {
    return ByteBuilder()
        .Append({3, 1, 7, 0xEE})        // literal of 1 before any row start: consumed, not drawn; pad
        .Append({4, 0})                 // row 0
        .Append({1, 1})                 // skip 1
        .Append({2, 2, 9, 0xEE})        // run of 2 x index 9, pad byte
        .Append({4, 0})                 // row 1
        .Append({3, 3, 1, 2, 3, 0xEE})  // odd literal: 1 2 3, then a pad byte
        .Append({9, 1})                 // skip row 2
        .Append({4, 0})                 // row 3
        .Append({3, 2, 5, 6})           // even literal: no pad
        .Append({5, 0})                 // end of frame
        .Append({4, 0, 2, 4, 77, 0});   // after the end: never drawn
}

// A view and a background thread draw at once; each reads back its own failure.
TEST_F(SpriteTest, LastErrorIsKeptPerThread) {
    EXPECT_EQ(CountSpriteFrames(file, 999), 0u);
    std::thread other([this] {
        EXPECT_FALSE(draw());
        EXPECT_STREQ(LastGraphicsError(), "sprite not found");
    });
    other.join();
    EXPECT_STREQ(LastGraphicsError(), "Sprite not found");
}

TEST_F(SpriteTest, SprDrawsEveryCommand) {
    file.Put(restype::kSPR, kSpriteId,
             SprChunk({{.first = 3, .second = -4, .width = 4, .height = 4, .stream = sprEveryCommand()}}, kPaletteId));
    SpritePosition pos;
    auto canvas = draw(0, kSpriteViewColour, kBackground, &pos);
    ASSERT_TRUE(canvas) << LastGraphicsError();
    EXPECT_STREQ(LastGraphicsError(), "");
    EXPECT_EQ(canvas->BitsPerPixel(), 8);
    EXPECT_EQ(rowOf(*canvas, 0), (Row{kBg, 9, 9, kBg}));
    EXPECT_EQ(rowOf(*canvas, 1), (Row{1, 2, 3, kBg}));
    EXPECT_EQ(rowOf(*canvas, 2), (Row{kBg, kBg, kBg, kBg}));
    EXPECT_EQ(rowOf(*canvas, 3), (Row{5, 6, kBg, kBg}));
    EXPECT_EQ(pos.first, 3);
    EXPECT_EQ(pos.second, -4);
    // The colour table is the palette's entries as blue, green, red, 0.
    EXPECT_EQ(canvas->ColourTable()[9], (platform::RgbQuad{4, 246, 9, 0}));
    // Older sprites hold colour indices in every view.
    auto depth = draw(0, kSpriteViewDepth, kWhite);
    ASSERT_TRUE(depth);
    EXPECT_EQ(rowOf(*depth, 1), (Row{1, 2, 3, 254}));  // white is nearest to 254 in the depth view
}

TEST_F(SpriteTest, SprRunsAndRowsPastTheFrameAreClipped) {
    const auto stream = ByteBuilder()
                            .Append({4, 0, 1, 1, 2, 255, 9, 0})      // row 0: skip 1, run of 255
                            .Append({4, 0, 3, 5, 1, 2, 3, 4, 5, 0})  // row 1: literal of 5 on a 2-wide frame
                            .Append({9, 200, 4, 0, 2, 3, 8, 0})      // 200 rows down: outside
                            .Append({4, 0, 3, 1, 6, 0, 5, 0});
    file.Put(restype::kSPR, kSpriteId, SprChunk({{.width = 2, .height = 2, .stream = stream}}, kPaletteId));
    auto canvas = draw();
    ASSERT_TRUE(canvas);
    EXPECT_EQ(rowOf(*canvas, 0), (Row{kBg, 9}));
    EXPECT_EQ(rowOf(*canvas, 1), (Row{1, 2}));
    std::unique_ptr<Bitmap> colour;
    DecodeSpritePlanes(file, kSpriteId, 0, kBackground, {.colourPlane = &colour});
    ASSERT_TRUE(colour);
    EXPECT_EQ(rowOf(*colour, 1), (Row{1, 2}));
}

TEST_F(SpriteTest, SprInvalidCodesStopDrawingAndRaiseBadTokenInPlanes) {
    for (uint8_t code : {0, 6, 7, 8, 10, 255}) {
        SCOPED_TRACE(static_cast<int>(code));
        const auto stream = ByteBuilder().Append({4, 0, 2, 1, 9, 0}).Append({code, 0}).Append({2, 1, 8, 0, 5, 0});
        file.Put(restype::kSPR, kSpriteId, SprChunk({{.width = 2, .height = 1, .stream = stream}}, kPaletteId));
        auto canvas = draw();
        ASSERT_TRUE(canvas);  // what was drawn stays
        EXPECT_EQ(rowOf(*canvas, 0), (Row{9, kBg}));

        auto stale = Bitmap::Create(1, 1, 8);
        std::unique_ptr<Bitmap> depth = std::move(stale);
        try {
            DecodeSpritePlanes(file, kSpriteId, 0, kBackground, {.depthPlane = &depth});
            ADD_FAILURE() << "no bad token raised";
        } catch (const SpriteDecodeError& e) {
            EXPECT_STREQ(e.what(), "bad token");
        }
        EXPECT_FALSE(depth);  // the old bitmap is gone and nothing was handed out
        EXPECT_EQ(file.Outstanding(), 0u);
    }
}

TEST_F(SpriteTest, SprStreamRunningOffTheChunkEndsTheFrame) {
    // A literal that promises 10 indices in a chunk that holds 2 of them.
    file.Put(restype::kSPR, kSpriteId,
             SprChunk({{.width = 4, .height = 1, .stream = ByteBuilder().Append({4, 0, 3, 10, 1, 2})}}, kPaletteId));
    auto canvas = draw();
    ASSERT_TRUE(canvas);
    EXPECT_EQ(rowOf(*canvas, 0), (Row{1, 2, kBg, kBg}));
    // A run cut before its pad byte, and a lone command byte.
    for (const auto& stream : {ByteBuilder().Append({4, 0, 2, 3, 9}), ByteBuilder().Append({4, 0, 1})}) {
        file.Put(restype::kSPR, kSpriteId, SprChunk({{.width = 4, .height = 1, .stream = stream}}, kPaletteId));
        auto c = draw();
        ASSERT_TRUE(c);
        EXPECT_EQ(rowOf(*c, 0), (Row{kBg, kBg, kBg, kBg}));
        std::unique_ptr<Bitmap> colour;
        EXPECT_NO_THROW(DecodeSpritePlanes(file, kSpriteId, 0, kBackground, {.colourPlane = &colour}));
    }
}

TEST_F(SpriteTest, FrameCountAndOffsetsAreCheckedAgainstTheChunk) {
    auto chunk = SprChunk({{.width = 1, .height = 1, .stream = {4, 0, 5, 0}}}, kPaletteId);
    chunk[4] = chunk[5] = chunk[6] = chunk[7] = 0xFF;  // frame count 0xFFFFFFFF, one offset present
    file.Put(restype::kSPR, kSpriteId, chunk);
    // No more frames than the rest of the chunk could hold offsets for.
    EXPECT_EQ(CountSpriteFrames(file, kSpriteId), (chunk.size() - 12) / 4);
    EXPECT_TRUE(draw(0));
    EXPECT_FALSE(draw(5));
    EXPECT_EQ(std::string(LastGraphicsError()), "bad index: frame 5 of 4294967295 has no offset: the chunk of " +
                                                    std::to_string(chunk.size()) + " bytes holds 4");

    // An offset pointing past the chunk, and one leaving no room for the frame header.
    for (uint32_t offset : {0x7FFFFFF0u, static_cast<uint32_t>(chunk.size() - 4)}) {
        auto bad = SprChunk({{.width = 1, .height = 1, .stream = {4, 0, 5, 0}}}, kPaletteId);
        bad[12] = static_cast<uint8_t>(offset);
        bad[13] = static_cast<uint8_t>(offset >> 8);
        bad[14] = static_cast<uint8_t>(offset >> 16);
        bad[15] = static_cast<uint8_t>(offset >> 24);
        file.Put(restype::kSPR, kSpriteId, bad);
        EXPECT_FALSE(draw(0));
        EXPECT_EQ(std::string(LastGraphicsError()), "bad index: frame 0 at offset " + std::to_string(offset) +
                                                        " is outside the chunk of " + std::to_string(bad.size()) +
                                                        " bytes");
        SpriteSize size{7, 7};
        std::unique_ptr<Bitmap> colour;
        EXPECT_EQ(DecodeSpritePlanes(file, kSpriteId, 0, kBackground, {.size = &size, .colourPlane = &colour}),
                  kSpriteDecoded);
        EXPECT_EQ(size.width, 0);
        EXPECT_FALSE(colour);
    }
    // Chunks too short for their header.
    for (size_t n : {0u, 3u, 7u, 11u}) {
        file.Put(restype::kSPR, kSpriteId, std::vector<uint8_t>(chunk.begin(), chunk.begin() + n));
        EXPECT_FALSE(draw(0));
        std::unique_ptr<Bitmap> colour;
        EXPECT_EQ(DecodeSpritePlanes(file, kSpriteId, 0, kBackground, {.colourPlane = &colour}), kSpriteDecoded);
    }
}

TEST_F(SpriteTest, ByteOrderFixupTurnsHeadersButNotPixels) {
    const std::vector<SprFrame> frames = {
        {.first = 258, .second = -3, .width = 4, .height = 4, .stream = sprEveryCommand()},
        {.first = 1, .second = 2, .width = 2, .height = 1, .stream = {4, 0, 3, 2, 0x12, 0x34, 5, 0}}};
    // Marked as stored in the other order: turned when it is, and left alone when it
    // already reads as a current version (tools that write little-endian bodies and
    // leave the library-order flag clear).
    for (int32_t version : {502, 505}) {
        for (bool turned : {true, false}) {
            SCOPED_TRACE(::testing::Message() << version << (turned ? " turned" : " as written"));
            file.Put(restype::kSPR, kSpriteId,
                     turned ? SprChunkOtherOrder(frames, kPaletteId, version) : SprChunk(frames, kPaletteId, version),
                     true);
            SpritePosition pos;
            auto canvas = draw(0, kSpriteViewColour, kBackground, &pos);
            ASSERT_TRUE(canvas) << LastGraphicsError();
            EXPECT_EQ(canvas->Width(), 4);
            EXPECT_EQ(rowOf(*canvas, 1), (Row{1, 2, 3, kBg}));
            EXPECT_EQ(pos.first, 258);
            EXPECT_EQ(pos.second, -3);
            auto second = draw(1);
            ASSERT_TRUE(second);
            EXPECT_EQ(rowOf(*second, 0), (Row{0x12, 0x34}));
            EXPECT_EQ(CountSpriteFrames(file, kSpriteId), 2u);
        }
    }
}

TEST(SpriteFixup, SharedFrameIsTurnedOnceAndShortBodiesAreSafe) {
    // Two offsets naming one frame: turning its header twice would undo the fix.
    auto body = SprChunkOtherOrder({{.first = 1, .second = 2, .width = 3, .height = 4, .stream = {5, 0}}}, 0);
    // Append a second offset equal to the first (big-endian, as stored) and bump the count.
    std::vector<uint8_t> shared(body.begin(), body.begin() + 16);
    shared.insert(shared.end(), body.begin() + 12, body.begin() + 16);
    shared.insert(shared.end(), body.begin() + 16, body.end());
    shared[7] = 2;
    const uint32_t frameAt = 20;  // both offsets now point 4 bytes too early: fix them
    for (int i : {12, 16}) {
        shared[i] = 0;
        shared[i + 1] = 0;
        shared[i + 2] = 0;
        shared[i + 3] = static_cast<uint8_t>(frameAt);
    }
    SpriteByteOrderFixup(shared.data(), static_cast<uint32_t>(shared.size()));
    EXPECT_EQ(shared[frameAt + 0], 2);  // second value, little-endian now
    EXPECT_EQ(shared[frameAt + 2], 1);
    EXPECT_EQ(shared[frameAt + 4], 4);
    EXPECT_EQ(shared[frameAt + 6], 3);

    // Truncated bodies and absurd counts never reach outside the body.
    for (uint32_t n = 0; n <= body.size(); ++n) {
        std::vector<uint8_t> cut(body.begin(), body.begin() + n);
        cut.push_back(0);  // keeps data() valid for n = 0
        SpriteByteOrderFixup(cut.data(), n);
    }
    std::vector<uint8_t> huge = {0, 0, 1, 0xF6, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xF0};
    SpriteByteOrderFixup(huge.data(), static_cast<uint32_t>(huge.size()));
    SpriteByteOrderFixup(nullptr, 100);
}

// ---------------------------------------------------------------------------------------
// "SPR2"
// ---------------------------------------------------------------------------------------

// Every command of the newer format on a 4 x 5 frame.
std::vector<uint8_t> spr2EveryCommand() {
    ByteBuilder b;
    Spr2Word(b, 0x0000, 0);                       // row 0
    Spr2Word(b, 0x6000, 1);                       // skip 1
    Spr2Word(b, 0xC000, 3).Append({10, 11, 12});  // 3 colour-only pixels: odd, so a pad byte
    b.U8(0xEE);
    Spr2Word(b, 0x0000, 0);                                // row 1
    Spr2Word(b, 0x2000, 2).Append({40, 20, 41, 21});       // depth, colour x 2
    Spr2Word(b, 0x4000, 1).Append({42, 22, 31}).U8(0xEE);  // depth, colour, alpha; pad
    Spr2Word(b, 0x8000, 2);                                // rows 2 and 3 started: now on row 3
    Spr2Word(b, 0xC000, 1).Append({13}).U8(0xEE);          // pad
    Spr2Word(b, 0xA000, 0);                                // end
    Spr2Word(b, 0x0000, 0);
    Spr2Word(b, 0xC000, 2).Append({99, 99});  // after the end: never drawn
    return b;
}

TEST_F(SpriteTest, Spr2DrawsEveryCommandInColour) {
    file.Put(
        restype::kSPR2, kSpriteId,
        Spr2Chunk({{.width = 4, .height = 5, .first = -7, .second = 9, .stream = spr2EveryCommand()}}, kPaletteId));
    SpritePosition pos;
    auto canvas = draw(0, kSpriteViewColour, kBackground, &pos);
    ASSERT_TRUE(canvas) << LastGraphicsError();
    EXPECT_EQ(rowOf(*canvas, 0), (Row{kBg, 10, 11, 12}));
    EXPECT_EQ(rowOf(*canvas, 1), (Row{20, 21, 22, kBg}));
    EXPECT_EQ(rowOf(*canvas, 2), (Row{kBg, kBg, kBg, kBg}));
    EXPECT_EQ(rowOf(*canvas, 3), (Row{13, kBg, kBg, kBg}));
    EXPECT_EQ(rowOf(*canvas, 4), (Row{kBg, kBg, kBg, kBg}));
    EXPECT_EQ(pos.first, -7);
    EXPECT_EQ(pos.second, 9);
    // An unknown view mode shows colours.
    auto unknown = draw(0, 7);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(rowOf(*unknown, 1), (Row{20, 21, 22, kBg}));
}

TEST_F(SpriteTest, Spr2PlanesSplitDepthColourAndScaledAlpha) {
    file.Put(restype::kSPR2, kSpriteId,
             Spr2Chunk({{.width = 4, .height = 5, .stream = spr2EveryCommand()}}, kPaletteId));
    std::unique_ptr<Bitmap> colour, depth, alpha;
    Palette palette;
    DecodeSpritePlanes(file, kSpriteId, 0, kBackground,
                       {.palette = &palette, .colourPlane = &colour, .depthPlane = &depth, .alphaPlane = &alpha});
    ASSERT_TRUE(colour && depth && alpha);
    EXPECT_EQ(rowOf(*colour, 0), (Row{kBg, 10, 11, 12}));
    EXPECT_EQ(rowOf(*depth, 0), (Row{255, 128, 128, 128}));
    EXPECT_EQ(rowOf(*alpha, 0), (Row{0, 255, 255, 255}));
    EXPECT_EQ(rowOf(*colour, 1), (Row{20, 21, 22, kBg}));
    EXPECT_EQ(rowOf(*depth, 1), (Row{40, 41, 42, 255}));
    EXPECT_EQ(rowOf(*alpha, 1), (Row{255, 255, 248, 0}));  // 31 x 8
    EXPECT_EQ(rowOf(*depth, 3), (Row{128, 255, 255, 255}));
    EXPECT_EQ(colour->ColourTable()[22], (platform::RgbQuad{11, 233, 22, 0}));
}

TEST_F(SpriteTest, Spr2OverlongCountsAreClippedAndCutStreamsEnd) {
    ByteBuilder b;
    Spr2Word(b, 0x8000, 3);  // rows 0-2 started: on row 2, which is past a 2-row frame
    Spr2Word(b, 0xC000, 2).Append({1, 2});
    Spr2Word(b, 0x8000, 0x1FFF);  // far below
    Spr2Word(b, 0xC000, 1).Append({3}).U8(0);
    Spr2Word(b, 0x0000, 0);
    Spr2Word(b, 0x6000, 0x1FFF);
    Spr2Word(b, 0xC000, 1).Append({4}).U8(0);
    Spr2Word(b, 0x4000, 0x1FFF).Append({9, 9, 9, 9, 9});  // 8191 pixels promised, one and a bit present
    file.Put(restype::kSPR2, kSpriteId, Spr2Chunk({{.width = 3, .height = 2, .stream = b}}, kPaletteId));
    auto canvas = draw();
    ASSERT_TRUE(canvas);
    EXPECT_EQ(rowOf(*canvas, 0), (Row{kBg, kBg, kBg}));
    EXPECT_EQ(rowOf(*canvas, 1), (Row{kBg, kBg, kBg}));

    // Skip rows lands on the last started row: rows 0 and 1 started, drawing on row 1.
    ByteBuilder c;
    Spr2Word(c, 0x8000, 2);
    Spr2Word(c, 0xC000, 3).Append({1, 2, 3}).U8(0);
    Spr2Word(c, 0x0000, 0);  // there is no row 2
    Spr2Word(c, 0xC000, 1).Append({4}).U8(0);
    file.Put(restype::kSPR2, kSpriteId, Spr2Chunk({{.width = 3, .height = 2, .stream = c}}, kPaletteId));
    auto d = draw();
    ASSERT_TRUE(d);
    EXPECT_EQ(rowOf(*d, 0), (Row{kBg, kBg, kBg}));
    EXPECT_EQ(rowOf(*d, 1), (Row{1, 2, 3}));
}

// ---------------------------------------------------------------------------------------
// Rules shared by both kinds
// ---------------------------------------------------------------------------------------

// Every way DrawSprite fails, with its message; what was fetched is always handed back.
TEST_F(SpriteTest, DrawFailuresSayWhy) {
    const auto one = SprFrame{.first = 4, .width = 1, .height = 1, .stream = {4, 0, 5, 0}};
    struct Case {
        const char* what;
        ResType type;
        std::vector<uint8_t> chunk;
        int32_t frame;
        const char* message;
    };
    const Case cases[] = {
        {"no sprite", restype::kSPR2, {}, 0, "sprite not found"},
        {"old SPR#", restype::kSPR, SprChunk({one}, kPaletteId, 501), 0, "can't draw that"},
        {"SPR2 negative palette", restype::kSPR2, Spr2Chunk({{.width = 2, .height = 2, .stream = {}}}, -1), 0,
         "can't draw that"},
        {"index = count", restype::kSPR, SprChunk({one}, kPaletteId), 1, "bad index"},
        {"negative index", restype::kSPR, SprChunk({one}, kPaletteId), -1, "bad index"},
        {"zero width", restype::kSPR2, Spr2Chunk({{.width = 0, .height = 5, .first = 4, .stream = {}}}, kPaletteId), 0,
         "empty"},
        {"no palette", restype::kSPR, SprChunk({one}, 99), 0, "global palette required"},
        {"too large", restype::kSPR2, Spr2Chunk({{.width = 65535, .height = 65535, .stream = {}}}, kPaletteId), 0,
         "could not GetObject on HBITMAP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeResourceFile f;
        f.Put(restype::kPALT, kPaletteId, DistinctPaltChunk());
        if (!c.chunk.empty()) f.Put(c.type, kSpriteId, c.chunk);
        SpritePosition pos;
        EXPECT_FALSE(DrawSprite(f, kSpriteId, c.frame, kBackground, kSpriteViewColour, &pos));
        EXPECT_STREQ(LastGraphicsError(), c.message);
        if (std::string(c.message) == "empty") {
            EXPECT_EQ(pos.first, 4);  // read before the size check
        }
        EXPECT_EQ(f.Outstanding(), 0u);
    }
    EXPECT_EQ(CountSpriteFrames(file, kSpriteId), 0u);
    EXPECT_STREQ(LastGraphicsError(), "Sprite not found");
    // Old sprites are still counted; a success clears the message.
    file.Put(restype::kSPR, kSpriteId, SprChunk({one, one}, kPaletteId, 501));
    EXPECT_EQ(CountSpriteFrames(file, kSpriteId), 2u);
    EXPECT_STREQ(LastGraphicsError(), "");
    // IDs outside the 16-bit range name no sprite (and never a truncated one).
    file.Put(restype::kSPR, static_cast<ResId>(70000), SprChunk({one}, kPaletteId));
    EXPECT_FALSE(DrawSprite(file, 70000, 0, kBackground, kSpriteViewColour));
    EXPECT_STREQ(LastGraphicsError(), "sprite not found");
}

TEST_F(SpriteTest, PlaneDecodingOfMissingEmptyAndOversizedFrames) {
    SpriteSize size{3, 3};
    SpritePosition pos{3, 3};
    std::unique_ptr<Bitmap> colour = Bitmap::Create(2, 2, 8);
    EXPECT_EQ(
        DecodeSpritePlanes(file, kSpriteId, 0, kBackground, {.position = &pos, .size = &size, .colourPlane = &colour}),
        kSpriteDecoded);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(pos.first, 0);
    EXPECT_FALSE(colour);  // the old bitmap is gone, no new one

    for (uint16_t side : {0, 65535}) {
        file.Put(restype::kSPR2, kSpriteId,
                 Spr2Chunk({{.width = side, .height = 5, .first = 4, .stream = {}}}, kPaletteId));
        size = {9, 9};
        EXPECT_EQ(DecodeSpritePlanes(file, kSpriteId, 0, kBackground,
                                     {.position = &pos, .size = &size, .colourPlane = &colour}),
                  kSpriteDecoded | kColourPlaneOut);
        EXPECT_EQ(size.width, 0);
        EXPECT_EQ(pos.first, 4);
        ASSERT_TRUE(colour);
        EXPECT_EQ(colour->Width(), 1);  // empty frames decode on 1 x 1 planes
        EXPECT_EQ(colour->Height(), 1);
    }
}

}  // namespace

namespace {

}  // namespace
