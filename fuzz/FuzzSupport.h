#pragma once

// What the fuzz targets share: the input read as a stream of choices, a scratch folder
// in memory-backed storage, opening a container by its header, and the check that turns
// a broken promise of the library into a crash that the fuzzer keeps as a finding.
//
// Every target defines LLVMFuzzerTestOneInput. Built with clang's libFuzzer it is a
// fuzzer; built with the ordinary test build, tests/fuzz replays committed inputs
// through the same function.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/TextBuffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace tambrix {
class ResourceFile;
}

namespace tambrix::fuzz {

/// The input consumed from the front; past the end every read answers zeros.
class Input {
public:
    Input(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

    uint8_t Byte();
    uint16_t U16();
    uint32_t U32();
    /// A number in 0..n-1 (0 when n is 0).
    uint32_t Below(uint32_t n);
    /// Up to n bytes (fewer when the input runs out).
    std::vector<uint8_t> Bytes(size_t n);
    /// A text of printable ASCII of at most maxLength characters.
    std::string Text(size_t maxLength);

    size_t Remaining() const { return mSize - mPos; }
    const uint8_t* Rest() const { return mData + mPos; }

private:
    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
};

/// The scratch folder of this process: under /dev/shm when it exists, else the system's
/// temporary folder; made on first use and removed when the process ends normally.
const std::string& ScratchFolder();
/// A path inside the scratch folder.
std::string ScratchPath(std::string_view name);
/// Replaces the file with the bytes; false when it cannot be written.
bool WriteFile(const std::string& path, const uint8_t* data, size_t size);
std::vector<uint8_t> ReadFile(const std::string& path);
/// The size of a file, or 0 when it cannot be read.
uint64_t FileSize(const std::string& path);

/// Prints what broke (printf-style) and aborts: a finding.
[[noreturn]] void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Opens the file as the container its first bytes announce: version 1.0 or 2.x.
/// Null when it is neither or does not open.
std::unique_ptr<ResourceFile> OpenContainer(const std::string& path);
/// Whether the bytes start with the version 1.0 header text.
bool LooksLegacy(const uint8_t* data, size_t size);

/// A file name held for the library's text interface.
inline FileNameText Name(const std::string& path) { return FileNameText(path); }

}  // namespace tambrix::fuzz
