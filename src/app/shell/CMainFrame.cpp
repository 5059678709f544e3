#include "app/shell/CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileSystemWatcher>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QProgressDialog>
#include <QSettings>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <QWhatsThis>

#include "app/editing/CCatalogEditBar.h"
#include "app/editing/CConflictsDlg.h"
#include "app/editing/CloneCommand.h"
#include "app/editing/SpriteTransfer.h"
#include "app/search/GameSearch.h"
#include "app/shell/AppArt.h"
#include "app/shell/CHelpWnd.h"
#include "app/browsing/ArchiveBridge.h"
#include "app/browsing/CFolderView.h"
#include "app/browsing/CObjectView.h"
#include "app/search/CSearchPanel.h"
#include "app/shell/CTambrixDoc.h"
#include "app/browsing/CTambrixView.h"
#include "app/shell/FileCommands.h"
#include "app/shell/UserPrompts.h"
#include "app/browsing/ViewedFile.h"
#include "fileaccess/FileSystem.h"
#include "sets/GameFile.h"

namespace tambrix::app {

namespace {

const int kWidthPercent = 85;
const int kHeightPercent = 80;
const QSize kButtonSize(16, 15);
const char* const kReady = "Ready";
// The first file actions (Save Picture, Export PNG, Copy Picture) act on the picture.
const int kPictureActions = 3;
const char* const kRegistryEntryMissing =
    "Could not open the registry entry for The Sims.\n\nThis may mean your installation of The Sims is "
    "damaged or you\nmay be running an non-retail version of the game.\n\nPlease select the directory to "
    "where The Sims is installed manually\nin the next screen. This information will be saved for future use.";
const char* const kBrowseSimsTitle = "Choose the location where The Sims is installed";
const char* const kOpenFolderTitle = "Choose a folder to browse";
const char* const kExportPreviewsTitle = "Choose the folder for the previews";
const char* const kDeleteTip = "Delete the current file";
const char* const kDeleteEntryTip = "Files inside an archive cannot be deleted";
const char* const kFileGone = "this file is no longer there";
const char* const kFolderNotInTree = "the folder of this file is not in the tree (Refresh reads the folders again)";

/// Sets the two halves of a command text "status prompt\ntool tip".
void setCommandText(QAction* action, const QString& text) {
    const int newline = static_cast<int>(text.indexOf('\n'));
    action->setStatusTip(newline < 0 ? text : text.left(newline));
    if (newline >= 0) action->setToolTip(text.mid(newline + 1));
}

}  // namespace

CMainFrame::CMainFrame(CTambrixDoc* doc, QWidget* parent) : QMainWindow(parent), mDoc(doc) {
    // The caption is the application's title alone, never a document name.
    setWindowTitle(kCaption);
    setWindowIcon(art::ApplicationIcon());
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    createPanes();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(InitialGeometry(screen->geometry()));
    connect(mDoc, &CTambrixDoc::currentFileChanged, this, &CMainFrame::UpdateCommands);
    connect(mDoc, &CTambrixDoc::currentFileChanged, this, &CMainFrame::updateFileStatus);
    // A folder or file dropped on the window is browsed like one chosen in Open Folder.
    setAcceptDrops(true);
    UpdateCommands();
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::FitsAScreen(const QRect& window, const QList<QRect>& screens) {
    if (window.width() < kMinimumWidth || window.height() < kMinimumHeight) return false;
    for (const QRect& screen : screens)
        if (screen.contains(window)) return true;
    return false;
}

QRect CMainFrame::InitialGeometry(const QRect& screen) {
    const int width = screen.width() * kWidthPercent / 100;
    const int height = screen.height() * kHeightPercent / 100;
    return QRect(screen.left() + (screen.width() - width) / 2, screen.top() + (screen.height() - height) / 2, width,
                 height);
}

void CMainFrame::createActions() {
    mSave = new QAction(art::ToolbarButton(art::Button::Save), "&Save", this);
    mSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    setCommandText(mSave, "Save\nSave the current preview to a bitmap file");
    connect(mSave, &QAction::triggered, this, &CMainFrame::SavePreview);

    mDelete = new QAction(art::ToolbarButton(art::Button::Delete), "&Delete", this);
    mDelete->setShortcut(QKeySequence(Qt::Key_Delete));
    setCommandText(mDelete, "Delete\nDelete the current file");
    connect(mDelete, &QAction::triggered, this, &CMainFrame::OnDelete);

    mSettings = new QAction("&Settings", this);
    connect(mSettings, &QAction::triggered, this, &CMainFrame::settingsRequested);
    mExit = new QAction("E&xit", this);
    connect(mExit, &QAction::triggered, this, &QWidget::close);

    mHelpTopics = new QAction("&User Guide", this);
    mHelpTopics->setShortcut(QKeySequence(Qt::Key_F1));
    setCommandText(mHelpTopics, "Open the user guide\nUser Guide");
    connect(mHelpTopics, &QAction::triggered, this, &CMainFrame::ShowHelp);
    mAbout = new QAction(art::ToolbarButton(art::Button::About), "&About Tambrix...", this);
    connect(mAbout, &QAction::triggered, this, &CMainFrame::aboutRequested);
    mContextHelp = new QAction(art::ToolbarButton(art::Button::ContextHelp), "Help", this);
    mContextHelp->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(mContextHelp, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });

    mNextPane = new QAction("Next Pane", this);
    mNextPane->setShortcut(QKeySequence(Qt::Key_F6));
    connect(mNextPane, &QAction::triggered, this, [this] { focusPane(1); });
    mPreviousPane = new QAction("Previous Pane", this);
    mPreviousPane->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    connect(mPreviousPane, &QAction::triggered, this, [this] { focusPane(-1); });
    addAction(mNextPane);
    addAction(mPreviousPane);

    struct StyleCommand {
        art::Button button;
        const char* text;
        const char* commandText;
        CTambrixView::ViewStyle style;
    };
    const StyleCommand styles[] = {
        {art::Button::LargeIcons, "Lar&ge Icons", "Display items by using large icons.\nLarge Icons",
         CTambrixView::ViewStyle::Icon},
        {art::Button::SmallIcons, "S&mall Icons", "Display items by using small icons.\nSmall Icons",
         CTambrixView::ViewStyle::SmallIcon},
        {art::Button::List, "&List", "Displays items in a list.\nList", CTambrixView::ViewStyle::List},
        {art::Button::Details, "&Details", "Displays detailed information about each item in the window.\nDetails",
         CTambrixView::ViewStyle::Report},
    };
    mStyleGroup = new QActionGroup(this);
    mStyleGroup->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        QAction* action = new QAction(art::ToolbarButton(styles[i].button), styles[i].text, this);
        action->setCheckable(true);
        setCommandText(action, styles[i].commandText);
        const CTambrixView::ViewStyle style = styles[i].style;
        connect(action, &QAction::triggered, this, [this, style] {
            if (mFileList) mFileList->SetStyle(style);
            UpdateCommands();
        });
        mStyleGroup->addAction(action);
        mStyles[i] = action;
    }
    mArrange = new QAction("&Arrange Icons", this);
    setCommandText(mArrange, "Arranges icons in a grid.");
    connect(mArrange, &QAction::triggered, this, [this] {
        if (mFileList) mFileList->Arrange();
    });

