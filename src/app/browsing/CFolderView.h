#pragma once

// The left pane: SimsPath and every folder below it, under a root "The Sims".
// Selecting a folder makes it the document's current folder. Mounted archives show as
// folders of their own, with the folders inside them, after the real sub-folders.

#include <QFuture>
#include <QFutureWatcher>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

#include "app/shell/CTambrixDoc.h"

namespace tambrix::app {

class CFolderView : public QTreeWidget, public CView {
    Q_OBJECT
public:
    static constexpr const char* kRootText = "The Sims";

    explicit CFolderView(CTambrixDoc* doc, QWidget* parent = nullptr);
    ~CFolderView() override;

    /// Builds the whole tree once. A small tree is there on return; a large one is walked
    /// on disk in the background and filled in when the walk ends.
    void OnInitialUpdate() override;
    /// Waits for a tree still being walked and fills it in; at once when there is none.
    void WaitUntilBuilt();
    /// True while the disk walk of the tree goes on.
    bool IsBuilding() const { return mWalk.isRunning() || mWalkPending; }
    /// A walk that finds more folders than this goes on in the background.
    static constexpr int kSynchronousFolders = 64;
    /// Builds the tree again (F5, another game folder) and selects the folder that was
    /// current when it is still there, else the root when `selectRoot`.
    void Rebuild(bool selectRoot);
    void OnUpdate(CView*) override {}

    /// True when the folder holds at least one subfolder.
    static bool HasSubdirectory(const QString& path);

    /// Full paths of the folder items in insertion order; item data k names entry k - 1.
    /// Waits for a tree being built.
    const QStringList& Paths() const;
    /// The folder the root item stands for (SimsPath, cleaned); empty without one.
    QString RootPath() const { return mRootPath; }
    /// The item of a folder path (the root for RootPath), or null.
    QTreeWidgetItem* ItemForPath(const QString& path) const;

private:
    void onSelectionChanged();
    /// The folder an item stands for; empty for none.
    QString pathOf(const QTreeWidgetItem* item) const;
public:
    /// One folder found on disk, in walk order (each folder before its own folders).
    struct DiskFolder {
        QString name;
        QString path;
        int depth = 1;         ///< 1 for the folders of the game folder itself
        bool entered = false;  ///< false for a link back to a folder above it
    };
    struct DiskWalk {
        QList<DiskFolder> folders;
        bool complete = true;  ///< false when the walk stopped at its limit
    };
    /// The folders below `root`, stopping after `limit` folders (no limit when negative).
    static DiskWalk WalkDisk(const QString& root, int limit);

private:
    void fillTree(const QList<DiskFolder>& folders);
    void finishRebuild();
    void addMountedFolders(const QString& folder, QTreeWidgetItem* parent);

    CTambrixDoc* mDoc;
    QStringList mPaths;
    QString mRootPath;
    QIcon mFolderIcon;
    QIcon mRootIcon;
    QIcon mArchiveIcon;
    QFuture<DiskWalk> mWalk;
    QFutureWatcher<DiskWalk> mWalkWatcher;
    bool mWalkPending = false;     ///< a background walk whose folders are not yet items
    bool mRebuildPending = false;  ///< the selection of a Rebuild waits for the walk
    QString mRebuildCurrent;
    QStringList mRebuildExpanded;  ///< the folders open before a Rebuild, opened again after
    bool mRebuildSelectRoot = false;
};

}  // namespace tambrix::app
