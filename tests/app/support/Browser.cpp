#include "support/Browser.h"

namespace tambrix::app::testing {

Browser::Browser(const QString& simsPath) {
    doc = std::make_unique<CTambrixDoc>(simsPath);
    frame = std::make_unique<CMainFrame>(doc.get());
    frame->InitialUpdate();
}

Browser::~Browser() {
    frame.reset();
    doc.reset();
}

bool Browser::SelectFolder(const QString& path) {
    QTreeWidgetItem* item = Tree()->ItemForPath(path);
    if (!item) return false;
    Tree()->setCurrentItem(item);
    return true;
}

void Browser::SelectFile(const QString& name) {
    for (int row = 0; row < List()->RowCount(); ++row)
        if (List()->FileAt(row) == name) List()->SelectRow(row);
}

}  // namespace tambrix::app::testing
