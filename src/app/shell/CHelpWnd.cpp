#include "app/shell/CHelpWnd.h"

#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/shell/AppArt.h"

namespace tambrix::app {

namespace {

const QSize kInitialSize(640, 720);

}  // namespace

CHelpWnd::CHelpWnd(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(kTitle);
    setWindowIcon(art::ApplicationIcon());
    mPage = new QTextBrowser(this);
    // Links to web pages open in the desktop's browser; the guide's own anchors in place.
    mPage->setOpenExternalLinks(true);
    mPage->setSource(QUrl(kGuide));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mPage);
    resize(kInitialSize);
}

}  // namespace tambrix::app
