#include "fileaccess/FarWriter.h"

#include <limits>
#include <new>
#include <set>

#include "core/ByteWriter.h"
#include "fileaccess/FarFormat.h"

namespace tambrix {

using namespace farformat;

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
        ByteWriter w;
        w.Reserve(static_cast<size_t>(total));
        // Header: signature, version, manifest offset (filled in once the bodies are laid out).
        const size_t manifestOffsetAt = kSignature.size() + sizeof(kVersion);
        w.Text(kSignature).U32(kVersion).U32(0);
        std::vector<uint32_t> offsets;
        offsets.reserve(entries.size());
        for (const FarWriterEntry& entry : entries) {
            offsets.push_back(static_cast<uint32_t>(w.Size()));
            w.Append(entry.bytes);
        }
        w.PatchU32(manifestOffsetAt, static_cast<uint32_t>(w.Size()));

        // Manifest: count, then size, second size (the same: nothing is compressed), offset,
        // name length and name per entry.
        w.U32(static_cast<uint32_t>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            const FarWriterEntry& entry = entries[i];
            const auto size = static_cast<uint32_t>(entry.bytes.size());
            w.U32(size).U32(size).U32(offsets[i]);
            if (variant == FarVariant::k1a)
                w.U32(static_cast<uint32_t>(entry.name.size()));
            else
                w.U16(static_cast<uint16_t>(entry.name.size()));
            w.Text(entry.name);
        }
        out = w.Take();
    } catch (const std::bad_alloc&) {
        return rc::kNoMemory;
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
