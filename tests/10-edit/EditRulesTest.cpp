// The rules every edit follows: texts in the game's character set, and writes only
// outside archives and the game's own folders.

#include <gtest/gtest.h>

#include "core/ResultCodes.h"
#include "core/GameText.h"
#include "sets/WritePlace.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

TEST(GameTextTest, TakesWindows1252AndRefusesTheRest) {
    struct Case {
        const char* utf8;
        const char* game;  ///< null: refused
    };
    const Case cases[] = {
        {"Plain text 123", "Plain text 123"},
        {"", ""},
        {"Caf\xC3\xA9 na\xC3\xAFve \xC3\xBF", "Caf\xE9 na\xEFve \xFF"},   // Latin-1 letters
        {"\xE2\x82\xAC \xE2\x84\xA2 \xC5\x93 \xC5\xB8", "\x80 \x99 \x9C \x9F"},  // the set's own 0x80..0x9F
        {"\xE2\x80\x9Cquoted\xE2\x80\x9D", "\x93quoted\x94"},
        {"two\nlines\tand\r", "two\nlines\tand\r"},
        {"\xC2\xA0", "\xA0"},
        {"\xC2\x81", nullptr},          // a C1 control the set leaves undefined
        {"\xE4\xB8\xAD", nullptr},      // a CJK character
        {"\xF0\x9F\x98\x80", nullptr},  // outside the basic plane
        {"\xC3", nullptr},              // cut short
        {"\xC0\xA9", nullptr},          // an overlong form
        {"\xE0\x80\xA9", nullptr},      // another
        {"\xFF", nullptr},              // no lead byte
        {"\x01", nullptr},              // a control character
        {"\x7F", nullptr},
    };
    for (const Case& c : cases) {
        std::string out = "stale";
        const int32_t code = Utf8ToGameText(c.utf8, out);
        EXPECT_EQ(code, c.game ? rc::kOk : rc::kEditBadText) << c.utf8;
        EXPECT_EQ(out, c.game ? c.game : "") << c.utf8;
    }
    std::string out;
    EXPECT_EQ(Utf8ToGameText(std::string("a\0b", 3), out), rc::kEditBadText) << "a NUL would end the text";
}

TEST(WritePlaceTest, RefusesArchivesAndTheGamesOwnFolders) {
    struct Case {
        const char* path;
        int32_t expected;
    };
    const Case cases[] = {
        {"/home/me/Sims/Downloads/Mine.iff", rc::kOk},
        {"Downloads/Sub/Mine.iff", rc::kOk},
        {"/home/me/Sims/UserData/Mine.iff", rc::kOk},
        {"/home/me/Sims/GameData/Objects/Chair.iff", rc::kEditGameFolder},
        {"/home/me/Sims/gamedata/Chair.iff", rc::kEditGameFolder},
        {"C:\\Sims\\GameData\\Chair.iff", rc::kEditGameFolder},
        {"/home/me/Sims/ExpansionShared/x.iff", rc::kEditGameFolder},
        {"/home/me/Sims/ExpansionPack7/Objects/x.iff", rc::kEditGameFolder},
        {"/home/me/Sims/expansionpack/x.iff", rc::kEditGameFolder},
        {"/home/me/Sims/Downloads/Pack.far/Chair.iff", rc::kEditInArchive},
        {"/home/me/Sims/Downloads/Pack.FAR", rc::kEditInArchive},
        {"/home/me/Sims/Downloads/GameDataBackup/x.iff", rc::kOk},
        {"/home/me/Sims/Downloads/far/x.iff", rc::kOk},
        {"", rc::kNoSuchFile},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckWritePlace(c.path), c.expected) << c.path;
}

TEST(WritePlaceTest, FindsTheGameFolderAndMakesFoldersOnlyWhereAllowed) {
    test::TempDir dir;
    dir.MakeDir("Sims/GameData/Objects");
    dir.MakeDir("Sims/Downloads");
    EXPECT_EQ(FindGameFolder(dir.File("Sims/GameData/Objects/Objects.far/Chairs/Chair.iff")), dir.File("Sims"));
    EXPECT_EQ(FindGameFolder(dir.File("Sims/Downloads/New/Mine.iff")), dir.File("Sims"));
    EXPECT_EQ(FindGameFolder(dir.File("Sims")), dir.File("Sims"));
    EXPECT_EQ(FindGameFolder(dir.Path()), "");

    EXPECT_EQ(MakeFolders(dir.File("Sims/Downloads/New/Deeper")), rc::kOk);
    EXPECT_TRUE(dir.Exists("Sims/Downloads/New/Deeper"));
    EXPECT_EQ(MakeFolders(dir.File("Sims/Downloads/New/Deeper")), rc::kOk) << "already there";
    EXPECT_EQ(MakeFolders(dir.File("Sims/GameData/Mine")), rc::kEditGameFolder);
    EXPECT_FALSE(dir.Exists("Sims/GameData/Mine"));
    dir.Write("Sims/Downloads/File", "x");
    EXPECT_EQ(MakeFolders(dir.File("Sims/Downloads/File/Sub")), rc::kCreateFailed);
}

}  // namespace
}  // namespace tambrix
