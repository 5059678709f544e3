#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/PlatformFile.h"
#include "support/HostTest.h"
#include "support/TempDir.h"

namespace tambrix::platform {
namespace {

TEST(PlatformFile, NamesResolveExactSpellingFirstThenTheFirstCaseVariantAndOpenRefusesWhatIsNoFile) {
    TAMBRIX_SKIP_ON_WINDOWS(test::kNoCaseOnWindows);
#ifndef _WIN32
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
#endif
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

// Creating a file never lands on another whose name differs in case: the caller is told
// of it instead, and a free name can be found that avoids both spellings.
TEST(PlatformFile, CreationKeepsTheExactNameAndTellsOfAnotherCase) {
    TAMBRIX_SKIP_ON_WINDOWS(test::kNoCaseOnWindows);
    test::TempDir dir;
    dir.Write("Out/SOFA.BMP", std::string("old picture"));
    const std::string asked = dir.Path() + "\\out\\sofa.bmp";  // the folder still resolves
    EXPECT_EQ(OtherCaseEntry(asked), dir.File("Out/SOFA.BMP"));
    EXPECT_EQ(OtherCaseEntry(dir.File("Out/SOFA.BMP")), "");  // the exact name exists
    EXPECT_EQ(OtherCaseEntry(dir.File("Out/chair.bmp")), "");
    EXPECT_EQ(FreeFileName(dir.File("Out/sofa.bmp")), dir.File("Out/sofa (2).bmp"));
    EXPECT_EQ(FreeFileName(dir.File("Out/chair.bmp")), dir.File("Out/chair.bmp"));
    CloseFile(OpenFile(asked, OpenMode::CreateAlways));
    EXPECT_TRUE(dir.Exists("Out/sofa.bmp"));
    EXPECT_EQ(dir.Read("Out/SOFA.BMP").size(), 11u);  // not truncated
    dir.Write("Out/sofa (2).BMP", std::string("x"));
    EXPECT_EQ(FreeFileName(dir.File("Out/sofa.bmp")), dir.File("Out/sofa (3).bmp"));
    EXPECT_EQ(FreeFileName(dir.File("Out/.hidden")), dir.File("Out/.hidden"));
}

// A whole-file write replaces only the exact name, and a failed one leaves what was there
// (and nothing of its own) behind.
TEST(PlatformFile, WholeFileWritesReplaceOnlyWhenWholeAndNeverAnotherFile) {
    test::TempDir dir;
    dir.Write("pics/SOFA.BMP", std::string("theirs"));
    dir.Write("pics/chair.bmp", std::string("earlier"));
    const std::string text = "new picture";
    const std::vector<std::pair<const void*, uint32_t>> parts = {{text.data(), 4}, {text.data() + 4, 7}};
    const auto listing = [&dir] {
        std::vector<DirEntry> entries;
        FindFiles(dir.File("pics/*"), entries);
        std::vector<std::string> names;
        for (const DirEntry& entry : entries) names.push_back(entry.name);
        std::sort(names.begin(), names.end());
        return names;
    };
    const struct {
        const char* name;
        int64_t failAfter;
        bool refuseOpen;
        bool written;
    } cases[] = {
        {"pics/chair.bmp", -1, false, true},  {"pics/chair.bmp", 1, false, false}, {"pics/chair.bmp", 0, false, false},
        {"pics/chair.bmp", -1, true, false},  {"pics/new.bmp", 1, false, false},   {"pics/sofa.bmp", 0, false, false},
    };
    for (const auto& c : cases) {
        Hooks().failWritesAfter = c.failAfter;
        Hooks().refuseWriteOpens = c.refuseOpen;
        const std::vector<uint8_t> before = dir.Read(c.name);
        const std::vector<std::string> names = listing();
        EXPECT_EQ(WriteWholeFile(dir.File(c.name), parts), c.written) << c.name << " " << c.failAfter;
        Hooks().failWritesAfter = -1;
        Hooks().refuseWriteOpens = false;
        EXPECT_EQ(dir.Read("pics/SOFA.BMP"), std::vector<uint8_t>({'t', 'h', 'e', 'i', 'r', 's'}));
        if (c.written) {
            EXPECT_EQ(dir.Read(c.name), std::vector<uint8_t>(text.begin(), text.end()));
            dir.Write(c.name, std::string("earlier"));
        } else {
            EXPECT_EQ(dir.Read(c.name), before) << c.name;
            EXPECT_EQ(listing(), names) << c.name;  // no temporary file stays
        }
    }
    // A folder is not replaced by a file. A replaced file keeps its permissions, and a link
    // stays a link to the file now written.
    dir.MakeDir("pics/folder.bmp");
    EXPECT_FALSE(WriteWholeFile(dir.File("pics/folder.bmp"), parts));
    TAMBRIX_SKIP_ON_WINDOWS(test::kPosixFilesOnly);
#ifndef _WIN32
    ASSERT_EQ(::chmod(dir.File("pics/chair.bmp").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("chair.bmp", dir.File("pics/link.bmp").c_str()), 0);
    EXPECT_TRUE(WriteWholeFile(dir.File("pics/link.bmp"), parts));
    struct stat info;
    ASSERT_EQ(::stat(dir.File("pics/chair.bmp").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.Read("pics/chair.bmp"), std::vector<uint8_t>(text.begin(), text.end()));
    ASSERT_EQ(::lstat(dir.File("pics/link.bmp").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
#endif
}

// The identity tells a file from another that took its name, and from itself changed.
TEST(PlatformFile, IdentityChangesWithTheFileAndRemovalIsTheFoldersToAllow) {
    test::TempDir dir;
    const std::string path = dir.Write("a/Plants.iff", std::string("plants"));
    const std::optional<FileIdentity> first = IdentifyFile(path);
    ASSERT_TRUE(first);
    EXPECT_EQ(IdentifyFile(path), first);
    if (!test::kWindowsHost) {  // exactly that name, nothing resolved; Windows has one name in every case
        EXPECT_FALSE(IdentifyFile(dir.File("a/plants.iff")));
    }
    EXPECT_FALSE(IdentifyFile(dir.File("a")));
    dir.Write("a/other.iff", std::string("plantz"));
    std::filesystem::rename(dir.File("a/other.iff"), path);  // same size, another file
    ASSERT_TRUE(IdentifyFile(path));
    EXPECT_NE(IdentifyFile(path), first);

    std::string why;
    ::chmod(path.c_str(), 0444);  // the file's own write bit matters only where it stops deleting: on Windows
    EXPECT_EQ(MayRemoveEntry(path, why), !test::kWindowsHost) << why;
    ::chmod(path.c_str(), 0644);
    EXPECT_FALSE(MayRemoveEntry(dir.File("a/missing.iff"), why));
    Hooks().refuseRemovals = true;
    EXPECT_FALSE(MayRemoveEntry(path, why));
    Hooks().refuseRemovals = false;
    EXPECT_EQ(why.rfind("the folder is not writable: ", 0), 0u) << why;
    TAMBRIX_SKIP_ON_WINDOWS(test::kPosixFilesOnly);
#ifndef _WIN32
    EXPECT_EQ(why, "the folder is not writable: Permission denied");
    if (::geteuid() == 0) GTEST_SKIP() << "running as root: every folder grants removal; the refusal is injected above";
    ::chmod(dir.File("a").c_str(), 0555);
    EXPECT_FALSE(MayRemoveEntry(path, why));
    EXPECT_EQ(why, "the folder is not writable: Permission denied");
#endif
}

// A replacement happens whole or not at all: a source that is no plain file, or a refused
// write, leaves the target as it was.
TEST(PlatformFile, MoveFilePutsAPlainFileInTheTargetsPlace) {
    test::TempDir dir;
    dir.Write("target", std::string("old"));
    dir.Write("new", std::string("new"));
    dir.MakeDir("folder");
    for (const std::string& source : {dir.File("missing"), dir.File("folder")}) {
        EXPECT_FALSE(MoveFile(source, dir.File("target"), true)) << source;
        EXPECT_EQ(dir.Read("target"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
    Hooks().refuseWriteOpens = true;
    EXPECT_FALSE(MoveFile(dir.File("new"), dir.File("target"), true));
    Hooks().refuseWriteOpens = false;
    EXPECT_EQ(dir.Read("target"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_TRUE(MoveFile(dir.File("NEW"), dir.File("TARGET"), true));  // names resolve as everywhere
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