    mRefresh = new QAction("&Refresh", this);
    mRefresh->setShortcut(QKeySequence(Qt::Key_F5));
    setCommandText(mRefresh, "Read the folders and files again\nRefresh");
    connect(mRefresh, &QAction::triggered, this, &CMainFrame::Refresh);
    mOpenFolder = new QAction("&Open Folder...", this);
    mOpenFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    setCommandText(mOpenFolder, "Browse another folder until Tambrix closes\nOpen Folder");
    connect(mOpenFolder, &QAction::triggered, this, [this] {
        if (const std::optional<QString> chosen = BrowseForFolder(kOpenFolderTitle)) BrowsePath(*chosen);
    });
    mExportPreviews = new QAction("E&xport Previews...", this);
    setCommandText(mExportPreviews,
                   "Save the preview of every object file in this folder as a PNG image\nExport Previews");
    connect(mExportPreviews, &QAction::triggered, this, [this] {
        if (const std::optional<QString> chosen = BrowseForFolder(kExportPreviewsTitle)) ExportPreviews(*chosen);
    });
    addAction(mRefresh);
    addAction(mOpenFolder);

    const char* const fileCommands[5][2] = {
        {"Save &Picture...", "Save the picture shown to a bitmap file"},
        {"&Export PNG...", "Save the picture shown as a PNG image with a transparent background"},
        {"&Copy Picture", "Copy the picture shown to the clipboard"},
        {"Copy P&ath", "Copy the full path of the current file to the clipboard"},
        {"Show in &Folder", "Open the current file's folder in the file manager"},
    };
    for (int i = 0; i < 5; ++i) {
        mFileActions[i] = new QAction(fileCommands[i][0], this);
        mFileActions[i]->setStatusTip(fileCommands[i][1]);
    }
    // As the toolbar's Save: asked where when "Prompt on Save" says so.
    connect(mFileActions[0], &QAction::triggered, this, [this] { savePicture(false); });
    connect(mFileActions[1], &QAction::triggered, this, &CMainFrame::exportPng);
    connect(mFileActions[2], &QAction::triggered, this, [this] {
        if (mObjectView && mObjectView->CopyPicture()) statusBar()->showMessage("Picture copied");
    });
    connect(mFileActions[3], &QAction::triggered, this, [this] {
        const QString path = QDir::toNativeSeparators(mDoc->CurrentFilePath());
        if (path.isEmpty()) return;
        QGuiApplication::clipboard()->setText(path);
        statusBar()->showMessage(QString("Copied \"%1\"").arg(path));
    });
    mExportSprites = new QAction("Export &Sprites...", this);
    mExportSprites->setStatusTip("Write the file's sprites as PNG pictures to repaint in any editor");
    connect(mExportSprites, &QAction::triggered, this, [this] {
        const QString said = SpriteTransfer::Export(this, mDoc->CurrentFilePath());
        if (!said.isEmpty()) statusBar()->showMessage(said);
    });
    mImportSprites = new QAction("&Import Sprites...", this);
    mImportSprites->setStatusTip("Bring repainted sprite pictures back into the file");
    connect(mImportSprites, &QAction::triggered, this, [this] {
        const QString path = mDoc->CurrentFilePath();
        bool written = false;
        const QString said = SpriteTransfer::Import(this, path, written);
        if (written) {
            // The form and the thumbnails show the new look at once.
            mDoc->UpdateAllViews(nullptr);
            mFileList->Refresh();
            mSearchPanel->FilesChanged({path});
        }
        if (!said.isEmpty()) statusBar()->showMessage(said);
    });
    connect(mFileActions[4], &QAction::triggered, this, [this] {
        const QString path = mDoc->CurrentFilePath();
        if (path.isEmpty()) return;
        // An archive entry is shown by the folder that holds its archive.
        const QString onDisk = ArchiveOf(path).value_or(path);
        Prompts().showFolder(QFileInfo(onDisk).absolutePath());
    });
}

