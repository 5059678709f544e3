#pragma once

// The search box above the file list: typing finds objects across the whole game folder,
// archives included, by catalog name, description or file name, and the results take the
// list's place (file with its thumbnail, object name, price); an emptied box brings the
// list back. Choosing a result asks for its file to be shown in the tree and the list;
// a result stands for its file's path (and object), never for a row position, so that
// results filled again keep their choice. The first use of the box brings the folder's
// index up to date in the background, with a progress bar beside the box; files told
// as changed afterwards are brought up to date at once and the results follow.

#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;
class QStackedWidget;
class QStandardItemModel;
class QTimer;
class QTreeView;

namespace tambrix::app {

class CTambrixDoc;
class GameSearch;
class ThumbnailProvider;

class CSearchPanel : public QWidget {
    Q_OBJECT
public:
    /// The pause after the last key before the index is asked.
    static constexpr int kDelayMs = 150;
    /// The most results listed.
    static constexpr int kLimit = 200;
    enum Column { kFileColumn = 0, kObjectColumn = 1, kPriceColumn = 2, kColumnCount = 3 };
    /// The file column's items hold the result's path (relative to the game folder, '/'
    /// separated) and its object's position among the file's objects (-1: the file).
    static constexpr int kPathRole = Qt::UserRole + 1;
    static constexpr int kObjectRole = Qt::UserRole + 2;

    /// Puts `list` (the file list) below the box, in the place the results take.
    CSearchPanel(CTambrixDoc* doc, QWidget* list, QWidget* parent = nullptr);
    ~CSearchPanel() override;

    QLineEdit* Box() const { return mBox; }
    QTreeView* Results() const { return mResults; }
    QStandardItemModel* ResultModel() const { return mModel; }
    QProgressBar* Progress() const { return mProgress; }
    /// The count of results, or why there are none.
    QLabel* Note() const { return mNote; }
    GameSearch* Search() const { return mSearch; }
    ThumbnailProvider* Thumbnails() const { return mThumbnails; }

    /// Whether the results stand in the list's place.
    bool ShowsResults() const;
    /// Asks the index now instead of after the pause.
    void FindNow();
    /// Chooses a result as a click would.
    void SelectResult(int row);
    /// The row of the result of a file's path (and object; -1 for its first row), or -1.
    int RowOf(const QString& path, int object = -1) const;
    /// Leaves the results for the file list, the text given up.
    void LeaveResults();
    /// Drops the choice of a result without choosing another.
    void ForgetChoice();
    /// These files or folders (absolute paths) changed on disk: their rows of the index
    /// are brought up to date now, and the results shown follow.
    void FilesChanged(const QStringList& paths);
    /// F5: the folder shown (absolute) brought up to date now, the whole game folder
    /// again in the background.
    void RefreshIndex(const QString& folder);

signals:
    /// A result was chosen: its file `name` inside `folder` (a path as the folder tree
    /// holds it; for an archive entry, below the folder of the archive's name).
    void fileChosen(const QString& folder, const QString& name);
    /// A text for the status bar.
    void statusText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onTextChanged(const QString& text);
    void onRefreshed(const QString& problem);
    void onResultChanged();
    void onThumbnail(const QString& name);
    /// Follows the document's game folder; true when it changed.
    bool followGameFolder();
    void start();
    void fillResults();

    CTambrixDoc* mDoc;
    GameSearch* mSearch;
    QLineEdit* mBox;
    QProgressBar* mProgress;
    QLabel* mNote;
    QStackedWidget* mStack;
    QWidget* mList;
    QTreeView* mResults;
    QStandardItemModel* mModel;
    ThumbnailProvider* mThumbnails;
    QTimer* mDelay;
    bool mFilling = false;
    QString mProblem;  ///< why the index could not be refreshed, for the note
};

}  // namespace tambrix::app
