#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileaccess/CTGString.h"
#include "fileaccess/FileSystem.h"
#include "platform/PlatformFile.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::TempDir;

TEST(FileSystemNames, KeysFoldAsciiCapitalsAndSlashesUpToTheLimit) {
    CTGString key("  two words  ");
    key.TrimRight();
    EXPECT_EQ(key, "  two words");
    key.Trim();
    EXPECT_EQ(key, "two words");
    ASSERT_TRUE(FileSystem::NormaliseName("C:/Games/The Sims/\xC4pfel.IFF", key));
    EXPECT_EQ(key, "c:\\games\\the sims\\\xC4pfel.iff");  // bytes above 0x7F stay
    EXPECT_TRUE(FileSystem::NormaliseName(std::string(kMaxFileNameLength, 'a').c_str(), key));
    EXPECT_FALSE(FileSystem::NormaliseName(std::string(kMaxFileNameLength + 1, 'a').c_str(), key));
    EXPECT_FALSE(FileSystem::NormaliseName(nullptr, key));
    FileSystem files;
    const std::string hugeName(4096, 'b');
    const char* huge = hugeName.c_str();
    EXPECT_EQ(files.Open(huge, false), nullptr);
    EXPECT_EQ(files.Open(huge, true), nullptr);
    EXPECT_FALSE(files.Create(huge) || files.Delete(huge) || files.Exists(huge) || files.Find(huge));
    EXPECT_EQ(files.OpenArchive(huge), nullptr);
}

// An archive is any file whose byte ranges are mounted as files: "HDR:" the entries never
// see, "chair-bytes" at 4 mounted as Data\Objects\chair.iff, "table" at 15 mounted as
// table.iff (no folder), then a tail after the last entry.
const std::string kArchiveBytes = "HDR:chair-bytestable:TAIL-OF-ARCHIVE";

class MountedArchive : public ::testing::Test {
protected:
    void SetUp() override {
        archive = files.OpenArchive(dir.Write("Archive.bin", kArchiveBytes).c_str());
        ASSERT_NE(archive, nullptr);
        ASSERT_TRUE(files.MountEntry("Data\\Objects\\chair.iff", archive, 4, 11));
        ASSERT_TRUE(files.MountEntry("table.iff", archive, 15, 5));
    }
    std::string readAll(FileHandle* handle, uint32_t ask = 64) {
        std::string text(ask, '\0');
        text.resize(handle->Read(text.data(), ask));
        return text;
    }
    TempDir dir;
    FileSystem files;
    platform::NativeFile* archive = nullptr;
};

TEST_F(MountedArchive, AnySpellingFindsTheEntryAndNothingElse) {
    IndexEntry entry;
    ASSERT_TRUE(files.Find("DATA/objects/Chair.IFF", &entry));
    EXPECT_EQ(entry.archive, archive);
    EXPECT_EQ(entry.offset, 4u);
    EXPECT_EQ(entry.size, 11u);
    EXPECT_EQ(entry.inArchive, 1);
    EXPECT_TRUE(files.Find("TABLE.IFF"));  // no separator: the empty directory
    for (const char* other : {"data\\objects", "objects\\chair.iff", "\\table.iff", "x\\table.iff"})
        EXPECT_FALSE(files.Find(other)) << other;
}

