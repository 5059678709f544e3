// Steam's library list: any text parsed, then read back through a file the way the
// install search reads it. A text gives the same libraries either way (when it is within
// the size bound), a library is never empty, and a list that parsed is damaged by a stray
// closing brace after it.
//
// Input: the text of the list, as it is.

#include <string_view>

#include "FuzzSupport.h"
#include "platform/LibraryFolders.h"

using namespace tambrix;
using namespace tambrix::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> libraries = platform::ParseLibraryFolders(text);
    for (const std::string& library : libraries)
        if (library.empty()) Fail("an empty library was listed");
    if (!libraries.empty() && !platform::ParseLibraryFolders(std::string(text) + "\n}").empty())
        Fail("a list with a stray closing brace still gave %zu libraries", libraries.size());

    static const std::string path = ScratchPath("libraryfolders.vdf");
    if (!WriteFile(path, data, size)) return 0;
    const std::vector<std::string> read = platform::ReadLibraryFolders(path);
    if (size <= platform::kMaxLibraryFoldersBytes ? read != libraries : !read.empty())
        Fail("the file gave %zu libraries, its text %zu", read.size(), libraries.size());
    return 0;
}
