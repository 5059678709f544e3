#pragma once

// What the object view shows of a file, said once for every program on top: the
// browser's form, tambrix-cli's info and show, and the headless run. A file is opened
// through the opening entry, its objects are loaded with their graphics, and the
// description follows: the form's texts, the objects, the sprite and frame lists with
// their labels, the view of the preview.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "graphics/PreviewRenderer.h"
#include "platform/Bitmap.h"
#include "platform/PlatformFile.h"
#include "sets/GameFile.h"

namespace tambrix {

class ObjectSet;

/// How the form lays a file out.
enum class ViewForm : uint8_t {
    kNothing,  ///< the form is left as it is: a name of no shown kind
    kBitmap,   ///< the bitmap alone
    kPreview,  ///< the first object's texts and its preview; no lists
    kSprites,  ///< a sprite file, or an object file without objects: string table 0, sprites and frames by number
    kWall,     ///< string table 0, sprites "Far", "Medium", "Near", frames "Left" ... "Insert"
    kFloor,    ///< as a wall, but one hidden frame item stands for the frames
    kNote,     ///< the note alone: a file with nothing to preview (a house, a skin mesh)
};

/// Name, price and description as the form's three edits show them (8-bit game text).
struct ViewTexts {
    std::string name;
    std::string price;
    std::string description;
};

/// One item of the sprite list, with the frame list it brings.
struct ViewSprite {
    int32_t id = 0;
    std::string label;
    uint32_t frameCount = 0;
    std::vector<std::string> frames;  ///< the frame list: one label per frame (a floor's single item)
};

/// The floor's single frame item, never shown.
inline constexpr const char* kFloorFrameItem = "You shouldn't be looking at this hacker!";

struct ViewDescription {
    GameFileKind kind = GameFileKind::kOther;
    ViewForm form = ViewForm::kNothing;
    ViewTexts texts;
    /// Whether string table 0 was found, for the forms that show its strings 1 to 3;
    /// without it the texts are empty.
    bool tableFound = false;
    /// The catalog names of the top-level objects, in the file's order.
    std::vector<std::string> objects;
    /// Name, price and description of every top-level object, in the same order; the
    /// form shows those of the object chosen (`texts` are the first one's).
    std::vector<ViewTexts> objectTexts;
    /// The view in which the first object is previewed.
    int32_t previewView = kDefaultPreviewImage;
    std::vector<ViewSprite> sprites;
    /// False for a floor, whose single frame item stays hidden.
    bool framesShown = true;
    /// A bitmap's stated size and depth, when its headers could be read.
    std::optional<platform::BitmapFileInfo> bitmap;
    /// What a house, character or neighborhood file is for an ".iff" name.
    UserDataKind userData = UserDataKind::kNone;
    /// What the file is, said plainly where it holds no object to show ("house file:
    /// 1,204 resources, no object definitions", "skin mesh: 5,120 bytes"); empty for a
    /// file whose objects, sprites or bitmap say it themselves.
    std::string note;
};

/// The sprite list row a wall or floor opens at: its nearest zoom ("Near", the third
/// sprite), or the last one when it has fewer; -1 without sprites. The far sprite is a
/// picture a few pixels wide.
int NearestSpriteRow(const ViewDescription& view);

/// What the description is made from: what was read from a file.
struct ViewInputs {
    std::vector<ViewTexts> objects;                     ///< per top-level object
    std::optional<ViewTexts> tableZero;                 ///< strings 1 to 3 of string table 0
    std::vector<std::pair<int32_t, uint32_t>> sprites;  ///< ID and frame count, in the set's order
    UserDataKind userData = UserDataKind::kNone;
    uint32_t resources = 0;    ///< in the container, of every type
    uint32_t definitions = 0;  ///< object definitions, tiles included
    uint64_t bytes = 0;        ///< the file's size, for the kinds that open no container
};

/// What a look did about the catalog tables that lack their first strings.
enum class CatalogCompletion : uint8_t {
    kNone,       ///< nothing to complete, or no completion asked for
    kCompleted,  ///< the tables were completed: the file was written
    kReadOnly,   ///< the file could not be opened for writing: shown as it is
    kChanged,    ///< the file changed on disk during the look: shown as it is now, not written
    kFailed,     ///< the write failed; the file is as it was
};
/// The status text of a completion for the file named `fileName`; empty for kNone
/// ("catalog completed: Plants.iff was changed", "catalog not completed: the file is
/// read-only").
std::string CatalogCompletionText(CatalogCompletion completion, std::string_view fileName);

/// The description of a file of that kind holding what `inputs` say; a stand-in for a
/// file describes itself through this as a real one does.
ViewDescription DescribeView(GameFileKind kind, const ViewInputs& inputs);

/// A file opened as the object view opens it, with its description and its pictures.
class ShownFile {
public:
    ShownFile();
    ~ShownFile();
    ShownFile(const ShownFile&) = delete;
    ShownFile& operator=(const ShownFile&) = delete;

    /// Locates the file and opens it as its kind shows: an object, sprite, wall or floor file
    /// is opened read-only and its objects loaded with their graphics; a bitmap's headers
    /// are read, a skin's size; other kinds are located only. With kViewing, a file on
    /// disk whose catalog tables miss their first strings is then opened for writing and
    /// completed, as the object set does, unless it is a house, character or
    /// neighborhood file or it changed on disk since the look (Completion tells). Codes
    /// as GameFile's.
    int32_t Open(std::string_view path, GameFileAccess access);
    /// The same after File().Locate, for callers that look at the located file first.
    int32_t Open(GameFileAccess access);

    const ViewDescription& Description() const { return mDescription; }
    /// What the last Open did about incomplete catalog tables.
    CatalogCompletion Completion() const { return mCompletion; }
    GameFile& File() { return mFile; }
    /// The loaded objects, or null for a kind that opens no container.
    ObjectSet* Objects() const { return mObjects.get(); }

    /// One frame in colour on white (or `background`), as the form draws it; null when it cannot be drawn
    /// (LastGraphicsError says why).
    std::unique_ptr<platform::Bitmap> DrawFrame(int32_t spriteId, int32_t frame, uint32_t background = 0xFFFFFF) const;
    /// The preview of top-level object `index` in `view`; null without such an object.
    std::unique_ptr<platform::Bitmap> RenderPreview(size_t index, int32_t view, uint32_t background,
                                                    PreviewReport* report = nullptr) const;

private:
    /// Opens the located container with `access` and loads its objects.
    int32_t load(GameFileAccess access);
    /// Opens the file again for writing and completes its tables when it is still the
    /// file looked at (`looked`: its identity and digest then, nothing when it changed
    /// during the look already); else loads it read-only as it is now.
    int32_t complete(const std::optional<std::pair<platform::FileIdentity, uint64_t>>& looked);

    GameFile mFile;
    std::unique_ptr<ObjectSet> mObjects;
    ViewDescription mDescription;
    CatalogCompletion mCompletion = CatalogCompletion::kNone;
};

}  // namespace tambrix
