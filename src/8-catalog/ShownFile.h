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
};

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
    /// is opened and its objects loaded with their graphics (with kViewing, a catalog
    /// table missing its first strings is completed, as the object set does); a
    /// bitmap's headers are read; other kinds are located only. Codes as GameFile's.
    int32_t Open(std::string_view path, GameFileAccess access);
    /// The same after File().Locate, for callers that look at the located file first.
    int32_t Open(GameFileAccess access);

    const ViewDescription& Description() const { return mDescription; }
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
    GameFile mFile;
    std::unique_ptr<ObjectSet> mObjects;
    ViewDescription mDescription;
};

}  // namespace tambrix
