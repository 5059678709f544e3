#include "app/CFolderView.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileInfo>

#include "app/AppArt.h"
#include "app/ArchiveBridge.h"

namespace tambrix::app {

namespace {

const int kPathRole = Qt::UserRole;  // the item data: position in the path list + 1, 0 for the root

// The folders of one folder, in the order the file system returns them. Hidden and
// system folders count too, as they do for the game's own search.
const QDir::Filters kFolderFilter = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;

}  // namespace

CFolderView::CFolderView(CTambrixDoc* doc, QWidget* parent) : QTreeWidget(parent), mDoc(doc) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    mDoc->AddView(this);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CFolderView::onSelectionChanged);
    // Another game folder must not leave the old one's tree (and its archives, now
    // unmounted, as empty folders) on show.
    connect(mDoc, &CTambrixDoc::gameFolderChanged, this, [this] { Rebuild(true); });
}

CFolderView::~CFolderView() { mDoc->RemoveView(this); }

bool CFolderView::HasSubdirectory(const QString& path) {
    if (path.isEmpty()) return false;
    QDirIterator it(path, kFolderFilter);
    return it.hasNext();
}

void CFolderView::OnInitialUpdate() {
    clear();
    mPaths.clear();
    QIcon folder;
    folder.addPixmap(art::ClosedFolder(), QIcon::Normal);
    folder.addPixmap(art::OpenFolder(), QIcon::Selected);
    mFolderIcon = folder;
    mRootIcon = QIcon(art::ClosedFolder());
    mArchiveIcon = QIcon(art::Archive());

    auto* root = new QTreeWidgetItem(this, QStringList(kRootText));
    root->setIcon(0, mRootIcon);
    root->setData(0, kPathRole, 0);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A trailing separator would double up in every path below.
    const QString simsPath = mDoc->SimsPath().isEmpty() ? QString() : QDir::cleanPath(mDoc->SimsPath());
    mRootPath = simsPath;
    if (!simsPath.isEmpty() && QFileInfo(simsPath).isDir()) {
        QStringList ancestors{QFileInfo(simsPath).canonicalFilePath()};
        addSubdirectories(simsPath, root, ancestors);
    }
    QApplication::restoreOverrideCursor();
    root->setExpanded(true);
}

void CFolderView::addSubdirectories(const QString& folder, QTreeWidgetItem* parent, QStringList& ancestors) {
    QDirIterator it(folder, kFolderFilter);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString path = info.filePath();
        auto* item = new QTreeWidgetItem(parent, QStringList(info.fileName()));
        item->setIcon(0, mFolderIcon);
        mPaths.append(path);
        item->setData(0, kPathRole, static_cast<int>(mPaths.size()));
        // A link back to a folder above would make the walk endless: such a folder is
        // listed but not entered again.
        const QString canonical = info.canonicalFilePath();
        if (canonical.isEmpty() || ancestors.contains(canonical)) continue;
        if (HasSubdirectory(path) || !MountedFolders(path).isEmpty()) {
            ancestors.append(canonical);
            addSubdirectories(path, item, ancestors);
            ancestors.removeLast();
        }
    }
    addMountedFolders(folder, parent);
}

void CFolderView::addMountedFolders(const QString& folder, QTreeWidgetItem* parent) {
    // The archives of a folder and the sub-folders inside them come after its real
    // folders, in the index's order (by name, ignoring case), which stays the same
    // from run to run. An archive is a file on disk; the folders inside it are not.
    const QDir dir(folder);
    for (const QString& name : MountedFolders(folder)) {
        const QString path = dir.filePath(name);
        auto* item = new QTreeWidgetItem(parent, QStringList(name));
        item->setIcon(0, QFileInfo(path).isFile() ? mArchiveIcon : mFolderIcon);
        mPaths.append(path);
        item->setData(0, kPathRole, static_cast<int>(mPaths.size()));
        addMountedFolders(path, item);
    }
}

void CFolderView::Rebuild(bool selectRoot) {
    const QString current = mDoc->CurrentFolder();
    const QSignalBlocker quiet(this);
    OnInitialUpdate();
    // The folder on show stays selected; its list is refreshed by whoever rebuilt.
    if (QTreeWidgetItem* item = current.isEmpty() ? nullptr : ItemForPath(current)) {
        setCurrentItem(item);
        scrollToItem(item);
        return;
    }
    QTreeWidgetItem* root = selectRoot ? topLevelItem(0) : nullptr;
    if (root) setCurrentItem(root);
    if (root && !mRootPath.isEmpty()) {
        mDoc->SetCurrentFolder(mRootPath);
    } else {
        // Nothing selected: the list must not go on showing a folder the tree lost.
        mDoc->SetCurrentFolder(QString());
        mDoc->SetCurrentFile(QString());
    }
    mDoc->UpdateAllViews(this);
}

QTreeWidgetItem* CFolderView::ItemForPath(const QString& path) const {
    if (!mRootPath.isEmpty() && QDir::cleanPath(path) == mRootPath) return topLevelItem(0);
    const int index = static_cast<int>(mPaths.indexOf(path));
    if (index < 0) return nullptr;
    QTreeWidgetItemIterator it(const_cast<CFolderView*>(this));
    for (; *it; ++it)
        if ((*it)->data(0, kPathRole).toInt() == index + 1) return *it;
    return nullptr;
}

void CFolderView::onSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return;
    const int k = selected.first()->data(0, kPathRole).toInt();
    // The root stands for the game folder itself: its own files are listed too.
    QString folder;
    if (k == 0 && selected.first() == topLevelItem(0))
        folder = mRootPath;
    else if (k > 0 && k <= mPaths.size())
        folder = mPaths[k - 1];
    if (folder.isEmpty()) return;
    mDoc->SetCurrentFolder(folder);
    mDoc->UpdateAllViews(this);
}

}  // namespace tambrix::app
