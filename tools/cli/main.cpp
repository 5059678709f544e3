// tambrix-cli: see Cli.h.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return tambrix::tools::RunCli(args, std::cout, std::cerr);
}
