#include "ResourceEncoders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "ByteWriter.h"
#include "Json.h"

namespace tambrix::tools {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(DrawGroupEncoding, CurrentVersionEntryBytesAreExact) {
    DrawImages images(1);
    images[0].push_back(DrawEntry{0x0102, 3, -5, 40, 0.5f, true});
    const Bytes expected = {
        0x24, 0x4E,              // version 20004
        0x01, 0x00, 0x00, 0x00,  // one image
        0x01, 0x00, 0x00, 0x00,  // direction of rotation 0
        0x01, 0x00, 0x00, 0x00,  // zoom number of zoom 0
        0x01, 0x00, 0x00, 0x00,  // one entry
        0x02, 0x01, 0x00, 0x00,  // sprite 0x0102
        0x03, 0x00, 0x00, 0x00,  // frame 3
        0xFB, 0xFF, 0xFF, 0xFF,  // x -5
        0x28, 0x00, 0x00, 0x00,  // y 40
        0x00, 0x00, 0x00, 0x3F,  // z 0.5
        0x01, 0x00, 0x00, 0x00,  // flags: mirrored
        0x00, 0x00, 0x00, 0x00,  // two further floats
        0x00, 0x00, 0x00, 0x00,
    };
    EXPECT_EQ(EncodeDrawGroup(images), expected);
}

TEST(DrawGroupEncoding, ImageValuesFollowRotationAndZoom) {
    const Bytes bytes = EncodeDrawGroup(DrawImages(kImagesPerDrawGroup));
    ASSERT_EQ(bytes.size(), 2u + 4u + 12u * 12u);
    // Image 10: rotation 2, zoom 2 (near).
    const size_t image10 = 6 + 10 * 12;
    EXPECT_EQ(bytes[image10], 1u << 4);
    EXPECT_EQ(bytes[image10 + 4], 3u);
}

TEST(DrawGroupEncoding, OlderVersionCarriesTypedEntriesAndDroppedOnes) {
    DrawImages images(1);
    images[0].push_back(DrawEntry{7, 1, 2, -3, 0.25f, false});
    const Bytes expected = {
        0x21, 0x4E,              // version 20001
        0x01, 0x00,              // one image
        0x02, 0x00, 0x01, 0x01,  // two entries, direction 1, zoom 1
        // An entry of another type, which a reader must drop.
        0x01, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0xFE, 0xF4, 0x01, 0x00, 0x00, 0x00, 0x00,
        // The sprite entry: type 0xFFFD, sprite 7, frame 1, flags 0, x 2, y -3, z 0.25.
        0xFD, 0xFF, 0x07, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0xFD, 0xFF, 0x00, 0x00, 0x80, 0x3E,
    };
    EXPECT_EQ(EncodeOldDrawGroup(images, 1), expected);
}

TEST(ObjectDefinitionEncoding, FieldsSitAtTheirOffsets) {
    ObjectDefinition d;
    d.baseGraphic = 100;
    d.graphicCount = 2;
    d.masterId = 0x1234;
    d.subIndex = TileSubIndex(2, 1);
    d.price = -5;
    d.catalogId = 130;
    d.level = 1;
    d.dynamicBase = 300;
    d.dynamicCount = 4;
    const Bytes b = EncodeObjectDefinition(d);
    ASSERT_EQ(b.size(), kObjectDefinitionSize);
    auto word = [&](size_t at) { return static_cast<int16_t>(b[at] | (b[at + 1] << 8)); };
    EXPECT_EQ(b[0], 138);
    EXPECT_EQ(word(6), 100);
    EXPECT_EQ(word(8), 2);
    EXPECT_EQ(word(20), 0x1234);
    EXPECT_EQ(word(22), 0x0201);
    EXPECT_EQ(word(36), -5);
    EXPECT_EQ(word(82), 130);
    EXPECT_EQ(word(112), 1);
    EXPECT_EQ(word(128), 300);
    EXPECT_EQ(word(130), 4);
    // Nothing else is set.
    int nonZero = 0;
    for (uint8_t v : b) nonZero += v != 0;
    EXPECT_EQ(nonZero, 14);
}

TEST(PaletteEncoding, HeaderThenTriplets) {
    const Bytes expected = {0x01, 0, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 20, 30, 40, 50, 60};
    EXPECT_EQ(EncodePalette({{10, 20, 30}, {40, 50, 60}}), expected);
}

TEST(StringEncoding, CatalogStringsPutTheDescriptionFirst) {
    const Bytes expected = {'d', 'e', 's', 0, 'N', 0};
    EXPECT_EQ(EncodeCatalogStrings("N", "des"), expected);
}

TEST(StringEncoding, LanguageTableBytes) {
    const Bytes expected = {0xFD, 0xFF, 0x02, 0x00, 0x01, 'a', 0, 'c', 0, 0x02, 'x', 0, 0};
    EXPECT_EQ(EncodeLanguageStrings({{1, "a", "c"}, {2, "x", ""}}), expected);
}

TEST(StringEncoding, PlainListAndCaretText) {
    const Bytes plain = {0xFF, 0xFF, 0x02, 0x00, 'a', 0, 'b', 0};
    EXPECT_EQ(EncodePlainStrings({"a", "b"}), plain);
    const Bytes caret = {'^', 'o', 'n', 'e', '^', '\n', '^', '^', '\n'};
    EXPECT_EQ(EncodeCaretText({"one", ""}), caret);
}

TEST(ByteWriterTest, PatchesAndPadding) {
    ByteWriter w;
    w.U32(0);
    w.U8(1);
    w.PadToEven(0xEE);
    w.PatchU32(0, 0x11223344);
    w.U32Be(0x0A0B0C0D);
    const Bytes expected = {0x44, 0x33, 0x22, 0x11, 0x01, 0xEE, 0x0A, 0x0B, 0x0C, 0x0D};
    EXPECT_EQ(w.Bytes(), expected);
}

TEST(JsonOutput, EscapesControlAndHighBytes) {
    EXPECT_EQ(JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\n\"");
    EXPECT_EQ(JsonString(std::string("caf\xE9\x01", 5)), "\"caf\\u00e9\\u0001\"");
}

TEST(JsonOutput, CommasBetweenMembersAndElements) {
    std::ostringstream out;
    JsonWriter j(out);
    j.BeginObject().Key("a").Number(1).Key("b").BeginArray().Number(2).BeginObject().Key("c").Bool(true).EndObject();
    j.EndArray().Key("d").String("e").EndObject();
    EXPECT_EQ(out.str(), "{\"a\": 1, \"b\": [2, {\"c\": true}], \"d\": \"e\"}");
}

}  // namespace
}  // namespace tambrix::tools
