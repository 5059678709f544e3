#pragma once

// The main window: menu, toolbar, status bar and three panes in two splitters (the
// folder tree left; the object view above the file list right). It owns the commands
// that act across panes: Save preview, Delete file and the file-list view styles.

#include <QMainWindow>
#include <QList>
#include <QRect>
#include <optional>

#include "app/shell/FileCommands.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QScrollArea;
class QSplitter;

namespace tambrix::app {

class CFolderView;
class CObjectView;
class CHelpWnd;
class CSearchPanel;
class CloneCommand;
class CTambrixDoc;
class CTambrixView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Tambrix";
    static constexpr int kFolderPaneWidth = 200;
    static constexpr int kObjectPaneHeight = 380;

    explicit CMainFrame(CTambrixDoc* doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    /// 85% of the screen's width and 80% of its height, centred.
    static QRect InitialGeometry(const QRect& screen);
    /// The smallest window a stored geometry may restore.
    static constexpr int kMinimumWidth = 320;
    static constexpr int kMinimumHeight = 240;
    /// Whether a window's place and size are fit to restore: at least the smallest
    /// size, and wholly on one of the screens.
    static bool FitsAScreen(const QRect& window, const QList<QRect>& screens);

    /// Tells every pane to build itself (tree, list columns, hidden form).
    /// Asks for the game folder when the document found none, then fills the panes.
    void InitialUpdate();
    /// When the document found no game folder (NeedsGameFolder): the message, then the
    /// folder browser; a chosen folder becomes the game folder, saved with the settings.
    void AskForGameFolder();

    /// The Save command: saves the form's edited catalog texts while they have unsaved
    /// changes, else writes the object view's picture as a ".bmp" file.
    void SavePreview();
    /// "GUID Conflicts...": the index's groups of files holding one GUID; a file chosen
    /// there is selected.
    void ShowConflicts();
    /// The Delete command: asks, then deletes the current file and updates the panes.
    void OnDelete();
    /// F5: reads the tree and the list again, keeping what is selected.
    void Refresh();
    /// Opens the user guide in its window (or brings it forward).
    void ShowHelp();
    CHelpWnd* HelpWindow() const { return mHelp; }
    /// Shows another folder until the browser closes; the saved game folder stays.
    /// A file's own folder is shown with the file selected. False (with a status text)
    /// for a path that is neither.
    bool BrowsePath(const QString& path);
    /// Save Window Positions on Close: the window's place and size and the splitters.
    void SaveWindowPositions() const;
    void RestoreWindowPositions();
    /// The selected file's kind, size, resource count and container version.
    QString FileStatusText() const;

    CFolderView* FolderView() const { return mFolderView; }
    CTambrixView* FileList() const { return mFileList; }
    CObjectView* ObjectView() const { return mObjectView; }
    CSearchPanel* SearchPanel() const { return mSearchPanel; }
    CloneCommand* Clone() const { return mClone; }
    QAction* SaveAction() const { return mSave; }
    QAction* DeleteAction() const { return mDelete; }
    QAction* SettingsAction() const { return mSettings; }
    QAction* AboutAction() const { return mAbout; }
    QAction* StyleAction(int index) const;  ///< 0 large icons, 1 small icons, 2 list, 3 details
    QAction* ArrangeAction() const { return mArrange; }
    QAction* RefreshAction() const { return mRefresh; }
    QAction* HelpAction() const { return mHelpTopics; }
    QAction* OpenFolderAction() const { return mOpenFolder; }
    QAction* ExportPreviewsAction() const { return mExportPreviews; }
    /// Writes the preview of every object file of the folder on show, in the view the form
    /// shows, as PNG files with a see-through background into `folder` (a progress
    /// dialog that can be cancelled). The files are only read. The number written.
    int ExportPreviews(const QString& folder);
    /// The file commands of the list's context menu: Save Picture, Export PNG, Copy
    /// Picture, Copy Path, Show in Folder (Delete is DeleteAction).
    QAction* FileAction(int index) const { return index >= 0 && index < 5 ? mFileActions[index] : nullptr; }
    QAction* ExportSpritesAction() const { return mExportSprites; }
    QAction* ImportSpritesAction() const { return mImportSprites; }
    QLabel* FileStatus() const { return mFileStatus; }
    QSplitter* OuterSplitter() const { return mOuter; }
    QSplitter* InnerSplitter() const { return mInner; }

    /// Selects `folder` (a path as the tree holds it) in the tree and the file `name` in
    /// the list; false when the tree or the list has no such entry. A file no longer
    /// there is said so in the status bar, and then no file is current, so that no
    /// command acts on another one.
    bool ShowFile(const QString& folder, const QString& name);

    /// Brings the command states up to date (enabling and radio marks).
    void UpdateCommands();

signals:
    void settingsRequested();
    void aboutRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    /// The picture shown with the name of its file, owned by the caller; nothing without one.
    std::optional<PictureToSave> takePicture(bool transparent) const;
    /// Save (`ask` false: the settings decide whether a dialog asks) and Save Picture.
    void savePicture(bool ask);
    void exportPng();
    /// A chosen file is not there: said so, and no file stays current.
    void forgetFile(const QString& path, const QString& why);
    /// A folder chosen in the tree while results are shown.
    void leaveSearchForFolder();
    void updateFileStatus();
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createPanes();
    /// The clone command, on the form's object view; the browser shows what it writes.
    void createClone();
    void focusPane(int step);

    CTambrixDoc* mDoc;
    CFolderView* mFolderView = nullptr;
    CTambrixView* mFileList = nullptr;
    CObjectView* mObjectView = nullptr;
    CSearchPanel* mSearchPanel = nullptr;
    QScrollArea* mObjectScroller = nullptr;
    QMenu* mViewMenu = nullptr;
    QSplitter* mOuter = nullptr;
    QSplitter* mInner = nullptr;

    QAction* mSave = nullptr;
    QAction* mDelete = nullptr;
    CloneCommand* mClone = nullptr;  ///< "Clone Object...": context menu and the form's button
    QAction* mSettings = nullptr;
    QAction* mExit = nullptr;
    QAction* mToggleToolBar = nullptr;
    QAction* mToggleStatusBar = nullptr;
    QAction* mHelpTopics = nullptr;
    CHelpWnd* mHelp = nullptr;
    QAction* mAbout = nullptr;
    QAction* mContextHelp = nullptr;
    QAction* mNextPane = nullptr;
    QAction* mPreviousPane = nullptr;
    QAction* mStyles[4] = {};
    QAction* mArrange = nullptr;
    QActionGroup* mStyleGroup = nullptr;
    QAction* mRefresh = nullptr;
    QAction* mOpenFolder = nullptr;
    QAction* mExportPreviews = nullptr;
    QAction* mFileActions[5] = {};
    QAction* mExportSprites = nullptr;
    QAction* mImportSprites = nullptr;
    QLabel* mFileStatus = nullptr;
    QString mPictureNote;  ///< the object view's note while the status bar shows it
    bool mShowingResult = false;  ///< ShowFile selects in the tree, not the user
    QString mFileNote;     ///< what the file shown is, and what opening it wrote
};

}  // namespace tambrix::app
