#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fileaccess/FarArchive.h"
#include "fileaccess/FarWriter.h"
#include "platform/PlatformFile.h"
#include "support/ByteBuilder.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::TempDir;
using testing::ByteBuilder;

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

/// Every file below a folder, as paths relative to it.
std::vector<std::string> filesBelow(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        if (item.is_regular_file()) found.push_back(std::filesystem::relative(item.path(), folder).string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

class FarExtract : public ::testing::Test {
protected:
    void SetUp() override {
        archive = dir.File("Objects.far");
        std::vector<uint8_t> big(200000);
        for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i % 251);
        entries = {
            {"Chairs\\Chair.iff", bytesOf("chair object")},
            {"Chairs/Chair.spf", big},  // larger than one copy step
            {"Floor.flr", bytesOf("floor")},
            {"Empty.txt", {}},
        };
        ASSERT_EQ(WriteFarArchive(archive.c_str(), entries, FarVariant::k1a, files), rc::kOk);
        out = dir.File("out/nested");  // made by the extraction, parents too
    }

    TempDir dir;
    FileSystem files;
    std::string archive;
    std::string out;
    std::vector<FarWriterEntry> entries;
};

TEST_F(FarExtract, AllEntriesLandInTheirSubFolders) {
    FarExtractReport report;
    ASSERT_EQ(ExtractFarArchive(archive.c_str(), {}, out.c_str(), &report, files), rc::kOk);
    EXPECT_EQ(report.written, 4u);
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(filesBelow(out),
              (std::vector<std::string>{"Chairs/Chair.iff", "Chairs/Chair.spf", "Empty.txt", "Floor.flr"}));
    EXPECT_EQ(dir.Read("out/nested/Chairs/Chair.iff"), entries[0].bytes);
    EXPECT_EQ(dir.Read("out/nested/Chairs/Chair.spf"), entries[1].bytes);
    EXPECT_TRUE(dir.Read("out/nested/Empty.txt").empty());
}

TEST_F(FarExtract, ChosenEntriesByAnySpellingAndMissingOnesReported) {
    FarExtractReport report;
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {"chairs/CHAIR.IFF", "Nowhere.iff", "floor.flr"}, out.c_str(), &report,
                                files),
              rc::kFarNoSuchEntry);
    EXPECT_EQ(report.written, 2u);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].name, "Nowhere.iff");
    EXPECT_EQ(filesBelow(out), (std::vector<std::string>{"Chairs/Chair.iff", "Floor.flr"}));

    const std::string other = dir.File("other");
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {"Nowhere.iff"}, other.c_str(), &report, files), rc::kFarNoSuchEntry);
    EXPECT_FALSE(dir.Exists("other"));
}

TEST_F(FarExtract, ExistingFileIsNeverReplaced) {
    dir.Write("out/nested/Floor.flr", std::string("mine"));
    FarExtractReport report;
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {}, out.c_str(), &report, files), rc::kFileExists);
    EXPECT_EQ(report.written, 3u);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].name, "Floor.flr");
    EXPECT_EQ(dir.Read("out/nested/Floor.flr"), bytesOf("mine"));
}

TEST_F(FarExtract, FailedWriteLeavesNoPartFile) {
    platform::Hooks().failWritesAfter = 0;
    FarExtractReport report;
    const int32_t code = ExtractFarArchive(archive.c_str(), {"Chairs\\Chair.spf"}, out.c_str(), &report, files);
    platform::Hooks().failWritesAfter = -1;
    EXPECT_EQ(code, rc::kShortWrite);
    EXPECT_EQ(report.written, 0u);
    EXPECT_FALSE(dir.Exists("out/nested/Chairs/Chair.spf"));
}

TEST(FarExtractHostile, NothingIsWrittenOutsideTheFolder) {
    TempDir dir;
    FileSystem files;
    dir.MakeDir("a/b/out");
    // header; "ok" at 16, "evil" at 18; manifest at 22 holding one good entry and names
    // that try to leave the folder, all over the same bytes
    ByteBuilder far;
    far.FarHeader(22).Text("ok").Text("evil");
    const std::vector<std::string> escapes = {"..\\escape1.txt",
                                              "sub\\..\\..\\escape2.txt",
                                              "../escape3.txt",
                                              "\\escape4.txt",
                                              "/" + dir.File("escape5.txt"),
                                              "C:\\escape6.txt",
                                              "c:escape7.txt",
                                              "...\\escape8.txt"};
    far.U32(static_cast<uint32_t>(escapes.size() + 1)).FarEntry1a(2, 2, 16, "sub\\inside.txt");
    for (const std::string& name : escapes) far.FarEntry1a(4, 4, 18, name);
    const std::string archive = dir.Write("a/b/Evil.far", far.Bytes());
    const std::string out = dir.File("a/b/out");

    FarExtractReport report;
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {}, out.c_str(), &report, files), rc::kFarUnsafeName);
    EXPECT_EQ(report.written, 1u);
    EXPECT_EQ(report.problems.size(), escapes.size());
    for (const FarExtractProblem& problem : report.problems) {
        EXPECT_EQ(problem.code, rc::kFarUnsafeName) << problem.name;
    }
    // The only file anywhere besides the archive itself is the good entry.
    EXPECT_EQ(filesBelow(dir.Path()), (std::vector<std::string>{"a/b/Evil.far", "a/b/out/sub/inside.txt"}));

    // Asking for an unsafe name by name does not get it written either.
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {"..\\escape1.txt"}, out.c_str(), &report, files), rc::kFarUnsafeName);
    EXPECT_EQ(report.written, 0u);
    EXPECT_EQ(filesBelow(dir.Path()).size(), 2u);
}

TEST(FarExtractHostile, SubFolderThatIsALinkIsNotEntered) {
    TempDir dir;
    FileSystem files;
    dir.MakeDir("elsewhere");
    dir.MakeDir("out");
    std::filesystem::create_directory_symlink(dir.File("elsewhere"), dir.File("out/Sub"));
    const std::string archive = dir.File("Linked.far");
    ASSERT_EQ(WriteFarArchive(archive.c_str(), {{"Sub\\x.iff", bytesOf("x")}, {"y.iff", bytesOf("y")}}, FarVariant::k1b,
                              files),
              rc::kOk);
    FarExtractReport report;
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {}, dir.File("out").c_str(), &report, files), rc::kFarUnsafeTarget);
    EXPECT_EQ(report.written, 1u);
    EXPECT_FALSE(dir.Exists("elsewhere/x.iff"));
    EXPECT_TRUE(dir.Exists("out/y.iff"));
}

TEST(FarExtractHostile, BrokenArchiveWritesNothing) {
    TempDir dir;
    FileSystem files;
    const std::string archive = dir.Write("Short.far", ByteBuilder().Text("FAR!by").Bytes());
    FarExtractReport report;
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {}, dir.File("out").c_str(), &report, files), rc::kFarNotArchive);
    EXPECT_FALSE(dir.Exists("out"));
    EXPECT_EQ(ExtractFarArchive(dir.File("missing.far").c_str(), {}, dir.File("out").c_str(), &report, files),
              rc::kNoSuchFile);
}

}  // namespace
}  // namespace tambrix
