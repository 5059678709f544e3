#include <gtest/gtest.h>

#include "core/GameText.h"

namespace tambrix {
namespace {

TEST(GameText, ValidUtf8StaysAndAnythingElseIsReadAsWindows1252) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"Plain chair", "Plain chair"},
        {"No\xe9mie's Nursery", "No\xc3\xa9mie's Nursery"},           // é in Windows-1252
        {"No\xc3\xa9mie", "No\xc3\xa9mie"},                             // already UTF-8
        {"\x80 \x9f \xff", "\xe2\x82\xac \xc5\xb8 \xc3\xbf"},           // €, Ÿ, ÿ
        {"\x81\x8d", "\xc2\x81\xc2\x8d"},                               // unassigned: their C1 codes
        {"\xc3", "\xc3\x83"},                                           // a cut sequence
        {"\xe0\x80\x80", "\xc3\xa0\xe2\x82\xac\xe2\x82\xac"},           // overlong: three letters
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},               // a surrogate
        {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xe2\x82\xac\xe2\x82\xac"},  // past U+10FFFF
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},                       // four bytes, valid
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(GameTextToUtf8(in), out);
        EXPECT_TRUE(IsUtf8(GameTextToUtf8(in)));
    }
}

TEST(GameText, EveryByteHasItsCharacterAndBackAndOnlyTheSetsCharactersHaveAByte) {
    struct Case {
        uint8_t byte;
        uint32_t code;
    };
    const Case cases[] = {{'A', 'A'},       {0x7F, 0x7F},     {0x80, 0x20AC}, {0x8A, 0x0160}, {0x93, 0x201C},
                          {0x99, 0x2122},   {0x9F, 0x0178},   {0xA0, 0xA0},   {0xE9, 0xE9},   {0xFF, 0xFF},
                          {0x81, 0x81},     {0x9D, 0x9D}};  // undefined: the control character of that number
    for (const Case& c : cases) EXPECT_EQ(Cp1252ToUnicode(c.byte), c.code) << int(c.byte);
    for (int byte = 0; byte < 256; ++byte) {
        const uint32_t code = Cp1252ToUnicode(static_cast<uint8_t>(byte));
        const bool undefined = byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        EXPECT_EQ(UnicodeToCp1252(code), undefined ? -1 : byte) << byte;
    }
    for (const uint32_t missing : {0x100u, 0x4E2Du, 0x1F600u, 0x85u, 0x2028u})
        EXPECT_EQ(UnicodeToCp1252(missing), -1) << missing;
}

}  // namespace
}  // namespace tambrix
