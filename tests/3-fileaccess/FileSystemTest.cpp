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
    CTGString key("  two words  "), right("  two words  ");
    key.Trim();
    right.TrimRight();
    EXPECT_TRUE(key == "two words" && right == "  two words");
    ASSERT_TRUE(FileSystem::NormaliseName("C:/Games/The Sims/\xC4pfel.IFF", key));
    EXPECT_EQ(key, "c:\\games\\the sims\\\xC4pfel.iff");  // bytes above 0x7F stay
    EXPECT_TRUE(FileSystem::NormaliseName(std::string(kMaxFileNameLength, 'a').c_str(), key));
    EXPECT_FALSE(FileSystem::NormaliseName(std::string(kMaxFileNameLength + 1, 'a').c_str(), key) ||
                 FileSystem::NormaliseName(nullptr, key));
    FileSystem files;
    const std::string hugeName(4096, 'b');
    const char* huge = hugeName.c_str();
    EXPECT_FALSE(files.Open(huge, false) || files.Open(huge, true) || files.Create(huge) || files.Delete(huge) ||
                 files.Exists(huge) || files.Find(huge) || files.OpenArchive(huge));
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

TEST_F(MountedArchive, WindowsReadOnlyTheirRangeAndRefuseEveryChange) {
    FileHandle* chair = files.Open("data/objects/CHAIR.iff", false);  // any spelling; nothing else matches
    ASSERT_NE(chair, nullptr);
    for (const char* other : {"data\\objects", "objects\\chair.iff", "\\table.iff", "x\\table.iff"})
        EXPECT_FALSE(files.Find(other)) << other;
    EXPECT_TRUE(chair->IsWindow() && !chair->IsWritable());
    EXPECT_EQ(chair->GetName(), "data\\objects\\chair.iff");
    EXPECT_EQ(readAll(chair), "chair-bytes");  // not "chair-bytestable..."
    EXPECT_EQ(chair->GetPosition(), 11u);
    EXPECT_EQ(readAll(chair), "");
    EXPECT_TRUE(chair->Seek(6));
    EXPECT_EQ(readAll(chair, 3), "byt");
    EXPECT_TRUE(chair->Seek(11) && !chair->Seek(12) && chair->GetPosition() == 11);
    EXPECT_FALSE(chair->Write("xx", 2) || chair->SeekExtend(20) || chair->SetSize(1));
    EXPECT_EQ(chair->GetSize(), 11u);
    files.Close(chair);
    EXPECT_FALSE(files.Open("table.iff", true) || files.Create("TABLE.iff") || files.Delete("table.iff"));
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
    EXPECT_EQ(readAll(chair), "chair-bytes");
    files.Close(chair);
    files.CloseArchive(archive);  // unmounts, but the one window still open reads
    EXPECT_FALSE(files.Find("table.iff") || files.Open("table.iff", false));
    EXPECT_TRUE(second->Seek(0));
    EXPECT_EQ(readAll(second), "table");
    files.Close(second);  // the last window closes the archive's handle (ASan would see a leak otherwise)
}

TEST_F(MountedArchive, MountRefusesRangesOutsideTheArchiveAndDuplicates) {
    const uint32_t size = static_cast<uint32_t>(kArchiveBytes.size());
    int unknown = 0;
    const struct { const char* name; platform::NativeFile* from; uint32_t offset, size; bool mounts; } cases[] = {
        {"whole.bin", archive, 0, size, true}, {"empty-at-end.bin", archive, size, 0, true},
        {"past-end.bin", archive, 1, size, false}, {"start-past-end.bin", archive, size + 1, 0, false},
        {"wraps.bin", archive, 8, UINT32_MAX - 4, false},  // 8 + size overflows 32 bits
        {"TABLE.IFF", archive, 0, 1, false}, {"folder\\", archive, 0, 1, false},
        {"stray.bin", reinterpret_cast<platform::NativeFile*>(&unknown), 0, 1, false}};
    for (const auto& c : cases) EXPECT_EQ(files.MountEntry(c.name, c.from, c.offset, c.size), c.mounts) << c.name;
}

}  // namespace
}  // namespace tambrix
