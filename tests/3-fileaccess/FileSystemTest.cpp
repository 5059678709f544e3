#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fileaccess/FileSystem.h"
#include "platform/PlatformFile.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::TempDir;

// An archive is any file whose byte ranges are mounted as files. This one is
//   offset 0   "HDR:"            4 bytes the mounted entries never see
//   offset 4   "chair-bytes"     11 bytes, mounted as Data\Objects\chair.iff
//   offset 15  "table"           5 bytes, mounted as table.iff (no folder)
//   offset 20  ":TAIL-OF-ARCHIVE" 16 bytes after the last entry
constexpr uint32_t kChairOffset = 4;
constexpr uint32_t kChairSize = 11;
constexpr uint32_t kTableOffset = 15;
constexpr uint32_t kTableSize = 5;
const std::string kArchiveBytes = "HDR:chair-bytestable:TAIL-OF-ARCHIVE";

class MountedArchive : public ::testing::Test {
protected:
    void SetUp() override {
        std::string path = dir.Write("Archive.bin", kArchiveBytes);
        archive = files.OpenArchive(path.c_str());
        ASSERT_NE(archive, nullptr);
        ASSERT_TRUE(files.MountEntry("Data\\Objects\\chair.iff", archive, kChairOffset, kChairSize));
        ASSERT_TRUE(files.MountEntry("table.iff", archive, kTableOffset, kTableSize));
    }

    std::string readAll(FileHandle* handle, uint32_t ask = 64) {
        std::string text(ask, '\0');
        uint32_t done = handle->Read(text.data(), ask);
        text.resize(done);
        return text;
    }

    TempDir dir;
    FileSystem files;
    platform::NativeFile* archive = nullptr;
};

TEST(FileSystemNames, NormalisedKeysFoldCapitalsAndSlashes) {
    CTGString normalised;
    ASSERT_TRUE(FileSystem::NormaliseName("C:/Games/The Sims/GameData/Chair.IFF", normalised));
    EXPECT_EQ(normalised, "c:\\games\\the sims\\gamedata\\chair.iff");
    // Only ASCII capitals change: bytes of the single-byte code page above 0x7F stay.
    ASSERT_TRUE(FileSystem::NormaliseName("\xC4pfel.IFF", normalised));
    EXPECT_EQ(normalised, "\xC4pfel.iff");
}

TEST(FileSystemNames, LongestNameFitsAndOneMoreIsRefused) {
    CTGString normalised;
    std::string longest(kMaxFileNameLength, 'a');
    EXPECT_TRUE(FileSystem::NormaliseName(longest.c_str(), normalised));
    std::string tooLong(kMaxFileNameLength + 1, 'a');
    EXPECT_FALSE(FileSystem::NormaliseName(tooLong.c_str(), normalised));
    EXPECT_FALSE(FileSystem::NormaliseName(nullptr, normalised));

    FileSystem files;
    std::string huge(4096, 'b');
    EXPECT_EQ(files.Open(huge.c_str(), false), nullptr);
    EXPECT_EQ(files.Open(huge.c_str(), true), nullptr);
    EXPECT_FALSE(files.Create(huge.c_str()));
    EXPECT_FALSE(files.Delete(huge.c_str()));
    EXPECT_FALSE(files.Exists(huge.c_str()));
    EXPECT_FALSE(files.Find(huge.c_str()));
    EXPECT_EQ(files.OpenArchive(huge.c_str()), nullptr);
}

TEST_F(MountedArchive, CapitalsAndForwardSlashesReachTheSameEntry) {
    IndexEntry entry;
    ASSERT_TRUE(files.Find("DATA/objects/Chair.IFF", &entry));
    EXPECT_EQ(entry.archive, archive);
    EXPECT_EQ(entry.offset, kChairOffset);
    EXPECT_EQ(entry.size, kChairSize);
    EXPECT_EQ(entry.inArchive, 1);
    EXPECT_TRUE(files.Find("data\\objects\\chair.iff"));
    EXPECT_FALSE(files.Find("data\\objects"));
    EXPECT_FALSE(files.Find("objects\\chair.iff"));
}

TEST_F(MountedArchive, NameWithoutSeparatorLivesUnderTheEmptyDirectory) {
    EXPECT_TRUE(files.Find("TABLE.IFF"));
    EXPECT_FALSE(files.Find("\\table.iff"));  // that is directory "\", not the empty one
    EXPECT_FALSE(files.Find("x\\table.iff"));
}

TEST_F(MountedArchive, WindowReadsStopAtTheEntryEnd) {
    FileHandle* chair = files.Open("data/objects/CHAIR.iff", false);
    ASSERT_NE(chair, nullptr);
    EXPECT_TRUE(chair->IsWindow());
    EXPECT_FALSE(chair->IsWritable());
    EXPECT_EQ(chair->GetSize(), kChairSize);
    EXPECT_EQ(chair->GetName(), "data\\objects\\chair.iff");
    EXPECT_EQ(readAll(chair), "chair-bytes");  // not "chair-bytestable..."
    EXPECT_EQ(chair->GetPosition(), kChairSize);
    EXPECT_EQ(readAll(chair), "");

    EXPECT_TRUE(chair->Seek(6));
    EXPECT_EQ(readAll(chair, 3), "byt");
    EXPECT_TRUE(chair->Seek(kChairSize));
    EXPECT_FALSE(chair->Seek(kChairSize + 1));
    EXPECT_EQ(chair->GetPosition(), kChairSize);
    files.Close(chair);
}

