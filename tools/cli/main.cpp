// tambrix-cli: see Cli.h.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/ProgramArguments.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> args = tambrix::platform::ProgramArguments(argc, argv);
    return tambrix::tools::RunCli(args, std::cout, std::cerr, isatty(fileno(stdout)) != 0);
}
