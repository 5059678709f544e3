#include "app/browsing/CFolderView.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

#include "app/shell/AppArt.h"
#include "app/browsing/ArchiveBridge.h"

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
    connect(&mWalkWatcher, &QFutureWatcher<DiskWalk>::finished, this, &CFolderView::WaitUntilBuilt);
}

CFolderView::~CFolderView() {
    mWalkWatcher.disconnect(this);
    mWalk.waitForFinished();
    mDoc->RemoveView(this);
}

bool CFolderView::HasSubdirectory(const QString& path) {
    if (path.isEmpty()) return false;
    QDirIterator it(path, kFolderFilter);
    return it.hasNext();
}

void CFolderView::OnInitialUpdate() {
    clear();
    mPaths.clear();
    // A walk of an earlier build still running is left to end on its own, unheard.
    mWalk = QFuture<DiskWalk>();
    mWalkPending = false;
    QIcon folder;
    folder.addPixmap(art::ClosedFolder(), QIcon::Normal);
    folder.addPixmap(art::OpenFolder(), QIcon::Selected);
    mFolderIcon = folder;
    mRootIcon = QIcon(art::ClosedFolder());
    mArchiveIcon = QIcon(art::Archive());

    auto* root = new QTreeWidgetItem(this, QStringList(kRootText));
    root->setIcon(0, mRootIcon);
    root->setData(0, kPathRole, 0);
    root->setExpanded(true);

    // A trailing separator would double up in every path below.
    const QString simsPath = mDoc->SimsPath().isEmpty() ? QString() : QDir::cleanPath(mDoc->SimsPath());
    mRootPath = simsPath;
    if (simsPath.isEmpty() || !QFileInfo(simsPath).isDir()) return;
    // Most game folders are walked in a moment and stand at once; a folder of many
    // folders on a slow disk would hold the window, so the rest of it goes on in the
    // background and the tree is filled in when the walk ends.
    DiskWalk walk = WalkDisk(simsPath, kSynchronousFolders);
    if (walk.complete) {
        fillTree(walk.folders);
        return;
    }
    mWalkPending = true;
    mWalk = QtConcurrent::run(&CFolderView::WalkDisk, simsPath, -1);
    mWalkWatcher.setFuture(mWalk);
}

CFolderView::DiskWalk CFolderView::WalkDisk(const QString& root, int limit) {
    DiskWalk walk;
    // A link back to a folder above would make the walk endless: such a folder is
    // listed but not entered again.
    QStringList ancestors{QFileInfo(root).canonicalFilePath()};
    const auto walkFolder = [&](const auto& self, const QString& folder, int depth) -> void {
        QDirIterator it(folder, kFolderFilter);
        while (it.hasNext() && walk.complete) {
            it.next();
            const QFileInfo info = it.fileInfo();
            if (limit >= 0 && walk.folders.size() >= limit) {
                walk.complete = false;
                return;
            }
            const QString canonical = info.canonicalFilePath();
            const bool enter = !canonical.isEmpty() && !ancestors.contains(canonical);
            walk.folders.append({info.fileName(), info.filePath(), depth, enter});
            if (!enter) continue;
            ancestors.append(canonical);
            self(self, info.filePath(), depth + 1);
            ancestors.removeLast();
        }
    };
    walkFolder(walkFolder, root, 1);
    return walk;
}

void CFolderView::WaitUntilBuilt() {
    if (!mWalkPending) return;
    mWalkPending = false;
    mWalk.waitForFinished();
    const DiskWalk walk = mWalk.result();
    mWalk = QFuture<DiskWalk>();
    fillTree(walk.folders);
    if (mRebuildPending) finishRebuild();
}

void CFolderView::fillTree(const QList<DiskFolder>& folders) {
    // The folders of the walk under their parents; an entered folder gets the archives
    // of the mounted index (and their folders) after its real folders.
    struct Open {
        QTreeWidgetItem* item;
        QString path;
        bool entered;
    };
    QList<Open> open{{topLevelItem(0), mRootPath, true}};
    const auto close = [&](qsizetype keep) {
        while (open.size() > keep) {
            const Open last = open.takeLast();
            if (last.entered) addMountedFolders(last.path, last.item);
        }
    };
    for (const DiskFolder& folder : folders) {
        close(folder.depth);
        auto* item = new QTreeWidgetItem(open.last().item, QStringList(folder.name));
        item->setIcon(0, mFolderIcon);
        mPaths.append(folder.path);
        item->setData(0, kPathRole, static_cast<int>(mPaths.size()));
        open.append({item, folder.path, folder.entered});
    }
    close(0);
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
    mRebuildCurrent = mDoc->CurrentFolder();
    mRebuildExpanded.clear();
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        if ((*it)->isExpanded()) mRebuildExpanded.append(pathOf(*it));
    mRebuildSelectRoot = selectRoot;
    {
        const QSignalBlocker quiet(this);
        OnInitialUpdate();
    }
    // A tree still being walked selects when it is filled in.
    mRebuildPending = true;
    if (!mWalkPending) finishRebuild();
}

void CFolderView::finishRebuild() {
    mRebuildPending = false;
    const QSignalBlocker quiet(this);
    // The folders the user had open stay open where they still exist.
    for (const QString& path : std::exchange(mRebuildExpanded, {}))
        if (QTreeWidgetItem* item = path.isEmpty() ? nullptr : ItemForPath(path)) item->setExpanded(true);
    // The folder on show stays selected; its list is refreshed by whoever rebuilt.
    if (QTreeWidgetItem* item = mRebuildCurrent.isEmpty() ? nullptr : ItemForPath(mRebuildCurrent)) {
        setCurrentItem(item);
        scrollToItem(item);
        return;
    }
    QTreeWidgetItem* root = mRebuildSelectRoot ? topLevelItem(0) : nullptr;
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

const QStringList& CFolderView::Paths() const {
    const_cast<CFolderView*>(this)->WaitUntilBuilt();
    return mPaths;
}

QTreeWidgetItem* CFolderView::ItemForPath(const QString& path) const {
    const_cast<CFolderView*>(this)->WaitUntilBuilt();
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
    const QString folder = pathOf(selected.first());
    if (folder.isEmpty()) return;
    mDoc->SetCurrentFolder(folder);
    mDoc->UpdateAllViews(this);
}

QString CFolderView::pathOf(const QTreeWidgetItem* item) const {
    const int k = item->data(0, kPathRole).toInt();
    // The root stands for the game folder itself: its own files are listed too.
    if (k == 0 && item == topLevelItem(0)) return mRootPath;
    if (k > 0 && k <= mPaths.size()) return mPaths[k - 1];
    return QString();
}

}  // namespace tambrix::app
