#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/AsciiCase.h"
#include "core/ResultCodes.h"
#include "fileaccess/FileStream.h"
#include "fileaccess/FileSystem.h"
#include "platform/PlatformFile.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::TempDir;

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

/// Makes a file that cannot be opened for writing. Permissions do it for an ordinary user;
/// a superuser writes any file regardless, so for one the platform layer is asked to refuse
/// write opens instead, exactly as the host refuses them for a read-only file.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path) {
        ::chmod(path.c_str(), 0444);
        platform::NativeFile* probe = platform::OpenFile(path, platform::OpenMode::ReadWriteExisting);
        if (probe) {
            platform::CloseFile(probe);
            platform::Hooks().refuseWriteOpens = true;
        }
    }
    ~ReadOnlyFile() { platform::Hooks().refuseWriteOpens = false; }
};

TEST(FileStreamClosed, EveryOperationAnswersNotOpen) {
    FileStream stream;
    char buffer[4];
    uint32_t count = 4;
    uint32_t size = 99;
    FileNameText name("unchanged");
    EXPECT_EQ(stream.Close(), rc::kNotOpen);
    EXPECT_EQ(stream.Read(buffer, count), rc::kNotOpen);
    EXPECT_EQ(count, 0u);
    count = 4;
    EXPECT_EQ(stream.Write(buffer, count), rc::kNotOpen);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(stream.Seek(0), rc::kNotOpen);
    EXPECT_EQ(stream.GetSize(size), rc::kNotOpen);
    EXPECT_EQ(stream.SetSize(0), rc::kNotOpen);
    EXPECT_EQ(stream.Flush(), rc::kNotOpen);
    EXPECT_EQ(stream.GetName(name), rc::kNotOpen);
    EXPECT_EQ(name.View(), "unchanged");
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_FALSE(stream.IsOpenedForWriting());
}

TEST(FileStreamOpen, MissingFileFailsAndLeavesTheStreamUsable) {
    TempDir dir;
    FileStream stream;
    EXPECT_EQ(stream.Open(FileNameText(dir.File("missing.iff"))), rc::kIoFailed);
    EXPECT_FALSE(stream.IsOpen());
    dir.Write("there.iff", std::string("x"));
    EXPECT_EQ(stream.Open(FileNameText(dir.File("there.iff"))), rc::kOk);
    EXPECT_TRUE(stream.IsOpenedForWriting());
}

TEST(FileStreamOpen, ReadOnlyFileFallsBackToReading) {
    TempDir dir;
    std::string path = dir.Write("locked.iff", std::string("locked"));
    ReadOnlyFile readOnly(path);
    FileStream stream;
    ASSERT_EQ(stream.Open(FileNameText(path)), rc::kOk);
    EXPECT_FALSE(stream.IsOpenedForWriting());
    char buffer[6];
    uint32_t count = sizeof buffer;
    EXPECT_EQ(stream.Read(buffer, count), rc::kOk);
    EXPECT_EQ(std::string(buffer, count), "locked");
    count = 2;
    EXPECT_EQ(stream.Write("no", count), rc::kShortWrite);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(stream.SetSize(0), rc::kIoFailed);
    stream.Close();
    EXPECT_EQ(dir.Read("locked.iff"), bytesOf("locked"));
}

TEST(FileStreamIo, ShortReadAdvancesOverWhatWasRead) {
    TempDir dir;
    FileStream stream;
    ASSERT_EQ(stream.Open(FileNameText(dir.Write("six.bin", std::string("123456")))), rc::kOk);
    char buffer[10] = {};
    uint32_t count = 4;
    EXPECT_EQ(stream.Read(buffer, count), rc::kOk);
    EXPECT_EQ(count, 4u);
    count = 10;
    EXPECT_EQ(stream.Read(buffer, count), rc::kShortRead);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(std::string(buffer, 2), "56");
    count = 1;
    EXPECT_EQ(stream.Read(buffer, count), rc::kShortRead);  // at the end now
    EXPECT_EQ(count, 0u);
    // The position did advance to 6: a seek there works, one past it does not.
    EXPECT_EQ(stream.Seek(6), rc::kOk);
    EXPECT_EQ(stream.Seek(7), rc::kShortRead);
    EXPECT_EQ(stream.Seek(2), rc::kOk);
    count = 2;
    EXPECT_EQ(stream.Read(buffer, count), rc::kOk);
    EXPECT_EQ(std::string(buffer, 2), "34");
}