TEST_F(MountedArchive, WindowsReadOnlyTheirRangeAndRefuseEveryChange) {
    FileHandle* chair = files.Open("data/objects/CHAIR.iff", false);
    ASSERT_NE(chair, nullptr);
    EXPECT_TRUE(chair->IsWindow());
    EXPECT_FALSE(chair->IsWritable());
    EXPECT_EQ(chair->GetName(), "data\\objects\\chair.iff");
    EXPECT_EQ(readAll(chair), "chair-bytes");  // not "chair-bytestable..."
    EXPECT_EQ(chair->GetPosition(), 11u);
    EXPECT_EQ(readAll(chair), "");
    EXPECT_TRUE(chair->Seek(6));
    EXPECT_EQ(readAll(chair, 3), "byt");
    EXPECT_TRUE(chair->Seek(11));
    EXPECT_FALSE(chair->Seek(12));
    EXPECT_EQ(chair->GetPosition(), 11u);
    EXPECT_EQ(chair->Write("xx", 2), 0u);
    EXPECT_FALSE(chair->SeekExtend(20));
    EXPECT_FALSE(chair->SetSize(1));
    EXPECT_EQ(chair->GetSize(), 11u);
    files.Close(chair);
    EXPECT_EQ(files.Open("table.iff", true), nullptr);
    EXPECT_FALSE(files.Create("TABLE.iff"));
    EXPECT_FALSE(files.Delete("table.iff"));
    EXPECT_TRUE(files.Exists("Table.iff"));
    EXPECT_EQ(dir.Read("Archive.bin"), std::vector<uint8_t>(kArchiveBytes.begin(), kArchiveBytes.end()));
}

TEST_F(MountedArchive, WindowsOutliveEachOtherAndTheArchiveClose) {
    FileHandle* first = files.Open("table.iff", false);
    FileHandle* second = files.Open("table.iff", false);
    ASSERT_TRUE(first && second);
    files.Close(first);  // closing a window leaves the archive open
    EXPECT_EQ(readAll(second), "table");
    FileHandle* chair = files.Open("data\\objects\\chair.iff", false);
    ASSERT_NE(chair, nullptr);
    files.CloseArchive(archive);  // unmounts, but open windows still read
    EXPECT_FALSE(files.Find("table.iff"));
    EXPECT_EQ(files.Open("table.iff", false), nullptr);
    EXPECT_EQ(readAll(chair), "chair-bytes");
    files.Close(chair);
    EXPECT_TRUE(second->Seek(0));
    EXPECT_EQ(readAll(second), "table");
    files.Close(second);  // the last window closes the archive's handle (ASan would see a leak otherwise)
}

TEST_F(MountedArchive, MountRefusesRangesOutsideTheArchiveAndDuplicates) {
    const uint32_t size = static_cast<uint32_t>(kArchiveBytes.size());
    EXPECT_TRUE(files.MountEntry("whole.bin", archive, 0, size));
    EXPECT_TRUE(files.MountEntry("empty-at-end.bin", archive, size, 0));
    EXPECT_FALSE(files.MountEntry("past-end.bin", archive, 1, size));
    EXPECT_FALSE(files.MountEntry("start-past-end.bin", archive, size + 1, 0));
    EXPECT_FALSE(files.MountEntry("wraps.bin", archive, 8, UINT32_MAX - 4));  // 8 + size overflows 32 bits
    EXPECT_FALSE(files.MountEntry("TABLE.IFF", archive, 0, 1));
    EXPECT_FALSE(files.MountEntry("folder\\", archive, 0, 1));
    int unknown = 0;
    EXPECT_FALSE(files.MountEntry("stray.bin", reinterpret_cast<platform::NativeFile*>(&unknown), 0, 1));
}

TEST_F(MountedArchive, DiskFilesInAKnownDirectoryJoinTheIndex) {
    ASSERT_TRUE(files.MountEntry(dir.File("mounted.bin").c_str(), archive, 0, 1));
    const std::string created = dir.File("New.iff");
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
    EXPECT_FALSE(files.Find(created.c_str()) || dir.Exists("New.iff"));
}

TEST(FileSystemDisk, ReadsWritesAndSizesADiskFile) {
    TempDir dir;
    FileSystem files;
    const std::string path = dir.Write("plain.bin", std::string("abcdef"));
    FileHandle* handle = files.Open(path.c_str(), true);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(handle->IsWritable());
    char buffer[8] = {};
    EXPECT_EQ(handle->Read(buffer, 8), 6u);  // a disk read is not clamped, the file just ends
    EXPECT_EQ(handle->GetPosition(), 6u);
    EXPECT_FALSE(handle->Seek(7));
    EXPECT_TRUE(handle->SeekExtend(8));  // a write seek may pass the end
    EXPECT_EQ(handle->GetSize(), 8u);
    EXPECT_EQ(handle->Write("XY", 2), 2u);
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
