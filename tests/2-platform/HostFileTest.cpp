// The host's file calls as every floor above relies on them, on POSIX and on Windows
// alike: names in UTF-8 whatever the host's code page, names the host cannot take,
// positioned reads and writes beside the file pointer, a deleted file's name freed at
// once though the file is still open, and the user's cache folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/PlatformFile.h"
#include "support/HostTest.h"
#include "support/TempDir.h"

namespace tambrix::platform {
namespace {

std::vector<uint8_t> readAll(const std::string& name) {
    std::vector<uint8_t> bytes;
    uint32_t size = 0;
    NativeFile* file = OpenFile(name, OpenMode::ReadExisting, &size);
    if (!file) return bytes;
    bytes.resize(size);
    uint32_t done = 0;
    if (!ReadFileAt(file, 0, bytes.data(), size, done)) done = 0;
    bytes.resize(done);
    CloseFile(file);
    return bytes;
}

std::vector<std::string> listing(const std::string& folderAndPattern) {
    std::vector<DirEntry> entries;
    std::vector<std::string> names;
    if (!FindFiles(folderAndPattern, entries)) return {"(no folder)"};
    for (const DirEntry& entry : entries) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

// Every name is UTF-8, and the standard library (through Utf8Path) sees the same file:
// on Windows that holds only when the layer leaves the 8-bit code page out.
TEST(HostFile, NamesOutsideTheCodePageAreWrittenListedReadAndDeleted) {
    const struct {
        const char* folder;
        const char* file;
    } cases[] = {{"Caf\xC3\xA9", "chaise-\xC3\xA9t\xC3\xA9.iff"},
                 {"\xD0\x94\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5", "\xD0\xA1\xD1\x82\xD1\x83\xD0\xBB.flr"},
                 {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\xA4\x85\xE5\xAD\x90.spf"},
                 {"plain", "n\xC3\xBC.far"}};
    test::TempDir dir;
    const std::string text = "bytes";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string folder = dir.File(c.folder), name = folder + "/" + c.file;
        ASSERT_TRUE(MakeDirectory(folder) && DirectoryExists(folder));
        ASSERT_TRUE(WriteWholeFile(name, {{text.data(), static_cast<uint32_t>(text.size())}}));
        EXPECT_TRUE(dir.Exists(std::string(c.folder) + "/" + c.file));  // the same file, seen by the standard library
        EXPECT_TRUE(FileExists(name));
        EXPECT_EQ(readAll(name), std::vector<uint8_t>(text.begin(), text.end()));
        EXPECT_EQ(listing(folder + "/*"), std::vector<std::string>{c.file});
        const std::optional<FileIdentity> identity = IdentifyFile(name);
        EXPECT_TRUE(identity && identity->size == text.size());
        EXPECT_TRUE(DeleteFile(name));
        EXPECT_FALSE(FileExists(name) || dir.Exists(std::string(c.folder) + "/" + c.file));
    }
}

// A name the host would read as another (cut at a zero byte) or cannot spell opens,
// makes and deletes nothing, least of all the file the cut name would be.
TEST(HostFile, NamesTheHostCannotTakeReachNoFile) {
    test::TempDir dir;
    dir.Write("a", std::string("keep"));
    const std::string cut = dir.File("a") + std::string(1, '\0') + "b";
    const std::string notUtf8 = dir.File("bad\xFF\xFE.iff");
    const std::string device = test::kWindowsHost ? "NUL" : "/dev/null";
    const std::string text = "x";
    EXPECT_FALSE(OpenFile(cut, OpenMode::ReadExisting) || OpenFile(cut, OpenMode::CreateAlways) || FileExists(cut));
    EXPECT_FALSE(WriteWholeFile(cut, {{text.data(), 1}}) || DeleteFile(cut) || MakeDirectory(cut));
    EXPECT_EQ(dir.Read("a"), std::vector<uint8_t>({'k', 'e', 'e', 'p'}));
    // A device or a folder is no file, for reading or writing, and a folder is not replaced.
    const std::string folder = dir.MakeDir("sub.iff");
    // (Nothing here deletes the device: a test runs as root often enough.)
    for (const std::string& name : {device, folder}) {
        EXPECT_FALSE(OpenFile(name, OpenMode::ReadExisting) || OpenFile(name, OpenMode::ReadWriteExisting) ||
                     FileExists(name))
            << name;
    }
    EXPECT_FALSE(OpenFile(folder, OpenMode::CreateAlways) || WriteWholeFile(folder, {{text.data(), 1}}) ||
                 DeleteFile(folder));
    EXPECT_TRUE(DirectoryExists(folder));
    // Windows names are UTF-16: bytes that are not UTF-8 name nothing there; POSIX takes any bytes.
    NativeFile* file = OpenFile(notUtf8, OpenMode::CreateAlways);
    EXPECT_EQ(file != nullptr, !test::kWindowsHost);
    CloseFile(file);
}

TEST(HostFile, PositionedCallsLeaveTheFilePointerAndReadOnlyFilesFlush) {
    test::TempDir dir;
    dir.Write("f", std::string("0123456789"));
    NativeFile* file = OpenFile(dir.File("f"), OpenMode::ReadWriteExisting);
    ASSERT_NE(file, nullptr);
    char buffer[8] = {};
    uint32_t done = 0;
    ASSERT_TRUE(SetFilePointer(file, 3));
    const struct {
        uint64_t offset;
        uint32_t count;
        std::string read;
    } reads[] = {{0, 2, "01"}, {8, 8, "89"}, {10, 4, ""}, {40, 1, ""}};
    for (const auto& r : reads) {
        EXPECT_TRUE(ReadFileAt(file, r.offset, buffer, r.count, done)) << r.offset;
        EXPECT_EQ(std::string(buffer, done), r.read) << r.offset;
        EXPECT_EQ(GetFilePointer(file), 3u);
    }
    EXPECT_TRUE(ReadFile(file, buffer, 2, done) && std::string(buffer, done) == "34" && GetFilePointer(file) == 5u);
    // A write past the end grows the file over a zero gap; the pointer stays where it was.
    EXPECT_TRUE(WriteFileAt(file, 12, "AB", 2, done) && done == 2 && GetFileSize(file) == 14u);
    EXPECT_TRUE(WriteFile(file, "xy", 2, done) && GetFilePointer(file) == 7u);
    EXPECT_TRUE(SetFileSize(file, 6) && GetFileSize(file) == 6u && GetFilePointer(file) == 7u);
    EXPECT_FALSE(ReadFileAt(file, UINT64_MAX - 1, buffer, 4, done));  // a position past any file
    CloseFile(file);
    EXPECT_EQ(dir.Read("f"), std::vector<uint8_t>({'0', '1', '2', '3', '4', 'x'}));
    file = OpenFile(dir.File("f"), OpenMode::ReadExisting);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(FlushFile(file));  // nothing to write out is no failure
    CloseFile(file);
}

// The browser deletes a file it may still show: the name goes at once, a new file may take
// it, and what is still open reads on.
TEST(HostFile, ADeletedFileLeavesItsNameAtOnceThoughStillOpen) {
    test::TempDir dir;
    const std::string name = dir.Write("shown/Chair.iff", std::string("old"));
    NativeFile* open = OpenFile(name, OpenMode::ReadExisting);
    ASSERT_NE(open, nullptr);
    ASSERT_TRUE(DeleteFile(name));
    EXPECT_FALSE(FileExists(name) || dir.Exists("shown/Chair.iff"));
    EXPECT_EQ(listing(dir.File("shown/*.iff")), std::vector<std::string>{});
    EXPECT_FALSE(DeleteFile(name));
    const std::string text = "new";
    EXPECT_TRUE(WriteWholeFile(name, {{text.data(), 3}}));
    EXPECT_EQ(readAll(name), std::vector<uint8_t>({'n', 'e', 'w'}));
    char buffer[4] = {};
    uint32_t done = 0;
    EXPECT_TRUE(ReadFileAt(open, 0, buffer, 4, done) && std::string(buffer, done) == "old");
    CloseFile(open);
    EXPECT_EQ(listing(dir.File("shown/*")), std::vector<std::string>{"Chair.iff"});
}

// A name that differs only in case is one file on Windows and two elsewhere; either way the
// caller hears of the stored spelling before creating, with the folder as it asked.
TEST(HostFile, AnotherCaseOfTheNameIsToldInItsStoredSpelling) {
    test::TempDir dir;
    dir.Write("Out/SOFA.BMP", std::string("theirs"));
    const struct {
        std::string asked, told;
    } cases[] = {{dir.File("Out/sofa.bmp"), dir.File("Out/SOFA.BMP")},
                 {dir.File("Out/SOFA.BMP"), ""},
                 {dir.File("Out/chair.bmp"), ""},
                 {dir.File("Out/*.bmp"), ""},
                 {dir.File("Out/"), ""}};
    for (const auto& c : cases) EXPECT_EQ(OtherCaseEntry(c.asked), c.told) << c.asked;
}

TEST(HostFile, TheCacheFolderIsTheHostsAndOnlyAnAbsoluteOne) {
    const char* variable = test::kWindowsHost ? "LOCALAPPDATA" : "XDG_CACHE_HOME";
    const std::string absolute = test::kWindowsHost ? "C:\\Users\\me\\AppData\\Local" : "/home/me/.cache-elsewhere";
    const std::optional<std::string> kept = test::Variable(variable);
    const struct {
        std::string value, folder;
    } cases[] = {{absolute, absolute}, {"relative/cache", test::kWindowsHost ? "" : "fallback"}};
    for (const auto& c : cases) {
        test::SetVariable(variable, c.value);
        const std::string folder = UserCacheFolder();
        // Elsewhere a relative value gives way to $HOME/.cache, whatever the home is here.
        if (c.folder == "fallback")
            EXPECT_NE(folder.find("/.cache"), std::string::npos) << folder;
        else
            EXPECT_EQ(folder, c.folder) << c.value;
    }
    test::SetVariable(variable, kept);
}

}  // namespace
}  // namespace tambrix::platform
