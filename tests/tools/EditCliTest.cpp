// clone, conflicts and set on the demo folder: clones from an archive and from disk with
// their tiles, a copied file found as a conflict, catalog texts saved and read back, and
// every refusal one line with the right exit.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "ToolsTestSupport.h"
#include "demo/DemoFolder.h"
#include "fileaccess/FarArchive.h"

namespace tambrix::tools {
namespace {

namespace fs = std::filesystem;

class EditCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sFolder = new Folder;
        DemoOptions options;
        options.quality = kDraftQuality;
        sCode = WriteDemoFolder(sFolder->File("demo"), options, nullptr, sError);
    }
    static void TearDownTestSuite() {
        UnmountFarArchives(sFolder->Path().c_str());
        delete sFolder;
    }
    void SetUp() override { ASSERT_EQ(sCode, 0) << sError; }

    static std::string Path(const std::string& relative) { return sFolder->File("demo/" + relative); }
    /// The index every command here uses: never the user's own cache.
    static std::string Index() { return sFolder->File("index.sqlite"); }

    static inline Folder* sFolder = nullptr;
    static inline int32_t sCode = 0;
    static inline std::string sError;
};

TEST_F(EditCommands, ClonesFromTheArchiveAndFromDiskWithTilesAndANewName) {
    const std::vector<uint8_t> archive = ReadFileBytes(Path("GameData/Objects/Objects.far"));
    CliRun r = Cli({"clone", Path("GameData/Objects/Objects.far/Plants/PlantRubber.iff"), "-o",
                    Path("Downloads/Fig/Fig.iff"), "--name", "Fig Tree", "--index", Index()});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_TRUE(Has(r.out, "wrote " + Path("Downloads/Fig/Fig.iff") + " and " + Path("Downloads/Fig/Fig.spf")))
        << r.out;
    EXPECT_TRUE(Has(r.out, "\"Rubber Plant\" (object 0): 0x")) << r.out;
    EXPECT_TRUE(Has(r.out, "behaviour code")) << r.out;
    EXPECT_EQ(ReadFileBytes(Path("GameData/Objects/Objects.far")), archive) << "the source is only read";
    r = Cli({"info", Path("Downloads/Fig/Fig.iff"), "--json", "--no-write"});
    EXPECT_TRUE(Has(r.out, "{\"name\": \"Fig Tree\", \"price\": \"70\"")) << r.out;

    // A multi-tile object from disk: the tiles go with their master, each with a new GUID.
    r = Cli({"clone", Path("GameData/Objects/SofaModern.iff"), "-o", Path("Downloads/Sofa.iff"), "--object", "0",
             "--json", "--index", Index()});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_TRUE(Has(r.out, "\"indexed\": true, \"left_out\": 0, \"objects\": [{\"id\": 128, \"label\": \"Sofa\", "
                           "\"object\": 0, \"tile\": false, \"old_guid\": \"0x"))
        << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '{') - 1, 4) << "the master and three tiles";
    const CliRun original = Cli({"info", Path("GameData/Objects/SofaModern.iff"), "--json", "--no-write"});
    const CliRun copy = Cli({"info", Path("Downloads/Sofa.iff"), "--json", "--no-write"});
    EXPECT_TRUE(Has(copy.out, "\"tiles\": [129, 130, 131]")) << copy.out;
    // The same records but for their GUIDs.
    auto withoutGuids = [](std::string text) {
        for (size_t at = 0; (at = text.find("\"guid\": \"0x", at)) != std::string::npos; at += 11)
            text.replace(at + 11, 8, "XXXXXXXX");
        return text;
    };
    EXPECT_EQ(withoutGuids(copy.out), withoutGuids(original.out));
    EXPECT_NE(copy.out, original.out);

    // Again onto the same name: refused, then replaced with --force.
    ExpectOneErrorLine(Cli({"clone", Path("GameData/Objects/SofaModern.iff"), "-o", Path("Downloads/Sofa.iff"),
                            "--index", Index()}),
                       kExitBadFile, "exists already (--force replaces it)");
    EXPECT_EQ(Cli({"clone", Path("GameData/Objects/SofaModern.iff"), "-o", Path("Downloads/Sofa.iff"), "--force",
                   "--index", Index()})
                  .code,
              kExitOk);
}

