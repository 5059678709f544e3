#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/PlatformFile.h"
#include "support/TempDir.h"

namespace tambrix::platform {
namespace {

TEST(PlatformFile, NamesResolveExactSpellingFirstThenTheFirstCaseVariantAndOpenRefusesWhatIsNoFile) {
    test::TempDir dir;
    for (const char* name : {"Folder/file.txt", "Folder/FILE.txt", "folder/file.txt"}) dir.Write(name, std::string(name));
    for (auto [asked, found] : {std::pair{"Folder/FILE.txt", "Folder/FILE.txt"}, {"folder/file.txt", "folder/file.txt"},
                                {"FOLDER/File.txt", "Folder/FILE.txt"}})  // byte order, not listing order
        EXPECT_EQ(ResolvePath(dir.File(asked)), dir.File(found));
    // A missing tail keeps its spelling in the resolved folder; only files are deleted.
    CloseFile(OpenFile(dir.Path() + "\\FOLDER\\New.iff", OpenMode::CreateAlways));
    EXPECT_TRUE(dir.Exists("Folder/New.iff"));
    EXPECT_FALSE(DeleteFile(dir.File("Folder/missing.iff")) || DeleteFile(dir.File("folder")));
    EXPECT_TRUE(DeleteFile(dir.Path() + "\\FOLDER\\NEW.IFF") && !dir.Exists("Folder/New.iff"));

    // Opening refuses missing files, folders and pipes at once.
    dir.MakeDir("sub");
    const std::string pipe = dir.File("pipe.iff");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);  // opening one for reading would wait for a writer
    for (const std::string& name : {dir.File("none"), dir.File("sub"), pipe})
        EXPECT_FALSE(OpenFile(name, OpenMode::ReadExisting) || OpenFile(name, OpenMode::ReadWriteExisting) ||
                     FileExists(name)) << name;
    EXPECT_FALSE(OpenFile(dir.File("sub"), OpenMode::CreateAlways) || dir.Exists("none"));  // nor creates one
    EXPECT_TRUE(DirectoryExists(dir.File("SUB")) && !DirectoryExists(dir.File("none")));
}

TEST(PlatformFile, ReadWritePositionSizeTruncationAndListing) {
    test::TempDir dir;
    dir.Write("f", std::string("0123456789"));
    NativeFile* file = OpenFile(dir.File("f"), OpenMode::ReadWriteExisting);
    ASSERT_NE(file, nullptr);
    char buffer[16] = {};
    uint32_t done = 0;  // a short read at the end is no error; a write past the end grows the file over a zero gap
    EXPECT_TRUE(SetFilePointer(file, 7) && ReadFile(file, buffer, 16, done));
    EXPECT_EQ(std::string(buffer, done) + std::to_string(GetFilePointer(file)), "78910");
    EXPECT_TRUE(SetFilePointer(file, 12) && WriteFile(file, "AB", 2, done));
    EXPECT_EQ(done * 100 + GetFileSize(file), 214u);
    EXPECT_TRUE(SetFilePointer(file, 4) && SetEndOfFile(file) && FlushFile(file));
    CloseFile(file);
    const std::vector<uint8_t> truncated = dir.Read("f");
    CloseFile(OpenFile(dir.File("f"), OpenMode::CreateAlways));
    EXPECT_TRUE(truncated == (std::vector<uint8_t>{'0', '1', '2', '3'}) && dir.Read("f").empty());

    for (const char* name : {"Sims/Chair.iff", "Sims/table.IFF", "Sims/wall.wll"}) dir.Write(name, std::string(name));
    dir.MakeDir("Sims/Sub.iff");
    std::vector<DirEntry> entries;
    ASSERT_TRUE(FindFiles(dir.Path() + "\\SIMS\\*.iff", entries));
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name + entries[1].name + entries[2].name, "Chair.iffSub.ifftable.IFF");
    EXPECT_TRUE(entries[0].size == 14 && entries[0].modified > 0 && !entries[0].isDirectory && entries[1].isDirectory);
    ASSERT_TRUE(FindFiles(dir.File("Sims/*"), entries) && entries.size() == 4u);  // "." and ".." are never listed
    EXPECT_FALSE(FindFiles(dir.File("Nowhere/*"), entries) || !entries.empty());
}

TEST(PlatformFile, WildcardsFoldCaseAsWindowsDoes) {
    const struct { const char *name, *pattern; bool matches; } cases[] = {
        {"Chair.IFF", "*.iff", true}, {"chair.iff", "*.IFF", true}, {"chair.iff2", "*.iff", false},
        {"chair.iff", "c?air.*", true}, {"chair", "*.*", true}, {"chair", "chair.*", true}, {"", "*", true},
        {"", "?", false}, {"abcbc", "a*bc", true}, {"abcd", "a*bc", false}, {"a.b.c", "*.c", true},
        {"aaa", "a**a", true}, {"x.iff", "?.iff", true}, {"xy.iff", "?.iff", false}};
    for (const auto& c : cases) EXPECT_EQ(MatchPattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
    EXPECT_FALSE(MatchPattern(std::string(200, 'a'), "*a*a*a*a*a*a*a*a*b"));  // no exponential backtracking
}

TEST(PlatformFile, MovesReplaceOnlyWhenAskedAndNewFilesRefuseAnyExistingName) {
    test::TempDir dir;
    struct Case {
        const char* why;
        bool targetThere;
        bool replace;
        bool moved;
    };
    const Case cases[] = {
        {"to a free name", false, false, true},
        {"onto a file, not replacing", true, false, false},
        {"onto a file, replacing", true, true, true},
        {"to a free name, replacing", false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        dir.Write("new", "new bytes");
        if (c.targetThere) dir.Write("old", "old bytes");
        EXPECT_EQ(MoveFile(dir.File("new"), dir.File("old"), c.replace), c.moved);
        const std::string expected = c.moved ? "new bytes" : "old bytes";
        EXPECT_EQ(dir.Read("old"), std::vector<uint8_t>(expected.begin(), expected.end()));
        EXPECT_EQ(dir.Exists("new"), !c.moved) << "a failed move keeps the file it would move";
        DeleteFile(dir.File("new"));
        DeleteFile(dir.File("old"));
    }
    EXPECT_FALSE(MoveFile(dir.File("missing"), dir.File("other"), true));

    dir.Write("taken", "x");
    EXPECT_EQ(OpenFile(dir.File("taken"), OpenMode::CreateNew), nullptr);
    EXPECT_EQ(dir.Read("taken"), (std::vector<uint8_t>{'x'}));
    NativeFile* fresh = OpenFile(dir.File("fresh"), OpenMode::CreateNew);
    ASSERT_NE(fresh, nullptr);
    uint32_t done = 0;
    EXPECT_TRUE(WriteFile(fresh, "ab", 2, done));
    CloseFile(fresh);
    EXPECT_EQ(dir.Read("fresh"), (std::vector<uint8_t>{'a', 'b'}));
}

}  // namespace
}  // namespace tambrix::platform
