// tambrix-cli's archive commands: far ls, far extract, and names that lead through an archive.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Cli.h"
#include "ToolsTestSupport.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FarWriter.h"

namespace tambrix::tools {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int code = 0;
    std::string out;
    std::string err;
};

CliRun Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    CliRun r;
    r.code = RunCli(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// A 1a archive laid out by hand, for what the writer refuses to make: a compressed entry
// and names that would escape. Header "FAR!byAZ", u32 version 1, u32 manifest offset;
// the entries' bytes; then the manifest: u32 count, and per entry u32 size, u32 second
// size, u32 offset, u32 name length, the name.
class HandArchive {
public:
    void Add(const std::string& name, const std::string& bytes, uint32_t secondSize) {
        mEntries.push_back(Entry{name, bytes, secondSize});
    }
    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> out(Bytes("FAR!byAZ"));
        put32(out, 1);
        const size_t manifestAt = out.size();
        put32(out, 0);  // the manifest offset, set below
        std::vector<uint32_t> offsets;
        for (const Entry& e : mEntries) {
            offsets.push_back(static_cast<uint32_t>(out.size()));
            out.insert(out.end(), e.bytes.begin(), e.bytes.end());
        }
        const uint32_t manifest = static_cast<uint32_t>(out.size());
        for (int i = 0; i < 4; ++i) out[manifestAt + i] = static_cast<uint8_t>(manifest >> (8 * i));
        put32(out, static_cast<uint32_t>(mEntries.size()));
        for (size_t i = 0; i < mEntries.size(); ++i) {
            const Entry& e = mEntries[i];
            put32(out, static_cast<uint32_t>(e.bytes.size()));  // size
            put32(out, e.secondSize);                           // second size
            put32(out, offsets[i]);                             // offset
            put32(out, static_cast<uint32_t>(e.name.size()));   // name length (1a: u32)
            out.insert(out.end(), e.name.begin(), e.name.end());
        }
        return out;
    }

private:
    struct Entry {
        std::string name;
        std::string bytes;
        uint32_t secondSize;
    };
    static void put32(std::vector<uint8_t>& out, uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<Entry> mEntries;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every regular file under a folder, relative and '/' separated.
std::vector<std::string> FilesUnder(const std::string& root) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), root).generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

class FarCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(mFolder.Path().empty());
        fs::create_directories(mFolder / "in");
        mArchive = mFolder / "in/Pack.far";
        const std::vector<FarWriterEntry> entries{{"readme.txt", Bytes("top level")},
                                                  {"Sub\\Inner\\deep.bin", Bytes(std::string("\0\1\2\3", 4))},
                                                  {"Sub\\second.txt", Bytes("second")}};
        ASSERT_EQ(WriteFarArchive(mArchive.c_str(), entries, FarVariant::k1b), rc::kOk);
    }

    test::ScratchFolder mFolder;
    std::string mArchive;
};

