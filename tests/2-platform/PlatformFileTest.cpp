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

// A replacement happens whole or not at all: a source that is no plain file, or a refused
// write, leaves the target as it was.
TEST(PlatformFile, ReplaceFilePutsAPlainFileInTheTargetsPlace) {
    test::TempDir dir;
    dir.Write("target", std::string("old"));
    dir.Write("new", std::string("new"));
    dir.MakeDir("folder");
    for (const std::string& source : {dir.File("missing"), dir.File("folder")}) {
        EXPECT_FALSE(ReplaceFile(source, dir.File("target"))) << source;
        EXPECT_EQ(dir.Read("target"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
    Hooks().refuseWriteOpens = true;
    EXPECT_FALSE(ReplaceFile(dir.File("new"), dir.File("target")));
    Hooks().refuseWriteOpens = false;
    EXPECT_EQ(dir.Read("target"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_TRUE(ReplaceFile(dir.File("NEW"), dir.File("TARGET")));  // names resolve as everywhere
    EXPECT_EQ(dir.Read("target"), (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_FALSE(dir.Exists("new"));
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

}  // namespace
}  // namespace tambrix::platform
