#pragma once

// What the tool tests share: one run of tambrix-cli with what it printed, the check that a
// failure is one line naming the tool, and a scratch folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "containers/IffResourceFile.h"
#include "support/ResourceFixtures.h"
#include "support/TempDir.h"

namespace tambrix::tools {

using Folder = tambrix::test::TempDir;

struct CliRun {
    int code = 0;
    std::string out, err;
};

inline CliRun Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = RunCli(args, out, err);
    return {code, out.str(), err.str()};
}

inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A failure is exactly one line on stderr, naming the tool, and nothing on stdout.
inline void ExpectOneErrorLine(const CliRun& r, int code, const std::string& part) {
    EXPECT_EQ(r.code, code) << r.err;
    EXPECT_EQ(r.err.rfind("tambrix-cli: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(Has(r.err, part)) << r.err;
    EXPECT_EQ(r.out, "");
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

using test::Resource;

// A version 2.5 container written with the library's writer, in the order given.
inline std::string WriteIff(const std::string& path, const std::vector<Resource>& resources) {
    test::WriteContainer<IffResourceFile>(path, resources);
    return path;
}

}  // namespace tambrix::tools
