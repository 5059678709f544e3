#pragma once

// What the frame's file commands act on, fixed when the user is asked: a picture to save
// with the name of the file it shows, taken together before any dialog; and a file to
// delete with its sprite companion, each known by its identity so that the deletion
// happens only when the files are still those the question named.

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "app/browsing/ViewedFile.h"
#include "platform/PlatformFile.h"

class QWidget;

namespace tambrix::app {

/// A picture taken for saving: the picture as shown and the name of the shown file. The
/// save owns both until it has written them; a file shown meanwhile changes neither.
struct PictureToSave {
    std::shared_ptr<const Picture> picture;
    QImage transparent;  ///< for a PNG: taken at once, while the file it is drawn from is open
    QString fileName;    ///< the shown file ("Plants.iff")

    /// The file's name with another extension: "Plants.iff" gives "Plants.png".
    QString NameWith(const char* extension) const;
};

/// The file a save chosen as `chosen` writes: `chosen` itself, or, when another file beside
/// it has the same name in another case (the game sees one name), that file once the user
/// agrees to replace it. Nothing when the user declines.
std::optional<QString> ConfirmSaveTarget(QWidget* parent, const QString& chosen);

/// Writes `image` as a PNG file at exactly `path`, whole or not at all: a failure leaves
/// an earlier file of that name as it was.
bool SavePngFile(const QImage& image, const QString& path);

/// A save made without a dialog never replaces a file: `path` itself when it is free, else
/// the first free "NAME (2).EXT", ... beside it. Empty when none is free.
QString FreeSaveTarget(const QString& path);

/// A file about to be deleted: the one named in the question, its ".spf" companion when it
/// is an object file, each with the identity it had when the question was put.
class FileDeletion {
public:
    /// What the question names; nothing (with the reason) when the file is not there.
    static std::optional<FileDeletion> Prepare(const QString& path, QString& why);

    /// "Are you sure you want to delete the file ...?" naming every file that goes, and
    /// for a sprite file whose object stays, that the object loses its sprites.
    QString Question() const;
    /// The files that go, in order: the one shown, then its companion.
    QStringList Paths() const;

    /// True when every file is still the one asked about; else the reason, and nothing
    /// may be deleted.
    bool StillAsAsked(QString& why) const;
    /// Whether this user may delete every file (asked of the file system); else the reason.
    bool Allowed(QString& why) const;
    /// Moves every file to the desktop's trash, or where there is none deletes it. The
    /// status text ("\"a.iff\" moved to the trash"), or the reason of a failure in `why`.
    bool Carry(QString& status, QString& why) const;

private:
    struct Target {
        QString path;
        platform::FileIdentity identity;
    };
    std::vector<Target> mTargets;
    QString mObjectLeft;  ///< for a sprite file alone: the object file that stays without sprites
};

}  // namespace tambrix::app
