#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Utf8Path.h"

namespace tambrix::test {

/// A fresh, uniquely named folder under the system's temporary folder, removed with
/// everything in it when the object goes. Tests never touch files outside one.
class TempDir {
public:
    /// Made with a random name that must not exist yet (as mkdtemp does, on every host);
    /// its path has '/' separators, as every path a test builds from it.
    TempDir() {
        namespace fs = std::filesystem;
        const fs::path base = fs::temp_directory_path();
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100 && mPath.empty(); ++attempt) {
            const fs::path candidate = base / ("tambrix-test-" + std::to_string(random() % 1000000000000ULL));
            std::error_code error;
            if (fs::create_directory(candidate, error)) mPath = candidate.generic_string();
        }
        if (mPath.empty()) throw std::runtime_error("cannot create a temporary folder");
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ignored;
        // Read-only files and folders made by a test must not survive it.
        for (auto it = fs::recursive_directory_iterator(mPath, ignored); it != fs::recursive_directory_iterator();
             it.increment(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(mPath, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return mPath; }
    /// The path of `name` inside the folder ('/' separators; `name` may hold subfolders).
    std::string File(const std::string& name) const { return mPath + "/" + name; }
    /// Writes `bytes` (or text) to `name` inside the folder (creating subfolders), replacing a file.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::string path = File(name);
        std::filesystem::create_directories(Utf8Path(path).parent_path());
        std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + path);
        return path;
    }
    std::string Write(const std::string& name, const std::string& text) const {
        return Write(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    /// Creates a subfolder (and its parents); answers its path.
    std::string MakeDir(const std::string& name) const {
        return std::filesystem::create_directories(Utf8Path(File(name))), File(name);
    }
    /// The bytes of a file inside the folder, or an empty vector when it cannot be read.
    std::vector<uint8_t> Read(const std::string& name) const {
        std::ifstream in(Utf8Path(File(name)), std::ios::binary);
        return in ? std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}) : std::vector<uint8_t>();
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Utf8Path(File(name)), mIgnored); }

private:
    std::string mPath;
    mutable std::error_code mIgnored;
};

}  // namespace tambrix::test
