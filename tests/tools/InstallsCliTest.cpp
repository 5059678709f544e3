// tambrix-cli installs: what the search finds in a made-up home, said for people and
// as JSON, and a plain answer when there is nothing.

#include "ToolsTestSupport.h"
#include "support/HostTest.h"

namespace tambrix::tools {
namespace {

/// Points HOME at a scratch folder and unsets WINEPREFIX; both put back afterwards.
class InstallsCli : public ::testing::Test {
protected:
    void SetUp() override {
        TAMBRIX_SKIP_ON_WINDOWS(test::kNoPrefixSearchOnWindows);
        for (const char* name : {"HOME", "WINEPREFIX"}) mKept.emplace_back(name, test::Variable(name));
        test::SetVariable("HOME", mHome.Path());
        test::SetVariable("WINEPREFIX", std::nullopt);
    }
    void TearDown() override {
        for (const auto& [name, value] : mKept) test::SetVariable(name, value);
    }

    Folder mHome;
    std::vector<std::pair<const char*, std::optional<std::string>>> mKept;
};

TEST_F(InstallsCli, NothingFoundIsSaidAndIsNoFailure) {
    mHome.MakeDir(".local/share/Steam/steamapps/common/The Sims Legacy Collection");  // no GameData
    const CliRun text = Cli({"installs"});
    EXPECT_EQ(text.code, kExitOk);
    EXPECT_EQ(text.out, "no install found\n");
    EXPECT_EQ(text.err, "");
    const CliRun json = Cli({"installs", "--json"});
    EXPECT_EQ(json.code, kExitOk);
    EXPECT_EQ(json.out, "[]\n");
}

TEST_F(InstallsCli, ASteamTreeWithALibraryOnAnotherDisk) {
    const std::string game = "/steamapps/common/The Sims Legacy Collection";
    const std::string steam = mHome.MakeDir(".local/share/Steam"), disk = mHome.MakeDir("disk2/Steam \"Games\"");
    mHome.MakeDir(".local/share/Steam" + game + "/GameData");
    mHome.MakeDir("disk2/Steam \"Games\"" + game + "/GameData");
    mHome.MakeDir(".wine/drive_c/Program Files/Maxis/The Sims/GameData");
    mHome.Write(".local/share/Steam/steamapps/libraryfolders.vdf",
                "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam +
                    "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + mHome.File("disk2/Steam \\\"Games\\\"") +
                    "\"\n\t}\n}\n");
    const std::string wine = mHome.File(".wine");

    const CliRun text = Cli({"installs"});
    EXPECT_EQ(text.code, kExitOk) << text.err;
    EXPECT_EQ(text.out, steam + game + "  (Steam library)\n" + disk + game + "  (Steam library)\n" + wine +
                            "/drive_c/Program Files/Maxis/The Sims  (Maxis folder in Wine prefix " + wine + ")\n");

    const CliRun json = Cli({"installs", "--json"});
    EXPECT_EQ(json.code, kExitOk) << json.err;
    EXPECT_EQ(json.out, "[{\"folder\": \"" + steam + game +
                            "\", \"source\": \"steam\", \"where\": \"Steam library\", \"wine_prefix\": null}, "
                            "{\"folder\": \"" +
                            mHome.File("disk2/Steam \\\"Games\\\"") + game +
                            "\", \"source\": \"steam\", \"where\": \"Steam library\", \"wine_prefix\": null}, "
                            "{\"folder\": \"" +
                            wine +
                            "/drive_c/Program Files/Maxis/The Sims\", \"source\": \"maxis\", "
                            "\"where\": \"Maxis folder in Wine prefix " +
                            wine + "\", \"wine_prefix\": \"" + wine + "\"}]\n");
}

}  // namespace
}  // namespace tambrix::tools
