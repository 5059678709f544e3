#pragma once

// A new version of a file, written beside it under a name of its own and put in its
// place in one step: a write that fails on the way leaves the old file (or no file) as
// it was, never half of the new one.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tambrix {

class GameFile;
class ResourceFile;

/// The bytes of a located file (on disk or an archive entry), whole; kEditTooLarge for
/// one larger than an object file could be.
int32_t ReadWholeFile(const GameFile& file, std::vector<uint8_t>& bytes);

class StagedFile {
public:
    StagedFile() = default;
    /// Removes the staged file unless it was committed.
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    /// Writes `bytes` to a new file in the target's folder, named after the target with a
    /// random part and ".part" (a name no program of the game lists). kOk, or the code of
    /// the failed create or write (nothing is left behind then).
    int32_t Stage(const std::string& target, const std::vector<uint8_t>& bytes);
    /// Gives the staged file the access rights of an existing file (the one it replaces).
    void KeepPermissionsOf(const std::string& path);
    /// Opens the staged file as a writable container (version 2.x, else 1.0).
    int32_t Open(std::unique_ptr<ResourceFile>& container);
    /// Moves the staged file to the target: replacing a file there with `replace`, else
    /// refusing one (kEditTargetExists). Nothing is left behind when it fails.
    int32_t Commit(bool replace);
    /// Removes the staged file (when not committed).
    void Discard();

    const std::string& Path() const { return mPath; }
    const std::string& Target() const { return mTarget; }

private:
    std::string mTarget;
    std::string mPath;  ///< empty when nothing is staged
};

}  // namespace tambrix
