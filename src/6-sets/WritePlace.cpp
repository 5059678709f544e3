#include "sets/WritePlace.h"

#include <filesystem>
#include <vector>

#include "core/AsciiCase.h"
#include "core/NameParts.h"
#include "core/ResultCodes.h"
#include "platform/PlatformFile.h"

namespace tambrix {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kGameData = "GameData";
constexpr std::string_view kShared = "ExpansionShared";
constexpr std::string_view kPackPrefix = "ExpansionPack";
constexpr std::string_view kArchiveExtension = ".far";

std::vector<std::string> componentsOf(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : path + '/') {
        if (c == '/' || c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    return parts;
}

bool isGameFolderName(std::string_view name) {
    return EqualNoCase(name, kGameData) || EqualNoCase(name, kShared) ||
           (name.size() >= kPackPrefix.size() && EqualNoCase(name.substr(0, kPackPrefix.size()), kPackPrefix));
}

}  // namespace

int32_t CheckWritePlace(const std::string& path) {
    if (path.empty()) return rc::kNoSuchFile;
    // The name as given and as the host resolves it (another case, a relative name made
    // absolute): either way through a game folder is refused.
    std::error_code error;
    const std::string absolute = fs::absolute(fs::path(platform::ResolvePath(path)), error).lexically_normal().string();
    for (const std::string& name : {path, absolute}) {
        for (const std::string& part : componentsOf(name)) {
            if (EqualNoCase(nameparts::Extension(part), kArchiveExtension)) return rc::kEditInArchive;
        }
        for (const std::string& part : componentsOf(name))
            if (isGameFolderName(part)) return rc::kEditGameFolder;
    }
    return rc::kOk;
}

int32_t MakeFolders(const std::string& folder) {
    if (const int32_t place = CheckWritePlace(folder); place != rc::kOk) return place;
    std::error_code error;
    const fs::path full = fs::absolute(fs::path(platform::ResolvePath(folder)), error).lexically_normal();
    if (error) return rc::kCreateFailed;
    return platform::MakeDirectories(full.string()) ? rc::kOk : rc::kCreateFailed;
}

std::string FindGameFolder(const std::string& path) {
    std::error_code error;
    fs::path at = fs::absolute(fs::path(path), error).lexically_normal();
    if (error) return {};
    while (true) {
        const std::string folder = at.string();
        if (platform::DirectoryExists(folder) && platform::DirectoryExists((at / std::string(kGameData)).string()))
            return folder;
        if (!at.has_relative_path() || at.parent_path() == at) return {};
        at = at.parent_path();
    }
}

}  // namespace tambrix
