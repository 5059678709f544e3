#include "fileaccess/FarWriter.h"

#include <limits>
#include <new>
#include <set>

#include "fileaccess/FarFormat.h"

namespace tambrix {

namespace {

using namespace farformat;

void putU16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}


}  // namespace

int32_t BuildFarArchive(const std::vector<FarWriterEntry>& entries, FarVariant variant, std::vector<uint8_t>& out) {
    out.clear();
    // Check every name and the total size before laying anything out.
    std::set<std::string> seen;
    uint64_t total = kHeaderBytes + kCountBytes;
    for (const FarWriterEntry& entry : entries) {
        if (!IsSafeFarEntryName(entry.name)) return rc::kFarUnsafeName;
        if (variant == FarVariant::k1b && entry.name.size() > kMaxShortNameLength) return rc::kFarNameTooLong;
        if (!seen.insert(FileSystem::FoldName(entry.name)).second) return rc::kFarDuplicateName;
        total += entry.bytes.size() + kEntryFixedBytes + NameLengthBytes(variant) + entry.name.size();
        if (total > std::numeric_limits<uint32_t>::max()) return rc::kFarBadManifest;
    }
    try {
        out.reserve(static_cast<size_t>(total));
    } catch (const std::bad_alloc&) {
        return rc::kNoMemory;
    }

    // Header: signature, version, manifest offset (filled in once the bodies are laid out).
    out.insert(out.end(), kSignature.begin(), kSignature.end());
    putU32(out, kVersion);
    putU32(out, 0);
    std::vector<uint32_t> offsets;
    offsets.reserve(entries.size());
    for (const FarWriterEntry& entry : entries) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        out.insert(out.end(), entry.bytes.begin(), entry.bytes.end());
    }
    const auto manifestOffset = static_cast<uint32_t>(out.size());
    for (int i = 0; i < 4; ++i) out[kHeaderBytes - 4 + i] = static_cast<uint8_t>(manifestOffset >> (8 * i));

    // Manifest: count, then size, second size (the same: nothing is compressed), offset,
    // name length and name per entry.
    putU32(out, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const FarWriterEntry& entry = entries[i];
        const auto size = static_cast<uint32_t>(entry.bytes.size());
        putU32(out, size);
        putU32(out, size);
        putU32(out, offsets[i]);
        if (variant == FarVariant::k1a) putU32(out, static_cast<uint32_t>(entry.name.size()));
        else putU16(out, static_cast<uint16_t>(entry.name.size()));
        out.insert(out.end(), entry.name.begin(), entry.name.end());
    }
    return rc::kOk;
}

int32_t WriteFarArchive(const char* path, const std::vector<FarWriterEntry>& entries, FarVariant variant,
                        FileSystem& files) {
    if (!path) return rc::kCreateFailed;
    std::vector<uint8_t> bytes;
    int32_t code = BuildFarArchive(entries, variant, bytes);
    if (code != rc::kOk) return code;
    if (!files.Create(path)) return rc::kCreateFailed;
    FileHandle* file = files.Open(path, true);
    if (!file) {
        files.Delete(path);
        return rc::kCreateFailed;
    }
    const auto size = static_cast<uint32_t>(bytes.size());
    const bool complete = file->Write(bytes.data(), size) == size;
    files.Close(file);
    if (!complete) {
        files.Delete(path);
        return rc::kShortWrite;
    }
    return rc::kOk;
}

}  // namespace tambrix
