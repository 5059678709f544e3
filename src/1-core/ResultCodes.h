#pragma once

#include <cstdint>

namespace tambrix {

/// Result codes: 0 for success, a negative number for failure.
namespace rc {
inline constexpr int32_t kOk = 0;
/// A chunk header does not match the resource being loaded; an index outside 1..count
/// in the directory resource file.
inline constexpr int32_t kChunkMismatch = -1;

// File-stream codes.
inline constexpr int32_t kDeleteFailed = -39;
inline constexpr int32_t kNoSuchFile = -40;
inline constexpr int32_t kCreateFailed = -42;
inline constexpr int32_t kFileExists = -43;
inline constexpr int32_t kNotWritable = -45;   ///< the file is not open for writing
inline constexpr int32_t kShortWrite = -46;
inline constexpr int32_t kAlreadyOpen = -47;
inline constexpr int32_t kShortRead = -48;     ///< also: a seek failed
inline constexpr int32_t kNotOpen = -49;
inline constexpr int32_t kIoFailed = -50;      ///< open, set-size or flush failed

// Resource codes.
inline constexpr int32_t kAttrUnsupported = -91;
inline constexpr int32_t kNoAcceptingMember = -92;
inline constexpr int32_t kBadHeader = -93;
inline constexpr int32_t kNoWritableMember = -94;
inline constexpr int32_t kUnsupported = -95;
inline constexpr int32_t kNoLabelNumber = -96;
inline constexpr int32_t kNoSuchResource = -98;
inline constexpr int32_t kNoSuchLabel = -99;   ///< also: the block belongs to no resource here
inline constexpr int32_t kTypeIndexRange = -100;
inline constexpr int32_t kNoMemory = -200;
inline constexpr int32_t kNoFileKind = -250;
}  // namespace rc

}  // namespace tambrix