TEST_F(EditCommands, ConflictsNameACopiedFileAndCloneAvoidsEveryKnownGuid) {
    fs::create_directories(Path("Downloads/Copies"));
    fs::copy_file(Path("GameData/Objects/GlassTable.iff"), Path("Downloads/Copies/GlassTable.iff"));
    CliRun r = Cli({"conflicts", Path(""), "--index", Index()});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_TRUE(Has(r.out, "  (same file)\n  Downloads/Copies/GlassTable.iff  object 0 \"Glass Coffee Table\"\n"
                           "  GameData/Objects/GlassTable.iff  object 0 \"Glass Coffee Table\"  same file as "
                           "Downloads/Copies/GlassTable.iff\n"))
        << r.out;
    r = Cli({"conflicts", Path(""), "--index", Index(), "--json"});
    EXPECT_TRUE(Has(r.out, "\"same_file\": true, \"files\": [{\"file\": \"Downloads/Copies/GlassTable.iff\"")) << r.out;

    // A clone adds no conflict: its GUIDs are new to the index.
    r = Cli({"clone", Path("Downloads/Copies/GlassTable.iff"), "-o", Path("Downloads/Copies/Table2.iff"), "--index",
             Index()});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_FALSE(Has(r.out, "no index")) << r.out;
    const CliRun after = Cli({"conflicts", Path(""), "--index", Index(), "--json"});
    EXPECT_EQ(Cli({"conflicts", Path(""), "--index", Index(), "--json"}).out, after.out);
    EXPECT_FALSE(Has(after.out, "Table2")) << after.out;
    fs::remove_all(Path("Downloads/Copies"));
    EXPECT_EQ(Cli({"conflicts", Path(""), "--index", Index()}).out, "no GUID conflicts\n");
}

TEST_F(EditCommands, SetSavesTextsInTwoLanguagesAndThePrice) {
    ASSERT_EQ(Cli({"clone", Path("GameData/Objects/ChairDining.iff"), "-o", Path("Downloads/Chair.iff"), "--index",
                   Index()})
                  .code,
              kExitOk);
    const std::string chair = Path("Downloads/Chair.iff");
    CliRun r = Cli({"set", chair, "--name", "Caf\xC3\xA9 Chair", "--price", "-5", "--description", "For the caf\xC3\xA9"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, "saved " + chair + "\n");
    ASSERT_EQ(Cli({"set", chair, "--language", "1", "--name", "Chaise", "--description", "Pour le caf\xC3\xA9"}).code,
              kExitOk);
    r = Cli({"info", chair, "--json", "--no-write"});
    EXPECT_TRUE(Has(r.out, "{\"name\": \"Caf\\u00e9 Chair\", \"price\": \"-5\", \"description\": \"For the caf\\u00e9\""))
        << r.out;
    // The game's own characters past Latin-1 are stored as its bytes and shown as themselves.
    ASSERT_EQ(Cli({"set", chair, "--language", "2", "--name", "\xE2\x82\xAC Chair\xE2\x84\xA2"}).code, kExitOk);
    r = Cli({"strings", chair, "--json"});
    EXPECT_TRUE(Has(r.out, "\\u20ac Chair\\u2122")) << r.out;
    for (const char* text : {"Caf\\u00e9 Chair", "Chaise", "Pour le caf\\u00e9", "For the caf\\u00e9"})
        EXPECT_TRUE(Has(r.out, text)) << text << "\n" << r.out;
}

TEST_F(EditCommands, RefusalsAreOneLineAndChangeNothing) {
    ASSERT_EQ(Cli({"clone", Path("GameData/Objects/GlassTable.iff"), "-o", Path("Downloads/Refused.iff"), "--index",
                   Index()})
                  .code,
              kExitOk);
    const std::string mine = Path("Downloads/Refused.iff");
    const std::string game = Path("GameData/Objects/GlassTable.iff");
    const std::string far = Path("GameData/Objects/Objects.far/Plants/PlantRubber.iff");
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* words;
    };
    const Case cases[] = {
        {{"set", mine, "--price", "32768"}, kExitBadArgument, "--price must be a number from -32768 to 32767"},
        {{"set", mine, "--price", "-32769"}, kExitBadArgument, "--price must be a number"},
        {{"set", mine, "--language", "20", "--name", "x"}, kExitBadArgument, "--language must be a number from 0 to 19"},
        {{"set", mine}, kExitBadArgument, "set needs --name, --price or --description"},
        {{"set", mine, "--object", "1", "--object", "2", "--price", "1"}, kExitBadArgument, "given twice"},
        {{"set", mine, "--name", "\xE4\xB8\xAD"}, kExitBadFile, "outside the game's character set (Windows-1252)"},
        {{"set", mine, "--object", "3", "--price", "1"}, kExitBadFile, "no such object"},
        {{"set", game, "--price", "1"}, kExitBadFile, "read-only: clone to edit"},
        {{"set", far, "--price", "1"}, kExitBadFile, "inside an archive"},
        {{"clone", game}, kExitBadArgument, "clone needs -o NEW.iff"},
        {{"clone", game, "-o", Path("GameData/Copy.iff")}, kExitBadFile, "read-only"},
        {{"clone", game, "-o", Path("Downloads/Copy.iff"), "--object", "1"}, kExitBadFile, "no such object"},
        {{"clone", mine, "-o", mine, "--force"}, kExitBadFile, "would replace the source"},
        {{"conflicts", mine}, kExitBadFile, "not a folder"},
    };
    const std::vector<uint8_t> before = ReadFileBytes(mine);
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        if (args[0] != "set") args.insert(args.end(), {"--index", Index()});
        SCOPED_TRACE(args[0] + " " + args.back());
        ExpectOneErrorLine(Cli(args), c.code, c.words);
    }
    EXPECT_EQ(ReadFileBytes(mine), before);
    EXPECT_FALSE(fs::exists(Path("Downloads/Copy.iff")));
}

}  // namespace
}  // namespace tambrix::tools
