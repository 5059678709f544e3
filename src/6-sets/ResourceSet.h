#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "resfile/ResourceFile.h"

namespace tambrix {

/// A resource file made of up to eight member files. Every operation is answered by
/// asking the members in order; lookups take the first member that has the resource,
/// additions go to the first writable member that accepts the type.
///
/// Each member carries a type list with a mode: in exclude mode the listed types are
/// refused for adding, in include mode only the listed types are accepted.
///
/// The set owns its members. Create, Delete and Open are left to subclasses.
class ResourceSet : public ResourceFile {
public:
    static constexpr int kMaxMembers = 8;

    enum class ListMode : uint16_t {
        Include = 0,  ///< only the listed types are accepted
        Exclude = 1,  ///< the listed types are refused
    };

    ResourceSet() = default;
    /// Destroys the remaining members, the last first.
    ~ResourceSet() override;

    /// Takes the file into the first free record (empty type list, exclude mode).
    /// With all records in use the file is closed and destroyed, so that it never stays
    /// open without an owner; then the answer is false.
    bool AddMember(std::unique_ptr<ResourceFile> file);
    /// Takes the file's record out; the records behind it move up one place with their
    /// lists and modes. The file is handed back to the caller (null when it is not a
    /// member).
    std::unique_ptr<ResourceFile> RemoveMember(ResourceFile* file);
    int CountMembers() const;
    /// The member at a 0-based index, or null.
    ResourceFile* GetMember(int index) const;
    /// Refuses the type for adding to the file, unless the file's list is already an
    /// include list.
    void ExcludeType(ResourceFile* file, ResType type);
    /// Accepts only listed types for adding to the file, unless the file's list is
    /// already an exclude list.
    void IncludeType(ResourceFile* file, ResType type);

    int32_t Suspend() override;
    int32_t Resume() override;
    int32_t Close() override;
    int32_t Update() override;
    bool IsWritable() override;
    /// The first member's path without its extension; rc::kNotOpen when no member is open.
    int32_t GetPath(TextBuffer& name) override;
    bool IsOpen() override;
    int16_t CountTypes() override;
    ResType GetIndType(int16_t index) override;
    int16_t CountResources(ResType type) override;
    DataBlock* GetResource(ResType type, ResId id, ConversionRoutine convert) override;
    DataBlock* GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) override;
    DataBlock* GetIndResource(ResType type, int16_t index, ConversionRoutine convert) override;
    DataBlock* GetResourceWithAttr(ResType type, ResId id, uint8_t attribute, ConversionRoutine convert) override;
    void GetResName(DataBlock* block, TextBuffer& label) override;
    ResType GetResType(DataBlock* block) override;
    int32_t GetResID(DataBlock* block, uint16_t& id) override;
    int32_t GetResAux(DataBlock* block, uint16_t& aux) override;
    uint8_t GetResAttrs(DataBlock* block) override;
    /// An empty label starts as "anonymous 0"; every member then makes it unique in turn.
    void UniqueName(ResType type, TextBuffer& label) override;
    ResId UniqueID(ResType type) override;
    int32_t DetachResource(DataBlock* block) override;
    int32_t ReservedOp(DataBlock* block) override;
    bool IsLibraryOrder(DataBlock* block) override;
    int32_t SetResID(DataBlock* block, ResId id) override;
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) override;
    /// Replaces an existing resource of that type and ID, then hands the block to the
    /// first writable member that accepts the type.
    int32_t AddResourceWithAttr(DataBlock* block, ResType type, ResId id, const TextBuffer& label, uint8_t attribute,
                                bool libraryOrder) override;
    int32_t WriteResource(DataBlock* block) override;
    int32_t RemoveResource(DataBlock* block) override;
    int32_t SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) override;
    /// Whether some writable member accepts resources of the type.
    virtual bool AcceptsType(ResType type);

protected:
    /// Removes every member and destroys it, the last first.
    void DestroyMembers();

private:
    struct Member {
        std::unique_ptr<ResourceFile> file;  ///< null marks a free record
        std::vector<ResType> types;
        ListMode mode = ListMode::Exclude;
    };

    Member* findMember(ResourceFile* file);
    static bool refusesType(const Member& member, ResType type);
    /// The first writable member that accepts the type; otherwise null, with the code
    /// (rc::kNoAcceptingMember or rc::kNoWritableMember) that the attempt leaves.
    Member* memberForAdding(ResType type, int32_t& code);
    std::vector<ResType> typeUnion();

    /// Used records always lead.
    std::array<Member, kMaxMembers> mMembers;
};

}  // namespace tambrix
