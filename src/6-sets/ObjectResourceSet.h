#pragma once

#include <array>
#include <string_view>

#include "sets/KindResourceSet.h"

namespace tambrix {

/// The set for an object file and its sprite companion: an ".iff" file and an ".spf"
/// file of the same name open together, and the graphics types are routed to the
/// ".spf" file.
class ObjectResourceSet : public KindResourceSet {
public:
    /// The object file's extension, its sprite companion's, and a folder list's.
    static constexpr std::string_view kObjectExtension = ".iff";
    static constexpr std::string_view kSpriteExtension = ".spf";
    static constexpr std::string_view kFolderListExtension = ".dir";
    /// The graphics types that live in the sprite companion of an object file.
    static constexpr std::array<ResType, 5> kSpriteFileTypes = {
        restype::kSPR, restype::kDGRP, restype::kPALT, MakeResType("BMP_"), restype::kSPR2,
    };

    ObjectResourceSet();
    int32_t Open(const TextBuffer& name) override;
    /// Opens an object file by its whole name ("Chairs/my.sofa.iff", whose base may hold
    /// dots that Open would read as an extension) together with the ".spf" file of the
    /// same base, and pairs them as Open does. rc::kNoFileKind for a name without the
    /// object extension; the object file's own code when it does not open (the set then
    /// stays closed, even when the companion would open); a missing companion is no
    /// failure.
    int32_t OpenObjectFile(const TextBuffer& objectFileName);

private:
    /// Routes the graphics types to the ".spf" member when there is an ".iff" one.
    void pairMembers();
};

}  // namespace tambrix
