#include "sets/KindResourceSet.h"

#include "containers/DirectoryResourceFile.h"
#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"
#include "core/AsciiCase.h"
#include "core/NameParts.h"

namespace tambrix {

KindResourceSet::~KindResourceSet() { DestroyMembers(); }

void KindResourceSet::Register(uint32_t kind, const std::string& extension) {
    if (mRegistry.size() >= kMaxRegistrations || kind > kKindDirectory) return;
    // A cut extension would stand for other files than the caller meant.
    if (extension.size() > kMaxExtensionLength) return;
    mRegistry.push_back({kind, extension});
}

void KindResourceSet::ClearRegistry() { mRegistry.clear(); }

bool KindResourceSet::MatchName(uint32_t kind, const std::string& extension, const TextBuffer& name,
                                TextBuffer& fileName) {
    fileName.Clear();
    if (kind == kKindNone || extension.size() < 2 || extension[0] != '.') return false;
    std::string_view path = name.View();
    std::string_view nameExtension = nameparts::Extension(path);
    if (!nameExtension.empty()) {
        if (!EqualNoCase(nameExtension, extension)) return false;
        fileName.Assign(path);
        return true;
    }
    if (nameparts::FileNameStart(path) == path.size()) return false;
    // A name too long to carry the extension would be cut to another file's name.
    if (path.size() + extension.size() >= fileName.Capacity()) return false;
    fileName.Assign(path);
    fileName.Append(extension);
    return true;
}

std::unique_ptr<ResourceFile> KindResourceSet::MakeFile(uint32_t kind) {
    switch (kind) {
        case kKindLegacyIff: return std::make_unique<LegacyIffResourceFile>();
        case kKindIff: return std::make_unique<IffResourceFile>();
        case kKindDirectory: return std::make_unique<DirectoryResourceFile>();
        default: return nullptr;
    }
}

int32_t KindResourceSet::Create(const TextBuffer& name) {
    int32_t result = rc::kNoFileKind;
    std::vector<std::string_view> created;
    for (const Registration& registration : mRegistry) {
        if (registration.kind == kKindNone) break;
        bool done = false;
        for (std::string_view extension : created) done = done || EqualNoCase(extension, registration.extension);
        // Both container versions share an extension; the file is made only once.
        if (done) continue;
        std::unique_ptr<ResourceFile> file = MakeFile(registration.kind);
        if (!file) continue;
        FileNameText fileName;
        if (MatchName(registration.kind, registration.extension, name, fileName)) {
            int32_t code = file->Create(fileName);
            if (code == rc::kOk) {
                created.push_back(registration.extension);
            } else {
                result = code;
            }
        } else {
            result = rc::kNoFileKind;
        }
        file.reset();
        if (result == rc::kFileExists) {
            SetError(result);
            return result;
        }
    }
    if (!created.empty()) result = rc::kOk;
    SetError(result);
    return result;
}

int32_t KindResourceSet::Delete(const TextBuffer& name) {
    int32_t result = rc::kNoFileKind;
    bool deleted = false;
    for (const Registration& registration : mRegistry) {
        if (registration.kind == kKindNone) break;
        std::unique_ptr<ResourceFile> file = MakeFile(registration.kind);
        if (!file) continue;
        FileNameText fileName;
        if (MatchName(registration.kind, registration.extension, name, fileName)) {
            int32_t code = file->Delete(fileName);
            if (code == rc::kOk) {
                deleted = true;
            } else {
                result = code;
            }
        } else {
            result = rc::kNoFileKind;
        }
        file.reset();
        if (result == rc::kNoWritableMember || result == rc::kNotWritable) {
            SetError(result);
            return result;
        }
    }
    if (deleted) result = rc::kOk;
    SetError(result);
    return result;
}

int32_t KindResourceSet::Open(const TextBuffer& name) {
    Close();
    return OpenMembers(name);
}

int32_t KindResourceSet::OpenMembers(const TextBuffer& name, int32_t* firstFailure) {
    int32_t result = rc::kNoFileKind;
    bool opened = false;
    for (const Registration& registration : mRegistry) {
        if (registration.kind == kKindNone) break;
        std::unique_ptr<ResourceFile> file = MakeFile(registration.kind);
        if (!file) continue;
        FileNameText fileName;
        if (!MatchName(registration.kind, registration.extension, name, fileName)) {
            result = rc::kNoFileKind;
            continue;
        }
        int32_t code = file->Open(fileName);
        if (code != rc::kOk) {
            if (firstFailure && *firstFailure == rc::kOk) *firstFailure = code;
            result = code;
            continue;
        }
        // A full table closes and destroys the file itself.
        if (AddMember(std::move(file))) opened = true;
    }
    if (opened) result = rc::kOk;
    SetError(result);
    return result;
}

int32_t KindResourceSet::Close() {
    int32_t result = ResourceSet::Close();
    DestroyMembers();
    return result;
}

}  // namespace tambrix
