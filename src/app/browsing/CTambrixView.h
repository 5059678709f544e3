#pragma once

// The lower right pane: the game data files of the current folder with name, size
// and modification time. Selecting a file makes it the document's current file.

#include <QFileSystemWatcher>
#include <QStackedWidget>
#include <QString>
#include <QTimer>

#include "app/shell/CTambrixDoc.h"

class QListView;
class QStandardItemModel;
class QTreeView;
class QItemSelectionModel;

namespace tambrix::app {

class ThumbnailProvider;

class CTambrixView : public QStackedWidget, public CView {
    Q_OBJECT
public:
    enum class ViewStyle { Icon, SmallIcon, List, Report };

    explicit CTambrixView(CTambrixDoc* doc, QWidget* parent = nullptr);
    ~CTambrixView() override;

    void OnInitialUpdate() override;
    /// Refills the list when the current folder is not empty; empties it otherwise.
    void OnUpdate(CView* sender) override;
    /// Reads the current folder again keeping the selected file (F5, a change on disk);
    /// the file is shown again only when it changed.
    void Refresh();
    /// Selects the named file as the user would; false when it is not listed.
    bool SelectFile(const QString& name);
    /// Names in the list's order: case ignored, digits by their number ("roses_448"
    /// before "roses_1852").
    static bool NameLess(const QString& a, const QString& b);

    /// True for ".iff", ".spf", ".wll", ".flr", ".bmp", ".skn" and ".cmx", in any case.
    static bool IsListedFile(const QString& name);
    /// "%dKB" of the size divided by 1024.
    static QString SizeText(qint64 bytes);
    /// The locale's date and time ("%c"), or empty for an unreadable time.
    static QString DateText(qint64 secondsSinceEpoch);

    ViewStyle Style() const { return mStyle; }
    void SetStyle(ViewStyle style);
    /// Lines the icons up on their grid again (icon styles only).
    void Arrange();

    int RowCount() const;
    QString FileAt(int row) const;
    QString TextAt(int row, int column) const;
    int CurrentRow() const;
    /// The size in bytes of a row's file.
    qint64 BytesAt(int row) const;
    void SelectRow(int row);

    QStandardItemModel* Model() const { return mModel; }
    QTreeView* ReportView() const { return mReport; }
    QListView* IconView() const { return mIcons; }
    /// Draws the object files' previews as their icons in Large Icons style.
    ThumbnailProvider* Thumbnails() const { return mThumbnails; }
    /// What the list follows on disk: the folder shown and the selected file.
    const QFileSystemWatcher& Watcher() const { return mWatcher; }
    /// How long the folder must stay unchanged after a change on disk before the list
    /// (and the file shown) is read again: a file another program is still writing would
    /// otherwise be shown half-written.
    static constexpr int kSettleMilliseconds = 200;
    /// Whether a change on disk waits to settle.
    bool ChangePending() const { return mSettle.isActive(); }
    /// Another wait (tests lengthen it to write in between without a race).
    void SetSettleMilliseconds(int milliseconds) { mSettle.setInterval(milliseconds); }

signals:
    /// A folder of an archive that holds no file of a listed kind was filled in: what it
    /// holds ("521 files: .otf").
    void folderNote(const QString& text);

private:
    /// Fills the list with the folder's files; keeps `keep` selected when it is there.
    void fill(const QString& folder, const QString& keep = QString());
    void onCurrentChanged();
    /// Reads a row's size and date again (after the catalog completion wrote the file).
    void rereadRow(int row);
    void watch();
    void unwatch();
    /// A change on disk: read again once the folder has settled.
    void onDiskChanged();
    void onSettleCheck();
    /// Names, sizes and times of the folder's entries, down to the nanosecond.
    QString folderState() const;
    void sortBy(int column, Qt::SortOrder order);

    CTambrixDoc* mDoc;
    QStandardItemModel* mModel;
    QItemSelectionModel* mSelection;
    QTreeView* mReport;
    QListView* mIcons;
    ViewStyle mStyle = ViewStyle::Report;
    bool mFilling = false;
    ThumbnailProvider* mThumbnails;
    QString mFolder;  ///< the folder listed, for its thumbnails
    QFileSystemWatcher mWatcher;
    QTimer mSettle;
    QString mSettleState;  ///< the folder as the last check saw it
};

}  // namespace tambrix::app
