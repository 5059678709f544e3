#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "graphics/Palette.h"
#include "graphics/Sprite.h"
#include "support/FakeResourceFile.h"
#include "support/SpriteBuilders.h"

using namespace tambrix;
using namespace tambrix::testing;
using platform::Bitmap;

namespace {

constexpr ResId kSpriteId = 100;
constexpr ResId kPaletteId = 3;
// Entry 200 of the distinct palette is (200, 55, 100): the background maps to index 200.
constexpr uint32_t kBackground = 0x006437C8;
constexpr uint8_t kBg = 200;

using Row = std::vector<uint8_t>;
using Rows = std::vector<Row>;

Rows rowsOf(const Bitmap& b) {
    Rows rows;
    for (int32_t y = 0; y < b.Height(); ++y) rows.emplace_back(b.TopRow(y), b.TopRow(y) + b.Width());
    return rows;
}

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

// Every "SPR#" command on a 4 x 4 frame.
const Bytes kSprEveryCommand = ByteBuilder()
                                   .Append({3, 1, 7, 0xEE})        // literal before any row start: consumed, not drawn
                                   .Append({4, 0, 1, 1})           // row 0, skip 1
                                   .Append({2, 2, 9, 0xEE})        // run of 2 x index 9, pad byte
                                   .Append({4, 0})                 // row 1
                                   .Append({3, 3, 1, 2, 3, 0xEE})  // odd literal, then a pad byte
                                   .Append({9, 1, 4, 0})           // skip row 2, row 3
                                   .Append({3, 2, 5, 6})           // even literal: no pad
                                   .Append({5, 0})                 // end of frame
                                   .Append({4, 0, 2, 4, 77, 0});   // after the end: never drawn

// Every "SPR2" command on a 4 x 5 frame.
Bytes spr2EveryCommand() {
    ByteBuilder b;
    Spr2Word(b, 0x0000, 0);                             // row 0
    Spr2Word(b, 0x6000, 1);                             // skip 1
    Spr2Word(b, 0xC000, 3).Append({10, 11, 12, 0xEE});  // 3 colour-only pixels, pad
    Spr2Word(b, 0x0000, 0);                             // row 1
    Spr2Word(b, 0x2000, 2).Append({40, 20, 41, 21});    // depth, colour x 2
    Spr2Word(b, 0x4000, 1).Append({42, 22, 31, 0xEE});  // depth, colour, alpha; pad
    Spr2Word(b, 0x8000, 2);                             // rows 2 and 3 started: now on row 3
    Spr2Word(b, 0xC000, 1).Append({13, 0xEE});          // pad
    Spr2Word(b, 0xA000, 0);                             // end
    Spr2Word(b, 0x0000, 0);
    Spr2Word(b, 0xC000, 2).Append({99, 99});  // after the end: never drawn
    return b;
}

struct DecodeCase {
    std::string what;
    ResType type;
    uint16_t width, height;
    Bytes stream;
    Rows expected;
    bool badToken = false;
};

std::vector<DecodeCase> decodeCases() {
    const uint8_t B = kBg;
    std::vector<DecodeCase> cases = {
        {"spr every command", restype::kSPR, 4, 4, kSprEveryCommand,
         {{B, 9, 9, B}, {1, 2, 3, B}, {B, B, B, B}, {5, 6, B, B}}},
        // skip 1 and a run of 255; a literal of 5 on a 2-wide frame; 200 rows down: outside
        {"spr runs and rows past the frame are clipped", restype::kSPR, 2, 2,
         ByteBuilder().Append({4, 0, 1, 1, 2, 255, 9, 0, 4, 0, 3, 5, 1, 2, 3, 4, 5, 0, 9, 200, 4, 0, 2, 3, 8, 0})
             .Append({4, 0, 3, 1, 6, 0, 5, 0}), {{B, 9}, {1, 2}}},
        // The stream running off the chunk ends the frame: a literal promising 10 of 2
        // indices, a run cut before its pad byte, a lone command byte.
        {"spr literal off the end", restype::kSPR, 4, 1, ByteBuilder().Append({4, 0, 3, 10, 1, 2}), {{1, 2, B, B}}},
        {"spr run cut before its pad", restype::kSPR, 4, 1, ByteBuilder().Append({4, 0, 2, 3, 9}), {{B, B, B, B}}},
        {"spr lone command byte", restype::kSPR, 4, 1, ByteBuilder().Append({4, 0, 1}), {{B, B, B, B}}},
        {"spr2 every command", restype::kSPR2, 4, 5, spr2EveryCommand(),
         {{B, 10, 11, 12}, {20, 21, 22, B}, {B, B, B, B}, {13, B, B, B}, {B, B, B, B}}},
    };
    for (uint8_t code : {0, 6, 7, 8, 10, 255})  // what was drawn before an invalid code stays
        cases.push_back({"spr invalid code " + std::to_string(code), restype::kSPR, 2, 1,
                         ByteBuilder().Append({4, 0, 2, 1, 9, 0, code, 0, 2, 1, 8, 0, 5, 0}), {{9, B}}, true});
    ByteBuilder overlong;           // counts far past a 3 x 2 frame, and a cut stream
    Spr2Word(overlong, 0x8000, 3);  // rows 0-2 started: on row 2, past the frame
    Spr2Word(overlong, 0xC000, 2).Append({1, 2});
    Spr2Word(overlong, 0x8000, 0x1FFF);
    Spr2Word(overlong, 0xC000, 1).Append({3, 0});
    Spr2Word(overlong, 0x0000, 0);
    Spr2Word(overlong, 0x6000, 0x1FFF);
    Spr2Word(overlong, 0xC000, 1).Append({4, 0});
    Spr2Word(overlong, 0x4000, 0x1FFF).Append({9, 9, 9, 9, 9});  // 8191 pixels promised
    cases.push_back({"spr2 overlong counts", restype::kSPR2, 3, 2, overlong, {{B, B, B}, {B, B, B}}});
    ByteBuilder lastRow;  // skipping rows lands on the last started row
    Spr2Word(lastRow, 0x8000, 2);
    Spr2Word(lastRow, 0xC000, 3).Append({1, 2, 3, 0});
    Spr2Word(lastRow, 0x0000, 0);  // there is no row 2
    Spr2Word(lastRow, 0xC000, 1).Append({4, 0});
    cases.push_back({"spr2 skip rows", restype::kSPR2, 3, 2, lastRow, {{B, B, B}, {1, 2, 3}}});
    return cases;
}

TEST_F(SpriteTest, StreamsDecodeWithTheirEdgeCases) {
    for (const DecodeCase& c : decodeCases()) {
        SCOPED_TRACE(c.what);
        FakeResourceFile f;
        f.Put(restype::kPALT, kPaletteId, DistinctPaltChunk());
        f.Put(c.type, kSpriteId,
              c.type == restype::kSPR
                  ? SprChunk({{.width = int16_t(c.width), .height = int16_t(c.height), .stream = c.stream}}, kPaletteId)
                  : Spr2Chunk({{.width = c.width, .height = c.height, .stream = c.stream}}, kPaletteId));
        auto canvas = DrawSprite(f, kSpriteId, 0, kBackground, kSpriteViewColour);
        ASSERT_TRUE(canvas) << LastGraphicsError();
        EXPECT_STREQ(LastGraphicsError(), "");
        EXPECT_EQ(canvas->BitsPerPixel(), 8);
        EXPECT_EQ(rowsOf(*canvas), c.expected);

        std::unique_ptr<Bitmap> colour = Bitmap::Create(1, 1, 8);  // a stale plane is always dropped
        try {
            DecodeSpritePlanes(f, kSpriteId, 0, kBackground, {.colourPlane = &colour});
            EXPECT_FALSE(c.badToken) << "no bad token raised";
            ASSERT_TRUE(colour);
            Rows expected = c.expected;  // without a fill index asked for, what is not drawn is 255
            for (Row& row : expected) std::replace(row.begin(), row.end(), kBg, uint8_t{255});
            EXPECT_EQ(rowsOf(*colour), expected);
        } catch (const SpriteDecodeError& e) {
            EXPECT_TRUE(c.badToken);
            EXPECT_STREQ(e.what(), "bad token");
            EXPECT_FALSE(colour);
        }
        EXPECT_EQ(f.Outstanding(), 0u);
    }
}

TEST_F(SpriteTest, ViewsPositionsAndColourTables) {
    file.Put(restype::kSPR, kSpriteId,
             SprChunk({{.first = 3, .second = -4, .width = 4, .height = 4, .stream = kSprEveryCommand}}, kPaletteId));
    SpritePosition pos;
    auto canvas = draw(0, kSpriteViewColour, kBackground, &pos);
    ASSERT_TRUE(canvas);
    EXPECT_EQ(pos.first, 3);
    EXPECT_EQ(pos.second, -4);
    EXPECT_EQ(canvas->ColourTable()[9], (platform::RgbQuad{4, 246, 9, 0}));  // blue, green, red, 0
    // Older sprites hold colour indices in every view; white is nearest to 254 there.
    auto depth = draw(0, kSpriteViewDepth, 0x00FFFFFF);
    ASSERT_TRUE(depth);
    EXPECT_EQ(rowsOf(*depth)[1], (Row{1, 2, 3, 254}));

    file.Put(
        restype::kSPR2, kSpriteId + 1,
        Spr2Chunk({{.width = 4, .height = 5, .first = -7, .second = 9, .stream = spr2EveryCommand()}}, kPaletteId));
    auto spr2 = DrawSprite(file, kSpriteId + 1, 0, kBackground, 7, &pos);  // an unknown view shows colours
    ASSERT_TRUE(spr2);
    EXPECT_EQ(rowsOf(*spr2)[1], (Row{20, 21, 22, kBg}));
    EXPECT_EQ(pos.first, -7);
    EXPECT_EQ(pos.second, 9);

    std::unique_ptr<Bitmap> colour, depthPlane, alpha;
    Palette palette;
    DecodeSpritePlanes(file, kSpriteId + 1, 0, kBackground,
                       {.palette = &palette, .colourPlane = &colour, .depthPlane = &depthPlane, .alphaPlane = &alpha});
    ASSERT_TRUE(colour && depthPlane && alpha);
    EXPECT_EQ(rowsOf(*depthPlane), (Rows{{255, 128, 128, 128},
                                         {40, 41, 42, 255},
                                         {255, 255, 255, 255},
                                         {128, 255, 255, 255},
                                         {255, 255, 255, 255}}));
    EXPECT_EQ(rowsOf(*alpha)[0], (Row{0, 255, 255, 255}));
    EXPECT_EQ(rowsOf(*alpha)[1], (Row{255, 255, 248, 0}));  // 31 x 8
    EXPECT_EQ(colour->ColourTable()[22], (platform::RgbQuad{11, 233, 22, 0}));
}

// A frame's own palette replaces the chunk's only when the file holds it; a sprite held
// for all its frames keeps each palette it loaded and decodes as one call per frame does.
TEST_F(SpriteTest, FramePalettesThroughAHeldSprite) {
    constexpr ResId kOwnPalette = 4;
    std::vector<PaletteEntry> greens(256, PaletteEntry{0, 200, 0, 0});
    file.Put(restype::kPALT, kOwnPalette, EncodePalette(greens));
    Bytes stream = ByteBuilder().Append({0x00, 0x00, 0x01, 0xC0, 7, 0});  // row 0, one colour-only pixel
    Spr2Frame frame{.width = 2, .height = 1, .stream = stream};
    std::vector<Spr2Frame> frames(3, frame);
    frames[0].paletteId = kOwnPalette;
    frames[1].paletteId = 77;  // not in the file
    frames[2].paletteId = 0;
    file.Put(restype::kSPR2, kSpriteId, Spr2Chunk(frames, kPaletteId));

    SpriteDecoder held(file, kSpriteId);
    ASSERT_TRUE(held.Found());
    const struct {
        int32_t frame;
        int32_t paletteId;
    } cases[] = {{0, kOwnPalette}, {1, kPaletteId}, {2, kPaletteId}, {0, kOwnPalette}, {5, kOwnPalette}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        uint32_t fills[2] = {kNoFillIndex, kNoFillIndex};
        int32_t ids[2] = {};
        Palette palettes[2];
        std::unique_ptr<Bitmap> colours[2];
        for (int road = 0; road < 2; ++road) {
            const SpritePlaneSlots slots{.fillIndex = &fills[road],
                                         .palette = &palettes[road],
                                         .paletteId = &ids[road],
                                         .colourPlane = &colours[road]};
            if (road == 0)
                DecodeSpritePlanes(file, kSpriteId, c.frame, kBackground, slots);
            else
                held.Decode(c.frame, kBackground, slots);
            ASSERT_TRUE(colours[road]);
        }
        EXPECT_EQ(ids[0], c.paletteId);
        EXPECT_EQ(ids[1], c.paletteId);
        EXPECT_EQ(fills[1], fills[0]);
        EXPECT_EQ(colours[1]->ColourTable(), colours[0]->ColourTable());
        EXPECT_EQ(rowsOf(*colours[1]), rowsOf(*colours[0]));
        EXPECT_EQ(palettes[1].Entries(), palettes[0].Entries());
        EXPECT_EQ(colours[0]->ColourTable()[7].green, c.paletteId == kOwnPalette ? 200 : 248);
    }
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

// Every way a frame fails to draw, with its message, and what plane decoding makes of it:
// no size, and no plane but the 1 x 1 of an empty frame. Fetched chunks are always handed back.
TEST_F(SpriteTest, FailuresSayWhyAndDecodeToNothing) {
    const auto one = SprFrame{.first = 4, .width = 1, .height = 1, .stream = {4, 0, 5, 0}};
    auto sprWithOffset = [&](uint32_t offset) {
        auto chunk = SprChunk({one}, kPaletteId);
        for (int i = 0; i < 4; ++i) chunk[12 + i] = static_cast<uint8_t>(offset >> 8 * i);
        return chunk;
    };
    auto lying = SprChunk({one}, kPaletteId);
    lying[4] = lying[5] = lying[6] = lying[7] = 0xFF;  // frame count 0xFFFFFFFF, one offset present
    const std::string size = std::to_string(lying.size()), last = std::to_string(lying.size() - 4);
    const uint32_t kNone = kSpriteDecoded, kOne = kSpriteDecoded | kColourPlaneOut, kSkip = 0;
    struct Case {
        const char* what;
        ResType type;
        Bytes chunk;
        int32_t frame;
        std::string message;
        uint32_t planes;
    };
    auto spr = [&](int16_t width, int16_t height, int16_t first = 0) {
        return SprChunk({{.first = first, .width = width, .height = height, .stream = one.stream}}, kPaletteId);
    };
    auto spr2 = [](uint16_t width, int32_t palette) {
        return Spr2Chunk({{.width = width, .height = 5, .first = 4, .stream = {}}}, palette);
    };
    const std::string kHuge = "could not GetObject on HBITMAP";
    const Case cases[] = {
        {"no sprite", restype::kSPR2, {}, 0, "sprite not found", kNone},
        {"old SPR#", restype::kSPR, SprChunk({one}, kPaletteId, 501), 0, "can't draw that", kSkip},
        {"SPR2 negative palette", restype::kSPR2, Spr2Chunk({{.width = 2, .height = 2, .stream = {}}}, -1), 0,
         "can't draw that", kSkip},
        {"index = count", restype::kSPR, SprChunk({one}, kPaletteId), 1, "bad index", kSkip},
        {"no frames", restype::kSPR, SprChunk({}, kPaletteId), 0, "sprite 100 has no frames", kSkip},
        {"negative index", restype::kSPR, SprChunk({one}, kPaletteId), -1, "bad index", kSkip},
        {"zero width", restype::kSPR2, spr2(0, kPaletteId), 0, "empty", kOne},
        {"SPR# width -1", restype::kSPR, spr(-1, 4), 0, kHuge, kSkip},
        {"SPR# width -32768", restype::kSPR, spr(-32768, 4), 0, kHuge, kSkip},
        {"SPR# height -5", restype::kSPR, spr(4, -5), 0, kHuge, kSkip},
        {"SPR# zero width", restype::kSPR, spr(0, 4, 4), 0, "empty", kSkip},
        {"no palette", restype::kSPR, SprChunk({one}, 99), 0, "global palette required", kSkip},
        {"too large", restype::kSPR2, spr2(65535, kPaletteId), 0, kHuge, kOne},
        {"count beyond the offsets", restype::kSPR, lying, 5,
         "bad index: frame 5 of 4294967295 has no offset: the chunk of " + size + " bytes holds 4", kSkip},
        {"offset past the chunk", restype::kSPR, sprWithOffset(0x7FFFFFF0u), 0,
         "bad index: frame 0 at offset 2147483632 is outside the chunk of " + size + " bytes", kNone},
        {"no room for the header", restype::kSPR, sprWithOffset(uint32_t(lying.size() - 4)), 0,
         "bad index: frame 0 at offset " + last + " is outside the chunk of " + size + " bytes", kNone},
        {"header cut at 3", restype::kSPR, Bytes(lying.begin(), lying.begin() + 3), 0, "", kNone},
        {"header cut at 11", restype::kSPR, Bytes(lying.begin(), lying.begin() + 11), 0, "", kNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeResourceFile f;
        f.Put(restype::kPALT, kPaletteId, DistinctPaltChunk());
        if (!c.chunk.empty()) f.Put(c.type, kSpriteId, c.chunk);
        SpritePosition pos;
        for (int32_t mode : {kSpriteViewDepth, kSpriteViewAlpha, kSpriteViewColour})  // depth and alpha need no palette
            if (mode == kSpriteViewColour || c.message != "global palette required") {
                EXPECT_FALSE(DrawSprite(f, kSpriteId, c.frame, kBackground, mode, &pos));
            }
        if (!c.message.empty()) { EXPECT_EQ(LastGraphicsError(), c.message); }
        if (c.message == "empty") { EXPECT_EQ(pos.first, 4); }  // read before the size check
        if (c.planes != kSkip) {
            SpriteSize size{9, 9};
            std::unique_ptr<Bitmap> colour = Bitmap::Create(2, 2, 8);
            EXPECT_EQ(DecodeSpritePlanes(f, kSpriteId, 0, kBackground, {.size = &size, .colourPlane = &colour}),
                      c.planes);
            EXPECT_EQ(size.width, 0);
            EXPECT_EQ(colour != nullptr, c.planes == kOne);
            if (colour) { EXPECT_EQ(rowsOf(*colour), (Rows{{255}})); }  // no fill index asked for
        }
        EXPECT_EQ(f.Outstanding(), 0u);
    }
    // No more frames than the rest of the chunk could hold offsets for; frame 0 still draws.
    file.Put(restype::kSPR, kSpriteId, lying);
    EXPECT_EQ(CountSpriteFrames(file, kSpriteId), (lying.size() - 12) / 4);
    EXPECT_TRUE(draw(0));
    // Old sprites are still counted; a success clears the message.
    file.Put(restype::kSPR, kSpriteId, SprChunk({one, one}, kPaletteId, 501));
    EXPECT_EQ(CountSpriteFrames(file, kSpriteId), 2u);
    EXPECT_STREQ(LastGraphicsError(), "");
    // IDs outside the 16-bit range name no sprite (and never a truncated one).
    file.Put(restype::kSPR, static_cast<ResId>(70000), SprChunk({one}, kPaletteId));
    EXPECT_FALSE(DrawSprite(file, 70000, 0, kBackground, kSpriteViewColour));
    EXPECT_STREQ(LastGraphicsError(), "sprite not found");
}

TEST(SpriteFixup, SharedFrameIsTurnedOnceAndShortBodiesAreSafe) {
    // Two offsets naming one frame: turning its header twice would undo the fix.
    auto body = SprChunkOtherOrder({{.first = 1, .second = 2, .width = 3, .height = 4, .stream = {5, 0}}}, 0);
    Bytes shared(body.begin(), body.begin() + 12);
    ByteBuilder offsets;
    offsets.Append({0, 0, 0, 20, 0, 0, 0, 20});  // both big-endian, both at 20
    shared.insert(shared.end(), offsets.Bytes().begin(), offsets.Bytes().end());
    shared.insert(shared.end(), body.begin() + 16, body.end());
    shared[7] = 2;
    SpriteByteOrderFixup(shared.data(), static_cast<uint32_t>(shared.size()));
    EXPECT_EQ(Bytes(shared.begin() + 20, shared.begin() + 28), (Bytes{2, 0, 1, 0, 4, 0, 3, 0}));

    // Truncated bodies and absurd counts never reach outside the body.
    for (uint32_t n = 0; n <= body.size(); ++n) {
        Bytes cut(body.begin(), body.begin() + n);
        cut.push_back(0);  // keeps data() valid for n = 0
        SpriteByteOrderFixup(cut.data(), n);
        if (n == 4) {
            EXPECT_EQ(cut[3], body[0]) << "a body of the version alone still has it turned";
        }
    }
    Bytes huge = {0, 0, 1, 0xF6, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xF0};
    SpriteByteOrderFixup(huge.data(), static_cast<uint32_t>(huge.size()));
    SpriteByteOrderFixup(nullptr, 100);
}

}  // namespace
