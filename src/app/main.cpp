// tambrix: the browser. Optional argument: a folder to browse instead of the game's
// installation folder (for this run only), or a file to show selected in its folder.
// --help and --version answer on stdout without opening a window, so that they work
// without a display.

#include <QApplication>
#include <cstdio>

#include "app/shell/CTambrixApp.h"

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<QString> info = tambrix::app::CTambrixApp::InfoRequest(arguments)) {
        std::fputs(info->toLocal8Bit().constData(), stdout);
        return 0;
    }
    QApplication application(argc, argv);
    tambrix::app::CTambrixApp tambrixApp;
    if (!tambrixApp.InitInstance(QApplication::arguments())) return 1;
    return QApplication::exec();
}