QAction* CMainFrame::StyleAction(int index) const { return index >= 0 && index < 4 ? mStyles[index] : nullptr; }

void CMainFrame::createMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction(mSettings);
    file->addSeparator();
    file->addAction(mExit);
    QMenu* view = menuBar()->addMenu("&View");
    mToggleToolBar = view->addAction("&Toolbar");
    mToggleStatusBar = view->addAction("&Status Bar");
    view->addSeparator();
    view->addAction(mOpenFolder);
    view->addAction(mRefresh);
    view->addAction(mExportPreviews);
    view->addAction("GUID &Conflicts...", this, &CMainFrame::ShowConflicts)
        ->setStatusTip("List the GUIDs that more than one object file of the game folder holds");
    mViewMenu = view;
    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction(mHelpTopics);
    help->addSeparator();
    help->addAction(mAbout);
    // Save and Delete live on the toolbar and their keys; the frame keeps their
    // shortcuts alive even with the toolbar hidden.
    addAction(mSave);
    addAction(mDelete);
    addAction(mContextHelp);
}

void CMainFrame::createToolBar() {
    QToolBar* bar = addToolBar("Toolbar");
    bar->setObjectName("Toolbar");
    bar->setIconSize(kButtonSize);
    bar->setMovable(true);
    bar->setFloatable(true);
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    bar->addAction(mDelete);
    bar->addAction(mSave);
    bar->addSeparator();
    for (QAction* style : mStyles) bar->addAction(style);
    bar->addSeparator();
    bar->addAction(mAbout);
    bar->addAction(mContextHelp);
    mToggleToolBar->setCheckable(true);
    mToggleToolBar->setChecked(true);
    connect(mToggleToolBar, &QAction::toggled, bar, &QWidget::setVisible);
}

void CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    // The lock indicators of the classic frame; Qt cannot read the lock states on every
    // platform, so they stand as labels.
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(indicator, bar);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(label);
    }
    // The selected file, told before the lock indicators.
    mFileStatus = new QLabel(bar);
    bar->insertPermanentWidget(0, mFileStatus);
    bar->showMessage(kReady);
    connect(mDoc, &CTambrixDoc::archivesMounted, this, [this](const QString& status) {
        if (!status.isEmpty()) statusBar()->showMessage(status);
    });
    mToggleStatusBar->setCheckable(true);
    mToggleStatusBar->setChecked(true);
    connect(mToggleStatusBar, &QAction::toggled, bar, &QWidget::setVisible);
}

