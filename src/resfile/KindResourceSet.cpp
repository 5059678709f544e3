#include <array>

#include "iff/IffResourceFile.h"
#include "iff/LegacyIffResourceFile.h"
#include "resfile/DirectoryResourceFile.h"
#include "resfile/NameParts.h"
#include "resfile/ResourceSet.h"

namespace tambrix {

namespace {
/// The graphics types that live in the sprite companion (".spf") of an object file.
constexpr std::array<ResType, 5> kSpriteFileTypes = {
    MakeResType("SPR#"), MakeResType("DGRP"), MakeResType("PALT"), MakeResType("BMP_"), MakeResType("SPR2"),
};
constexpr std::string_view kObjectExtension = ".iff";
constexpr std::string_view kSpriteExtension = ".spf";
constexpr std::string_view kFolderListExtension = ".dir";
}  // namespace

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
        if (!nameparts::EqualNoCase(nameExtension, extension)) return false;
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
        for (std::string_view extension : created) done = done || nameparts::EqualNoCase(extension, registration.extension);
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

ObjectResourceSet::ObjectResourceSet() {
    Register(kKindIff, std::string(kObjectExtension));
    Register(kKindIff, std::string(kSpriteExtension));
    Register(kKindLegacyIff, std::string(kObjectExtension));
    Register(kKindLegacyIff, std::string(kSpriteExtension));
    Register(kKindDirectory, std::string(kFolderListExtension));
}

int32_t ObjectResourceSet::Open(const TextBuffer& name) {
    int32_t result = KindResourceSet::Open(name);
    if (result != rc::kOk) return result;

    // From the last member to the first, so that the frontmost match wins.
    ResourceFile* objectFile = nullptr;
    ResourceFile* spriteFile = nullptr;
    for (int i = CountMembers() - 1; i >= 0; --i) {
        ResourceFile* member = GetMember(i);
        FileNameText path;
        member->GetPath(path);
        std::string_view extension = nameparts::Extension(path.View());
        if (nameparts::EqualNoCase(extension, kSpriteExtension)) spriteFile = member;
        if (nameparts::EqualNoCase(extension, kObjectExtension)) objectFile = member;
    }
    if (objectFile && spriteFile) {
        for (ResType type : kSpriteFileTypes) ExcludeType(objectFile, type);
        for (ResType type : kSpriteFileTypes) IncludeType(spriteFile, type);
    }
    SetError(result);
    return result;
}

ViewResourceSet::ViewResourceSet() {
    ClearRegistry();
    Register(kKindIff, std::string(kObjectExtension));
    Register(kKindIff, std::string(kSpriteExtension));
    Register(kKindDirectory, std::string(kFolderListExtension));
}

ViewResourceSet::~ViewResourceSet() {
    // The caches go first; the members follow in the base destructors.
    mKeyedObjects.clear();
    mFirstRecords.clear();
    mSecondRecords.clear();
}

}  // namespace tambrix
