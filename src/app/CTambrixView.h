#pragma once

// The lower right pane: the game data files of the current folder with name, size
// and modification time. Selecting a file makes it the document's current file.

#include <QStackedWidget>
#include <QString>

#include "app/CTambrixDoc.h"

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
    /// Refills the list when the current folder is not empty.
    void OnUpdate(CView* sender) override;

    /// True for ".iff", ".spf", ".wll", ".flr" and ".bmp", in any case.
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
    void SelectRow(int row);

    QStandardItemModel* Model() const { return mModel; }
    QTreeView* ReportView() const { return mReport; }
    QListView* IconView() const { return mIcons; }
    /// Draws the object files' previews as their icons in Large Icons style.
    ThumbnailProvider* Thumbnails() const { return mThumbnails; }

private:
    void fill(const QString& folder);
    void onCurrentChanged();

    CTambrixDoc* mDoc;
    QStandardItemModel* mModel;
    QItemSelectionModel* mSelection;
    QTreeView* mReport;
    QListView* mIcons;
    ViewStyle mStyle = ViewStyle::Report;
    bool mFilling = false;
    ThumbnailProvider* mThumbnails;
    QString mFolder;  ///< the folder listed, for its thumbnails
};

}  // namespace tambrix::app