TEST_F(MountedArchive, WindowsRefuseEveryChange) {
    EXPECT_EQ(files.Open("table.iff", true), nullptr);
    FileHandle* table = files.Open("table.iff", false);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->Write("xx", 2), 0u);
    EXPECT_FALSE(table->SeekExtend(kTableSize + 10));
    EXPECT_FALSE(table->SetSize(1));
    EXPECT_EQ(table->GetSize(), kTableSize);
    files.Close(table);

    EXPECT_FALSE(files.Create("TABLE.iff"));
    EXPECT_FALSE(files.Delete("table.iff"));
    EXPECT_TRUE(files.Exists("Table.iff"));
    EXPECT_EQ(dir.Read("Archive.bin"), std::vector<uint8_t>(kArchiveBytes.begin(), kArchiveBytes.end()));
}

TEST_F(MountedArchive, ClosingAWindowLeavesTheArchiveOpen) {
    FileHandle* first = files.Open("table.iff", false);
    FileHandle* second = files.Open("table.iff", false);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    files.Close(first);
    EXPECT_EQ(readAll(second), "table");
    files.Close(second);
    FileHandle* third = files.Open("data\\objects\\chair.iff", false);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(readAll(third), "chair-bytes");
    files.Close(third);
}

TEST_F(MountedArchive, ClosingTheArchiveUnmountsButOpenWindowsStillRead) {
    FileHandle* chair = files.Open("data\\objects\\chair.iff", false);
    FileHandle* table = files.Open("table.iff", false);
    ASSERT_NE(chair, nullptr);
    ASSERT_NE(table, nullptr);
    files.CloseArchive(archive);
    EXPECT_FALSE(files.Find("table.iff"));
    EXPECT_EQ(files.Open("table.iff", false), nullptr);
    EXPECT_EQ(readAll(chair), "chair-bytes");
    files.Close(chair);  // one window of two: the archive stays open for the other
    EXPECT_EQ(readAll(table), "table");
    files.Close(table);  // the last window closes the archive's handle (ASan would see a leak otherwise)
}

TEST_F(MountedArchive, MountRefusesRangesOutsideTheArchiveAndDuplicates) {
    const uint32_t archiveSize = static_cast<uint32_t>(kArchiveBytes.size());
    EXPECT_TRUE(files.MountEntry("whole.bin", archive, 0, archiveSize));
    EXPECT_TRUE(files.MountEntry("empty-at-end.bin", archive, archiveSize, 0));
    EXPECT_FALSE(files.MountEntry("past-end.bin", archive, 1, archiveSize));
    EXPECT_FALSE(files.MountEntry("start-past-end.bin", archive, archiveSize + 1, 0));
    EXPECT_FALSE(files.MountEntry("wraps.bin", archive, 8, UINT32_MAX - 4));  // 8 + size overflows 32 bits
    EXPECT_FALSE(files.MountEntry("TABLE.IFF", archive, 0, 1));
    EXPECT_FALSE(files.MountEntry("folder\\", archive, 0, 1));
    int unknown = 0;
    EXPECT_FALSE(files.MountEntry("stray.bin", reinterpret_cast<platform::NativeFile*>(&unknown), 0, 1));
}

TEST_F(MountedArchive, DiskFilesInAKnownDirectoryJoinTheIndex) {
    // A file created under a directory the index knows is recorded as a writable disk entry.
    ASSERT_TRUE(files.MountEntry(dir.File("mounted.bin").c_str(), archive, 0, 1));
    std::string created = dir.File("New.iff");
    ASSERT_TRUE(files.Create(created.c_str()));
    IndexEntry entry;
    ASSERT_TRUE(files.Find(created.c_str(), &entry));
    EXPECT_EQ(entry.inArchive, 0);
    EXPECT_EQ(entry.writable, 1);
    EXPECT_FALSE(files.Create(created.c_str()));  // known to the index

    FileHandle* handle = files.Open(created.c_str(), true);
    ASSERT_NE(handle, nullptr);
    EXPECT_FALSE(handle->IsWindow());
    EXPECT_TRUE(handle->SetSize(7));
    files.Close(handle);
    ASSERT_TRUE(files.Find(created.c_str(), &entry));
    EXPECT_EQ(entry.size, 7u);
    EXPECT_EQ(dir.Read("New.iff").size(), 7u);

    EXPECT_TRUE(files.Delete(created.c_str()));
    EXPECT_FALSE(files.Find(created.c_str()));
    EXPECT_FALSE(dir.Exists("New.iff"));
}

TEST(FileSystemDisk, ReadsWritesAndSizesADiskFile) {
    TempDir dir;
    FileSystem files;
    std::string path = dir.Write("plain.bin", std::string("abcdef"));
    FileHandle* handle = files.Open(path.c_str(), true);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(handle->IsWritable());
    EXPECT_EQ(handle->GetSize(), 6u);

    char buffer[8] = {};
    EXPECT_EQ(handle->Read(buffer, 8), 6u);  // a disk read is not clamped, the file just ends
    EXPECT_EQ(handle->GetPosition(), 6u);
    EXPECT_FALSE(handle->Seek(7));
    EXPECT_TRUE(handle->SeekExtend(8));  // a write seek may pass the end
    EXPECT_EQ(handle->GetSize(), 8u);
    EXPECT_EQ(handle->Write("XY", 2), 2u);
    EXPECT_EQ(handle->GetSize(), 10u);
    EXPECT_EQ(handle->Write("XY", 0), 0u);
    EXPECT_TRUE(handle->Flush());
    files.Close(handle);
    EXPECT_EQ(dir.Read("plain.bin"), (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'e', 'f', 0, 0, 'X', 'Y'}));

    FileHandle* reader = files.Open(path.c_str(), false);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->Write("Z", 1), 0u);
    EXPECT_FALSE(reader->SetSize(2));
    files.Close(reader);
    EXPECT_EQ(dir.Read("plain.bin").size(), 10u);
}

}  // namespace
}  // namespace tambrix
