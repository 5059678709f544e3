#pragma once

// A program's command line as the library spells names: UTF-8.

#include <string>
#include <vector>

namespace tambrix::platform {

/// The program's arguments after its own name, in UTF-8. Windows hands `argv` over in
/// the 8-bit code page, where a name outside it is lost, so there they are read from the
/// host's wide command line instead, and its console is set to show UTF-8 output.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace tambrix::platform
