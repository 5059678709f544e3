#include "app/editing/SpriteTransfer.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include "app/browsing/ArchiveBridge.h"
#include "app/browsing/ViewedFile.h"
#include "app/shell/CTambrixDoc.h"
#include "app/shell/UserPrompts.h"
#include "catalog/SpriteExchange.h"
#include "core/ResultCodes.h"
#include "sets/GameFile.h"
#include "sets/WritePlace.h"

namespace tambrix::app {

namespace {

QString storedFolder() {
    QSettings store(settings::kOrganisation, settings::kApplication);
    return store.value(QString(settings::kGroup) + "/" + SpriteTransfer::kFolderKey).toString();
}

void storeFolder(const QString& folder) {
    QSettings store(settings::kOrganisation, settings::kApplication);
    store.setValue(QString(settings::kGroup) + "/" + SpriteTransfer::kFolderKey, folder);
}

std::optional<QString> askFolder(const char* title) {
    SetBrowseStart(storedFolder());
    const std::optional<QString> chosen = BrowseForFolder(title);
    if (chosen) storeFolder(QDir::fromNativeSeparators(*chosen));
    return chosen;
}

}  // namespace

bool SpriteTransfer::CanExport(const QString& path) {
    const GameFileKind kind = KindOfName(LibraryPath(path));
    return !path.isEmpty() && (kind == GameFileKind::kObject || kind == GameFileKind::kSprites);
}

bool SpriteTransfer::CanImport(const QString& path) {
    return KindOfName(LibraryPath(path)) == GameFileKind::kObject && !IsMountedEntry(path) &&
           CheckWritePlace(LibraryPath(path)) == rc::kOk;
}

QString SpriteTransfer::Export(QWidget*, const QString& path) {
    const std::optional<QString> chosen = askFolder(kExportTitle);
    if (!chosen) return QString();
    const QString folder = QDir(QDir::fromNativeSeparators(*chosen)).filePath(QFileInfo(path).completeBaseName());
    const SpriteExportResult result = ExportSprites(LibraryPath(path), LibraryPath(folder));
    if (result.code != rc::kOk) return QString::fromStdString(result.error);
    return QString("%1 sprites, %2 pictures exported to \"%3\"")
        .arg(result.sprites)
        .arg(result.pictures)
        .arg(QDir::toNativeSeparators(folder));
}

QString SpriteTransfer::Import(QWidget* parent, const QString& path, bool& written) {
    written = false;
    const std::optional<QString> chosen = askFolder(kImportTitle);
    if (!chosen) return QString();
    // The folder of the export itself, or the one it was exported into.
    QString folder = QDir::fromNativeSeparators(*chosen);
    const QString named = QDir(folder).filePath(QFileInfo(path).completeBaseName());
    if (!QFileInfo::exists(QDir(folder).filePath(kSpriteListName)) &&
        QFileInfo::exists(QDir(named).filePath(kSpriteListName)))
        folder = named;
    SpriteImportOptions options;
    options.dryRun = true;
    const SpriteImportResult planned = ImportSprites(LibraryPath(path), LibraryPath(folder), options);
    if (planned.code != rc::kOk) {
        Prompts().message(parent, QString::fromStdString(planned.error));
        return QString::fromStdString(planned.error);
    }
    QStringList lines;
    bool changes = false;
    for (const SpriteImportChange& change : planned.sprites) {
        lines << QString::fromStdString(change.Describe());
        changes = changes || !change.frames.empty();
    }
    if (!changes) return QString("No picture changed since the export: nothing to import");
    const QString question = QString("Import the sprites of \"%1\" into \"%2\"?\n\n%3")
                                 .arg(QDir::toNativeSeparators(folder), QFileInfo(path).fileName(), lines.join('\n'));
    if (!Prompts().askYesNo(parent, question)) return QString();
    const SpriteImportResult done = ImportSprites(LibraryPath(path), LibraryPath(folder));
    if (done.code != rc::kOk) {
        Prompts().message(parent, QString::fromStdString(done.error));
        return QString::fromStdString(done.error);
    }
    written = done.written;
    return QString("Sprites imported into \"%1\"").arg(QFileInfo(path).fileName());
}

}  // namespace tambrix::app
