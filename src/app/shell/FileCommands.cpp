#include "app/shell/FileCommands.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "app/shell/UserPrompts.h"
#include "core/AsciiCase.h"

namespace tambrix::app {

namespace {

const char* const kObjectExtension = ".iff";
const char* const kSpriteExtension = ".spf";

QString quoted(const QString& path) { return QString("\"%1\"").arg(QFileInfo(path).fileName()); }

/// The file of `folder` named `base` + `extension`, the exact spelling first, else one
/// differing only in ASCII case (as the library pairs an object with its sprites); empty
/// when there is none.
QString sibling(const QString& folder, const QString& base, const char* extension) {
    const QString exact = QDir(folder).filePath(base + extension);
    if (QFileInfo(exact).isFile()) return exact;
    const std::string wanted = LibraryPath(base + extension);
    QString found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        // The first in byte order, as the library's own resolution takes it.
        const QString name = it.fileName();
        if (EqualNoCase(LibraryPath(name), wanted) && (found.isEmpty() || LibraryPath(name) < LibraryPath(found)))
            found = name;
    }
    return found.isEmpty() ? QString() : QDir(folder).filePath(found);
}

/// Moves a file to the desktop's trash; false where there is none. Qt makes the trash
/// below the user's data folder but not that folder itself, and without one it would put
/// the file into "files" of the current folder while reporting success: the data folder
/// is made first (as a desktop would), and a file that lands anywhere but in a trash is
/// put back.
bool moveToTrash(const QString& path) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data)) return false;
    QString inTrash;
    if (!QFile::moveToTrash(path, &inTrash)) return false;
    // The home trash holds its files in ".../Trash/files", a disk's own in
    // ".Trash/UID/files" or ".Trash-UID/files" at its top.
    const QString where = QDir::cleanPath(inTrash);
    const bool inATrash = QDir::isAbsolutePath(where) && QFileInfo(where).absolutePath().endsWith("/files") &&
                          (where.contains("/Trash/files/") || where.contains("/.Trash/") || where.contains("/.Trash-"));
    if (inATrash) return true;
    QFile::rename(inTrash, path);
    return false;
}

bool hasExtension(const QString& name, const char* extension) {
    return EqualNoCase(LibraryPath(QFileInfo(name).suffix().prepend('.')), extension);
}

}  // namespace

QString PictureToSave::NameWith(const char* extension) const {
    return QFileInfo(fileName).completeBaseName() + extension;
}

std::optional<QString> ConfirmSaveTarget(QWidget* parent, const QString& chosen) {
    const std::string other = platform::OtherCaseEntry(LibraryPath(chosen));
    if (other.empty()) return chosen;
    const QString existing = QFile::decodeName(QByteArray::fromStdString(other));
    const QString question = QString("The file \"%1\" already exists: its name differs from \"%2\" only in case.\n"
                                     "Do you want to replace it?")
                                 .arg(QDir::toNativeSeparators(existing), QFileInfo(chosen).fileName());
    if (!Prompts().askYesNo(parent, question)) return std::nullopt;
    return existing;
}

bool SavePngFile(const QImage& image, const QString& path) {
    if (image.isNull() || path.isEmpty()) return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
}

QString FreeSaveTarget(const QString& path) {
    return QFile::decodeName(QByteArray::fromStdString(platform::FreeFileName(LibraryPath(path))));
}

std::optional<FileDeletion> FileDeletion::Prepare(const QString& path, QString& why) {
    FileDeletion deletion;
    Target shown{path, {}};
    const std::optional<platform::FileIdentity> identity =
        path.isEmpty() ? std::nullopt : platform::IdentifyFile(LibraryPath(path));
    if (!identity) {
        why = QString("%1 is no longer there: nothing was deleted.").arg(quoted(path));
        return std::nullopt;
    }
    shown.identity = *identity;
    deletion.mTargets.push_back(shown);
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const QString base = info.completeBaseName();
    if (hasExtension(path, kObjectExtension)) {
        // An object's sprites live in its companion: without the object it serves nothing,
        // so the two go together.
        const QString companion = sibling(folder, base, kSpriteExtension);
        if (!companion.isEmpty())
            if (const auto sprites = platform::IdentifyFile(LibraryPath(companion)))
                deletion.mTargets.push_back(Target{companion, *sprites});
    } else if (hasExtension(path, kSpriteExtension)) {
        deletion.mObjectLeft = sibling(folder, base, kObjectExtension);
    }
    return deletion;
}

QString FileDeletion::Question() const {
    QString text = QString("Are you sure you want to delete the file\n%1").arg(quoted(mTargets.front().path));
    if (mTargets.size() > 1) text += QString("\nand its sprite file %1").arg(quoted(mTargets[1].path));
    text += "?";
    if (!mObjectLeft.isEmpty())
        text += QString("\n\nThe object file %1 keeps its objects but loses their sprites: it will show no "
                        "pictures.")
                    .arg(quoted(mObjectLeft));
    return text;
}

QStringList FileDeletion::Paths() const {
    QStringList paths;
    for (const Target& target : mTargets) paths << target.path;
    return paths;
}

bool FileDeletion::StillAsAsked(QString& why) const {
    for (const Target& target : mTargets) {
        if (platform::IdentifyFile(LibraryPath(target.path)) != target.identity) {
            why = QString("%1 changed or was removed while the question was open: nothing was deleted.")
                      .arg(quoted(target.path));
            return false;
        }
    }
    return true;
}

bool FileDeletion::Allowed(QString& why) const {
    for (const Target& target : mTargets) {
        std::string reason;
        if (!platform::MayRemoveEntry(LibraryPath(target.path), reason)) {
            why = QString("Unable to delete %1: %2.").arg(quoted(target.path), QString::fromStdString(reason));
            return false;
        }
    }
    return true;
}

bool FileDeletion::Carry(QString& status, QString& why) const {
    QStringList trashed;
    QStringList deleted;
    const auto done = [&] {
        QStringList parts;
        if (!trashed.isEmpty()) parts << trashed.join(" and ") + " moved to the trash";
        if (!deleted.isEmpty()) parts << deleted.join(" and ") + " deleted";
        status = parts.join("; ");
    };
    for (const Target& target : mTargets) {
        // The desktop's trash where there is one; where there is none the file goes for
        // good, as the question said it would.
        if (moveToTrash(target.path)) {
            trashed << quoted(target.path);
            continue;
        }
        QFile file(target.path);
        if (file.remove()) {
            deleted << quoted(target.path);
            continue;
        }
        done();
        why = QString("Unable to delete %1: %2.").arg(quoted(target.path), file.errorString());
        return false;
    }
    done();
    return true;
}

}  // namespace tambrix::app
