#pragma once

// The splash picture shown over the main frame at start. At most one exists; it
// goes after 1.5 seconds or at the first key or mouse press, which it swallows.

#include <QPixmap>
#include <QWidget>

class QTimer;

namespace tambrix::app {

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShowMilliseconds = 1500;

    /// The process-wide switch, set from ShowSplashScreen before the splash is asked for.
    static void EnableSplashScreen(bool enable);
    /// Shows the splash over `owner` when enabled and none exists yet.
    static void ShowSplashScreen(QWidget* owner);
    /// The splash now shown, or null.
    static CSplashWnd* Current();
    /// Hides the splash (if any) and repaints its owner.
    static void HideSplashScreen();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CSplashWnd(QWidget* owner);
    ~CSplashWnd() override;

    QPixmap mPicture;
    QWidget* mOwner;
    QTimer* mTimer;
};

}  // namespace tambrix::app
