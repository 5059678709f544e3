#include <gtest/gtest.h>

#include <sstream>

#include "cli/TerminalText.h"

namespace tambrix::tools {
namespace {

TEST(TerminalText, ControlsAreEscapedAndGameLettersReadAsThemselves) {
    const std::pair<std::string, std::string> cases[] = {
        {"chair\tof oak\n", "chair\tof oak\n"},                                   // line feed and tab stay
        {"\x1b[31mred", "\\x1b[31mred"},                                           // an escape sequence
        {std::string("a\0b", 3), "a\\x00b"},
        {"\r\x07\x7f", "\\x0d\\x07\\x7f"},                                         // CR, BEL, DEL
        {"No\xe9mie's Nursery", "No\xc3\xa9mie's Nursery"},                        // Windows-1252 é
        {"Caf\xc3\xa9", "Caf\xc3\xa9"},                                            // UTF-8 é stays
        {"\x80uro", "\xe2\x82\xacuro"},                                            // € of the code page
        {"\x9b" "2J", "\xe2\x80\xba" "2J"},                                        // 0x9B is a letter there
        {"\x81\x9d", "\\x81\\x9d"},                                                // unassigned bytes
        {"\xc2\x9b" "2J", "\\u009b2J"},                                            // a C1 CSI in UTF-8
        {"\xc3", "\xc3\x83"},                                                      // a cut sequence
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},                          // a surrogate: bytes
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(TerminalText(in), out);
    }
}

TEST(TerminalText, TheStreamPassesWholeLinesAndTheRestAtTheEnd) {
    std::ostringstream target;
    {
        TerminalStreamBuf buffer(target);
        std::ostream out(&buffer);
        out << "label \"\x1b]0;x\x07\"\n" << "No";
        out.put('\xe9');
        EXPECT_EQ(target.str(), "label \"\\x1b]0;x\\x07\"\n");
        out << "mie";
    }
    EXPECT_EQ(target.str(), "label \"\\x1b]0;x\\x07\"\nNo\xc3\xa9mie");
}

}  // namespace
}  // namespace tambrix::tools
