#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tambrix::test {

/// A fresh, uniquely named folder under the system's temporary folder, removed with
/// everything in it when the object goes. Tests never touch files outside one.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The folder, without a trailing separator.
    const std::string& Path() const { return mPath; }
    /// The path of `name` inside the folder ('/' separators; `name` may hold subfolders).
    std::string File(const std::string& name) const;
    /// Writes `bytes` to `name` inside the folder (creating subfolders), replacing a file.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::string Write(const std::string& name, const std::string& text) const;
    /// Creates a subfolder (and its parents); answers its path.
    std::string MakeDir(const std::string& name) const;
    /// The bytes of a file inside the folder, or an empty vector when it cannot be read.
    std::vector<uint8_t> Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

private:
    std::string mPath;
};

}  // namespace tambrix::test
