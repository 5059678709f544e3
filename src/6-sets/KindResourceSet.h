#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sets/ResourceSet.h"

namespace tambrix {

/// A set that opens a name by its registered extensions: each registration names a file
/// kind, and every registration that matches the name contributes a member of that kind.
class KindResourceSet : public ResourceSet {
public:
    static constexpr int kMaxRegistrations = 8;
    /// Extensions hold at most this many characters, the leading '.' included.
    static constexpr size_t kMaxExtensionLength = 7;

    enum FileKind : uint32_t {
        kKindNone = 0,       ///< ends the registry
        kKindLegacyIff = 1,  ///< LegacyIffResourceFile
        kKindIff = 2,        ///< IffResourceFile
        kKindDirectory = 3,  ///< DirectoryResourceFile
    };

    KindResourceSet() = default;
    ~KindResourceSet() override;

    /// Ignored when the registry is full, the kind is unknown or the extension is
    /// longer than 7 characters.
    void Register(uint32_t kind, const std::string& extension);
    void ClearRegistry();

    /// Creates one file per distinct registered extension that matches the name.
    int32_t Create(const TextBuffer& name) override;
    int32_t Delete(const TextBuffer& name) override;
    /// Closes the set, then opens every registration that matches the name; 0 when at
    /// least one member opened.
    int32_t Open(const TextBuffer& name) override;
    /// Closes every member, then removes and destroys them.
    int32_t Close() override;

    /// The file a registration stands for: `name` itself when its extension equals the
    /// registration's (ASCII case ignored), `name` plus the extension when it has none.
    /// False when the registration does not match.
    static bool MatchName(uint32_t kind, const std::string& extension, const TextBuffer& name, TextBuffer& fileName);

protected:
    /// A new, closed file of the kind; null for kind 0 or an unknown kind.
    static std::unique_ptr<ResourceFile> MakeFile(uint32_t kind);
    /// Open without the Close: adds a member for every registration that matches the
    /// name and opens; 0 when at least one did. `firstFailure` (when given) receives the
    /// code of the first matching file that did not open, or stays as it is.
    int32_t OpenMembers(const TextBuffer& name, int32_t* firstFailure = nullptr);

private:
    struct Registration {
        uint32_t kind = kKindNone;
        std::string extension;
    };
    std::vector<Registration> mRegistry;
};

}  // namespace tambrix
