#pragma once

// The write check both container generations share. The input is a short program of
// changes followed by a container file:
//
//   u8 n (the number of changes, taken modulo 8), n records of 8 bytes, the file
//
// Each record is an operation code and seven parameter bytes (see Apply). The file is
// opened read-write, every resource whose body reads is noted (type, ID, label,
// attribute, body), the changes are made, the file is closed and opened again. The
// check fails when a noted resource that no change touched does not read back the same,
// when a change that reported success is missing, or when the file grew by more than
// what was written.

#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace tambrix::fuzz {

inline constexpr size_t kChangeRecordSize = 8;
inline constexpr size_t kMaxChanges = 8;

enum class Generation { kModern, kLegacy };

/// One resource as a reader sees it.
struct SeenResource {
    uint32_t type = 0;
    uint16_t id = 0;
    std::string label;
    uint8_t attribute = 0;
    std::vector<uint8_t> body;

    auto Key() const { return std::tie(type, id, label, attribute, body); }
    bool operator==(const SeenResource& other) const { return Key() == other.Key(); }
    bool operator<(const SeenResource& other) const { return Key() < other.Key(); }
};

/// Runs the check on one input; aborts through Fail on a finding.
int RunWriteCheck(const uint8_t* data, size_t size, Generation generation);

}  // namespace tambrix::fuzz
