#pragma once

// What the object view asks of an opened game file, and the openers that make one.
// The real openers sit on the library's opening entry and view description
// (LibraryBridge.cpp); tests may put their own in place. Destroying a ViewedFile closes
// the file and everything it holds.

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <string_view>

#include "catalog/ShownFile.h"

namespace tambrix::app {

/// A picture the object view shows and the Save command writes.
class Picture {
public:
    virtual ~Picture() = default;
    /// The picture for the screen, unscaled.
    virtual QImage Image() const = 0;
    /// Writes the picture as a Windows bitmap file; false when nothing was written.
    virtual bool WriteBitmapFile(const QString& path) const = 0;
    /// The picture with its background see-through, for PNG export; the opaque
    /// picture where no background can be told.
    virtual QImage TransparentImage() const { return Image().convertToFormat(QImage::Format_ARGB32); }
};

class ViewedFile {
public:
    virtual ~ViewedFile() = default;
    /// What the form shows of the file, as the library describes it.
    virtual const ViewDescription& Description() const = 0;
    /// One frame in colour on white; null when it cannot be drawn.
    virtual std::unique_ptr<Picture> DrawSprite(int spriteId, int frame) = 0;
    /// The preview of top-level object `object` in `view` (0-11), on white; null when
    /// none comes back. `why` receives the reason when the picture is blank or missing
    /// ("no sprite to draw in this view", "picture too large: 29,260 x 29,015 pixels"),
    /// or becomes empty.
    virtual std::unique_ptr<Picture> RenderPreview(int object, int view, QString& why) = 0;
    /// What opening the file did about its incomplete catalog tables.
    virtual CatalogCompletion Completion() const { return CatalogCompletion::kNone; }
};

struct FileOpeners {
    /// An object, wall or floor file, opened as the library's entry opens its kind: with
    /// kViewing read-only first, then completed when its catalog needs it.
    std::function<std::unique_ptr<ViewedFile>(const QString& path, GameFileAccess access)> openFile;
    /// A bitmap file, on disk or inside an archive.
    std::function<std::unique_ptr<Picture>(const QString& path)> loadBitmapFile;
    /// Why a file that did not open or load does not ("not an IFF file: the header is
    /// damaged or of an unknown version"); empty when it does open.
    std::function<QString(const QString& path)> openFailure;
};

/// The process-wide openers; tests replace members and call ResetOpeners afterwards.
FileOpeners& Openers();
void ResetOpeners();
/// The openers over the resource library.
FileOpeners LibraryOpeners();

/// A game text for the screen: UTF-8 where it decodes as such, else Windows-1252.
QString GameText(std::string_view text);
/// A path as the library takes it (the file system's own encoding).
std::string LibraryPath(const QString& path);

}  // namespace tambrix::app
