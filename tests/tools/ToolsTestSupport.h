#pragma once

// Small helpers shared by the tools tests: a private scratch folder and byte lists.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tambrix::tools::test {

/// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tambrix-tools-XXXXXX").string();
        if (mkdtemp(pattern.data())) mPath = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!mPath.empty()) std::filesystem::remove_all(mPath, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return mPath; }
    std::string operator/(const std::string& relative) const {
        return (std::filesystem::path(mPath) / relative).string();
    }

private:
    std::string mPath;
};

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tambrix::tools::test
