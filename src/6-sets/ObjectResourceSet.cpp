#include "sets/ObjectResourceSet.h"

#include "core/AsciiCase.h"
#include "core/NameParts.h"

namespace tambrix {

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
    pairMembers();
    SetError(result);
    return result;
}

int32_t ObjectResourceSet::OpenObjectFile(const TextBuffer& objectFileName) {
    Close();
    const std::string_view name = objectFileName.View();
    const size_t dot = nameparts::ExtensionStart(name);
    if (dot == std::string_view::npos || !EqualNoCase(name.substr(dot), kObjectExtension)) {
        SetError(rc::kNoFileKind);
        return rc::kNoFileKind;
    }
    // The answer for a file that does not open is its own code, not that of the
    // registrations of other extensions tried after it.
    int32_t failure = rc::kOk;
    int32_t result = OpenMembers(objectFileName, &failure);
    if (result != rc::kOk) {
        if (failure != rc::kOk) result = failure;
        Close();
        SetError(result);
        return result;
    }
    FileNameText companion(name.substr(0, dot));
    companion.Append(kSpriteExtension);
    // The same length as the object file's name, so it always fits.
    OpenMembers(companion);
    pairMembers();
    SetError(rc::kOk);
    return rc::kOk;
}

void ObjectResourceSet::pairMembers() {
    // From the last member to the first, so that the frontmost match wins.
    ResourceFile* objectFile = nullptr;
    ResourceFile* spriteFile = nullptr;
    for (int i = CountMembers() - 1; i >= 0; --i) {
        ResourceFile* member = GetMember(i);
        FileNameText path;
        member->GetPath(path);
        std::string_view extension = nameparts::Extension(path.View());
        if (EqualNoCase(extension, kSpriteExtension)) spriteFile = member;
        if (EqualNoCase(extension, kObjectExtension)) objectFile = member;
    }
    if (objectFile && spriteFile) {
        for (ResType type : kSpriteFileTypes) ExcludeType(objectFile, type);
        for (ResType type : kSpriteFileTypes) IncludeType(spriteFile, type);
    }
}

}  // namespace tambrix
