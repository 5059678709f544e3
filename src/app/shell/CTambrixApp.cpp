#include "app/shell/CTambrixApp.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "app/shell/CAboutDlg.h"
#include "app/shell/CMainFrame.h"
#include "app/shell/CSettingsDlg.h"
#include "app/shell/CSplashWnd.h"
#include "app/shell/CTambrixDoc.h"
#include "TambrixVersion.h"

namespace tambrix::app {

CTambrixApp::CTambrixApp() = default;

CTambrixApp::~CTambrixApp() {
    CSplashWnd::HideSplashScreen();
    mFrame.reset();
    mDoc.reset();
}

namespace {

const char* const kUsage =
    "Usage: tambrix [FOLDER | FILE]\n"
    "\n"
    "A browser for the data files of The Sims: objects, sprites, walls, floors and\n"
    "bitmaps, archives included.\n"
    "\n"
    "  FOLDER       browse FOLDER as the game folder for this run; the saved one stays\n"
    "  FILE         open on the folder that holds FILE, with FILE selected\n"
    "  --help       this text\n"
    "  --version    the version and the licence\n"
    "\n"
    "Without an argument the browser starts on the game folder in its settings, else\n"
    "on the game's own entry (the registry on Windows, the Wine prefix elsewhere), else\n"
    "on the first install of the game it finds, and asks only when there is none.\n";

}  // namespace

std::optional<QString> CTambrixApp::FolderArgument(const QStringList& arguments) {
    if (arguments.size() != 2) return std::nullopt;
    const QFileInfo folder(arguments[1]);
    if (!folder.isDir()) {
        // A file is FileArgument's; only a path that is neither is worth a word.
        if (!folder.exists())
            std::fprintf(stderr, "tambrix: \"%s\" was not found; starting on the saved game folder.\n",
                         qPrintable(arguments[1]));
        return std::nullopt;
    }
    return QDir::toNativeSeparators(QDir::cleanPath(folder.absoluteFilePath()));
}

std::optional<QString> CTambrixApp::FileArgument(const QStringList& arguments) {
    if (arguments.size() != 2) return std::nullopt;
    const QFileInfo file(arguments[1]);
    if (!file.exists() || file.isDir()) return std::nullopt;
    return QDir::toNativeSeparators(QDir::cleanPath(file.absoluteFilePath()));
}

std::optional<QString> CTambrixApp::InfoRequest(const QStringList& arguments) {
    if (arguments.size() != 2) return std::nullopt;
    if (arguments[1] == "--help" || arguments[1] == "-h") return QString(kUsage);
    if (arguments[1] == "--version") return QString("tambrix " TAMBRIX_VERSION "\n" TAMBRIX_VERSION_NOTICE);
    return std::nullopt;
}

bool CTambrixApp::InitInstance(const QStringList& arguments) {
    QCoreApplication::setOrganizationName(settings::kOrganisation);
    QCoreApplication::setApplicationName(settings::kApplication);
    // No display name: the windowing system would append it to every caption
    // ("Tambrix Settings - Tambrix"); each window names itself in full.

    // A file opens on its folder, which is the game folder for this run as a folder
    // argument is; the file is selected once the frame lists that folder.
    const std::optional<QString> file = FileArgument(arguments);
    const std::optional<QString> folder =
        file ? std::optional<QString>(QDir::toNativeSeparators(QFileInfo(*file).absolutePath()))
             : FolderArgument(arguments);
    mDoc = std::make_unique<CTambrixDoc>(folder);
    mFrame = std::make_unique<CMainFrame>(mDoc.get());
    connect(mFrame.get(), &CMainFrame::settingsRequested, this, &CTambrixApp::OnSettings);
    connect(mFrame.get(), &CMainFrame::aboutRequested, this, &CTambrixApp::OnAppAbout);
    mFrame->InitialUpdate();
    if (file) mFrame->BrowsePath(*file);

    CSplashWnd::EnableSplashScreen(mDoc->ShowSplashScreen());
    CSplashWnd::ShowSplashScreen(mFrame.get());
    mFrame->show();
    mFrame->repaint();
    return true;
}

void CTambrixApp::OnAppAbout() {
    CAboutDlg about(mFrame.get());
    about.exec();
}

void CTambrixApp::OnSettings() {
    CSettingsDlg dialog(mDoc.get(), mFrame.get());
    dialog.exec();
}

}  // namespace tambrix::app
