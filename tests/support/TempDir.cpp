#include "support/TempDir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace tambrix::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tambrix-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    mPath = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Read-only files and folders made by a test must not survive it.
    for (auto it = fs::recursive_directory_iterator(mPath, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(mPath, ignored);
}

std::string TempDir::File(const std::string& name) const { return mPath + "/" + name; }

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::string path = File(name);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

std::string TempDir::Write(const std::string& name, const std::string& text) const {
    return Write(name, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string TempDir::MakeDir(const std::string& name) const {
    std::string path = File(name);
    fs::create_directories(path);
    return path;
}

std::vector<uint8_t> TempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    if (!in) return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDir::Exists(const std::string& name) const {
    std::error_code ignored;
    return fs::exists(File(name), ignored);
}

}  // namespace tambrix::test
