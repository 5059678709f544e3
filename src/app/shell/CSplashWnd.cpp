#include "app/shell/CSplashWnd.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "app/shell/AppArt.h"

namespace tambrix::app {

namespace {

bool gSplashEnabled = false;
CSplashWnd* gSplash = nullptr;

bool isPress(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick: return true;
        default: return false;
    }
}

}  // namespace

void CSplashWnd::EnableSplashScreen(bool enable) { gSplashEnabled = enable; }

CSplashWnd* CSplashWnd::Current() { return gSplash; }

void CSplashWnd::ShowSplashScreen(QWidget* owner) {
    if (!gSplashEnabled || gSplash != nullptr) return;
    gSplash = new CSplashWnd(owner);
    gSplash->show();
}

void CSplashWnd::HideSplashScreen() {
    if (gSplash == nullptr) return;
    QPointer<QWidget> owner = gSplash->mOwner;
    delete gSplash;  // clears gSplash
    if (owner) owner->repaint();
}

CSplashWnd::CSplashWnd(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint), mPicture(art::SplashPicture()), mOwner(owner) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCursor(Qt::ArrowCursor);
    setFixedSize(mPicture.size());
    const QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) move(screen->geometry().center() - rect().center());
    mTimer = new QTimer(this);
    mTimer->setSingleShot(true);
    connect(mTimer, &QTimer::timeout, this, [] { HideSplashScreen(); });
    mTimer->start(kShowMilliseconds);
    qApp->installEventFilter(this);
}

CSplashWnd::~CSplashWnd() {
    qApp->removeEventFilter(this);
    gSplash = nullptr;
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, mPicture);
}

bool CSplashWnd::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Claimed, so that no shortcut fires; the key press that follows ends the splash.
        event->accept();
        return true;
    }
    if (!isPress(event->type()) || !watched->isWidgetType()) return QWidget::eventFilter(watched, event);
    // The press only ends the splash; nothing beneath it sees the press. The window is
    // deleted later, as Qt is still delivering to it.
    qApp->removeEventFilter(this);
    QTimer::singleShot(0, [] { HideSplashScreen(); });
    hide();
    return true;
}

}  // namespace tambrix::app
