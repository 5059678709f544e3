#include "sets/ResourceSet.h"

#include <algorithm>
#include <limits>

#include "core/NameParts.h"

namespace tambrix {

namespace {
/// An empty label given to UniqueName starts from this one.
constexpr std::string_view kAnonymousLabel = "anonymous 0";

int16_t ClampToInt16(size_t count) {
    return static_cast<int16_t>(std::min<size_t>(count, std::numeric_limits<int16_t>::max()));
}
}  // namespace

ResourceSet::~ResourceSet() { DestroyMembers(); }

// --- member table ---------------------------------------------------------------------

bool ResourceSet::AddMember(std::unique_ptr<ResourceFile> file) {
    if (!file) return false;
    for (Member& member : mMembers) {
        if (member.file) continue;
        member.file = std::move(file);
        member.types.clear();
        member.mode = ListMode::Exclude;
        return true;
    }
    // No free record: nobody would own the file, so it goes now.
    if (file->IsOpen()) file->Close();
    return false;
}

std::unique_ptr<ResourceFile> ResourceSet::RemoveMember(ResourceFile* file) {
    if (!file) return nullptr;
    for (size_t i = 0; i < mMembers.size() && mMembers[i].file; ++i) {
        if (mMembers[i].file.get() != file) continue;
        std::unique_ptr<ResourceFile> removed = std::move(mMembers[i].file);
        for (size_t j = i; j + 1 < mMembers.size(); ++j) mMembers[j] = std::move(mMembers[j + 1]);
        mMembers.back() = Member{};
        return removed;
    }
    return nullptr;
}

int ResourceSet::CountMembers() const {
    int count = 0;
    while (count < kMaxMembers && mMembers[count].file) ++count;
    return count;
}

ResourceFile* ResourceSet::GetMember(int index) const {
    if (index < 0 || index >= CountMembers()) return nullptr;
    return mMembers[index].file.get();
}

ResourceSet::Member* ResourceSet::findMember(ResourceFile* file) {
    for (Member& member : mMembers) {
        if (!member.file) break;
        if (member.file.get() == file) return &member;
    }
    return nullptr;
}

void ResourceSet::ExcludeType(ResourceFile* file, ResType type) {
    Member* member = findMember(file);
    if (!member) return;
    if (!member->types.empty() && member->mode == ListMode::Include) return;
    member->mode = ListMode::Exclude;
    member->types.push_back(type);
}

void ResourceSet::IncludeType(ResourceFile* file, ResType type) {
    Member* member = findMember(file);
    if (!member) return;
    if (!member->types.empty() && member->mode == ListMode::Exclude) return;
    member->mode = ListMode::Include;
    member->types.push_back(type);
}

bool ResourceSet::refusesType(const Member& member, ResType type) {
    bool listed = std::find(member.types.begin(), member.types.end(), type) != member.types.end();
    return member.mode == ListMode::Exclude ? listed : !listed;
}

void ResourceSet::DestroyMembers() {
    for (int i = CountMembers() - 1; i >= 0; --i) mMembers[i] = Member{};
}

// --- whole-file operations --------------------------------------------------------------

int32_t ResourceSet::Suspend() {
    int32_t result = rc::kOk;
    for (Member& member : mMembers) {
        if (!member.file) break;
        int32_t code = member.file->Suspend();
        if (code != rc::kOk) result = code;
    }
    SetError(result);
    return result;
}

int32_t ResourceSet::Resume() {
    int32_t result = rc::kOk;
    for (Member& member : mMembers) {
        if (!member.file) break;
        int32_t code = member.file->Resume();
        if (code != rc::kOk) result = code;
    }
    SetError(result);
    return result;
}

int32_t ResourceSet::Close() {
    int32_t result = rc::kOk;
    for (Member& member : mMembers) {
        if (!member.file) break;
        int32_t code = member.file->Close();
        if (code != rc::kOk) result = code;
    }
    SetError(result);
    return result;
}

int32_t ResourceSet::Update() {
    int32_t firstError = rc::kOk;
    for (Member& member : mMembers) {
        if (!member.file) break;
        if (!member.file->IsWritable()) continue;
        member.file->Update();
        if (firstError == rc::kOk) firstError = member.file->GetError();
    }
    SetError(firstError);
    return firstError;
}

bool ResourceSet::IsWritable() {
    for (Member& member : mMembers) {
        if (!member.file) break;
        if (member.file->IsWritable()) return true;
    }
    return false;
}

bool ResourceSet::IsOpen() {
    for (Member& member : mMembers) {
        if (!member.file) break;
        if (member.file->IsOpen()) return true;
    }
    return false;
}

int32_t ResourceSet::GetPath(TextBuffer& name) {
    name.Clear();
    if (!IsOpen()) {
        SetError(rc::kNotOpen);
        return rc::kNotOpen;
    }
    ResourceFile* first = mMembers[0].file.get();
    int32_t code = first->GetPath(name);
    if (code == rc::kOk) code = first->GetError();
    if (code != rc::kOk) {
        name.Clear();
        SetError(code);
        return code;
    }
    size_t dot = nameparts::ExtensionStart(name.View());
    if (dot != std::string_view::npos) name.Data()[dot] = '\0';
    SetError(rc::kOk);
    return rc::kOk;
}

// --- types and lookups ------------------------------------------------------------------

std::vector<ResType> ResourceSet::typeUnion() {
    std::vector<ResType> types;
    for (Member& member : mMembers) {
        if (!member.file) break;
        int16_t count = member.file->CountTypes();
        if (member.file->GetError() != rc::kOk) {
            SetError(member.file->GetError());
            continue;
        }
        // Each member's types are taken from its last one down to its first.
        for (int16_t i = count; i >= 1; --i) {
            ResType type = member.file->GetIndType(i);
            if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
        }
    }
    return types;
}

int16_t ResourceSet::CountTypes() {
    SetError(rc::kOk);
    return ClampToInt16(typeUnion().size());
}

ResType ResourceSet::GetIndType(int16_t index) {
    SetError(rc::kOk);
    std::vector<ResType> types = typeUnion();
    if (index < 1 || static_cast<size_t>(index) > types.size()) {
        SetError(rc::kTypeIndexRange);
        return 0;
    }
    return types[index - 1];
}

int16_t ResourceSet::CountResources(ResType type) {
    SetError(rc::kOk);
    size_t total = 0;
    for (Member& member : mMembers) {
        if (!member.file) break;
        int16_t count = member.file->CountResources(type);
        if (member.file->GetError() != rc::kOk) {
            SetError(member.file->GetError());
            return 0;
        }
        if (count > 0) total += static_cast<size_t>(count);
    }
    return ClampToInt16(total);
}

DataBlock* ResourceSet::GetResource(ResType type, ResId id, ConversionRoutine convert) {
    return GetResourceWithAttr(type, id, 0, convert);
}

DataBlock* ResourceSet::GetResourceWithAttr(ResType type, ResId id, uint8_t attribute, ConversionRoutine convert) {
    SetError(rc::kNoSuchResource);
    for (Member& member : mMembers) {
        if (!member.file) break;
        DataBlock* block = member.file->GetResourceWithAttr(type, id, attribute, convert);
        if (block) {
            SetError(rc::kOk);
            return block;
        }
        SetError(member.file->GetError());
    }
    return nullptr;
}

DataBlock* ResourceSet::GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) {
    SetError(rc::kNoSuchResource);
    for (Member& member : mMembers) {
        if (!member.file) break;
        DataBlock* block = member.file->GetNamedResource(type, label, convert);
        if (block) {
            SetError(rc::kOk);
            return block;
        }
        SetError(member.file->GetError());
    }
    return nullptr;
}

