// What the host's file calls share on every host: the test counters and fault
// injection, Windows' wildcard match and the choice of a free name. The host's side
// lives in PlatformFilePosix.cpp and PlatformFileWin32.cpp, one of which is built.
#include "platform/PlatformFile.h"

#include "core/AsciiCase.h"
#include "platform/PlatformFileDetail.h"

namespace tambrix::platform {

namespace {

bool matchFrom(const std::string& name, const std::string& pattern) {
    // Iterative wildcard match: on a mismatch, the last '*' takes one more character.
    size_t n = 0;
    size_t p = 0;
    size_t starPattern = std::string::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || FoldAscii(pattern[p]) == FoldAscii(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (starPattern != std::string::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

/// Takes one write from the fault-injection allowance; false when this write must fail.
bool detail::TakeWriteAllowance() {
    std::atomic<int64_t>& left = Hooks().failWritesAfter;
    int64_t value = left.load();
    while (true) {
        if (value < 0) return true;
        if (value == 0) return false;
        if (left.compare_exchange_weak(value, value - 1)) return true;
    }
}

IoHooks& Hooks() {
    static IoHooks hooks;
    return hooks;
}

bool MatchPattern(const std::string& name, const std::string& pattern) {
    if (matchFrom(name, pattern)) return true;
    // As on Windows, a trailing ".*" also matches a name without an extension ("*.*" is everything).
    const std::string anyExtension = ".*";
    if (pattern.size() >= anyExtension.size() &&
        pattern.compare(pattern.size() - anyExtension.size(), anyExtension.size(), anyExtension) == 0) {
        return matchFrom(name, pattern.substr(0, pattern.size() - anyExtension.size()));
    }
    return false;
}

std::string FreeFileName(const std::string& name) {
    const auto taken = detail::NameTaken;
    if (!taken(name)) return name;
    const size_t split = name.find_last_of("/\\");
    const size_t nameStart = split == std::string::npos ? 0 : split + 1;
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart) dot = name.size();  // no extension (or a leading dot)
    const std::string stem = name.substr(0, dot);
    const std::string extension = name.substr(dot);
    for (int number = 2; number < 10000; ++number) {
        std::string candidate = stem + " (" + std::to_string(number) + ")" + extension;
        if (!taken(candidate)) return candidate;
    }
    return {};
}

bool FileExists(const std::string& name) {
    NativeFile* file = OpenFile(name, OpenMode::ReadExisting);
    if (!file) return false;
    CloseFile(file);
    return true;
}

std::optional<uint64_t> DigestFile(const std::string& name) {
    uint32_t size = 0;
    NativeFile* file = OpenFile(name, OpenMode::ReadExisting, &size);
    if (!file) return std::nullopt;
    constexpr uint64_t kOffsetBasis = 14695981039346656037ull;
    constexpr uint64_t kPrime = 1099511628211ull;
    constexpr uint32_t kChunk = 64 * 1024;
    std::vector<uint8_t> buffer(kChunk);
    uint64_t digest = kOffsetBasis;
    uint64_t total = 0;
    uint32_t done = 0;
    while (ReadFile(file, buffer.data(), kChunk, done) && done > 0) {
        for (uint32_t i = 0; i < done; ++i) digest = (digest ^ buffer[i]) * kPrime;
        total += done;
    }
    CloseFile(file);
    // A file that grew or shrank under the read is not read whole.
    if (total != size) return std::nullopt;
    return digest;
}

bool MakeDirectories(const std::string& name) {
    if (name.empty() || DirectoryExists(name)) return !name.empty();
    const size_t cut = name.find_last_of("/\\", name.size() - 2);
    if (cut != std::string::npos && cut > 0 && !MakeDirectories(name.substr(0, cut))) return false;
    return MakeDirectory(name);
}

}  // namespace tambrix::platform
