#pragma once

// tambrix-cli: the library on the command line, for people who script their game
// folder and for checking what the browser would show.

#include <ostream>
#include <string>
#include <vector>

namespace tambrix::tools {

/// Exit codes of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadFile = 1;      ///< a bad file, a missing resource, a failed write
inline constexpr int kExitBadArgument = 2;  ///< a bad command line

/// Runs one command line (the arguments after the program name). Output goes to `out`;
/// a failure writes one line to `err` and returns a non-zero exit code.
/// `terminal` says that `out` is a terminal: render-all then keeps one progress line
/// there instead of a line per file.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool terminal = false);

/// The usage text.
std::string CliUsage();

}  // namespace tambrix::tools
