#include "catalog/StringTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ByteBuilder.h"
#include "FakeResourceFile.h"

namespace tambrix {
namespace {

using testing::ByteBuilder;
using testing::Bytes;
using testing::FakeResourceFile;

constexpr uint8_t kCur = StringTable::kCurrentLanguage;
constexpr uint16_t kPlain = 0xFFFF, kCommented = 0xFFFE, kMulti = 0xFFFD;

/// The strings of one language table, with "<null>" for a null value.
std::vector<std::string> Strings(const StringTable& t, uint8_t language) {
    std::vector<std::string> out;
    for (int i = 1; i <= t.Count(language); ++i) {
        const char* s = t.Get(i, language);
        out.push_back(s ? s : "<null>");
    }
    return out;
}
using S = std::vector<std::string>;

class StringTableTest : public ::testing::Test {
protected:
    /// Reads resource (type, 1) holding `bytes` in binary mode, current language 0.
    int32_t ReadBinary(ResType type, Bytes bytes, bool allLanguages, bool fallback = true) {
        file.Put(type, 1, std::move(bytes), "label");
        table.SetSource(&file, 1, type, StringTable::kBinaryMode, -1);
        return table.Read(allLanguages, fallback);
    }
    FakeResourceFile file;
    StringTable table;
};

// --- the encodings

TEST_F(StringTableTest, PlainFormatGivesStringsInTableZero) {
    // code 0xFFFF, count 2, "a", "b"
    ASSERT_EQ(ReadBinary(restype::kSTR, {0xFF, 0xFF, 0x02, 0x00, 0x61, 0x00, 0x62, 0x00}, false), 0);
    EXPECT_EQ(Strings(table, 0), (S{"a", "b"}));
    EXPECT_EQ(table.Get(3, kCur), nullptr);
    EXPECT_EQ(table.Get(0, kCur), nullptr);
    EXPECT_EQ(table.Get(-1, kCur), nullptr);
    EXPECT_EQ(table.GetComment(1, kCur), nullptr);
    EXPECT_EQ(table.Label().View(), "label");
    EXPECT_EQ(table.SourceLanguage(1, 0), 0);
    EXPECT_EQ(file.Outstanding(), 0u) << "the block is released after decoding";
}

TEST_F(StringTableTest, CommentedFormatKeepsValueAndComment) {
    Bytes b = ByteBuilder().U16(kCommented).U16(2).Text("name").Text("c1").Text("desc").Text("");
    ASSERT_EQ(ReadBinary(restype::kSTR, b, false), 0);
    EXPECT_EQ(Strings(table, 0), (S{"name", "desc"}));
    EXPECT_STREQ(table.GetComment(1, 0), "c1");
    EXPECT_STREQ(table.GetComment(2, 0), "");
}

TEST_F(StringTableTest, CountPrefixedFormatReplacesTwoBytes) {
    // count 2; "d\xA1g" (3 bytes), "it\xD5s" (4 bytes)
    Bytes b = ByteBuilder().U16(2).U8(3).Raw("d\xA1g").U8(4).Raw("it\xD5s");
    ASSERT_EQ(ReadBinary(restype::kSTR, b, false), 0);
    EXPECT_EQ(Strings(table, 0), (S{"dog", "it's"}));
}

TEST_F(StringTableTest, UnknownFormatCodesGiveEmptyTableAndSuccess) {
    for (uint16_t code : {uint16_t{0}, uint16_t{0xFFFC}, uint16_t{0x8000}}) {
        Bytes b = ByteBuilder().U16(code).U16(1).Text("x");
        EXPECT_EQ(ReadBinary(restype::kSTR, b, true), 0) << code;
        EXPECT_EQ(table.Count(0), 0) << code;
    }
}

TEST_F(StringTableTest, CaretTextTakesOnlyClosedStrings) {
    file.Put(restype::kCST, 4, ByteBuilder().Raw("x^one^ y ^two^^"));
    table.SetSource(&file, 4, restype::kCST, StringTable::kTextMode, -1);
    ASSERT_EQ(table.Read(false, true), 0);
    EXPECT_EQ(Strings(table, 0), (S{"one", "two"}));

    file.Put(restype::kCST, 5, ByteBuilder().Raw("^^^a^^^"));
    table.SetSource(&file, 5, restype::kCST, StringTable::kTextMode, -1);
    ASSERT_EQ(table.Read(false, true), 0);
    EXPECT_EQ(Strings(table, 0), (S{"", "a", ""}));
}

TEST_F(StringTableTest, CaretTextIsNotConverted) {
    // Stored "big-endian": a conversion would swap the first two bytes.
    file.Put(restype::kCST, 4, ByteBuilder().Raw("^ab^"), "", false);
    table.SetSource(&file, 4, restype::kCST, StringTable::kTextMode, -1);
    ASSERT_EQ(table.Read(false, true), 0);
    EXPECT_EQ(Strings(table, 0), (S{"ab"}));
}

TEST_F(StringTableTest, BigEndianBodiesAreConverted) {
    // 0xFFFF with a big-endian count: both halves swap.
    file.Put(restype::kSTR, 1, {0xFF, 0xFF, 0x00, 0x01, 'a', 0x00}, "", false);
    // count-prefixed, count 1 big-endian
    file.Put(restype::kSTR, 2, {0x00, 0x01, 0x01, 'b'}, "", false);
    // 0xFFFE stored big-endian: the code swaps (still 0xFFFE read as FE FF), the count does not
    file.Put(restype::kSTR, 3, {0xFF, 0xFE, 0x01, 0x00, 'c', 0x00, 0x00}, "", false);
    const char* expected[] = {"a", "b", "c"};
    for (uint16_t id = 1; id <= 3; ++id) {
        table.SetSource(&file, id, restype::kSTR, StringTable::kBinaryMode, -1);
        ASSERT_EQ(table.Read(false, true), 0);
        ASSERT_EQ(table.Count(0), 1) << id;
        EXPECT_STREQ(table.Get(1, 0), expected[id - 1]);
    }
}

TEST(StringTableConversionTest, ShortBodiesAreLeftAlone) {
    uint8_t one[1] = {0xFF};
    StringTableConversion(one, 1);
    EXPECT_EQ(one[0], 0xFF);
    uint8_t three[3] = {0xFF, 0xFF, 0x01};  // code but no room for a count
    StringTableConversion(three, 3);
    EXPECT_EQ(three[2], 0x01);
    StringTableConversion(nullptr, 0);
}

// --- malformed blocks: decoding stops at the end of the block with what was whole

struct Malformed {
    const char* name;
    Bytes bytes;
    S strings;
};

class MalformedTableTest : public StringTableTest, public ::testing::WithParamInterface<Malformed> {};

TEST_P(MalformedTableTest, StopsAtBlockEnd) {
    ASSERT_EQ(ReadBinary(restype::kSTR, GetParam().bytes, true), 0);
    EXPECT_EQ(Strings(table, 0), GetParam().strings);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, MalformedTableTest,
    ::testing::Values(
        Malformed{"empty", {}, {}},
        Malformed{"oneByte", {0xFF}, {}},
        Malformed{"codeWithoutCount", {0xFF, 0xFF}, {}},
        Malformed{"plainCountTooLarge", ByteBuilder().U16(kPlain).U16(30000).Text("a").Text("b"), {"a", "b"}},
        Malformed{"plainMissingTerminator", ByteBuilder().U16(kPlain).U16(2).Text("a").Raw("bc"), {"a"}},
        Malformed{"commentedCommentCut", ByteBuilder().U16(kCommented).U16(2).Text("a").Text("").Text("b").Raw("c"),
                  {"a"}},
        Malformed{"multiCountTooLarge", ByteBuilder().U16(kMulti).U16(9).Entry(1, "a").Entry(1, "b"), {"a", "b"}},
        Malformed{"multiCutInComment", ByteBuilder().U16(kMulti).U16(2).Entry(1, "a").U8(1).Text("b").Raw("zz"),
                  {"a"}},
        Malformed{"multiCutAfterLanguage", ByteBuilder().U16(kMulti).U16(2).Entry(1, "a").U8(1), {"a"}},
        Malformed{"prefixedLengthPastEnd", ByteBuilder().U16(3).U8(1).Raw("a").U8(200).Raw("bc"), {"a"}},
        Malformed{"prefixedCountTooLarge", ByteBuilder().U16(32767).U8(0).U8(1).Raw("q"), {"", "q"}}),
    [](const auto& info) { return info.param.name; });

// --- languages

TEST_F(StringTableTest, MultiLanguageKeepsOnlyCurrentUnlessAllLanguages) {
    Bytes b = ByteBuilder().U16(kMulti).U16(3).Entry(1, "a", "ca").Entry(1, "b").Entry(2, "x", "cx");
    ASSERT_EQ(ReadBinary(restype::kCTSS, b, false), 0);
    EXPECT_EQ(Strings(table, 0), (S{"a", "b"}));
    EXPECT_STREQ(table.GetComment(1, 0), "ca");
    EXPECT_EQ(table.Count(1), 0);

    ASSERT_EQ(table.Read(true, true), 0);
    EXPECT_EQ(Strings(table, 0), (S{"a", "b"}));
    EXPECT_EQ(Strings(table, 1), (S{"x"}));
    EXPECT_STREQ(table.GetComment(1, 1), "cx");
    EXPECT_EQ(table.SourceLanguage(1, 1), 1);
    // Empty languages 2..19 are filled with copies of table 0, without comments.
    EXPECT_EQ(Strings(table, 19), (S{"a", "b"}));
    EXPECT_EQ(table.SourceLanguage(1, 19), 0);
    EXPECT_EQ(table.GetComment(1, 19), nullptr);
}

TEST_F(StringTableTest, OnlyOtherLanguagesLeaveCurrentEmpty) {
    Bytes b = ByteBuilder().U16(kMulti).U16(2).Entry(2, "x").Entry(2, "y");
    ASSERT_EQ(ReadBinary(restype::kCTSS, b, false, true), 0);
    EXPECT_EQ(table.Count(0), 0);
    EXPECT_EQ(table.Count(1), 0);

    ASSERT_EQ(table.Read(true, false), 0);
    EXPECT_EQ(table.Count(0), 0);
    EXPECT_EQ(Strings(table, 1), (S{"x", "y"}));
    EXPECT_EQ(table.Count(2), 0) << "nothing to copy from an empty table 0";
    uint8_t found = 99;
    EXPECT_STREQ(table.FindInAnyLanguage(2, &found), "y");
    EXPECT_EQ(found, 1);
    EXPECT_EQ(table.FindInAnyLanguage(3, &found), nullptr);
    EXPECT_STREQ(table.FindInAnyLanguage(1, nullptr), "x");
}

TEST_F(StringTableTest, FallbackFillsAnotherCurrentLanguageFromCodeOne) {
    Bytes b = ByteBuilder().U16(kMulti).U16(3).Entry(1, "a", "c").Entry(3, "z").Entry(1, "b");
    file.Put(restype::kCTSS, 1, b);
    table.SetSource(&file, 1, restype::kCTSS, StringTable::kBinaryMode, 1);  // current language: table 1
    ASSERT_EQ(table.Read(false, true), 0);
    EXPECT_EQ(Strings(table, 1), (S{"a", "b"}));
    EXPECT_STREQ(table.GetComment(1, 1), "c");
    EXPECT_EQ(table.Count(0), 0);

    ASSERT_EQ(table.Read(false, false), 0);
    EXPECT_EQ(table.Count(1), 0) << "no fallback when not asked for";
}

TEST_F(StringTableTest, LanguageChangeRestartsIndex) {
    // (1,a) (2,x) (1,b): the second run of language 1 starts again at index 1.
    Bytes b = ByteBuilder().U16(kMulti).U16(3).Entry(1, "a").Entry(2, "x").Entry(1, "b");
    ASSERT_EQ(ReadBinary(restype::kCTSS, b, true), 0);
    EXPECT_EQ(Strings(table, 0), (S{"b", "a"}));
    EXPECT_EQ(Strings(table, 1), (S{"x"}));
}

TEST_F(StringTableTest, LanguageCodesOutsideOneToTwentyAreSkipped) {
    Bytes b = ByteBuilder().U16(kMulti).U16(4).Entry(0, "zero").Entry(21, "big").Entry(255, "max").Entry(20, "last");
    ASSERT_EQ(ReadBinary(restype::kCTSS, b, true), 0);
    EXPECT_EQ(table.Count(0), 0) << "code 0 must not land in the current language";
    EXPECT_EQ(Strings(table, 19), (S{"last"}));
    for (uint8_t l = 1; l < 19; ++l) EXPECT_EQ(table.Count(l), 0);
}

// --- editing

TEST_F(StringTableTest, SetInsertAndCommentBounds) {
    table.Set(2, "no", 0);  // past count + 1
    EXPECT_EQ(table.Count(0), 0);
    table.Set(1, "a", 0);
    table.Set(2, "c", kCur);
    EXPECT_EQ(table.SourceLanguage(2, 0), 0);
    table.Insert(2, "b", 0);
    table.Insert(0, "first", 0);    // clamped to 1
    table.Insert(99, "last", 0);    // clamped to count + 1
    EXPECT_EQ(Strings(table, 0), (S{"first", "a", "b", "c", "last"}));
    EXPECT_EQ(table.GetComment(3, 0), nullptr);

    table.SetComment(6, "no", 0);  // no append
    EXPECT_EQ(table.Count(0), 5);
    table.SetComment(2, "note", 0);
    EXPECT_STREQ(table.GetComment(2, 0), "note");
    table.SetComment(2, nullptr, 0);
    EXPECT_EQ(table.GetComment(2, 0), nullptr);

    table.Set(1, table.Get(1, 0), 0);  // a string set from itself survives
    EXPECT_STREQ(table.Get(1, 0), "first");
    table.Set(1, nullptr, 0);
    EXPECT_STREQ(table.Get(1, 0), "");

    table.Set(1, "x", 5);
    EXPECT_EQ(table.SourceLanguage(1, 5), 5);
    table.ClearLanguage(0);
    EXPECT_EQ(table.Count(0), 0);
    EXPECT_EQ(table.Count(5), 1);
    table.ClearAll();
    EXPECT_EQ(table.Count(5), 0);
}

TEST_F(StringTableTest, LanguagesOutsideTheTablesAreRefused) {
    for (uint8_t l : {uint8_t{20}, uint8_t{100}, uint8_t{254}}) {
        table.Set(1, "x", l);
        table.Insert(1, "x", l);
        table.SetComment(1, "x", l);
        table.ClearLanguage(l);
        EXPECT_EQ(table.Get(1, l), nullptr);
        EXPECT_EQ(table.Count(l), 0);
    }
    for (uint8_t l = 0; l < StringTable::kLanguageCount; ++l) EXPECT_EQ(table.Count(l), 0);
}

// --- reading and loading

TEST_F(StringTableTest, ReadWithoutOpenSourceChangesNothing) {
    table.Set(1, "kept", 0);
    EXPECT_EQ(table.Read(false, true), -1);
    file.open = false;
    table.SetSource(&file, 1, restype::kSTR, StringTable::kBinaryMode, -1);
    EXPECT_EQ(table.Read(false, true), -1);
    EXPECT_STREQ(table.Get(1, 0), "kept");

    file.open = true;
    EXPECT_EQ(table.Read(false, true), rc::kNoSuchResource);
    EXPECT_EQ(table.Count(0), 0) << "a failed load empties the table";
}

TEST_F(StringTableTest, LoadPrefersBinaryThenCaretText) {
    file.Put(restype::kCST, 7, ByteBuilder().Raw("^caret^"));
    ASSERT_EQ(table.Load(&file, 7, false), 0);
    EXPECT_EQ(table.Type(), restype::kCST);
    EXPECT_EQ(Strings(table, 0), (S{"caret"}));

    file.Put(restype::kSTR, 7, ByteBuilder().U16(kPlain).U16(1).Text("binary"));
    ASSERT_EQ(table.Load(&file, 7, false), 0);
    EXPECT_EQ(table.Type(), restype::kSTR);
    EXPECT_EQ(Strings(table, 0), (S{"binary"}));

    EXPECT_EQ(table.Load(&file, 8, false), rc::kNoSuchResource);
}

TEST_F(StringTableTest, GetIndStringGivesOneStringOrNothing) {
    file.Put(restype::kSTR, 3, ByteBuilder().U16(kPlain).U16(2).Text("one").Text("two"));
    file.Put(restype::kCST, 4, ByteBuilder().Raw("^text^"));
    FixedText<8> text("junk");
    file.GetIndString(text, 3, 2);
    EXPECT_EQ(text.View(), "two");
    for (int16_t index : {int16_t{0}, int16_t{-1}, int16_t{3}}) {
        text.Assign("junk");
        file.GetIndString(text, 3, index);
        EXPECT_EQ(text.View(), "") << index;
    }
    file.GetIndString(text, 4, 1);
    EXPECT_EQ(text.View(), "text");
    file.GetIndString(text, 9, 1);
    EXPECT_EQ(text.View(), "");
}

// --- saving

TEST_F(StringTableTest, SaveWritesExactMultiLanguageLayout) {
    table.SetSource(&file, 0x1234, restype::kSTR, StringTable::kBinaryMode, -1);
    table.Set(1, "ab", kCur);
    table.Label().Assign("saved");
    ASSERT_EQ(table.Save(), 0);
    const auto* stored = file.Find(restype::kSTR, 0x1234);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->bytes, (Bytes{0xFD, 0xFF, 0x01, 0x00, 0x01, 0x61, 0x62, 0x00, 0x00, 0xA3}));
    EXPECT_EQ(stored->label, "saved");
    EXPECT_EQ(file.Outstanding(), 0u);
}

TEST_F(StringTableTest, SaveMergesWithStoredTable) {
    Bytes five = ByteBuilder().U16(kMulti).U16(6).Entry(1, "s1").Entry(1, "s2").Entry(1, "s3").Entry(1, "s4", "c4")
                     .Entry(1, "s5").Entry(2, "other");
    file.Put(restype::kCTSS, 2, five);
    table.SetSource(&file, 2, restype::kCTSS, StringTable::kBinaryMode, -1);
    table.Set(1, "n1", kCur);
    table.Set(2, "n2", kCur);
    table.Set(3, "n3", kCur);
    table.SetComment(3, "c3", kCur);
    ASSERT_EQ(table.Save(), 0);

    StringTable back;
    back.SetSource(&file, 2, restype::kCTSS, StringTable::kBinaryMode, -1);
    ASSERT_EQ(back.Read(true, false), 0);
    EXPECT_EQ(Strings(back, 0), (S{"n1", "n2", "n3", "s4", "s5"}));
    EXPECT_STREQ(back.GetComment(3, 0), "c3");
    EXPECT_STREQ(back.GetComment(4, 0), "c4");
    // Language 2 had one string of its own: it is kept and filled up from table 0.
    EXPECT_EQ(Strings(back, 1), (S{"other", "n2", "n3", "s4", "s5"}));
    EXPECT_STREQ(back.GetComment(1, 1), "") << "comments follow table 0";
}

TEST_F(StringTableTest, SaveDropsLanguagesThatOnlyHoldCopies) {
    file.Put(restype::kSTR, 1, ByteBuilder().U16(kMulti).U16(2).Entry(1, "a").Entry(1, "b"));
    table.SetSource(&file, 1, restype::kSTR, StringTable::kBinaryMode, -1);
    ASSERT_EQ(table.Read(true, true), 0);
    ASSERT_EQ(table.Count(7), 2);
    ASSERT_EQ(table.Save(), 0);
    // Two entries, both language code 1.
    Bytes expected = ByteBuilder().U16(kMulti).U16(2).Entry(1, "a").Entry(1, "b").U8(0xA3).U8(0xA3);
    EXPECT_EQ(file.Find(restype::kSTR, 1)->bytes, expected);
}

TEST_F(StringTableTest, SaveOfCaretTextStoresBinaryAndMergesTheText) {
    file.Put(restype::kCST, 6, ByteBuilder().Raw("^one^^two^^three^"), "txt");
    ASSERT_EQ(table.Load(&file, 6, false), 0);
    table.ClearAll();
    table.Set(1, "uno", kCur);
    ASSERT_EQ(table.Save(), 0);

    EXPECT_EQ(table.Type(), restype::kSTR);
    EXPECT_EQ(table.TextModeFlag(), StringTable::kBinaryMode);
    EXPECT_EQ(file.Find(restype::kCST, 6)->bytes, Bytes(ByteBuilder().Raw("^one^^two^^three^")));
    StringTable back;
    ASSERT_EQ(back.Load(&file, 6, false), 0);
    EXPECT_EQ(back.Type(), restype::kSTR);
    EXPECT_EQ(Strings(back, 0), (S{"uno", "two", "three"}));
    EXPECT_EQ(back.Label().View(), "txt");
}

TEST_F(StringTableTest, SaveOnReadOnlyFileReportsAndChangesNothing) {
    Bytes original = ByteBuilder().U16(kPlain).U16(1).Text("a");
    file.Put(restype::kSTR, 1, original);
    file.readOnly = true;
    table.SetSource(&file, 1, restype::kSTR, StringTable::kBinaryMode, -1);
    table.Set(1, "b", kCur);
    EXPECT_EQ(table.Save(), rc::kNotWritable);
    EXPECT_EQ(file.Find(restype::kSTR, 1)->bytes, original);
    EXPECT_EQ(file.Outstanding(), 0u);
}

TEST_F(StringTableTest, SaveWithoutSourceFails) {
    table.Set(1, "a", kCur);
    EXPECT_EQ(table.Save(), -1);
}

TEST_F(StringTableTest, SavedTableRoundTripsEveryLanguage) {
    table.SetSource(&file, 9, restype::kCTSS, StringTable::kBinaryMode, -1);
    table.Set(1, "en", kCur);
    table.SetComment(1, "note", kCur);
    ASSERT_EQ(table.Save(), 0);
    // Add a language of its own to the stored table, then save current-language edits.
    StringTable other;
    other.SetSource(&file, 9, restype::kCTSS, StringTable::kBinaryMode, 4);
    other.Set(1, "de", kCur);
    ASSERT_EQ(other.Save(), 0);

    StringTable back;
    back.SetSource(&file, 9, restype::kCTSS, StringTable::kBinaryMode, -1);
    ASSERT_EQ(back.Read(true, false), 0);
    EXPECT_EQ(Strings(back, 0), (S{"en"}));
    EXPECT_EQ(Strings(back, 4), (S{"de"}));
    EXPECT_STREQ(back.GetComment(1, 4), "note");
    EXPECT_EQ(back.SourceLanguage(1, 4), 4);
}

}  // namespace
}  // namespace tambrix