DataBlock* ResourceSet::GetIndResource(ResType type, int16_t index, ConversionRoutine convert) {
    SetError(rc::kNoSuchResource);
    // An index below 1 falls within no member, but every member is still counted.
    int32_t remaining = index;
    for (Member& member : mMembers) {
        if (!member.file) break;
        int16_t count = member.file->CountResources(type);
        if (member.file->GetError() != rc::kOk) {
            SetError(member.file->GetError());
            return nullptr;
        }
        if (remaining >= 1 && remaining <= count) {
            DataBlock* block = member.file->GetIndResource(type, static_cast<int16_t>(remaining), convert);
            SetError(block ? rc::kOk : member.file->GetError());
            return block;
        }
        if (count > 0) remaining -= count;
    }
    return nullptr;
}

// --- per-block queries: the first member that knows the block answers --------------------

void ResourceSet::GetResName(DataBlock* block, TextBuffer& label) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        member.file->GetResName(block, label);
        SetError(member.file->GetError());
        if (GetError() == rc::kOk) return;
    }
    label.Clear();
}

ResType ResourceSet::GetResType(DataBlock* block) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        ResType type = member.file->GetResType(block);
        SetError(member.file->GetError());
        if (GetError() == rc::kOk) return type;
    }
    return 0;
}

int32_t ResourceSet::GetResID(DataBlock* block, uint16_t& id) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        member.file->GetResID(block, id);
        SetError(member.file->GetError());
        if (GetError() == rc::kOk) return rc::kOk;
    }
    id = 0;
    return GetError();
}

