#pragma once

// What the object view asks of an opened game file, and the openers that make one.
// The real openers sit on the resource library (LibraryBridge.cpp); tests may put
// their own in place. Destroying a ViewedFile closes the file and everything it holds.

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tambrix::app {

/// A picture the object view shows and the Save command writes.
class Picture {
public:
    virtual ~Picture() = default;
    /// The picture for the screen, unscaled.
    virtual QImage Image() const = 0;
    /// Writes the picture as a Windows bitmap file; false when nothing was written.
    virtual bool WriteBitmapFile(const QString& path) const = 0;
};

/// Name, price and description as the form shows them.
struct FormTexts {
    QString name;
    QString price;
    QString description;
};

class ViewedFile {
public:
    virtual ~ViewedFile() = default;
    /// Top-level objects of the file.
    virtual int CountObjects() = 0;
    /// Name, "%d" price and description of the first top-level object.
    virtual FormTexts FirstObjectTexts() = 0;
    /// Strings 1, 2 and 3 of string table 0; nothing when the table cannot be loaded.
    virtual std::optional<FormTexts> StringTableTexts() = 0;
    /// The IDs of the file's sprites, in the object set's order.
    virtual std::vector<int> SpriteIds() = 0;
    virtual int CountSpriteFrames(int spriteId) = 0;
    /// One frame in colour on white; null when it cannot be drawn.
    virtual std::unique_ptr<Picture> DrawSprite(int spriteId, int frame) = 0;
    /// The first object's preview, image 10 on white; null when none comes back. `why`
    /// receives the reason when the picture is blank or missing ("no sprite to draw in
    /// this view", "picture too large: 29,260 x 29,015 pixels"), or becomes empty.
    virtual std::unique_ptr<Picture> RenderPreview(QString& why) = 0;
};

struct FileOpeners {
    /// An object file, opened together with its ".spf" companion.
    std::function<std::unique_ptr<ViewedFile>(const QString& path)> openObjectFile;
    /// A wall or floor file: a version 1.0 container, else a version 2.x one.
    std::function<std::unique_ptr<ViewedFile>(const QString& path)> openTileFile;
    /// A bitmap file from disk.
    std::function<std::unique_ptr<Picture>(const QString& path)> loadBitmapFile;
};

/// The process-wide openers; tests replace members and call ResetOpeners afterwards.
FileOpeners& Openers();
void ResetOpeners();
/// The openers over the resource library.
FileOpeners LibraryOpeners();

}  // namespace tambrix::app
