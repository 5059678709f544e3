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
    SetError(result);
    return result;
}

}  // namespace tambrix
