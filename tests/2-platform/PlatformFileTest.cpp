#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/PlatformFile.h"
#include "support/TempDir.h"

namespace tambrix::platform {
namespace {

using test::TempDir;

std::vector<std::string> names(const std::vector<DirEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    std::sort(out.begin(), out.end());
    return out;
}

std::string readAll(const std::string& path) {
    NativeFile* file = OpenFile(path, OpenMode::ReadExisting);
    if (!file) return "<missing>";
    std::string text(GetFileSize(file), '\0');
    uint32_t done = 0;
    ReadFile(file, text.data(), static_cast<uint32_t>(text.size()), done);
    CloseFile(file);
    text.resize(done);
    return text;
}

TEST(ResolvePath, ExactSpellingWinsOverACaseVariant) {
    TempDir dir;
    dir.Write("Folder/file.txt", std::string("lower"));
    dir.Write("Folder/FILE.txt", std::string("upper"));
    dir.Write("folder/file.txt", std::string("other folder"));
    EXPECT_EQ(readAll(dir.File("Folder/FILE.txt")), "upper");
    EXPECT_EQ(readAll(dir.File("Folder/file.txt")), "lower");
    EXPECT_EQ(readAll(dir.File("folder/file.txt")), "other folder");
    // No exact spelling: the first case variant in byte order, whatever the listing order.
    EXPECT_EQ(ResolvePath(dir.File("FOLDER/File.txt")), dir.File("Folder/FILE.txt"));
}

TEST(ResolvePath, MissingTailKeepsItsSpellingInAResolvedFolder) {
    TempDir dir;
    dir.MakeDir("Downloads");
    std::string created = dir.Path() + "\\DOWNLOADS\\New.iff";
    EXPECT_EQ(ResolvePath(created), dir.File("Downloads/New.iff"));
    NativeFile* file = OpenFile(created, OpenMode::CreateAlways);
    ASSERT_NE(file, nullptr);
    CloseFile(file);
    EXPECT_TRUE(dir.Exists("Downloads/New.iff"));
    EXPECT_FALSE(dir.Exists("DOWNLOADS"));
}

TEST(OpenFile, ModesAndMissingFiles) {
    TempDir dir;
    EXPECT_EQ(OpenFile(dir.File("none"), OpenMode::ReadExisting), nullptr);
    EXPECT_EQ(OpenFile(dir.File("none"), OpenMode::ReadWriteExisting), nullptr);
    EXPECT_FALSE(dir.Exists("none"));  // opening an existing file never creates one
    // A folder is not a file.
    dir.MakeDir("sub");
    EXPECT_EQ(OpenFile(dir.File("sub"), OpenMode::ReadExisting), nullptr);
    EXPECT_EQ(OpenFile(dir.File("sub"), OpenMode::CreateAlways), nullptr);
    EXPECT_FALSE(FileExists(dir.File("sub")));
    EXPECT_TRUE(DirectoryExists(dir.File("SUB")));
    EXPECT_FALSE(DirectoryExists(dir.File("none")));

    // CreateAlways truncates an existing file.
    dir.Write("f", std::string("old contents"));
    NativeFile* file = OpenFile(dir.File("f"), OpenMode::CreateAlways);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(GetFileSize(file), 0u);
    CloseFile(file);
}

TEST(OpenFile, ANamedPipeIsNoFileAndDoesNotBlock) {
    TempDir dir;
    std::string pipe = dir.File("pipe.iff");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    // Opening a pipe for reading would wait for a writer; the layer must answer at once.
    EXPECT_FALSE(FileExists(pipe));
    EXPECT_EQ(OpenFile(pipe, OpenMode::ReadExisting), nullptr);
    EXPECT_EQ(OpenFile(pipe, OpenMode::ReadWriteExisting), nullptr);
}

TEST(NativeFileIo, ReadWritePositionAndSize) {
    TempDir dir;
    dir.Write("f", std::string("0123456789"));
    NativeFile* file = OpenFile(dir.File("f"), OpenMode::ReadWriteExisting);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(GetFileSize(file), 10u);

    char buffer[16] = {};
    uint32_t done = 0;
    ASSERT_TRUE(SetFilePointer(file, 7));
    EXPECT_TRUE(ReadFile(file, buffer, 16, done));  // short read at the end is not an error
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(std::string(buffer, done), "789");
    EXPECT_EQ(GetFilePointer(file), 10u);

    // A pointer past the end is allowed; the next write grows the file, leaving a zero gap.
    ASSERT_TRUE(SetFilePointer(file, 12));
    EXPECT_TRUE(WriteFile(file, "AB", 2, done));
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(GetFileSize(file), 14u);

    // SetEndOfFile cuts at the pointer.
    ASSERT_TRUE(SetFilePointer(file, 4));
    EXPECT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(GetFileSize(file), 4u);
    EXPECT_TRUE(FlushFile(file));
    CloseFile(file);
    EXPECT_EQ(readAll(dir.File("f")), "0123");
}

TEST(DeleteFile, RemovesFilesOnlyAndResolvesCase) {
    TempDir dir;
    dir.Write("Data/Gone.iff", std::string("x"));
    dir.MakeDir("Data/Keep");
    EXPECT_FALSE(DeleteFile(dir.File("Data/missing.iff")));
    EXPECT_FALSE(DeleteFile(dir.File("Data/Keep")));
    EXPECT_TRUE(dir.Exists("Data/Keep"));
    EXPECT_TRUE(DeleteFile(dir.Path() + "\\data\\GONE.IFF"));
    EXPECT_FALSE(dir.Exists("Data/Gone.iff"));
}

TEST(MatchPattern, WildcardsFoldCaseAsWindowsDoes) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"Chair.IFF", "*.iff", true},
        {"chair.iff", "*.IFF", true},
        {"chair.iff2", "*.iff", false},
        {"chair.iff", "c?air.*", true},
        {"chair", "*.*", true},
        {"chair", "chair.*", true},
        {"chair.iff", "*", true},
        {"", "*", true},
        {"", "?", false},
        {"abc", "a*b*c", true},
        {"abcbc", "a*bc", true},
        {"abcd", "a*bc", false},
        {"walls.wll", "*.flr", false},
        {"a.b.c", "*.c", true},
        {"aaa", "a**a", true},
        {"x.iff", "?.iff", true},
        {"xy.iff", "?.iff", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchPattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
    }
    // Many stars on a long miss finish quickly (no exponential backtracking).
    EXPECT_FALSE(MatchPattern(std::string(200, 'a'), "*a*a*a*a*a*a*a*a*b"));
}

TEST(FindFiles, ListsMatchingEntriesWithTheirDetails) {
    TempDir dir;
    dir.Write("Sims/Chair.iff", std::string("12345"));
    dir.Write("Sims/table.IFF", std::string("1"));
    dir.Write("Sims/wall.wll", std::string("1"));
    dir.MakeDir("Sims/Sub.iff");

    std::vector<DirEntry> entries;
    ASSERT_TRUE(FindFiles(dir.Path() + "\\SIMS\\*.iff", entries));
    EXPECT_EQ(names(entries), (std::vector<std::string>{"Chair.iff", "Sub.iff", "table.IFF"}));
    for (const auto& e : entries) {
        if (e.name == "Chair.iff") {
            EXPECT_FALSE(e.isDirectory);
            EXPECT_EQ(e.size, 5u);
            EXPECT_GT(e.modified, 0);
        }
        if (e.name == "Sub.iff") {
            EXPECT_TRUE(e.isDirectory);
        }
    }

    ASSERT_TRUE(FindFiles(dir.File("Sims/*"), entries));
    EXPECT_EQ(entries.size(), 4u);  // "." and ".." are never listed
    EXPECT_FALSE(FindFiles(dir.File("Nowhere/*"), entries));
    EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace tambrix::platform
