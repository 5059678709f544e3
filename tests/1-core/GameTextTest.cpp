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

}  // namespace
}  // namespace tambrix
