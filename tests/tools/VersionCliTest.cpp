// --version: the version the build states in one place, and the licence; only alone.
#include <gtest/gtest.h>

#include "TambrixVersion.h"
#include "ToolsTestSupport.h"

namespace tambrix::tools {
namespace {

TEST(CliVersion, AloneItSaysTheVersionAndTheLicence) {
    const CliRun run = Cli({"--version"});
    EXPECT_EQ(run.code, kExitOk);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "tambrix-cli " TAMBRIX_VERSION);
    EXPECT_TRUE(Has(run.out, "GNU GPL version 3 or later"));
    EXPECT_EQ(run.err, "");
    // The help names it, so that the manual page made from the help does.
    EXPECT_TRUE(Has(Cli({"--help"}).out, "--version"));
}

TEST(CliVersion, BesideAnythingElseItIsABadCommandLine) {
    const std::vector<std::string> cases[] = {
        {"--version", "ls"},
        {"ls", "a.iff", "--version"},
        {"--version", "--help"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const CliRun run = Cli(args);
        EXPECT_EQ(run.code, kExitBadArgument);
        EXPECT_FALSE(Has(run.out, TAMBRIX_VERSION));
    }
}

}  // namespace
}  // namespace tambrix::tools
