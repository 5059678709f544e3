#include "app/editing/CloneCommand.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

#include "app/browsing/ArchiveBridge.h"
#include "app/browsing/ViewedFile.h"
#include "app/editing/CCloneDlg.h"
#include "app/search/GameSearch.h"
#include "app/shell/CTambrixDoc.h"
#include "app/shell/UserPrompts.h"
#include "core/ResultCodes.h"
#include "edit/ObjectClone.h"
#include "sets/WritePlace.h"

namespace tambrix::app {

CloneCommand::CloneCommand(CTambrixDoc* doc, QWidget* window) : QObject(window), mDoc(doc), mWindow(window) {
    mAction = new QAction("Clo&ne Object...", this);
    mAction->setStatusTip("Copy the object file as new objects that can be edited");
    connect(mAction, &QAction::triggered, this, [this] {
        QString source, name;
        QStringList objects;
        if (shown) shown(source, objects, name);
        if (!source.isEmpty()) Run(source, objects, name);
    });
}

bool CloneCommand::Run(const QString& source, const QStringList& objects, const QString& name) {
    // The game folder the file lies in, else the one browsed: its Downloads and its index.
    QString game = QFile::decodeName(FindGameFolder(LibraryPath(ArchiveOf(source).value_or(source))).c_str());
    if (game.isEmpty()) game = mDoc->SimsPath();
    CCloneDlg dialog(mWindow, source, objects, name, game);
    if (!Prompts().runDialog || !Prompts().runDialog(dialog)) return false;

    CloneRequest request;
    request.source = LibraryPath(source);
    const QString target = dialog.Target();
    request.target = LibraryPath(target);
    if (!dialog.CatalogName().isEmpty()) request.name = dialog.CatalogName().toStdString();
    for (int object : dialog.Objects()) request.objects.push_back(object);
    request.makeFolder = true;
    const QString sprites = target.chopped(4) + ".spf";
    if (QFileInfo::exists(target) || QFileInfo::exists(sprites)) {
        const QString question = QString("%1 exists already. Replace it?").arg(QDir::toNativeSeparators(target));
        if (!Prompts().askYesNo || !Prompts().askYesNo(mWindow, question)) return false;
        request.replace = true;
    }
    // New GUIDs are new to the game folder as its index knows it; without an index,
    // new to the file.
    bool indexed = false;
    QString unknown;
    if (!game.isEmpty() &&
        IndexedGuids(LibraryPath(game), LibraryPath(GameSearch::DatabasePath(game)), false, request.usedGuids,
                     indexed) != rc::kOk)
        indexed = false;
    if (!indexed) unknown = "; the game folder's index could not be asked, so its GUIDs were not checked";

    CloneResult result;
    const int32_t code = CloneObjectFile(request, result);
    if (code != rc::kOk) {
        if (Prompts().message)
            Prompts().message(mWindow, QString("The object was not cloned: %1").arg(QString::fromUtf8(DescribeResult(code))));
        return false;
    }
    const QString written = QFile::decodeName(result.objectFile.c_str());
    emit cloned(written, QString("Cloned to %1: %2 object definitions with new GUIDs%3")
                             .arg(QFileInfo(written).fileName())
                             .arg(result.records.size())
                             .arg(unknown));
    return true;
}

}  // namespace tambrix::app
