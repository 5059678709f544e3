#include "app/editing/CConflictsDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <optional>

#include "app/search/GameSearch.h"
#include "catalog/ObjectSet.h"
#include "core/ResultCodes.h"
#include "platform/PlatformFile.h"

namespace tambrix::app {

namespace {

constexpr int kPathRole = Qt::UserRole;

}  // namespace

namespace {

// The mark is asked for every object file shown: one connection to the index serves them
// all, opened again only for another database or when the file was made anew (a damaged
// index is replaced by a new file of the same name).
GameIndex* markIndex(const QString& database) {
    static GameIndex index;
    static QString openPath;
    static std::optional<platform::FileIdentity> openFile;
    const std::string native = QFile::encodeName(database).toStdString();
    const std::optional<platform::FileIdentity> now =
        database.isEmpty() ? std::nullopt : platform::IdentifyFile(native);
    if (!now) return nullptr;  // no index yet: none is made here
    const bool sameFile = openFile && openFile->inode == now->inode && openFile->device == now->device;
    if (openPath == database && sameFile) return &index;
    index.Close();
    openPath.clear();
    if (index.Open(native) != rc::kOk) return nullptr;
    openPath = database;
    openFile = now;
    return &index;
}

}  // namespace

QString CConflictsDlg::ConflictMark(const QString& gameFolder, const QString& path) {
    if (gameFolder.isEmpty()) return QString();
    const QString relative = QDir(gameFolder).relativeFilePath(path);
    if (relative.startsWith("..") || QDir::isAbsolutePath(relative)) return QString();
    GameIndex* index = markIndex(GameSearch::DatabasePath(gameFolder));
    std::vector<std::pair<uint32_t, std::string>> shared;
    if (!index ||
        index->SharedGuids(QFile::encodeName(QDir::fromNativeSeparators(relative)).toStdString(), shared) != rc::kOk ||
        shared.empty())
        return QString();
    const QString guid = QString::number(shared.front().first, 16).toUpper().rightJustified(8, '0');
    QString mark = QString("GUID conflict: 0x%1 is also in %2").arg(guid, QFile::decodeName(shared.front().second.c_str()));
    if (shared.size() > 1) mark += QString(" (and %1 more GUIDs: GUID Conflicts... lists them)").arg(shared.size() - 1);
    return mark;
}

CConflictsDlg::CConflictsDlg(QWidget* parent, const QString& gameFolder, const QString& database) : QDialog(parent) {
    setWindowTitle("GUID Conflicts");
    resize(640, 420);
    // A connection of its own: the search panel's refresh may be writing meanwhile, and
    // readers see its last committed state. A missing index is not made here.
    GameIndex index;
    int32_t code = rc::kIndexNotOpen;
    if (!database.isEmpty() && QFile::exists(database))
        code = index.Open(QFile::encodeName(database).toStdString());
    if (code == rc::kOk) code = index.GuidConflicts(mConflicts);
    if (code != rc::kOk) {
        mConflicts.clear();
        mError = database.isEmpty() || !QFile::exists(database)
                     ? QString("The game folder has no search index yet: press F5 and look again")
                     : QString("The search index could not be read: %1").arg(QString::fromUtf8(DescribeResult(code)));
    }

    mSummary = new QLabel(Summary(), this);
    mSummary->setWordWrap(true);
    mTree = new QTreeWidget(this);
    mTree->setHeaderLabels({"GUID and file", "Object"});
    mTree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    const QDir game(gameFolder);
    for (const GuidConflict& conflict : mConflicts) {
        auto* group = new QTreeWidgetItem(mTree, {GroupText(conflict)});
        for (const GuidHolder& holder : conflict.holders) {
            // The index's paths are relative to the game folder, '/' separated.
            const QString relative = QFile::decodeName(holder.path.c_str());
            const QString path = QDir::cleanPath(game.filePath(relative));
            QString shown = QDir::toNativeSeparators(relative);
            if (!holder.sameFileAs.empty()) shown += "  (same file)";
            auto* item = new QTreeWidgetItem(group, {shown, QString::fromStdString(holder.name)});
            item->setData(0, kPathRole, path);
            item->setToolTip(0, QDir::toNativeSeparators(path));
        }
        group->setExpanded(true);
    }
    connect(mTree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QString path = item ? item->data(0, kPathRole).toString() : QString();
        if (!path.isEmpty()) emit fileChosen(path);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mSummary);
    layout->addWidget(mTree);
    layout->addWidget(buttons);
}

QString CConflictsDlg::Summary() const {
    if (!mError.isEmpty()) return mError;
    if (mConflicts.empty()) return "No GUID is held by more than one file of the game folder.";
    return mConflicts.size() == 1 ? QString("1 GUID is held by more than one file:")
                                  : QString("%1 GUIDs are held by more than one file:").arg(mConflicts.size());
}

QString CConflictsDlg::GroupText(const GuidConflict& conflict) {
    const QString guid = QString::fromStdString(GuidText(conflict.guid));
    return conflict.SameFile() ? guid + "  (same file)" : guid;
}

}  // namespace tambrix::app
