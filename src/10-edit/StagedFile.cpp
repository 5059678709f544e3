#include "edit/StagedFile.h"

#include <cstdio>
#include <filesystem>
#include <random>

#include "core/ResultCodes.h"
#include "platform/PlatformFile.h"
#include "sets/GameFile.h"

namespace tambrix {

namespace {

constexpr int kNameAttempts = 16;

std::string stagedName(const std::string& target) {
    static thread_local std::mt19937 random{std::random_device{}()};
    char part[16];
    std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
    return target + ".~" + part + ".part";
}

}  // namespace

StagedFile::~StagedFile() { Discard(); }

void StagedFile::Discard() {
    if (mPath.empty()) return;
    platform::DeleteFile(mPath);
    mPath.clear();
}

int32_t StagedFile::Stage(const std::string& target, const std::vector<uint8_t>& bytes) {
    Discard();
    mTarget = platform::ResolvePath(target);
    platform::NativeFile* file = nullptr;
    std::string path;
    for (int attempt = 0; attempt < kNameAttempts && !file; ++attempt) {
        path = stagedName(mTarget);
        file = platform::OpenFile(path, platform::OpenMode::CreateNew);
    }
    if (!file) return rc::kCreateFailed;
    mPath = path;
    bool ok = true;
    size_t at = 0;
    while (ok && at < bytes.size()) {
        uint32_t done = 0;
        const auto count = static_cast<uint32_t>(std::min<size_t>(bytes.size() - at, 1u << 20));
        ok = platform::WriteFile(file, bytes.data() + at, count, done) && done == count;
        at += done;
    }
    ok = ok && platform::FlushFile(file);
    platform::CloseFile(file);
    if (!ok) {
        Discard();
        return rc::kShortWrite;
    }
    return rc::kOk;
}

void StagedFile::KeepPermissionsOf(const std::string& path) {
    if (mPath.empty()) return;
    std::error_code error;
    const auto status = std::filesystem::status(platform::ResolvePath(path), error);
    // The new version is ours to write until it is moved; the rights apply after that.
    if (!error) std::filesystem::permissions(mPath, status.permissions() | std::filesystem::perms::owner_write, error);
}

int32_t StagedFile::Open(std::unique_ptr<ResourceFile>& container) {
    container.reset();
    if (mPath.empty()) return rc::kNotOpen;
    GameFile file;
    int32_t code = file.Locate(mPath);
    if (code == rc::kOk) code = file.OpenAlone(GameFileAccess::kViewing);
    if (code != rc::kOk) return code;
    container = file.TakeContainer();
    if (!container->IsWritable()) {
        container->Close();
        container.reset();
        return rc::kNotWritable;
    }
    return rc::kOk;
}

int32_t StagedFile::Commit(bool replace) {
    if (mPath.empty()) return rc::kNotOpen;
    if (!platform::MoveFile(mPath, mTarget, replace)) {
        const bool taken = !replace && (platform::FileExists(mTarget) || platform::DirectoryExists(mTarget));
        Discard();
        return taken ? rc::kEditTargetExists : rc::kIoFailed;
    }
    mPath.clear();
    return rc::kOk;
}

}  // namespace tambrix