void CMainFrame::createPanes() {
    mOuter = new QSplitter(Qt::Horizontal, this);
    mOuter->setChildrenCollapsible(false);
    // The panes register with the document in this order; the list comes before the
    // object view so that a folder change reaches the list first.
    mFolderView = new CFolderView(mDoc, mOuter);
    mInner = new QSplitter(Qt::Vertical, mOuter);
    mInner->setChildrenCollapsible(false);
    mObjectScroller = new QScrollArea(mInner);
    mFileList = new CTambrixView(mDoc, mInner);
    // A folder of an archive that shows nothing says what it holds instead.
    connect(mFileList, &CTambrixView::folderNote, this, [this](const QString& note) {
        if (!note.isEmpty()) statusBar()->showMessage(note);
    });
    mObjectView = new CObjectView(mDoc);
    createClone();
    // Why a picture is blank or missing stands in the status bar while its file is
    // shown; the next file takes it away again.
    connect(mObjectView, &CObjectView::pictureNote, this, [this](const QString& note) {
        if (!note.isEmpty())
            statusBar()->showMessage(note);
        else if (!mPictureNote.isEmpty() && statusBar()->currentMessage() == mPictureNote)
            statusBar()->showMessage(mFileNote.isEmpty() ? kReady : mFileNote);
        mPictureNote = note;
    });
    // Turning and zooming work wherever the focus is: the form holds the commands, the
    // View menu shows them with their keys.
    mViewMenu->addSeparator();
    for (QAction* action : mObjectView->ViewActions()) {
        if (action)
            mViewMenu->addAction(action);
        else
            mViewMenu->addSeparator();
    }
    connect(mObjectView, &CObjectView::pictureChanged, this, &CMainFrame::UpdateCommands);
    // What the file is and what opening it wrote stand there the same way; a picture's
    // note that comes later takes their place, and gives it back when it goes.
    connect(mObjectView, &CObjectView::fileNote, this, [this](const QString& note) {
        if (!note.isEmpty())
            statusBar()->showMessage(note);
        else if (!mFileNote.isEmpty() && statusBar()->currentMessage() == mFileNote)
            statusBar()->showMessage(kReady);
        mFileNote = note;
    });
    mObjectScroller->setWidget(mObjectView);
    mObjectScroller->setWidgetResizable(false);
    mObjectScroller->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mInner->addWidget(mObjectScroller);
    // The search box stands above the list; its results take the list's place.
    mSearchPanel = new CSearchPanel(mDoc, mFileList, mInner);
    connect(mSearchPanel, &CSearchPanel::fileChosen, this, &CMainFrame::ShowFile);
    connect(mSearchPanel, &CSearchPanel::statusText, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    // The index follows what the browser sees change: the folder and file the list
    // watches, and the file just shown, whose catalog table the form may have completed
    // (told once the form has shown it).
    connect(&mFileList->Watcher(), &QFileSystemWatcher::directoryChanged, mSearchPanel,
            [this](const QString& path) { mSearchPanel->FilesChanged({path}); });
    connect(&mFileList->Watcher(), &QFileSystemWatcher::fileChanged, mSearchPanel,
            [this](const QString& path) { mSearchPanel->FilesChanged({path}); });
    connect(
        mDoc, &CTambrixDoc::currentFileChanged, mSearchPanel,
        [this] {
            if (!mDoc->CurrentFile().isEmpty()) mSearchPanel->FilesChanged({mDoc->CurrentFilePath()});
        },
        Qt::QueuedConnection);
    // A folder chosen in the tree while results stand in the list's place: the search
    // is left and the folder shown.
    connect(mFolderView, &QTreeWidget::itemSelectionChanged, this, &CMainFrame::leaveSearchForFolder);
    connect(mFolderView, &QTreeWidget::itemClicked, this, &CMainFrame::leaveSearchForFolder);
    mInner->addWidget(mSearchPanel);
    mOuter->addWidget(mFolderView);
    mOuter->addWidget(mInner);
    mOuter->setSizes({kFolderPaneWidth, 10000});
    mInner->setSizes({kObjectPaneHeight, 10000});
    mOuter->setStretchFactor(1, 1);
    mInner->setStretchFactor(1, 1);
    setCentralWidget(mOuter);

    mFileList->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (QAction* style : mStyles) mFileList->addAction(style);
    mFileList->addAction(mArrange);
    // The file's own commands follow the list's.
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    mFileList->addAction(separator);
    for (QAction* action : mFileActions) mFileList->addAction(action);
    mFileList->addAction(mClone->Action());
    mFileList->addAction(mExportSprites);
    mFileList->addAction(mImportSprites);
    mFileList->addAction(mDelete);
}

void CMainFrame::ShowConflicts() {
    const QString game = mDoc->SimsPath();
    CConflictsDlg dialog(this, game, GameSearch::DatabasePath(game));
    connect(&dialog, &CConflictsDlg::fileChosen, this, [this](const QString& path) {
        const QFileInfo file(path);
        ShowFile(QDir::cleanPath(file.absolutePath()), file.fileName());
    });
    if (Prompts().runDialog) Prompts().runDialog(dialog);
}

void CMainFrame::createClone() {
    mClone = new CloneCommand(mDoc, this);
    mClone->shown = [this](QString& source, QStringList& objects, QString& name) {
        source = mDoc->CurrentFilePath();
        objects = mObjectView->ObjectNames();
        name = mObjectView->NameEdit()->text();
    };
    connect(mObjectView->EditBar(), &CCatalogEditBar::cloneRequested, this, [this](const QString& path) {
        mClone->Run(path, mObjectView->ObjectNames(), mObjectView->NameEdit()->text());
    });
    connect(mClone, &CloneCommand::cloned, this, [this](const QString& path, const QString& status) {
        // The new file may lie in a folder made for it: the tree learns of it first.
        mFolderView->Rebuild(false);
        const QFileInfo made(path);
        ShowFile(QDir::cleanPath(made.absolutePath()), made.fileName());
        mSearchPanel->FilesChanged({path});
        statusBar()->showMessage(status);
    });
}

void CMainFrame::AskForGameFolder() {
    if (!mDoc->NeedsGameFolder()) return;
    Prompts().message(this, kRegistryEntryMissing);
    if (const std::optional<QString> chosen = BrowseForFolder(kBrowseSimsTitle)) mDoc->SetSimsPath(*chosen);
}

void CMainFrame::InitialUpdate() {
    AskForGameFolder();
    mObjectView->OnInitialUpdate();
    mFileList->OnInitialUpdate();
    mFolderView->OnInitialUpdate();
    RestoreWindowPositions();
    UpdateCommands();
    // Archives that could not be mounted, or entries left out, are told here and not
    // in a message box: the browser works on with what did mount.
    if (!mDoc->ArchiveStatus().isEmpty()) statusBar()->showMessage(mDoc->ArchiveStatus());
}

bool CMainFrame::ShowFile(const QString& folder, const QString& name) {
    // A search result may stand for a file gone since the index read it: nothing is
    // selected then, for the list would select some other file of the folder.
    const QString path = QDir(folder).filePath(name);
    if (!QFileInfo(path).isFile() && !IsMountedEntry(path)) {
        forgetFile(path, kFileGone);
        return false;
    }
    QTreeWidgetItem* item = mFolderView->ItemForPath(folder);
    if (!item) {
        forgetFile(path, kFolderNotInTree);
        return false;
    }
    {
        const QScopedValueRollback<bool> showing(mShowingResult, true);
        mFolderView->setCurrentItem(item);  // fills the list when the folder changes
    }
    for (int row = 0; row < mFileList->RowCount(); ++row)
        if (mFileList->FileAt(row) == name) {
            mFileList->SelectRow(row);
            return true;
        }
    forgetFile(path, kFileGone);  // gone while the folder was read
    return false;
}

void CMainFrame::forgetFile(const QString& path, const QString& why) {
    statusBar()->showMessage(why);
    mSearchPanel->ForgetChoice();
    QItemSelectionModel* selection = mFileList->ReportView()->selectionModel();
    selection->clearSelection();
    selection->clearCurrentIndex();
    mDoc->SetCurrentFile(QString());
    mDoc->UpdateAllViews(mFileList);  // the form drops the file; the list stays as it is
    UpdateCommands();
    mSearchPanel->FilesChanged({path});
}

void CMainFrame::leaveSearchForFolder() {
    if (!mShowingResult && mSearchPanel->ShowsResults()) mSearchPanel->LeaveResults();
}

void CMainFrame::focusPane(int step) {
    QWidget* panes[] = {mFolderView, mObjectView, mFileList->currentWidget()};
    int current = 0;
    for (int i = 0; i < 3; ++i)
        if (panes[i]->isAncestorOf(focusWidget()) || panes[i] == focusWidget()) current = i;
    panes[(current + step + 3) % 3]->setFocus();
}

void CMainFrame::UpdateCommands() {
    const bool hasFile = !mDoc->CurrentFile().isEmpty();
    // Save, Export PNG and Copy Picture need a picture: a file that shows none offers none.
    const bool hasPicture = hasFile && mObjectView && mObjectView->CurrentPicture();
    mSave->setEnabled(hasPicture);
    // Nothing inside an archive can be deleted: the command says so rather than fail.
    const bool entry = hasFile && IsMountedEntry(mDoc->CurrentFilePath());
    mDelete->setEnabled(hasFile && !entry);
    mDelete->setToolTip(entry ? kDeleteEntryTip : kDeleteTip);
    mDelete->setStatusTip(entry ? kDeleteEntryTip : "Delete");
    for (int i = 0; i < 5; ++i) mFileActions[i]->setEnabled(i < kPictureActions ? hasPicture : hasFile);
    mExportSprites->setEnabled(hasFile && SpriteTransfer::CanExport(mDoc->CurrentFilePath()));
    mImportSprites->setEnabled(hasFile && SpriteTransfer::CanImport(mDoc->CurrentFilePath()));
    mClone->Action()->setEnabled(hasFile && KindOfName(LibraryPath(mDoc->CurrentFile())) == GameFileKind::kObject);
    const bool hasList = mFileList != nullptr;
    const CTambrixView::ViewStyle order[] = {CTambrixView::ViewStyle::Icon, CTambrixView::ViewStyle::SmallIcon,
                                             CTambrixView::ViewStyle::List, CTambrixView::ViewStyle::Report};
    for (int i = 0; i < 4; ++i) {
        mStyles[i]->setEnabled(hasList);
        mStyles[i]->setChecked(hasList && mFileList->Style() == order[i]);
    }
    mArrange->setEnabled(hasList && (mFileList->Style() == CTambrixView::ViewStyle::Icon ||
                                     mFileList->Style() == CTambrixView::ViewStyle::SmallIcon));
}

void CMainFrame::SavePreview() {
    // Ctrl+S saves the form's edited texts while they have unsaved changes, else the picture.
    if (mObjectView && mObjectView->EditBar()->Dirty()) {
        mObjectView->EditBar()->Save();
        return;
    }
    savePicture(false);
}

std::optional<PictureToSave> CMainFrame::takePicture(bool transparent) const {
    // The picture and the name of the file it shows are taken together, before any
    // dialog: while one is open the watcher may show another file or the same one anew,
    // and the save must still write what was shown, under that file's name.
    const QString shown = mDoc->CurrentFile();
    std::shared_ptr<const Picture> picture = mObjectView ? mObjectView->SharedPicture() : nullptr;
    if (shown.isEmpty() || !picture) return std::nullopt;
    PictureToSave taken{std::move(picture), QImage(), shown};
    if (transparent) taken.transparent = taken.picture->TransparentImage();
    return taken;
}

void CMainFrame::savePicture(bool ask) {
    const std::optional<PictureToSave> taken = takePicture(false);
    if (!taken) return;
    const QString name = taken->NameWith(".bmp");
    QString target;
    // Without an export folder there is nowhere to save unasked: the dialog asks.
    if (ask || mDoc->PromptOnSave() || mDoc->ExportPath().isEmpty()) {
        const QString start = mDoc->ExportPath().isEmpty() ? name : QDir(mDoc->ExportPath()).filePath(name);
        const std::optional<QString> chosen = Prompts().saveBitmapName(this, start);
        const std::optional<QString> confirmed = chosen ? ConfirmSaveTarget(this, *chosen) : std::nullopt;
        if (!confirmed) return;
        target = *confirmed;
    } else {
        // Unasked, a save replaces nothing: an earlier picture of that name (chair.iff and
        // chair.spf both give chair.bmp) or a file of the game's own stays, and the
        // picture takes the first free name beside it.
        target = FreeSaveTarget(QDir(mDoc->ExportPath()).filePath(name));
        if (target.isEmpty()) {
            statusBar()->showMessage(QString("No free name for \"%1\" in \"%2\"")
                                         .arg(name, QDir::toNativeSeparators(mDoc->ExportPath())));
            return;
        }
    }
    target = QDir::toNativeSeparators(target);
    if (taken->picture->WriteBitmapFile(target))
        statusBar()->showMessage(QString("Bitmap saved to \"%1\"").arg(target));
    else
        statusBar()->showMessage(QString("Could not write \"%1\"").arg(target));
    mSearchPanel->FilesChanged({target});
}

void CMainFrame::OnDelete() {
    if (mDoc->CurrentFile().isEmpty() || !mDelete->isEnabled()) return;
    // The question names exact files; the answer acts on those and nothing else, and only
    // while they are still what was asked about: the list may have moved on meanwhile.
    QString why;
    const std::optional<FileDeletion> deletion = FileDeletion::Prepare(mDoc->CurrentFilePath(), why);
    if (!deletion) {
        Prompts().message(this, why);
        Refresh();
        return;
    }
    if (!Prompts().askYesNo(this, deletion->Question())) return;
    if (!deletion->StillAsAsked(why) || !deletion->Allowed(why)) {
        Prompts().message(this, why);
        statusBar()->showMessage(why);
        Refresh();
        return;
    }
    // Nothing of a file that goes stays open in the form.
    if (deletion->Paths().contains(mDoc->CurrentFilePath())) mObjectView->CloseFile();
    QString status;
    const QStringList gone = deletion->Paths();
    const bool carried = deletion->Carry(status, why);
    if (!carried) Prompts().message(this, why);
    mDoc->UpdateAllViews(nullptr);
    mSearchPanel->FilesChanged(gone);
    statusBar()->showMessage(carried ? status : why);
}

void CMainFrame::exportPng() {
    const std::optional<PictureToSave> taken = takePicture(true);
    if (!taken) return;
    const QString name = taken->NameWith(".png");
    const QString start = mDoc->ExportPath().isEmpty() ? name : QDir(mDoc->ExportPath()).filePath(name);
    const std::optional<QString> chosen = Prompts().savePngName(this, start);
    const std::optional<QString> target = chosen ? ConfirmSaveTarget(this, *chosen) : std::nullopt;
    if (!target) return;
    if (SavePngFile(taken->transparent, *target))
        statusBar()->showMessage(QString("PNG saved to \"%1\"").arg(QDir::toNativeSeparators(*target)));
    else
        statusBar()->showMessage(QString("Could not write \"%1\"").arg(QDir::toNativeSeparators(*target)));
}

int CMainFrame::ExportPreviews(const QString& folder) {
    if (!mFileList || !mObjectView) return 0;
    QStringList names;
    for (int row = 0; row < mFileList->RowCount(); ++row)
        if (KindOfName(LibraryPath(mFileList->FileAt(row))) == GameFileKind::kObject) names << mFileList->FileAt(row);
    if (names.isEmpty()) {
        statusBar()->showMessage("No object files in this folder");
        return 0;
    }
    if (!QDir().mkpath(folder)) {
        statusBar()->showMessage(QString("Could not make the folder \"%1\"").arg(QDir::toNativeSeparators(folder)));
        return 0;
    }
    const int view = mObjectView->View();
    QProgressDialog progress("Exporting previews...", "Cancel", 0, static_cast<int>(names.size()), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    // An export only looks: no catalog completion writes into the files it reads.
    const FileSystem::ReadOnlyScope readOnly;
    int written = 0;
    int renamed = 0;
    int done = 0;
    for (const QString& name : names) {
        if (progress.wasCanceled()) break;
        progress.setLabelText(QString("Exporting %1").arg(name));
        progress.setValue(done++);
        QString why;
        const std::unique_ptr<ViewedFile> file =
            Openers().openFile(QDir(mDoc->CurrentFolder()).filePath(name), GameFileAccess::kReadOnly);
        const std::unique_ptr<Picture> picture = file ? file->RenderPreview(0, view, why) : nullptr;
        if (!picture || !why.isEmpty()) continue;
        // An existing picture stays: the preview takes the first free name beside it.
        const QString pictureName = QFileInfo(name).completeBaseName() + QString("-view%1.png").arg(view);
        const QString target = FreeSaveTarget(QDir(folder).filePath(pictureName));
        if (target.isEmpty() || !SavePngFile(picture->TransparentImage(), target)) continue;
        ++written;
        if (QFileInfo(target).fileName() != pictureName) ++renamed;
    }
    const bool cancelled = progress.wasCanceled();
    progress.setValue(static_cast<int>(names.size()));
    const QString kept =
        renamed == 0 ? QString()
                     : QString(", %1 under a new name beside an existing picture").arg(renamed);
    statusBar()->showMessage(QString("%1 of %2 previews written to \"%3\"%4%5")
                                 .arg(written)
                                 .arg(names.size())
                                 .arg(QDir::toNativeSeparators(folder), kept, cancelled ? " (cancelled)" : ""));
    return written;
}

void CMainFrame::ShowHelp() {
    if (!mHelp) mHelp = new CHelpWnd(this);
    mHelp->show();
    mHelp->raise();
    mHelp->activateWindow();
}

void CMainFrame::Refresh() {
    mFolderView->Rebuild(false);
    mFileList->Refresh();
    updateFileStatus();
    mSearchPanel->RefreshIndex(mDoc->CurrentFolder());
}

bool CMainFrame::BrowsePath(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        statusBar()->showMessage(QString("\"%1\" was not found").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    const QString folder = QDir::cleanPath(info.isDir() ? info.absoluteFilePath() : info.absolutePath());
    mDoc->BrowseFolder(folder);  // the tree is built again and its root listed
    if (info.isDir() || mFileList->SelectFile(info.fileName())) return true;
    // An archive is not in the list but in the tree, as a folder of its own.
    if (QTreeWidgetItem* archive = mFolderView->ItemForPath(QDir::cleanPath(info.absoluteFilePath()))) {
        mFolderView->setCurrentItem(archive);
        mFolderView->scrollToItem(archive);
        return true;
    }
    statusBar()->showMessage(QString("\"%1\" is not a file Tambrix shows").arg(info.fileName()));
    return true;
}

QString CMainFrame::FileStatusText() const {
    const QString path = mDoc->CurrentFilePath();
    if (path.isEmpty()) return QString();
    GameFile file;
    QStringList parts;
    const int32_t located = file.Locate(LibraryPath(path));
    parts << KindText(KindOfName(LibraryPath(mDoc->CurrentFile())));
    const int row = mFileList->CurrentRow();
    if (row >= 0) parts << QString("%L1 bytes").arg(mFileList->BytesAt(row));
    if (located != rc::kOk) return parts.join(", ");
    // The file alone, without the companion an object file opens with.
    if (file.Kind() != GameFileKind::kBitmap && file.OpenAlone(GameFileAccess::kReadOnly) == rc::kOk) {
        ResourceFile* container = file.Container();
        int resources = 0;
        std::vector<ResType> types;
        for (int16_t type = 1; type <= container->CountTypes(); ++type) {  // types count from 1
            types.push_back(container->GetIndType(type));
            resources += container->CountResources(types.back());
        }
        parts << (resources == 1 ? QString("1 resource") : QString("%1 resources").arg(resources));
        // A house, character or neighborhood file is named as such, not as an object file.
        const UserDataKind userData = UserDataKindOf(file.Path(), types);
        if (userData != UserDataKind::kNone) parts[0] = UserDataKindText(userData);
    }
    const std::string version = file.ContainerVersion();
    if (!version.empty()) parts << QString("version %1").arg(QString::fromStdString(version));
    return parts.join(", ");
}

void CMainFrame::updateFileStatus() { mFileStatus->setText(FileStatusText()); }

void CMainFrame::SaveWindowPositions() const {
    if (!mDoc->SaveWindowPositions()) return;
    QSettings store(settings::kOrganisation, settings::kApplication);
    store.beginGroup(settings::kGroup);
    store.setValue(settings::kWindowGeometry, saveGeometry());
    store.setValue(settings::kSplitters, QList<QVariant>{mOuter->saveState(), mInner->saveState()});
}

void CMainFrame::RestoreWindowPositions() {
    if (!mDoc->SaveWindowPositions()) return;
    QSettings store(settings::kOrganisation, settings::kApplication);
    store.beginGroup(settings::kGroup);
    const QByteArray geometry = store.value(settings::kWindowGeometry).toByteArray();
    // A stored place that is damaged or was made for other screens (a sliver of a
    // window, or one off every screen) is passed over: the window keeps its first place.
    const QRect initial = this->geometry();
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens << screen->geometry();
    if (!geometry.isEmpty() && restoreGeometry(geometry) && !isMaximized() && !isFullScreen() &&
        !FitsAScreen(this->geometry(), screens)) {
        setWindowState(Qt::WindowNoState);
        setGeometry(initial);
    }
    const QList<QVariant> splitters = store.value(settings::kSplitters).toList();
    if (splitters.size() == 2) {
        mOuter->restoreState(splitters[0].toByteArray());
        mInner->restoreState(splitters[1].toByteArray());
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Text edits not yet saved are asked about, as when another file is chosen.
    if (mObjectView) mObjectView->EditBar()->Settle();
    SaveWindowPositions();
    QMainWindow::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return;
    if (BrowsePath(urls.first().toLocalFile())) event->acceptProposedAction();
}

}  // namespace tambrix::app