TEST(FileStreamIo, WriteSetSizeFlushAndName) {
    TempDir dir;
    FileStream stream;
    ASSERT_EQ(stream.Create(FileNameText(dir.File("Out.IFF"))), rc::kOk);
    ASSERT_EQ(stream.Open(FileNameText(dir.File("Out.IFF"))), rc::kOk);
    uint32_t count = 5;
    EXPECT_EQ(stream.Write("hello", count), rc::kOk);
    EXPECT_EQ(count, 5u);
    uint32_t size = 0;
    EXPECT_EQ(stream.GetSize(size), rc::kOk);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(stream.SetSize(8), rc::kOk);  // grows, with zeros
    EXPECT_EQ(stream.GetSize(size), rc::kOk);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(stream.SetSize(2), rc::kOk);
    EXPECT_EQ(stream.Flush(), rc::kOk);

    FileNameText name;
    EXPECT_EQ(stream.GetName(name), rc::kOk);
    std::string expected = dir.File("out.iff");
    for (char& c : expected) c = c == '/' ? '\\' : FoldAscii(c);
    EXPECT_EQ(name.View(), expected);
    stream.Close();
    EXPECT_EQ(dir.Read("Out.IFF"), bytesOf("he"));

    // The normalised name opens the file again (case resolved, separators converted).
    EXPECT_EQ(stream.Open(name), rc::kOk);
}

TEST(FileStreamIo, FailedWriteIsAShortWrite) {
    TempDir dir;
    FileStream stream;
    ASSERT_EQ(stream.Open(FileNameText(dir.Write("f.bin", std::string("")))), rc::kOk);
    platform::Hooks().failWritesAfter = 0;
    uint32_t count = 3;
    int32_t result = stream.Write("abc", count);
    platform::Hooks().failWritesAfter = -1;
    EXPECT_EQ(result, rc::kShortWrite);
    EXPECT_EQ(count, 0u);
    count = 0;
    EXPECT_EQ(stream.Write("abc", count), rc::kOk);  // nothing asked, nothing missing
}

TEST(FileStreamNames, NamesPastTheLimitAreRefusedEverywhere) {
    TempDir dir;
    // A text of 300 characters: the folder, then a long file name.
    FixedText<512> tooLong(dir.Path() + "/" + std::string(300 - dir.Path().size() - 1, 'n'));
    ASSERT_GT(tooLong.Length(), kMaxFileNameLength);
    FileStream stream;
    EXPECT_EQ(stream.Open(tooLong), rc::kIoFailed);
    EXPECT_EQ(stream.Create(tooLong), rc::kCreateFailed);
    EXPECT_EQ(stream.Delete(tooLong), rc::kNoSuchFile);
    EXPECT_FALSE(stream.IsOpen());
}

TEST(FileStreamArchive, AWindowOpensReadOnlyThroughTheFallback) {
    TempDir dir;
    // "head" (4 bytes), the entry "inside" (6 bytes), then "tail" the entry must not reach.
    std::string archivePath = dir.Write("pack.bin", std::string("headinsidetail"));
    FileSystem& files = FileSystem::Instance();
    platform::NativeFile* archive = files.OpenArchive(archivePath.c_str());
    ASSERT_NE(archive, nullptr);
    std::string entryName = dir.File("Packed/Inside.iff");
    ASSERT_TRUE(files.MountEntry(entryName.c_str(), archive, 4, 6));

    FileStream stream;
    ASSERT_EQ(stream.Open(FileNameText(entryName)), rc::kOk);
    EXPECT_FALSE(stream.IsOpenedForWriting());
    uint32_t size = 0;
    EXPECT_EQ(stream.GetSize(size), rc::kOk);
    EXPECT_EQ(size, 6u);
    char buffer[16];
    uint32_t count = sizeof buffer;
    EXPECT_EQ(stream.Read(buffer, count), rc::kShortRead);
    EXPECT_EQ(std::string(buffer, count), "inside");
    EXPECT_EQ(stream.Seek(7), rc::kShortRead);
    count = 1;
    EXPECT_EQ(stream.Write("x", count), rc::kShortWrite);
    EXPECT_EQ(stream.SetSize(1), rc::kIoFailed);
    stream.Close();

    FileStream deleter;
    EXPECT_EQ(deleter.Create(FileNameText(entryName)), rc::kFileExists);
    EXPECT_EQ(deleter.Delete(FileNameText(entryName)), rc::kDeleteFailed);
    files.CloseArchive(archive);
    EXPECT_EQ(dir.Read("pack.bin"), bytesOf("headinsidetail"));
}

}  // namespace
}  // namespace tambrix