TEST_F(FarCli, LsListsEveryEntryInTextAndJson) {
    const CliRun text = Cli({"far", "ls", mArchive});
    ASSERT_EQ(text.code, kExitOk) << text.err;
    EXPECT_EQ(text.out.rfind("variant 1b, 3 entries\n", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("Sub\\Inner\\deep.bin"), std::string::npos) << text.out;
    // size, second size and offset of the first entry, just after the 16-byte header
    EXPECT_NE(text.out.find("         9          9         16   no  readme.txt\n"), std::string::npos) << text.out;

    const CliRun json = Cli({"far", "ls", mArchive, "--json"});
    ASSERT_EQ(json.code, kExitOk) << json.err;
    EXPECT_EQ(json.out.rfind("{\"variant\": \"1b\", \"declared_count\": 3, \"entries\": [", 0), 0u) << json.out;
    EXPECT_NE(json.out.find("{\"name\": \"Sub\\\\Inner\\\\deep.bin\", \"size\": 4, \"stored_size\": 4, \"offset\": 25, "
                            "\"compressed\": false, \"usable\": true, \"problem\": \"\"}"),
              std::string::npos)
        << json.out;
}

TEST_F(FarCli, LsShowsCompressedAndUnsafeEntriesWithTheirReason) {
    HandArchive hand;
    hand.Add("ok.txt", "fine", 4);
    hand.Add("packed.bin", "zzzz", 9);  // second size differs: compressed
    hand.Add("..\\evil.txt", "evil", 4);
    const std::string path = mFolder / "in/hand.far";
    WriteBytes(path, hand.Build());
    const CliRun json = Cli({"far", "ls", path, "--json"});
    ASSERT_EQ(json.code, kExitOk) << json.err;
    EXPECT_EQ(json.out.rfind("{\"variant\": \"1a\"", 0), 0u) << json.out;
    EXPECT_NE(json.out.find(
                  "\"name\": \"packed.bin\", \"size\": 4, \"stored_size\": 9, \"offset\": 20, \"compressed\": true"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find(std::string("\"name\": \"..\\\\evil.txt\"")), std::string::npos) << json.out;
    EXPECT_EQ(Count(json.out, "\"usable\": false"), 1u) << json.out;
    const CliRun text = Cli({"far", "ls", path});
    EXPECT_NE(text.out.find("..\\evil.txt   (skipped: "), std::string::npos) << text.out;
}

TEST_F(FarCli, LsOfSomethingElseIsOneErrorLine) {
    WriteBytes(mFolder / "in/not.far", Bytes("IFF FILE 2.5: not an archive at all"));
    for (const std::string& path : {mFolder / "in/not.far", mFolder / "in/missing.far"}) {
        const CliRun r = Cli({"far", "ls", path});
        EXPECT_EQ(r.code, kExitBadFile) << path;
        EXPECT_EQ(r.err.rfind("tambrix-cli: " + path + ": ", 0), 0u) << r.err;
        EXPECT_EQ(Count(r.err, "\n"), 1u) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST_F(FarCli, BadFarCommandLinesExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"far"},
        {"far", "cat", mArchive},
        {"far", "ls"},
        {"far", "ls", mArchive, "more"},
        {"far", "ls", mArchive, "-o", "x"},
        {"far", "extract", mArchive},
        {"far", "extract", mArchive, "-o", "x", "--json"},
        {"far", "extract", mArchive, "--frame", "1", "-o", "x"},
    };
    for (const auto& args : cases) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.code, kExitBadArgument) << args.size() << " " << r.err;
        EXPECT_EQ(Count(r.err, "\n"), 1u) << r.err;
    }
}

TEST_F(FarCli, ExtractWritesAllOrChosenEntriesIntoSubFolders) {
    const std::string all = mFolder / "all";
    CliRun r = Cli({"far", "extract", mArchive, "-o", all});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(FilesUnder(all), (std::vector<std::string>{"Sub/Inner/deep.bin", "Sub/second.txt", "readme.txt"}));
    EXPECT_EQ(test::ReadFileBytes(all + "/Sub/Inner/deep.bin"), Bytes(std::string("\0\1\2\3", 4)));
    EXPECT_EQ(Count(r.out, "\n"), 3u) << r.out;

    // Named with '/' or '\', in any case.
    const std::string some = mFolder / "some";
    r = Cli({"far", "extract", mArchive, "sub/SECOND.txt", "-o", some});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(FilesUnder(some), std::vector<std::string>{"Sub/second.txt"});
    EXPECT_EQ(test::ReadFileBytes(some + "/Sub/second.txt"), Bytes("second"));
}

TEST_F(FarCli, ExtractNeverReplacesAFile) {
    const std::string out = mFolder / "out";
    fs::create_directories(out + "/Sub");
    WriteBytes(out + "/Sub/second.txt", Bytes("mine"));
    const CliRun r = Cli({"far", "extract", mArchive, "-o", out});
    EXPECT_EQ(r.code, kExitBadFile);
    EXPECT_EQ(Count(r.err, "\n"), 1u) << r.err;
    EXPECT_NE(r.err.find("Sub\\second.txt: already exists in " + out + "; not replaced"), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadFileBytes(out + "/Sub/second.txt"), Bytes("mine"));
    // The others are written all the same.
    EXPECT_EQ(test::ReadFileBytes(out + "/readme.txt"), Bytes("top level"));
}

