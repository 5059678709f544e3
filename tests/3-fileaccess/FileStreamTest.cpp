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

TEST(FileStream, ClosedStreamsAnswerTheirCodesAndShortReadsAdvance) {
    FileStream stream;
    char buffer[4];
    uint32_t count = 4, size = 99;
    FileNameText name("unchanged");
    uint32_t written = 4;
    for (int32_t code : {stream.Read(buffer, count), stream.Write(buffer, written), stream.Close(), stream.Seek(0),
                         stream.GetSize(size), stream.SetSize(0), stream.Flush(), stream.GetName(name)})
        EXPECT_EQ(code, rc::kNotOpen);
    EXPECT_EQ(count + written, 0u);
    EXPECT_EQ(name.View(), "unchanged");
    TempDir dir;
    EXPECT_EQ(stream.Open(FileNameText(dir.File("missing.iff"))), rc::kIoFailed);
    EXPECT_FALSE(stream.IsOpen());
    FixedText<512> tooLong(dir.Path() + "/" + std::string(300 - dir.Path().size() - 1, 'n'));
    ASSERT_GT(tooLong.Length(), kMaxFileNameLength);
    EXPECT_EQ(stream.Open(tooLong), rc::kIoFailed);
    EXPECT_EQ(stream.Create(tooLong), rc::kCreateFailed);
    EXPECT_EQ(stream.Delete(tooLong), rc::kNoSuchFile);
    EXPECT_FALSE(stream.IsOpen() || stream.IsOpenedForWriting());

    // Short reads advance over what was read.
    ASSERT_EQ(stream.Open(FileNameText(dir.Write("six.bin", std::string("123456")))), rc::kOk);
    EXPECT_TRUE(stream.IsOpenedForWriting());
    char six[10] = {};
    count = 4;
    EXPECT_EQ(stream.Read(six, count), rc::kOk);
    count = 10;
    EXPECT_EQ(stream.Read(six, count), rc::kShortRead);
    EXPECT_EQ(std::string(six, count), "56");
    count = 1;
    EXPECT_EQ(stream.Read(six, count), rc::kShortRead);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(stream.Seek(6) == rc::kOk && stream.Seek(7) == rc::kShortRead && stream.Seek(2) == rc::kOk);
    count = 2;
    EXPECT_EQ(stream.Read(six, count), rc::kOk);
    EXPECT_EQ(std::string(six, 2), "34");
}

TEST(FileStream, ReadOnlyFilesAndArchiveWindowsAreReadAndNeverChanged) {
    TempDir dir;
    const std::string path = dir.Write("locked.iff", std::string("locked"));
    // Permissions refuse an ordinary user; a superuser writes any file, so for one the
    // platform layer is asked to refuse write opens as the host would.
    ::chmod(path.c_str(), 0444);
    if (platform::NativeFile* probe = platform::OpenFile(path, platform::OpenMode::ReadWriteExisting)) {
        platform::CloseFile(probe);
        platform::Hooks().refuseWriteOpens = true;
    }
    FileStream stream;
    const int32_t opened = stream.Open(FileNameText(path));
    const bool writable = stream.IsOpenedForWriting();
    char buffer[6];
    uint32_t count = sizeof buffer, two = 2;
    const int32_t read = stream.Read(buffer, count), wrote = stream.Write("no", two), sized = stream.SetSize(0);
    platform::Hooks().refuseWriteOpens = false;
    EXPECT_TRUE(opened == rc::kOk && !writable && read == rc::kOk);
    EXPECT_EQ(std::string(buffer, count), "locked");
    EXPECT_TRUE(wrote == rc::kShortWrite && two == 0 && sized == rc::kIoFailed);
    stream.Close();
    EXPECT_EQ(dir.Read("locked.iff"), bytesOf("locked"));

    // An archive window opens read-only and can be neither replaced nor deleted.
    const std::string archivePath = dir.Write("pack.bin", std::string("headinsidetail"));
    FileSystem& files = FileSystem::Instance();
    platform::NativeFile* archive = files.OpenArchive(archivePath.c_str());
    ASSERT_NE(archive, nullptr);
    const FileNameText entry(dir.File("Packed/Inside.iff"));
    ASSERT_TRUE(files.MountEntry(dir.File("Packed/Inside.iff").c_str(), archive, 4, 6));
    ASSERT_EQ(stream.Open(entry), rc::kOk);
    EXPECT_FALSE(stream.IsOpenedForWriting());
    char inside[16];
    uint32_t asked = sizeof inside, one = 1;
    EXPECT_EQ(stream.Read(inside, asked), rc::kShortRead);
    EXPECT_EQ(std::string(inside, asked), "inside");
    EXPECT_TRUE(stream.Seek(7) == rc::kShortRead && stream.Write("x", one) == rc::kShortWrite);
    stream.Close();
    EXPECT_TRUE(stream.Create(entry) == rc::kFileExists && stream.Delete(entry) == rc::kDeleteFailed);
    files.CloseArchive(archive);
    EXPECT_EQ(dir.Read("pack.bin"), bytesOf("headinsidetail"));
}

TEST(FileStream, WritesSizesAndItsNormalisedNameOpensTheFileAgain) {
    TempDir dir;
    FileStream stream;
    ASSERT_TRUE(stream.Create(FileNameText(dir.File("Out.IFF"))) == rc::kOk &&
                stream.Open(FileNameText(dir.File("Out.IFF"))) == rc::kOk);
    uint32_t count = 5, size = 0;
    FileNameText name;
    EXPECT_TRUE(stream.Write("hello", count) == rc::kOk && stream.SetSize(8) == rc::kOk);  // grows, with zeros
    EXPECT_TRUE(stream.GetSize(size) == rc::kOk && size == 8u);
    EXPECT_TRUE(stream.SetSize(2) == rc::kOk && stream.Flush() == rc::kOk && stream.GetName(name) == rc::kOk);
    std::string expected = dir.File("out.iff");
    for (char& c : expected) c = c == '/' ? '\\' : FoldAscii(c);
    EXPECT_EQ(name.View(), expected);
    stream.Close();
    EXPECT_TRUE(dir.Read("Out.IFF") == bytesOf("he") && stream.Open(name) == rc::kOk);
    platform::Hooks().failWritesAfter = 0;
    count = 3;
    const int32_t failed = stream.Write("abc", count);
    platform::Hooks().failWritesAfter = -1;
    EXPECT_TRUE(failed == rc::kShortWrite && count == 0);
    count = 0;
    EXPECT_EQ(stream.Write("abc", count), rc::kOk);  // nothing asked, nothing missing
}

}  // namespace
}  // namespace tambrix
