#include <gtest/gtest.h>

#include <string>

#include "core/JsonReader.h"

namespace tambrix {
namespace {

TEST(JsonReader, ReadsTheWholeGrammar) {
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(R"( {"a": [1, -2, 9223372036854775807, -9223372036854775808], "b": {"c": true,
        "d": false, "e": null}, "s": "q\"\\\/\b\f\n\r\t\u0041\u00e9\u20ac\ud83d\ude00", "empty": [], "o": {}} )",
                          v, error))
        << error;
    ASSERT_TRUE(v.IsObject());
    const JsonValue* a = v.Find("a");
    ASSERT_TRUE(a && a->IsArray() && a->items.size() == 4);
    EXPECT_EQ(a->items[1].number, -2);
    EXPECT_EQ(a->items[2].number, INT64_MAX);
    EXPECT_EQ(a->items[3].number, INT64_MIN);
    EXPECT_TRUE(v.Find("b")->Find("c")->boolean);
    EXPECT_EQ(v.Find("b")->Find("e")->kind, JsonValue::Kind::Null);
    EXPECT_EQ(v.Find("s")->text, "q\"\\/\b\f\n\r\tA\xE9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(v.Find("missing"), nullptr);
    EXPECT_EQ(a->Find("a"), nullptr);  // not an object
}

// Every fault gives false, the line it is on, and an empty value.
TEST(JsonReader, RefusesFaultsWithTheirLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "line 1: the text ends"},
        {"{", "line 1: a member without a quoted name"},
        {"[1,\n2", "line 2: an array without its closing bracket"},
        {"[1 2]", "missing comma"},
        {"{\"a\" 1}", "missing colon"},
        {"{\"a\": 1, \"a\": 2}", "a name given twice"},
        {"\"abc", "without its closing quote"},
        {"\"a\x01\"", "a control character"},
        {"\"\\x\"", "an unknown escape"},
        {"\"\\u12zz\"", "a bad \\u escape"},
        {"\"\\u12", "a cut \\u escape"},
        {"\"\\ud83d\\u0041\"", "a broken surrogate pair"},
        {"1.5", "not a whole number"},
        {"1e3", "not a whole number"},
        {"9223372036854775808", "too large"},
        {"-", "not a value"},
        {"tru", "an unknown word"},
        {"[] x", "text after the value"},
        {std::string(kMaxJsonDepth + 1, '['), "nested too deeply"},
    };
    for (const auto& [text, words] : cases) {
        JsonValue v;
        v.kind = JsonValue::Kind::Array;
        std::string error;
        EXPECT_FALSE(ParseJson(text, v, error)) << text;
        EXPECT_NE(error.find(words), std::string::npos) << text << " gave " << error;
        EXPECT_EQ(v.kind, JsonValue::Kind::Null) << text;
    }
    JsonValue v;
    std::string error;
    EXPECT_TRUE(ParseJson(std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']'), v, error)) << error;
}

TEST(JsonReader, QuotedTextReadsBackByteForByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string quoted = JsonQuoted(all);
    for (const char c : quoted) EXPECT_TRUE(c >= 0x20 && c < 0x7F);  // plain ASCII
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(quoted, v, error)) << error;
    EXPECT_EQ(v.text, all);
}

}  // namespace
}  // namespace tambrix
