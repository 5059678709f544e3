#include "app/shell/CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QProgressDialog>
#include <QSettings>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <QWhatsThis>

#include "app/shell/AppArt.h"
#include "app/shell/CHelpWnd.h"
#include "app/browsing/ArchiveBridge.h"
#include "app/browsing/CFolderView.h"
#include "app/browsing/CObjectView.h"
#include "app/search/CSearchPanel.h"
#include "app/shell/CTambrixDoc.h"
#include "app/browsing/CTambrixView.h"
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
const char* const kRegistryEntryMissing =
    "Could not open the registry entry for The Sims.\n\nThis may mean your installation of The Sims is "
    "damaged or you\nmay be running an non-retail version of the game.\n\nPlease select the directory to "
    "where The Sims is installed manually\nin the next screen. This information will be saved for future use.";
const char* const kBrowseSimsTitle = "Choose the location where The Sims is installed";
const char* const kOpenFolderTitle = "Choose a folder to browse";
const char* const kExportPreviewsTitle = "Choose the folder for the previews";
const char* const kDeleteTip = "Delete the current file";
const char* const kDeleteEntryTip = "Files inside an archive cannot be deleted";

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
    connect(mFileActions[0], &QAction::triggered, this, [this] {
        // Asked every time: the context menu's Save is the one that lets the user choose.
        const Picture* picture = mObjectView ? mObjectView->CurrentPicture() : nullptr;
        if (!picture) return;
        const QString name = QFileInfo(mDoc->CurrentFile()).completeBaseName() + ".bmp";
        const QString start = mDoc->ExportPath().isEmpty() ? name : QDir(mDoc->ExportPath()).filePath(name);
        if (const auto chosen = Prompts().saveBitmapName(this, start)) {
            if (!picture->WriteBitmapFile(*chosen))
                statusBar()->showMessage(QString("Could not write \"%1\"").arg(*chosen));
        }
    });
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
    mObjectView = new CObjectView(mDoc);
    // Why a picture is blank or missing stands in the status bar while its file is
    // shown; the next file takes it away again.
    connect(mObjectView, &CObjectView::pictureNote, this, [this](const QString& note) {
        if (!note.isEmpty())
            statusBar()->showMessage(note);
        else if (!mPictureNote.isEmpty() && statusBar()->currentMessage() == mPictureNote)
            statusBar()->showMessage(kReady);
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
    mObjectScroller->setWidget(mObjectView);
    mObjectScroller->setWidgetResizable(false);
    mObjectScroller->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mInner->addWidget(mObjectScroller);
    // The search box stands above the list; its results take the list's place.
    mSearchPanel = new CSearchPanel(mDoc, mFileList, mInner);
    connect(mSearchPanel, &CSearchPanel::fileChosen, this, &CMainFrame::ShowFile);
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
    mFileList->addAction(mDelete);
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
    QTreeWidgetItem* item = mFolderView->ItemForPath(folder);
    if (!item) return false;
    mFolderView->setCurrentItem(item);  // fills the list when the folder changes
    for (int row = 0; row < mFileList->RowCount(); ++row)
        if (mFileList->FileAt(row) == name) {
            mFileList->SelectRow(row);
            return true;
        }
    return false;
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
    mSave->setEnabled(hasFile);
    // Nothing inside an archive can be deleted: the command says so rather than fail.
    const bool entry = hasFile && IsMountedEntry(mDoc->CurrentFilePath());
    mDelete->setEnabled(hasFile && !entry);
    mDelete->setToolTip(entry ? kDeleteEntryTip : kDeleteTip);
    mDelete->setStatusTip(entry ? kDeleteEntryTip : "Delete");
    // The picture commands do nothing when the file shows no picture, as Save.
    for (QAction* action : mFileActions) action->setEnabled(hasFile);
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
    if (mDoc->CurrentFile().isEmpty() || !mObjectView) return;
    const Picture* picture = mObjectView->CurrentPicture();
    if (!picture) return;
    const QString defaultName = QFileInfo(mDoc->CurrentFile()).completeBaseName() + ".bmp";
    // Without an export folder there is nowhere to save unasked: the dialog asks.
    if (mDoc->PromptOnSave() || mDoc->ExportPath().isEmpty()) {
        const QString start =
            mDoc->ExportPath().isEmpty() ? defaultName : QDir(mDoc->ExportPath()).filePath(defaultName);
        if (const auto chosen = Prompts().saveBitmapName(this, start)) picture->WriteBitmapFile(*chosen);
        return;
    }
    const QString path = QDir::toNativeSeparators(QDir(mDoc->ExportPath()).filePath(defaultName));
    if (picture->WriteBitmapFile(path)) statusBar()->showMessage(QString("Bitmap saved to \"%1\"").arg(path));
}

void CMainFrame::OnDelete() {
    if (mDoc->CurrentFile().isEmpty() || !mDelete->isEnabled()) return;
    const QString question = QString("Are you sure you want to delete the file\n\"%1\"?").arg(mDoc->CurrentFile());
    if (!Prompts().askYesNo(this, question)) return;
    mObjectView->DeleteCurrentFile();
    mDoc->UpdateAllViews(nullptr);
}

void CMainFrame::exportPng() {
    if (!mObjectView || !mObjectView->CurrentPicture()) return;
    const QString name = QFileInfo(mDoc->CurrentFile()).completeBaseName() + ".png";
    const QString start = mDoc->ExportPath().isEmpty() ? name : QDir(mDoc->ExportPath()).filePath(name);
    const std::optional<QString> chosen = Prompts().savePngName(this, start);
    if (!chosen) return;
    if (mObjectView->ExportPng(*chosen))
        statusBar()->showMessage(QString("PNG saved to \"%1\"").arg(QDir::toNativeSeparators(*chosen)));
    else
        statusBar()->showMessage(QString("Could not write \"%1\"").arg(QDir::toNativeSeparators(*chosen)));
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
    int done = 0;
    for (const QString& name : names) {
        if (progress.wasCanceled()) break;
        progress.setLabelText(QString("Exporting %1").arg(name));
        progress.setValue(done++);
        QString why;
        const std::unique_ptr<ViewedFile> file = Openers().openFile(QDir(mDoc->CurrentFolder()).filePath(name));
        const std::unique_ptr<Picture> picture = file ? file->RenderPreview(0, view, why) : nullptr;
        const QString target = QDir(folder).filePath(QFileInfo(name).completeBaseName() + QString("-view%1.png").arg(view));
        if (picture && why.isEmpty() && picture->TransparentImage().save(target, "PNG")) ++written;
    }
    const bool cancelled = progress.wasCanceled();
    progress.setValue(static_cast<int>(names.size()));
    statusBar()->showMessage(QString("%1 of %2 previews written to \"%3\"%4")
                                 .arg(written)
                                 .arg(names.size())
                                 .arg(QDir::toNativeSeparators(folder), cancelled ? " (cancelled)" : ""));
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
        for (int16_t type = 1; type <= container->CountTypes(); ++type)  // types count from 1
            resources += container->CountResources(container->GetIndType(type));
        parts << (resources == 1 ? QString("1 resource") : QString("%1 resources").arg(resources));
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
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    const QList<QVariant> splitters = store.value(settings::kSplitters).toList();
    if (splitters.size() == 2) {
        mOuter->restoreState(splitters[0].toByteArray());
        mInner->restoreState(splitters[1].toByteArray());
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
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
