#pragma once

// The left pane: SimsPath and every folder below it, under a root "The Sims".
// Selecting a folder makes it the document's current folder. Mounted archives show as
// folders of their own, with the folders inside them, after the real sub-folders.

#include <QString>
#include <QStringList>
#include <QTreeWidget>

#include "app/CTambrixDoc.h"

namespace tambrix::app {

class CFolderView : public QTreeWidget, public CView {
    Q_OBJECT
public:
    static constexpr const char* kRootText = "The Sims";

    explicit CFolderView(CTambrixDoc* doc, QWidget* parent = nullptr);
    ~CFolderView() override;

    /// Builds the whole tree once.
    void OnInitialUpdate() override;
    /// Builds the tree again (F5, another game folder) and selects the folder that was
    /// current when it is still there, else the root when `selectRoot`.
    void Rebuild(bool selectRoot);
    void OnUpdate(CView*) override {}

    /// True when the folder holds at least one subfolder.
    static bool HasSubdirectory(const QString& path);

    /// Full paths of the folder items in insertion order; item data k names entry k - 1.
    const QStringList& Paths() const { return mPaths; }
    /// The folder the root item stands for (SimsPath, cleaned); empty without one.
    QString RootPath() const { return mRootPath; }
    /// The item of a folder path (the root for RootPath), or null.
    QTreeWidgetItem* ItemForPath(const QString& path) const;

private:
    void onSelectionChanged();
    void addSubdirectories(const QString& folder, QTreeWidgetItem* parent, QStringList& ancestors);
    void addMountedFolders(const QString& folder, QTreeWidgetItem* parent);

    CTambrixDoc* mDoc;
    QStringList mPaths;
    QString mRootPath;
    QIcon mFolderIcon;
    QIcon mRootIcon;
    QIcon mArchiveIcon;
};

}  // namespace tambrix::app
