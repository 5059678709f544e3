#include "FuzzSupport.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"

namespace tambrix::fuzz {

namespace fs = std::filesystem;

uint8_t Input::Byte() { return mPos < mSize ? mData[mPos++] : 0; }

uint16_t Input::U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }

uint32_t Input::U32() { return U16() | (static_cast<uint32_t>(U16()) << 16); }

uint32_t Input::Below(uint32_t n) {
    if (n == 0) return 0;
    uint32_t v = n <= 0x100 ? Byte() : n <= 0x10000 ? U16() : U32();
    return v % n;
}

std::vector<uint8_t> Input::Bytes(size_t n) {
    n = std::min(n, Remaining());
    std::vector<uint8_t> out(mData + mPos, mData + mPos + n);
    mPos += n;
    return out;
}

std::string Input::Text(size_t maxLength) {
    std::string text;
    for (size_t n = Below(static_cast<uint32_t>(maxLength + 1)); n > 0; --n)
        text.push_back(static_cast<char>(' ' + Byte() % 95));
    return text;
}

namespace {
std::string gScratch;

constexpr std::string_view kScratchPrefix = "tambrix-fuzz-";

void removeScratch() {
    std::error_code ignored;
    if (!gScratch.empty()) fs::remove_all(gScratch, ignored);
}

/// A finding ends the process without its exit handlers, and a write target may leave a
/// large file behind in memory-backed storage: the scratch folders of processes that
/// are gone are removed.
void removeAbandoned(const fs::path& base) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(base, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(kScratchPrefix)) continue;
        const std::string digits = name.substr(kScratchPrefix.size());
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t owner = static_cast<pid_t>(std::stol(digits));
        if (kill(owner, 0) != 0 && errno == ESRCH) fs::remove_all(entry.path(), ec);
    }
}
}  // namespace

const std::string& ScratchFolder() {
    if (gScratch.empty()) {
        std::error_code ec;
        fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path(ec);
        removeAbandoned(base);
        fs::path folder = base / (std::string(kScratchPrefix) + std::to_string(getpid()));
        fs::remove_all(folder, ec);
        fs::create_directories(folder, ec);
        if (ec) Fail("cannot make the scratch folder %s", folder.c_str());
        gScratch = folder.string();
        std::atexit(removeScratch);
    }
    return gScratch;
}

std::string ScratchPath(std::string_view name) { return ScratchFolder() + "/" + std::string(name); }

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint64_t FileSize(const std::string& path) {
    std::error_code ec;
    uint64_t size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

void Fail(const char* format, ...) {
    std::fprintf(stderr, "FINDING: ");
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
    std::abort();
}

bool LooksLegacy(const uint8_t* data, size_t size) {
    return size >= iff::kFileHeaderSize && iff::IsLegacyFileHeader(data);
}

std::unique_ptr<ResourceFile> OpenContainer(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint8_t start[iff::kFileHeaderSize] = {};
    in.read(reinterpret_cast<char*>(start), sizeof start);
    std::unique_ptr<ResourceFile> file;
    if (LooksLegacy(start, static_cast<size_t>(in.gcount())))
        file = std::make_unique<LegacyIffResourceFile>();
    else
        file = std::make_unique<IffResourceFile>();
    if (file->Open(Name(path)) != 0) return nullptr;
    return file;
}

}  // namespace tambrix::fuzz