int32_t ResourceSet::GetResAux(DataBlock* block, uint16_t& aux) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        member.file->GetResAux(block, aux);
        SetError(member.file->GetError());
        if (GetError() == rc::kOk) return rc::kOk;
    }
    aux = 0;
    return GetError();
}

uint8_t ResourceSet::GetResAttrs(DataBlock* block) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        uint8_t attributes = member.file->GetResAttrs(block);
        SetError(member.file->GetError());
        if (GetError() == rc::kOk) return attributes;
    }
    return 0;
}

int32_t ResourceSet::DetachResource(DataBlock* block) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        member.file->DetachResource(block);
        SetError(member.file->GetError());
        if (GetError() == rc::kOk) return rc::kOk;
    }
    return GetError();
}

int32_t ResourceSet::SetResID(DataBlock* block, ResId id) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        member.file->SetResID(block, id);
        SetError(member.file->GetError());
        if (GetError() == rc::kOk) return rc::kOk;
    }
    return GetError();
}

bool ResourceSet::IsLibraryOrder(DataBlock* block) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        bool libraryOrder = member.file->IsLibraryOrder(block);
        if (member.file->GetError() == rc::kOk) {
            SetError(rc::kOk);
            return libraryOrder;
        }
    }
    return false;
}

int32_t ResourceSet::ReservedOp(DataBlock* /*block*/) {
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

void ResourceSet::UniqueName(ResType type, TextBuffer& label) {
    SetError(rc::kOk);
    if (label.Length() == 0) label.Assign(kAnonymousLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        member.file->UniqueName(type, label);
    }
}

ResId ResourceSet::UniqueID(ResType type) {
    SetError(rc::kOk);
    ResourceFile* first = mMembers[0].file.get();
    if (!first) return 0;
    ResId id = first->UniqueID(type);
    SetError(first->GetError());
    return id;
}

// --- changes: routed to the writable members ---------------------------------------------

int32_t ResourceSet::AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) {
    return AddResourceWithAttr(block, type, id, label, 0, libraryOrder);
}

ResourceSet::Member* ResourceSet::memberForAdding(ResType type, int32_t& code) {
    code = rc::kNoWritableMember;
    for (Member& member : mMembers) {
        if (!member.file) break;
        if (refusesType(member, type)) {
            code = rc::kNoAcceptingMember;
            continue;
        }
        // A member that accepts the type but cannot be written leaves the code as it is.
        if (member.file->IsWritable()) return &member;
    }
    return nullptr;
}

int32_t ResourceSet::AddResourceWithAttr(DataBlock* block, ResType type, ResId id, const TextBuffer& label,
                                         uint8_t attribute, bool libraryOrder) {
    SetError(rc::kOk);
    // Without a member to take the new resource, the old one must not be removed either:
    // that would lose it.
    int32_t code = rc::kOk;
    if (!memberForAdding(type, code)) {
        SetError(code);
        return code;
    }

    DataBlock* existing = GetResourceWithAttr(type, id, attribute, nullptr);
    if (existing) {
        if (existing == block) {
            // The caller is re-adding the block it was given: take it out of its owner's
            // hands first, so that removing the old resource does not free it.
            if (DetachResource(block) != rc::kOk) return GetError();
            existing = GetResourceWithAttr(type, id, attribute, nullptr);
            if (existing == block) {
                SetError(rc::kNoSuchLabel);
                return GetError();
            }
        }
        if (existing) {
            RemoveResource(existing);
            if (GetError() != rc::kOk) return GetError();
        }
    }

    Member* target = memberForAdding(type, code);
    if (!target) {
        SetError(code);
        return code;
    }
    target->file->AddResourceWithAttr(block, type, id, label, attribute, libraryOrder);
    SetError(target->file->GetError());
    return GetError();
}

int32_t ResourceSet::WriteResource(DataBlock* block) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        if (!member.file->IsWritable()) continue;
        member.file->WriteResource(block);
        SetError(member.file->GetError());
        if (GetError() == rc::kOk) break;
    }
    return GetError();
}

int32_t ResourceSet::RemoveResource(DataBlock* block) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        if (!member.file->IsWritable()) continue;
        member.file->RemoveResource(block);
        SetError(member.file->GetError());
        if (GetError() == rc::kOk) break;
    }
    return GetError();
}

int32_t ResourceSet::SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) {
    SetError(rc::kNoSuchLabel);
    for (Member& member : mMembers) {
        if (!member.file) break;
        if (!member.file->IsWritable()) continue;
        member.file->SetResInfo(block, id, label, attribute);
        SetError(member.file->GetError());
        if (GetError() == rc::kOk) break;
    }
    return GetError();
}

bool ResourceSet::AcceptsType(ResType type) {
    int32_t code = rc::kOk;
    return memberForAdding(type, code) != nullptr;
}

}  // namespace tambrix
