// tambrix: the browser. Optional argument: a folder to browse instead of the game's
// installation folder (for this run only).

#include <QApplication>

#include "app/shell/CTambrixApp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    tambrix::app::CTambrixApp tambrixApp;
    if (!tambrixApp.InitInstance(QApplication::arguments())) return 1;
    return QApplication::exec();
}
