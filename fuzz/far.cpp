// FAR archives: the manifest read from memory and from the file (the two must agree),
// every entry read by name (its bytes must be the ones the manifest points at), the
// archive mounted, its folders and files listed and opened through the file system,
// containers inside it opened, and the archive unmounted again.

#include <algorithm>
#include <cstring>

#include "FuzzSupport.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FileSystem.h"
#include "resfile/ResourceFile.h"

using namespace tambrix;
using namespace tambrix::fuzz;

namespace {

constexpr size_t kMaxEntriesRead = 16;
constexpr size_t kMaxContainersOpened = 2;

bool SameManifest(const FarManifest& a, const FarManifest& b) {
    if (a.variant != b.variant || a.declaredCount != b.declaredCount || a.entries.size() != b.entries.size())
        return false;
    for (size_t i = 0; i < a.entries.size(); ++i) {
        const FarEntry& x = a.entries[i];
        const FarEntry& y = b.entries[i];
        if (x.name != y.name || x.size != y.size || x.offset != y.offset || x.status != y.status) return false;
    }
    return true;
}

void ListFolder(FileSystem& files, const std::string& folder, int depth, size_t& containers) {
    std::vector<CTGString> folders;
    files.ListMountedFolders(folder.c_str(), folders);
    std::vector<MountedFile> found;
    files.ListMountedFiles(folder.c_str(), found);
    for (const MountedFile& f : found) {
        const std::string name = folder + "\\" + f.name.c_str();
        MountedEntryError(name.c_str());
        if (FileHandle* handle = files.Open(name.c_str(), false)) {
            std::vector<uint8_t> bytes(std::min<uint32_t>(handle->GetSize(), 1 << 16));
            handle->Read(bytes.data(), static_cast<uint32_t>(bytes.size()));
            handle->Seek(handle->GetSize() / 2);
            handle->Read(bytes.data(), 16 <= bytes.size() ? 16 : 0);
            files.Close(handle);
            if (containers < kMaxContainersOpened && bytes.size() >= 64) {
                ++containers;
                if (std::unique_ptr<ResourceFile> inner = OpenContainer(name)) {
                    if (inner->IsWritable()) Fail("%s inside an archive opened for writing", name.c_str());
                    const int16_t types = inner->CountTypes();
                    for (int16_t t = 1; t <= types; ++t) {
                        const ResType type = inner->GetIndType(t);
                        for (int16_t i = 1; i <= inner->CountResources(type); ++i)
                            inner->GetIndResource(type, i, nullptr);
                    }
                }
            }
        }
    }
    if (depth < 4)
        for (const CTGString& sub : folders) ListFolder(files, folder + "\\" + sub.c_str(), depth + 1, containers);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FarManifest inMemory;
    const int32_t parsed = ParseFarArchive(data, size, inMemory);

    const std::string path = ScratchPath("archive.far");
    if (!WriteFile(path, data, size)) return 0;
    FarManifest fromFile;
    const int32_t listed = ListFarArchive(path.c_str(), fromFile);
    if (parsed != listed || (parsed == rc::kOk && !SameManifest(inMemory, fromFile)))
        Fail("the manifest read from memory (%d) and from the file (%d) differ", parsed, listed);
    if (parsed != rc::kOk) return 0;

    for (size_t i = 0; i < std::min(inMemory.entries.size(), kMaxEntriesRead); ++i) {
        const FarEntry& entry = inMemory.entries[i];
        std::vector<uint8_t> bytes;
        if (ReadFarEntry(path.c_str(), entry.name.c_str(), bytes) != rc::kOk) continue;
        // The first usable entry of that name (ignoring case and separators) is the one read.
        bool matches = false;
        for (const FarEntry& e : inMemory.entries) {
            if (e.status != rc::kOk || e.compressed || e.size != bytes.size()) continue;
            if (uint64_t{e.offset} + e.size <= size &&
                (e.size == 0 || std::memcmp(data + e.offset, bytes.data(), e.size) == 0)) {
                matches = true;
                break;
            }
        }
        if (!matches) Fail("entry \"%s\" read %zu bytes that no usable entry holds", entry.name.c_str(), bytes.size());
    }

    FileSystem& files = FileSystem::Instance();
    FarMountReport report;
    if (MountFarArchive(path.c_str(), &report) == rc::kOk) {
        size_t containers = 0;
        ListFolder(files, path, 0, containers);
    }
    UnmountFarArchives(path.c_str());
    return 0;
}
