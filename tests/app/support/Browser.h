#pragma once

// The browser as a test drives it: a document on a given game folder and its main
// frame with every pane built, never shown unless the test shows it.

#include <QString>
#include <memory>

#include "app/browsing/CFolderView.h"
#include "app/shell/CMainFrame.h"
#include "app/browsing/CObjectView.h"
#include "app/shell/CTambrixDoc.h"
#include "app/browsing/CTambrixView.h"

namespace tambrix::app::testing {

struct Browser {
    explicit Browser(const QString& simsPath)
        : doc(std::make_unique<CTambrixDoc>(simsPath)), frame(std::make_unique<CMainFrame>(doc.get())) {
        frame->InitialUpdate();
    }

    /// Selects a folder in the tree as the user would; false when it is not there.
    bool SelectFolder(const QString& path) {
        QTreeWidgetItem* item = Tree()->ItemForPath(path);
        if (item) Tree()->setCurrentItem(item);
        return item != nullptr;
    }
    /// Selects a row of the file list as the user would.
    void SelectFile(const QString& name) {
        for (int row = 0; row < List()->RowCount(); ++row)
            if (List()->FileAt(row) == name) List()->SelectRow(row);
    }

    CFolderView* Tree() const { return frame->FolderView(); }
    CTambrixView* List() const { return frame->FileList(); }
    CObjectView* Form() const { return frame->ObjectView(); }

    std::unique_ptr<CTambrixDoc> doc;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace tambrix::app::testing
