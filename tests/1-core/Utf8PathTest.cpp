// Names pass to the standard library's file calls as UTF-8 on every host and come back
// unchanged, whatever the host's own code page.

#include <gtest/gtest.h>

#include "core/Utf8Path.h"

namespace tambrix {
namespace {

TEST(Utf8Path, NamesComeBackAsTheyWentAndJoinWithTheHostsSeparator) {
    const char* names[] = {"plain.iff", "Caf\xC3\xA9/chaise.iff", "\xD0\x94\xD0\xB0\xD0\xBD/\xE6\xA4\x85.spf",
                           "GameData/Objects/Objects.far", ""};
    for (const char* name : names) EXPECT_EQ(Utf8Name(Utf8Path(name), true), name) << name;
    // An accented letter is two bytes of UTF-8 and one character of the path.
    EXPECT_EQ(Utf8Path("\xC3\xA9").native().size(), 1u + (sizeof(std::filesystem::path::value_type) == 1 ? 1u : 0u));
    const std::filesystem::path joined = Utf8Path("d\xC3\xA9mo") / Utf8Path("n\xC3\xBC.far");
    EXPECT_EQ(Utf8Name(joined.filename()), "n\xC3\xBC.far");
    EXPECT_EQ(Utf8Name(joined, true), "d\xC3\xA9mo/n\xC3\xBC.far");
    EXPECT_EQ(Utf8Name(joined), std::string("d\xC3\xA9mo") + char(std::filesystem::path::preferred_separator) +
                                    "n\xC3\xBC.far");
}

}  // namespace
}  // namespace tambrix
