#pragma once
// The sprite round trip: every frame of a file's sprites written out as PNG pictures with
// a list of what they are (sprites.json), and the pictures, once edited elsewhere, read
// back into the file. Only sprites whose pictures changed are touched; colours map
// exactly onto the sprite's palette when they all are in it, and otherwise a new palette
// is made for the sprite. The import writes a copy of the file and puts it in the file's
// place only when everything succeeded, so a failed import leaves the file as it was.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tambrix {

/// The name of the list an export writes beside the sprites' folders.
inline constexpr const char* kSpriteListName = "sprites.json";

struct SpriteExportResult {
    int32_t code = 0;   ///< rc::kOk or the reason's code
    std::string error;  ///< one line, empty on success
    uint32_t sprites = 0;
    uint32_t frames = 0;
    uint32_t pictures = 0;  ///< PNG files written
};

/// Writes the sprites of the file at `path` (a file on disk or an archive entry, opened
/// read-only: the source is never written) into `folder`, created when missing: per
/// sprite a folder "SPR2_<id>" or "SPR#_<id>" with frame<F>_color.png (RGBA) and, for
/// "SPR2", frame<F>_depth.png and frame<F>_alpha.png (grey), then sprites.json.
/// `ids`, when not empty, chooses the sprites; an ID the file lacks is an error.
SpriteExportResult ExportSprites(const std::string& path, const std::string& folder,
                                 const std::vector<int32_t>& ids = {});

struct SpriteImportOptions {
    bool dryRun = false;  ///< work everything out, write nothing
    bool dither = false;  ///< dither colours onto a new palette
};

/// What the import did (or, in a dry run, would do) to one sprite.
struct SpriteImportChange {
    std::string type;  ///< "SPR2" or "SPR#"
    int32_t id = 0;
    std::string label;
    std::vector<int32_t> frames;  ///< frames whose pictures or placement changed; empty: untouched
    int32_t paletteId = 0;        ///< the palette the sprite uses afterwards
    bool paletteKept = true;      ///< false: a palette was made
    bool paletteAdded = false;    ///< the made palette is a new resource (the old one is shared or missing)
    uint32_t paletteColours = 0;
    int32_t largestError = 0;  ///< the largest difference of a red, green or blue value after mapping

    /// One line for people: "SPR2 2000 "chair": frames 0, 3 re-encoded; palette 2000
    /// kept; largest colour error 0", or "...: unchanged".
    std::string Describe() const;
};

struct SpriteImportResult {
    int32_t code = 0;
    std::string error;
    std::vector<SpriteImportChange> sprites;  ///< in the order of sprites.json
    bool written = false;                    ///< the file was changed
};

/// Reads the pictures of an export in `folder` back into the object file at `path`.
/// Refused for an archive entry, a file in the game's own folders, a file that cannot
/// be written, and pictures that do not fit their frames (the error names the frame).
SpriteImportResult ImportSprites(const std::string& path, const std::string& folder,
                                 const SpriteImportOptions& options = {});



}  // namespace tambrix
