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

namespace tambrix::app {

CTambrixApp::CTambrixApp() = default;

CTambrixApp::~CTambrixApp() {
    CSplashWnd::HideSplashScreen();
    mFrame.reset();
    mDoc.reset();
}

std::optional<QString> CTambrixApp::FolderArgument(const QStringList& arguments) {
    if (arguments.size() != 2) return std::nullopt;
    const QFileInfo folder(arguments[1]);
    if (!folder.isDir()) {
        std::fprintf(stderr, "tambrix: \"%s\" is not a folder; starting on the saved game folder.\n",
                     qPrintable(arguments[1]));
        return std::nullopt;
    }
    return QDir::toNativeSeparators(QDir::cleanPath(folder.absoluteFilePath()));
}

bool CTambrixApp::InitInstance(const QStringList& arguments) {
    QCoreApplication::setOrganizationName(settings::kOrganisation);
    QCoreApplication::setApplicationName(settings::kApplication);
    // No display name: the windowing system would append it to every caption
    // ("Tambrix Settings - Tambrix"); each window names itself in full.

    mDoc = std::make_unique<CTambrixDoc>(FolderArgument(arguments));
    mFrame = std::make_unique<CMainFrame>(mDoc.get());
    connect(mFrame.get(), &CMainFrame::settingsRequested, this, &CTambrixApp::OnSettings);
    connect(mFrame.get(), &CMainFrame::aboutRequested, this, &CTambrixApp::OnAppAbout);
    mFrame->InitialUpdate();

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
