#pragma once

// The user guide: one page shipped inside the program (nothing is fetched or installed
// beside it), shown in a window of its own that stays open beside the browser.

#include <QWidget>

class QTextBrowser;

namespace tambrix::app {

class CHelpWnd : public QWidget {
    Q_OBJECT
public:
    /// Where the guide lies among the application's resources.
    static constexpr const char* kGuide = "qrc:/help/guide.html";
    static constexpr const char* kTitle = "Tambrix User Guide";

    explicit CHelpWnd(QWidget* parent = nullptr);
    QTextBrowser* Page() const { return mPage; }

private:
    QTextBrowser* mPage;
};

}  // namespace tambrix::app