TEST_F(FarCli, AnEntryThatWouldEscapeIsRefusedBeforeAnythingIsWritten) {
    const std::string out = mFolder / "deep/out";
    for (const char* entry : {"../readme.txt", "..\\readme.txt", "/etc/passwd", "Sub/../../x", "C:evil"}) {
        const CliRun r = Cli({"far", "extract", mArchive, "readme.txt", entry, "-o", out});
        EXPECT_EQ(r.code, kExitBadArgument) << entry;
        EXPECT_NE(r.err.find("would leave the output folder"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(mFolder / "deep")) << entry;
    }
    EXPECT_EQ(FilesUnder(mFolder.Path()), std::vector<std::string>{"in/Pack.far"});
}

TEST_F(FarCli, ExtractSkipsHostileAndCompressedEntriesAndStaysInsideItsFolder) {
    HandArchive hand;
    hand.Add("ok.txt", "fine", 4);
    hand.Add("..\\escaped.txt", "evil", 4);
    hand.Add("/abs.txt", "evil", 4);
    hand.Add("packed.bin", "zzzz", 9);
    const std::string path = mFolder / "in/hand.far";
    WriteBytes(path, hand.Build());
    const std::string out = mFolder / "x/out";
    const CliRun r = Cli({"far", "extract", path, "-o", out});
    EXPECT_EQ(r.code, kExitBadFile);
    EXPECT_EQ(Count(r.err, "\n"), 3u) << r.err;  // one line per entry not written
    EXPECT_EQ(FilesUnder(mFolder / "x"), std::vector<std::string>{"out/ok.txt"});
    EXPECT_FALSE(fs::exists(mFolder / "escaped.txt"));
    EXPECT_FALSE(fs::exists(mFolder / "x/escaped.txt"));
}

TEST_F(FarCli, MissingEntryIsNamed) {
    const CliRun r = Cli({"far", "extract", mArchive, "nope.txt", "-o", mFolder / "out"});
    EXPECT_EQ(r.code, kExitBadFile);
    EXPECT_NE(r.err.find("nope.txt: "), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(mFolder / "out"));
}

// Names that lead through an archive, for files that are not objects.
TEST_F(FarCli, FilesInsideAnArchiveOpenForEveryCommand) {
    // A container with a string table 0, stored as a ".spf" entry (shown as nothing) and
    // as an ".iff" entry in a sub-folder.
    const std::string loose = mFolder / "loose.iff";
    {
        IffResourceFile file;
        ASSERT_EQ(file.Create(FileNameText(loose)), rc::kOk);
        ASSERT_EQ(file.Open(FileNameText(loose)), rc::kOk);
        const std::vector<uint8_t> body = EncodeCaretText({"Packed Thing", "5", "Lives in an archive."});
        DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
        ASSERT_NE(block, nullptr);
        std::copy(body.begin(), body.end(), block->data);
        file.AddResource(block, restype::kCST, 0, LabelText("texts"), true);
        file.WriteResource(block);
        ASSERT_EQ(file.Close(), rc::kOk);
    }
    const std::string archive = mFolder / "in/Things.far";
    ASSERT_EQ(WriteFarArchive(archive.c_str(), {{"Box\\Thing.iff", test::ReadFileBytes(loose)}}), rc::kOk);
    const std::vector<uint8_t> before = test::ReadFileBytes(archive);

    const std::string inside = archive + "/Box/Thing.iff";
    CliRun r = Cli({"ls", inside});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("CST"), std::string::npos) << r.out;
    r = Cli({"info", inside, "--no-write"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("name: Packed Thing"), std::string::npos) << r.out;
    EXPECT_EQ(test::ReadFileBytes(archive), before);
}

TEST_F(FarCli, ABrokenArchiveOnTheWayIsOneErrorLine) {
    WriteBytes(mFolder / "in/Broken.far", Bytes("FAR!byAZ\2\0\0\0"));  // version 2
    const CliRun r = Cli({"info", mFolder / "in/Broken.far/Thing.iff"});
    EXPECT_EQ(r.code, kExitBadFile);
    EXPECT_EQ(Count(r.err, "\n"), 1u) << r.err;
    EXPECT_NE(r.err.find("Broken.far: "), std::string::npos) << r.err;
}

TEST_F(FarCli, ACompressedEntrySaysWhyItWillNotOpen) {
    HandArchive hand;
    hand.Add("Packed.iff", "zzzz", 9);
    const std::string path = mFolder / "in/hand.far";
    WriteBytes(path, hand.Build());
    const CliRun r = Cli({"info", path + "/Packed.iff"});
    EXPECT_EQ(r.code, kExitBadFile);
    EXPECT_NE(r.err.find(DescribeResult(rc::kFarCompressed)), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tambrix::tools
