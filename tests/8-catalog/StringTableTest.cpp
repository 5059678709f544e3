#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CatalogMemoryFile.h"
#include "catalog/StringTable.h"
#include "support/ByteBuilder.h"

namespace tambrix {
namespace {

using testing::ByteBuilder;
using testing::Bytes;
using S = std::vector<std::string>;

constexpr uint8_t kCur = StringTable::kCurrentLanguage;
constexpr uint16_t kPlain = 0xFFFF, kCommented = 0xFFFE, kMulti = 0xFFFD, kPackedCode = 0xFFFC;

/// The strings of one language table.
S Strings(const StringTable& t, uint8_t language) {
    S out;
    for (int i = 1; i <= t.Count(language); ++i) out.push_back(t.Get(i, language) ? t.Get(i, language) : "<null>");
    return out;
}

class StringTableTest : public ::testing::Test {
protected:
    /// Reads resource (type, id) holding `bytes`, current language 0.
    int32_t Read(ResType type, ResId id, Bytes bytes, bool allLanguages, bool fallback = true, bool text = false) {
        file.Put(type, id, bytes, "label");
        table.SetSource(&file, id, type, text ? StringTable::kTextMode : StringTable::kBinaryMode, -1);
        return table.Read(allLanguages, fallback);
    }
    testing::CatalogMemoryFile file;
    StringTable table;
};

// --- every encoding, whole and malformed: decoding stops at the end of the block,
// keeping the strings (or entries) that lay wholly inside it, and the read is complete
// only when nothing was left out

struct Decoding {
    const char* name;
    Bytes bytes;
    S strings;  // table 0, read with allLanguages
    bool complete;
};

class DecodingTest : public StringTableTest, public ::testing::WithParamInterface<Decoding> {};

TEST_P(DecodingTest, GivesTableZero) {
    ASSERT_EQ(Read(restype::kSTR, 1, GetParam().bytes, true), 0);
    EXPECT_EQ(Strings(table, 0), GetParam().strings);
    EXPECT_EQ(table.LastReadComplete(), GetParam().complete);
    EXPECT_EQ(file.LoadedBlocks(), 0) << "the block is released after decoding";
}

// language 0: (a, ca), (b); language 1: (x, cx)
const Bytes kPackedTable =
    ByteBuilder().U16(kPackedCode).U8(2).U16(2).Pair(0, "a", "ca").Pair(0, "b").U16(1).Pair(1, "x", "cx");
const std::string kLong(200, 'v');

using B = ByteBuilder;
INSTANTIATE_TEST_SUITE_P(Blocks, DecodingTest, ::testing::Values(
    Decoding{"plain", {0xFF, 0xFF, 0x02, 0x00, 'a', 0x00, 'b', 0x00}, {"a", "b"}, true},
    Decoding{"commented", B().U16(kCommented).U16(2).CString("a").CString("ca").CString("b").CString(""), {"a", "b"}, true},
    // count 2; "d\xA1g" and "it\xD5s" come out with 'o' and an apostrophe
    Decoding{"countPrefixed", B().U16(2).U8(3).Text("d\xA1g").U8(4).Text("it\xD5s"), {"dog", "it's"}, true},
    Decoding{"codeZero", B().U16(0).U16(1).CString("x"), {}, false},
    Decoding{"unknownNegative", B().U16(0xFFFB).U16(1).CString("x"), {}, false},
    // (1,a) (2,x) (1,b): a change of language restarts the index, so b goes before a;
    // the fill bytes of a saved table follow the entries
    Decoding{"languageRuns", B().U16(kMulti).U16(3).Entry(1, "a").Entry(2, "x").Entry(1, "b").U8(0xA3), {"b", "a"}, true},
    // code 0 names no language table; it must not land in the current one
    Decoding{"codeZeroSkipped", B().U16(kMulti).U16(3).Entry(0, "z").Entry(21, "big").Entry(1, "a"), {"a"}, false},
    Decoding{"empty", {}, {}, false}, Decoding{"oneByte", {0xFF}, {}, false},
    Decoding{"codeWithoutCount", {0xFF, 0xFF}, {}, false},
    Decoding{"plainCountTooLarge", B().U16(kPlain).U16(30000).CString("a").CString("b"), {"a", "b"}, false},
    Decoding{"plainUnterminated", B().U16(kPlain).U16(2).CString("a").Text("bc"), {"a"}, false},
    Decoding{"commentCut", B().U16(kCommented).U16(2).CString("a").CString("").CString("b").Text("c"), {"a"}, false},
    Decoding{"multiCountTooLarge", B().U16(kMulti).U16(9).Entry(1, "a").Entry(1, "b"), {"a", "b"}, false},
    Decoding{"multiCountTooSmall", B().U16(kMulti).U16(1).Entry(1, "a").Entry(1, "b"), {"a"}, false},
    Decoding{"multiNegativeCount", B().U16(kMulti).U16(0xFFFF).Entry(1, "a"), {}, false},
    Decoding{"multiCutInComment", B().U16(kMulti).U16(2).Entry(1, "a").U8(1).CString("b").Text("z"), {"a"}, false},
    Decoding{"multiCutAfterCode", B().U16(kMulti).U16(2).Entry(1, "a").U8(1), {"a"}, false},
    Decoding{"lengthPastEnd", B().U16(3).U8(1).Text("a").U8(200).Text("bc"), {"a"}, false},
    Decoding{"prefixedCountTooLarge", B().U16(32767).U8(0).U8(1).Text("q"), {"", "q"}, false},
    Decoding{"prefixedNul", B().U16(1).U8(3).Text(std::string_view("a\0b", 3)), {"a"}, false},
    // 0xFFFC: language sets of pairs, each text a varint length and its bytes
    Decoding{"packed", kPackedTable, {"a", "b"}, true},
    Decoding{"packedTwoByteLength", B().U16(kPackedCode).U8(1).U16(1).Pair(0, kLong, "c"), {kLong}, true},
    Decoding{"packedCutInPairCount", B().U16(kPackedCode).U8(1).U8(2), {}, false},
    Decoding{"packedCutInLength", B().U16(kPackedCode).U8(1).U16(2).Pair(0, "a").U8(0).U8(0x80), {"a"}, false},
    Decoding{"packedTextPastEnd", B().U16(kPackedCode).U8(1).U16(2).Pair(0, "a").U8(0).U8(3).Text("bc"), {"a"}, false},
    Decoding{"packedCommentMissing", B().U16(kPackedCode).U8(1).U16(1).U8(0).Packed("a"), {}, false},
    Decoding{"packedOverlongLength", B().U16(kPackedCode).U8(1).U16(1).U8(0).U32(0x80808080).U8(0x80).U8(0), {}, false},
    Decoding{"packedSetsBeyondData", B().U16(kPackedCode).U8(3).U16(1).Pair(0, "a"), {"a"}, false},
    Decoding{"packedNoLanguageTable", B().U16(kPackedCode).U8(1).U16(2).Pair(0, "a").Pair(20, "z"), {"a"}, false},
    Decoding{"packedNul", B().U16(kPackedCode).U8(1).U16(1).Pair(0, std::string_view("a\0b", 3)), {"a"}, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(StringTableTest, BigEndianBodiesAreConverted) {
    const Bytes bodies[] = {{0xFF, 0xFF, 0x00, 0x01, 'a', 0x00},        // count swapped too
                            {0x00, 0x01, 0x01, 'b'},                    // the code is the count
                            {0xFF, 0xFE, 0x01, 0x00, 'c', 0x00, 0x00},  // count not swapped
                            // 0xFFFC exists only little-endian: FC FF is left as it is, FF FC is swapped
                            {0xFC, 0xFF, 0x01, 0x01, 0x00, 0x00, 0x01, 'd', 0x00},
                            {0xFF, 0xFC, 0x01, 0x01, 0x00, 0x00, 0x01, 'e', 0x00}};
    for (uint16_t id = 1; id <= 5; ++id) {
        file.Put(restype::kSTR, id, bodies[id - 1], "", false);
        table.SetSource(&file, id, restype::kSTR, StringTable::kBinaryMode, -1);
        ASSERT_EQ(table.Read(false, true), 0);
        EXPECT_EQ(Strings(table, 0), S{std::string(1, static_cast<char>('a' + id - 1))}) << id;
    }
    uint8_t shortBody[3] = {0xFF, 0xFF, 0x01};  // no room for a count: left alone
    StringTableConversion(shortBody, 3);
    StringTableConversion(nullptr, 0);
    EXPECT_EQ(shortBody[2], 0x01);
}

TEST_F(StringTableTest, OtherLanguagesOnlyWithAllLanguages) {
    // The same table in both multi-language encodings: they follow the same rules.
    for (const Bytes& b :
         {Bytes(ByteBuilder().U16(kMulti).U16(3).Entry(1, "a", "ca").Entry(1, "b").Entry(2, "x", "cx")),
          kPackedTable}) {
        SCOPED_TRACE(int{b[0]});  // the low byte of the code
        ASSERT_EQ(Read(restype::kCTSS, 1, b, false), 0);
        EXPECT_EQ(Strings(table, 0), (S{"a", "b"}));
        EXPECT_TRUE(table.GetComment(1, 0) == std::string("ca") && table.Count(1) == 0);
        ASSERT_EQ(table.Read(true, true), 0);
        EXPECT_EQ(Strings(table, 1), (S{"x"}));
        EXPECT_STREQ(table.GetComment(1, 1), "cx");
        // Empty languages are filled with copies of table 0, marked as copies, without comments.
        EXPECT_EQ(Strings(table, 19), (S{"a", "b"}));
        EXPECT_EQ(table.SourceLanguage(1, 1) * 10 + table.SourceLanguage(1, 19), 10);
        EXPECT_EQ(table.GetComment(1, 19), nullptr);
    }
}

TEST_F(StringTableTest, TheFallbackTakesCodeOneEntriesIntoTheCurrentTable) {
    file.Put(restype::kCTSS, 2, ByteBuilder().U16(kMulti).U16(3).Entry(1, "a", "c").Entry(3, "z").Entry(1, "b"));
    table.SetSource(&file, 2, restype::kCTSS, StringTable::kBinaryMode, 1);  // current language: table 1
    ASSERT_EQ(table.Read(false, true), 0);
    EXPECT_EQ(Strings(table, 1), (S{"a", "b"}));
    EXPECT_STREQ(table.GetComment(1, 1), "c");
    ASSERT_EQ(table.Read(false, false), 0);
    EXPECT_EQ(table.Count(1), 0);
    table.SetSource(&file, 2, restype::kCTSS, StringTable::kBinaryMode, 20);  // beyond table 19: finds nothing
    ASSERT_EQ(table.Read(false, true), 0);
    EXPECT_TRUE(table.Count(0) + table.Count(1) + table.Count(StringTable::kLanguageCount) == 0 && !table.Get(1, kCur));

    ASSERT_EQ(Read(restype::kCTSS, 1, ByteBuilder().U16(kMulti).U16(2).Entry(2, "x").Entry(2, "y"), false, true), 0);
    EXPECT_EQ(table.Count(0), 0);
    ASSERT_EQ(table.Read(true, false), 0);
    EXPECT_EQ(Strings(table, 1), (S{"x", "y"}));
    EXPECT_EQ(table.Count(2), 0) << "nothing to copy from an empty table 0";
    uint8_t found = 99;
    EXPECT_STREQ(table.FindInAnyLanguage(2, &found), "y");
    EXPECT_EQ(found, 1);
    EXPECT_EQ(table.FindInAnyLanguage(3, &found), nullptr);
}

TEST_F(StringTableTest, SetInsertAndCommentStayInBounds) {
    table.Set(2, "no", 0);  // past count + 1
    table.Set(1, "a", 0);
    table.Set(2, "c", kCur);
    table.Insert(2, "b", 0);
    table.Insert(0, "first", 0);  // clamped to 1
    table.Insert(99, "last", 0);  // clamped to count + 1
    table.SetComment(6, "no", 0);  // no append
    table.SetComment(1, "first note", 0);
    table.SetComment(5, "last note", 0);
    EXPECT_EQ(Strings(table, 0), (S{"first", "a", "b", "c", "last"}));
    // Clearing outside the table or in a missing language touches nothing.
    for (auto [index, language] : {std::pair{0, 0}, {6, 0}, {-1, 0}, {1, 20}, {5, 7}})
        table.SetComment(index, nullptr, static_cast<uint8_t>(language));
    EXPECT_EQ(table.GetComment(1, 0) + std::string("/") + table.GetComment(5, 0), "first note/last note");
    table.SetComment(5, nullptr, 0);
    table.Set(1, table.Get(1, 0), 0);  // set from itself
    EXPECT_TRUE(!table.GetComment(5, 0) && std::string(table.Get(1, 0)) == "first");
    for (uint8_t l : {uint8_t{20}, uint8_t{254}}) {  // no such language table
        table.Set(1, "x", l);
        table.Insert(1, "x", l);
        table.ClearLanguage(l);
        EXPECT_EQ(table.Get(1, l), nullptr);
    }
    table.Set(1, "x", 5);
    table.ClearLanguage(0);
    EXPECT_EQ(table.Count(0) * 10 + table.Count(5), 1);
    table.ClearAll();
    EXPECT_EQ(table.Count(5), 0);
}

TEST_F(StringTableTest, ReadAndSaveNeedAnOpenSourceAndALoadedBody) {
    table.Set(1, "kept", 0);
    EXPECT_TRUE(table.Read(false, true) == -1 && table.Save() == -1);
    table.SetSource(&file, 1, restype::kSTR, StringTable::kBinaryMode, -1);
    EXPECT_EQ(table.Read(false, true), rc::kNoSuchResource);
    EXPECT_EQ(table.Count(0), 0) << "a failed load empties the table";
    table.Set(1, "kept", 0);
    file.Close();
    EXPECT_EQ(table.Read(false, true), -1);
    EXPECT_STREQ(table.Get(1, 0), "kept");
    // A container that hands out no block without setting an error: a failure all the same.
    struct SilentFile : testing::CatalogMemoryFile {
        DataBlock* GetResource(ResType, ResId, ConversionRoutine) override { return SetError(rc::kOk), nullptr; }
    } silent;
    EXPECT_EQ(StringTable().Load(&silent, 1, false), rc::kNoMemory);
}

// Languages filled with copies of table 0 are not stored; each entry gets a fill byte.
TEST_F(StringTableTest, SaveWritesExactLayoutWithoutCopiedLanguages) {
    ASSERT_EQ(Read(restype::kSTR, 1, B().U16(kMulti).U16(2).Entry(1, "a").Entry(1, "b"), true), 0);
    ASSERT_EQ(table.Count(7), 2);
    ASSERT_EQ(table.Save(), 0);
    EXPECT_EQ(*file.Stored(restype::kSTR, 1), Bytes(B().U16(kMulti).U16(2).Entry(1, "a").Entry(1, "b").U8(0xA3).U8(0xA3)));
    EXPECT_EQ(file.LoadedBlocks(), 0);
}

TEST_F(StringTableTest, SaveMergesWithStoredTable) {
    // The stored table in either multi-language encoding; it is stored back as 0xFFFD.
    file.Put(restype::kCTSS, 2, B().U16(kMulti).U16(6).Entry(1, "s1").Entry(1, "s2").Entry(1, "s3").Entry(1, "s4", "c4")
                                     .Entry(1, "s5").Entry(2, "other"));
    file.Put(restype::kCTSS, 3, B().U16(kPackedCode).U8(2).U16(5).Pair(0, "s1").Pair(0, "s2").Pair(0, "s3")
                                     .Pair(0, "s4", "c4").Pair(0, "s5").U16(1).Pair(1, "other"));
    for (uint16_t id : {2, 3}) {
        SCOPED_TRACE(id);
        StringTable saved;
        saved.SetSource(&file, id, restype::kCTSS, StringTable::kBinaryMode, -1);
        for (const char* s : {"n1", "n2", "n3"}) saved.Set(saved.Count(0) + 1, s, kCur);
        saved.SetComment(3, "c3", kCur);
        ASSERT_EQ(saved.Save(), 0);

        table.SetSource(&file, id, restype::kCTSS, StringTable::kBinaryMode, -1);
        ASSERT_EQ(table.Read(true, false), 0);
        EXPECT_EQ(table.LastEncoding(), StringTable::Encoding::kMultiLanguage);
        EXPECT_EQ(Strings(table, 0), (S{"n1", "n2", "n3", "s4", "s5"}));
        EXPECT_STREQ(table.GetComment(3, 0), "c3");
        EXPECT_STREQ(table.GetComment(4, 0), "c4");
        // Language 2 keeps its own string and is filled up from table 0.
        EXPECT_EQ(Strings(table, 1), (S{"other", "n2", "n3", "s4", "s5"}));
    }
}

TEST_F(StringTableTest, SavedCaretTextBecomesBinaryAndKeepsItsStrings) {
    const Bytes caret = B().Text("^one^^two^^three^");
    file.Put(restype::kCST, 6, caret, "txt");
    ASSERT_EQ(table.Load(&file, 6, false), 0);
    table.ClearAll();
    table.Set(1, "uno", kCur);
    ASSERT_EQ(table.Save(), 0);
    EXPECT_EQ(table.Type(), restype::kSTR);
    EXPECT_EQ(table.TextModeFlag(), StringTable::kBinaryMode);
    EXPECT_EQ(*file.Stored(restype::kCST, 6), caret);
    StringTable back;
    ASSERT_EQ(back.Load(&file, 6, false), 0);
    EXPECT_EQ(back.Type(), restype::kSTR);
    EXPECT_EQ(Strings(back, 0), (S{"uno", "two", "three"})) << "the merge read the caret text as text";
    EXPECT_EQ(back.Label().View(), "txt");
    StringTable untyped;  // a table given no type is stored as a "STR#" too
    untyped.SetSource(&file, 9, 0, StringTable::kBinaryMode, -1);
    untyped.Set(1, "x", kCur);
    ASSERT_EQ(untyped.Save(), 0);
    EXPECT_NE(file.Stored(restype::kSTR, 9), nullptr);
}

TEST_F(StringTableTest, FailedSaveChangesNothing) {
    Bytes original = ByteBuilder().U16(kPlain).U16(1).CString("a");
    file.Put(restype::kSTR, 1, original);
    table.SetSource(&file, 1, restype::kSTR, StringTable::kBinaryMode, -1);
    table.Set(1, "b", kCur);
    file.readOnly = true;
    EXPECT_EQ(table.Save(), rc::kNotWritable);
    file.readOnly = false;
    file.failAdd = rc::kNoWritableMember;
    EXPECT_EQ(table.Save(), rc::kNoWritableMember);
    EXPECT_TRUE(*file.Stored(restype::kSTR, 1) == original && file.LoadedBlocks() == 0);
}

TEST_F(StringTableTest, EntryCountIsReadBackAsSigned16BitsSoMoreIsRefused) {
    // 32,767 entries fit; one more would read back as a negative count.
    for (int n : {32767, 32768}) {
        SCOPED_TRACE(n);
        testing::CatalogMemoryFile limitFile;
        StringTable big;
        big.SetSource(&limitFile, 1, restype::kSTR, StringTable::kBinaryMode, -1);
        for (int i = 1; i <= n; ++i) big.Insert(i, "", kCur);
        EXPECT_EQ(big.Save(), n == 32767 ? rc::kOk : rc::kNoMemory);
        EXPECT_EQ(limitFile.Stored(restype::kSTR, 1) != nullptr, n == 32767);
    }
}

}  // namespace
}  // namespace tambrix
