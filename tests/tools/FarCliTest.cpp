// tambrix-cli's archive commands: far ls, far extract, and names that lead through an archive.
#include <gtest/gtest.h>

#include <filesystem>

#include "ToolsTestSupport.h"
#include "catalog/StringTable.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FarWriter.h"
#include "support/ByteBuilder.h"

namespace tambrix::tools {
namespace {

namespace fs = std::filesystem;

// Every regular file under a folder, relative and '/' separated.
std::vector<std::string> FilesUnder(const std::string& root) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), root).generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

// A 1a archive of four-byte entries, for what the writer refuses to make: compressed
// entries (a second size that differs) and names that would escape.
std::vector<uint8_t> HandArchive(const std::vector<std::pair<std::string, uint32_t>>& entries) {
    testing::ByteBuilder b;
    b.FarHeader(16 + 4 * static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) b.Text(entries[i].first.substr(0, 1) + "zzz");
    b.U32(static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        b.FarEntry1a(4, entries[i].second, 16 + 4 * static_cast<uint32_t>(i), entries[i].first);
    return b;
}

class FarCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(WriteFarArchive(mArchive.c_str(),
                                  {{"readme.txt", Bytes("top level")},
                                   {"Sub\\Inner\\deep.bin", Bytes(std::string("\0\1\2\3", 4))},
                                   {"Sub\\second.txt", Bytes("second")}},
                                  FarVariant::k1b),
                  rc::kOk);
        mDir.Write("in/hand.far", HandArchive({{"ok.txt", 4}, {"packed.iff", 9}, {"..\\evil.txt", 4}, {"/abs.txt", 4}}));
    }
    Folder mDir;
    const std::string mArchive = mDir.MakeDir("in") + "/Pack.far", mHand = mDir.File("in/hand.far");
};

TEST_F(FarCli, LsListsEveryEntryWithWhyItCannotBeUsed) {
    CliRun r = Cli({"far", "ls", mArchive});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out.rfind("variant 1b, 3 entries\n", 0), 0u) << r.out;
    // size, second size and offset of the first entry, just after the 16-byte header
    EXPECT_TRUE(Has(r.out, "         9          9         16   no  readme.txt\n")) << r.out;
    r = Cli({"far", "ls", mArchive, "--json"});
    EXPECT_EQ(r.out.rfind("{\"variant\": \"1b\", \"declared_count\": 3, \"entries\": [", 0), 0u) << r.out;
    EXPECT_TRUE(Has(r.out, "{\"name\": \"Sub\\\\Inner\\\\deep.bin\", \"size\": 4, \"stored_size\": 4, \"offset\": 25, "
                           "\"compressed\": false, \"usable\": true, \"problem\": \"\"}"))
        << r.out;

    // Entries the archive holds but that cannot be used are listed all the same, with why.
    r = Cli({"far", "ls", mHand, "--json"});
    EXPECT_TRUE(Has(r.out, "\"stored_size\": 9, \"offset\": 20, \"compressed\": true")) << r.out;
    EXPECT_TRUE(Has(Cli({"far", "ls", mHand}).out, "..\\evil.txt   (skipped: "));

    const std::string notFar = mDir.Write("in/not.far", "IFF FILE 2.5: not an archive at all");
    for (const std::string& path : {notFar, mDir.File("in/missing.far")})
        ExpectOneErrorLine(Cli({"far", "ls", path}), kExitBadFile, path + ": ");
}

TEST_F(FarCli, ExtractWritesAllOrChosenEntriesIntoSubFolders) {
    const std::string all = mDir.File("all");
    CliRun r = Cli({"far", "extract", mArchive, "-o", all});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(FilesUnder(all), (std::vector<std::string>{"Sub/Inner/deep.bin", "Sub/second.txt", "readme.txt"}));
    EXPECT_EQ(ReadFileBytes(all + "/Sub/Inner/deep.bin"), Bytes(std::string("\0\1\2\3", 4)));
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
    // Named with '/' or '\', in any case.
    const std::string some = mDir.File("some");
    ASSERT_EQ(Cli({"far", "extract", mArchive, "sub/SECOND.txt", "-o", some}).code, kExitOk);
    EXPECT_EQ(FilesUnder(some), std::vector<std::string>{"Sub/second.txt"});
    EXPECT_EQ(ReadFileBytes(some + "/Sub/second.txt"), Bytes("second"));
    ExpectOneErrorLine(Cli({"far", "extract", mArchive, "nope.txt", "-o", mDir.File("none")}), kExitBadFile,
                       "nope.txt: ");
    EXPECT_FALSE(fs::exists(mDir.File("none")));
}

// Extraction never replaces a file and never writes outside its folder: an existing
// file stays and the rest is written; a named entry that would escape stops everything;
// hostile and compressed entries in the archive are skipped, one line each.
TEST_F(FarCli, ExtractNeverReplacesAndNeverLeavesItsFolder) {
    const std::string out = mDir.File("out");
    mDir.Write("out/Sub/second.txt", "mine");
    CliRun r = Cli({"far", "extract", mArchive, "-o", out});
    EXPECT_EQ(r.code, kExitBadFile);
    EXPECT_EQ(r.err, "tambrix-cli: " + mArchive + ": Sub\\second.txt: already exists in " + out + "; not replaced\n");
    EXPECT_EQ(ReadFileBytes(out + "/Sub/second.txt"), Bytes("mine"));
    EXPECT_EQ(ReadFileBytes(out + "/readme.txt"), Bytes("top level"));

    for (const char* entry : {"../readme.txt", "..\\readme.txt", "/etc/passwd", "Sub/../../x", "C:evil"}) {
        SCOPED_TRACE(entry);
        ExpectOneErrorLine(Cli({"far", "extract", mArchive, "readme.txt", entry, "-o", mDir.File("deep/out")}),
                           kExitBadArgument, "would leave the output folder");
        EXPECT_FALSE(fs::exists(mDir.File("deep")));
    }
    r = Cli({"far", "extract", mHand, "-o", mDir.File("x/out")});
    EXPECT_EQ(r.code, kExitBadFile);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
    EXPECT_EQ(FilesUnder(mDir.File("x")), std::vector<std::string>{"out/ok.txt"});
    EXPECT_FALSE(fs::exists(mDir.File("evil.txt")));
    EXPECT_FALSE(fs::exists(mDir.File("x/evil.txt")));
}

}  // namespace
}  // namespace tambrix::tools
