// A program's arguments on POSIX (ProgramArguments.h): the bytes as given.
#include "platform/ProgramArguments.h"

namespace tambrix::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    if (argc < 1 || !argv) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace tambrix::platform
