// Steam's list of libraries: the paths it names, and no library at all from a damaged,
// deep or huge list.

#include <gtest/gtest.h>

#include "platform/LibraryFolders.h"
#include "support/TempDir.h"

namespace tambrix::platform {
namespace {

using Paths = std::vector<std::string>;

// As Steam writes it today: tabs, a block per library with its games.
const std::string kToday =
    "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/me/.local/share/Steam\"\n\t\t\"label\"\t\t\"\"\n"
    "\t\t\"contentid\"\t\t\"123\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"100\"\n\t\t}\n\t}\n"
    "\t\"1\"\n\t{\n\t\t\"path\"\t\t\"/mnt/games/SteamLibrary\"\n\t\t\"apps\"\n\t\t{\n\t\t}\n\t}\n}\n";

// Blocks inside blocks, `depth` of them.
std::string nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "k { ";
    for (int i = 0; i < depth; ++i) text += "} ";
    return text;
}

// A list of `count` libraries, all "/l".
std::string list(size_t count) {
    std::string text = "libraryfolders {";
    for (size_t i = 0; i < count; ++i) text += " " + std::to_string(i) + " { path /l }";
    return text + " }";
}

TEST(LibraryFolders, ReadsThePathsOfTheListedLibraries) {
    const struct {
        const char* what;
        std::string text;
        Paths paths;
    } cases[] = {
        {"today's layout", kToday, {"/home/me/.local/share/Steam", "/mnt/games/SteamLibrary"}},
        {"older layout, Windows paths escaped",
         "\"LibraryFolders\" { \"TimeNextStatsReport\" \"1\" \"ContentStatsID\" \"-5\" \"1\" \"D:\\\\SteamLibrary\" "
         "\"2\" \"E:\\\\Games\\\\Steam\" }",
         {"D:\\SteamLibrary", "E:\\Games\\Steam"}},
        {"key case, bare words, comments, conditions, CRLF",
         "// written by hand\r\nLIBRARYFOLDERS\r\n{\r\n 0 { PATH /a [$LINUX] }\r\n \"1\"{\"Path\"\"/b\"}}\r\n",
         {"/a", "/b"}},
        {"escapes kept or undone", "libraryfolders { 1 { path \"C:\\Steam \\\"x\\\"\" } }", {"C:\\Steam \"x\""}},
        {"only numbered blocks count, empty paths skipped",
         "libraryfolders { x { path /no } 1 { apps { path /no } path \"\" } 2 { path /yes } }\nother { 3 { path /no } "
         "}",
         {"/yes"}},
        {"another root", "\"steamapps\" { \"0\" { \"path\" \"/a\" } }", {}},
        {"nothing", "", {}},
        {"unclosed block", kToday.substr(0, kToday.size() - 2), {}},
        {"unclosed quote", "libraryfolders { 1 { path \"/a } }", {}},
        {"stray close", "libraryfolders { 1 { path /a } } }", {}},
        {"key without value", "libraryfolders { 1 { path /a label } }", {}},
        {"block without key", "libraryfolders { { path /a } }", {}},
        {"unclosed condition", "libraryfolders { 1 { path /a [$WIN32 } }", {}},
        {"NUL inside", std::string("libraryfolders { 1 { path /a\0b } }", 34), {}},
        {"as many libraries as allowed", list(kMaxLibraryFolders), Paths(kMaxLibraryFolders, "/l")},
        {"one library more", list(kMaxLibraryFolders + 1), {}},
        {"nested to the limit", "libraryfolders { 1 { path /a } " + nested(kMaxLibraryFoldersDepth - 1) + "}", {"/a"}},
        {"nested deeper than the limit", "libraryfolders { 1 { path /a } " + nested(kMaxLibraryFoldersDepth) + "}", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseLibraryFolders(c.text), c.paths) << c.what;
}

TEST(LibraryFolders, AFileIsReadOnlyWhenItIsAPlainFileOfBoundedSize) {
    test::TempDir dir;
    EXPECT_EQ(ReadLibraryFolders(dir.Write("libraryfolders.vdf", kToday)).size(), 2u);
    // Padded with spaces to just past the bound: the same list, refused unread.
    std::string huge = kToday;
    huge.resize(kMaxLibraryFoldersBytes + 1, ' ');
    EXPECT_EQ(ReadLibraryFolders(dir.Write("huge.vdf", huge)), Paths{});
    huge.resize(kMaxLibraryFoldersBytes);
    EXPECT_EQ(ReadLibraryFolders(dir.Write("bound.vdf", huge)).size(), 2u);
    EXPECT_EQ(ReadLibraryFolders(dir.MakeDir("folder.vdf")), Paths{});
    EXPECT_EQ(ReadLibraryFolders(dir.File("missing.vdf")), Paths{});
}

}  // namespace
}  // namespace tambrix::platform
