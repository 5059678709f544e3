// Takes pictures of the main window for people to look at: the browser opened on a
// folder, one picture per file named on the command line, after selecting that file's
// folder in the tree and the file in the list. A file may be followed by "@N" (the form
// shows view N) or be the word "large-icons" (the list switches to Large Icons and the
// picture waits for the thumbnails) or "search:WORDS[@N]" (the words typed into the search
// box, result N (0, the first, by default) chosen once the index is built and the
// thumbnails drawn).
//   tambrix-shots <game folder> <output folder> <file relative to the game folder>[@N]...
// A file that names the game folder itself ("./x.iff") is selected from the root item.
// TAMBRIX_SHOT_STYLE (0 large icons, 1 small icons, 2 list, 3 details) picks the list's
// style, TAMBRIX_SHOT_ZOOM (0 fit, 1 100%, 2 200%, 3 400%) the picture's zoom. Run it on a
// real display or under xvfb-run; settings stay in a temporary folder.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/search/CSearchPanel.h"
#include "app/shell/CSplashWnd.h"
#include "app/search/GameSearch.h"
#include "support/AppTestSupport.h"
#include "app/browsing/ThumbnailProvider.h"
#include "support/Browser.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

void settle(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: tambrix-shots <game folder> <output folder> <file>...\n");
        return 2;
    }
    Sandbox sandbox;
    const QString sims = QDir(arguments[1]).absolutePath();
    const QString output = QDir(arguments[2]).absolutePath();
    QDir().mkpath(output);
    Browser browser(sims);
    bool styled = false;
    const int style = qEnvironmentVariableIntValue("TAMBRIX_SHOT_STYLE", &styled);
    if (styled && browser.frame->StyleAction(style)) browser.frame->StyleAction(style)->trigger();
    bool zoomed = false;
    const int zoom = qEnvironmentVariableIntValue("TAMBRIX_SHOT_ZOOM", &zoomed);
    if (zoomed && zoom >= 0 && zoom <= 3) browser.Form()->SetZoom(static_cast<PictureZoom>(zoom));
    browser.frame->show();
    settle(300);
    int failures = 0;
    for (int i = 3; i < arguments.size(); ++i) {
        if (arguments[i] == "large-icons") {
            browser.List()->SetStyle(CTambrixView::ViewStyle::Icon);
            for (int wait = 0; wait < 100 && browser.List()->Thumbnails()->Busy(); ++wait) settle(100);
            settle(300);
            const QString target = output + "/large-icons.png";
            if (!browser.frame->screen()->grabWindow(browser.frame->winId()).save(target)) ++failures;
            std::printf("large icons -> %s\n", qPrintable(target));
            browser.List()->SetStyle(CTambrixView::ViewStyle::Report);
            continue;
        }
        if (arguments[i].startsWith("search:")) {
            CSearchPanel* panel = browser.frame->SearchPanel();
            panel->Box()->setFocus();
            const QStringList search = arguments[i].mid(7).split('@');
            panel->Box()->setText(search[0]);
            for (int wait = 0; wait < 600 && !panel->Search()->Refreshed(); ++wait) settle(100);
            panel->FindNow();
            panel->SelectResult(search.size() > 1 ? search[1].toInt() : 0);
            for (int wait = 0; wait < 100 && panel->Thumbnails()->Busy(); ++wait) settle(100);
            settle(300);
            const QString target = output + "/search-" + QString(search[0]).simplified().replace(' ', '-') + ".png";
            if (!browser.frame->screen()->grabWindow(browser.frame->winId()).save(target)) ++failures;
            std::printf("%s -> %s (%s)\n", qPrintable(arguments[i]), qPrintable(target), qPrintable(panel->Note()->text()));
            panel->Box()->clear();
            continue;
        }
        const QStringList parts = arguments[i].split('@');
        const QFileInfo file(QDir(sims).filePath(parts[0]));
        if (!browser.SelectFolder(file.absolutePath())) {
            std::fprintf(stderr, "no folder in the tree for %s\n", qPrintable(arguments[i]));
            ++failures;
            continue;
        }
        browser.SelectFile(file.fileName());
        if (parts.size() > 1) {
            // From view 10, zoom out fully, then turn and zoom in to reach the view asked for.
            const int view = parts[1].toInt();
            for (int step = 0; step < 2; ++step) browser.Form()->StepView(art::ViewStep::ZoomOut);
            for (int step = 0; step < 4; ++step)
                if (browser.Form()->View() % 4 != view % 4) browser.Form()->StepView(art::ViewStep::RotateRight);
            for (int step = 0; step < view / 4; ++step) browser.Form()->StepView(art::ViewStep::ZoomIn);
        }
        settle(300);
        const QPixmap shot = browser.frame->screen()->grabWindow(browser.frame->winId());
        const QString target = output + "/" + qEnvironmentVariable("TAMBRIX_SHOT_PREFIX") + file.completeBaseName() +
                               "-" + file.suffix() + (parts.size() > 1 ? "-view" + parts[1] : QString()) + ".png";
        if (!shot.save(target)) ++failures;
        std::printf("%s -> %s (current file %s)\n", qPrintable(arguments[i]), qPrintable(target),
                    qPrintable(browser.doc->CurrentFile()));
    }
    return failures == 0 ? 0 : 1;
}
