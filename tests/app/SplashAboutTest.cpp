// The splash window at start and the About box.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CSplashWnd.h"
#include "app/CTambrixApp.h"
#include "app/CTambrixDoc.h"
#include "support/AppTestSupport.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

class SplashAboutTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        StoreSetting("SimsPath", mSandbox->MakeFolder("sims"));
    }
    void cleanup() {
        CSplashWnd::HideSplashScreen();
        CSplashWnd::EnableSplashScreen(false);
        mSandbox.reset();
    }

    void splashIsNotCreatedWhenSwitchedOff() {
        StoreSetting("ShowSplashScreen", 0);
        CTambrixApp app;
        QVERIFY(app.InitInstance({"tambrix"}));
        QVERIFY(CSplashWnd::Current() == nullptr);
        QVERIFY(app.Frame()->isVisible());
    }

    void splashShowsOverTheFrameAtStart() {
        CTambrixApp app;
        QVERIFY(app.InitInstance({"tambrix"}));
        CSplashWnd* splash = CSplashWnd::Current();
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->parentWidget(), app.Frame());
        // Only one at a time.
        CSplashWnd::ShowSplashScreen(app.Frame());
        QCOMPARE(CSplashWnd::Current(), splash);
    }

    void splashGoesByItself() {
        CSplashWnd::EnableSplashScreen(true);
        QWidget owner;
        CSplashWnd::ShowSplashScreen(&owner);
        QVERIFY(CSplashWnd::Current());
        QTRY_VERIFY_WITH_TIMEOUT(CSplashWnd::Current() == nullptr, 10000);
    }

    void clickHidesTheSplashAndIsSwallowed() {
        CSplashWnd::EnableSplashScreen(true);
        QWidget owner;
        auto* button = new QPushButton("under", &owner);
        owner.show();
        int clicks = 0;
        connect(button, &QPushButton::pressed, [&clicks] { ++clicks; });
        CSplashWnd::ShowSplashScreen(&owner);
        QVERIFY(CSplashWnd::Current());
        QTest::mousePress(button, Qt::LeftButton);
        QTest::mouseRelease(button, Qt::LeftButton);
        QCOMPARE(clicks, 0);
        QTRY_VERIFY(CSplashWnd::Current() == nullptr);
        // Afterwards presses reach the window again.
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }

    void keyHidesTheSplashAndIsSwallowed() {
        CSplashWnd::EnableSplashScreen(true);
        QWidget owner;
        auto* edit = new QLineEdit(&owner);
        owner.show();
        edit->setFocus();
        CSplashWnd::ShowSplashScreen(&owner);
        QTest::keyClick(edit, Qt::Key_A);
        QCOMPARE(edit->text(), QString());
        QTRY_VERIFY(CSplashWnd::Current() == nullptr);
        QTest::keyClick(edit, Qt::Key_B);
        QCOMPARE(edit->text(), QString("b"));
    }

    void captionsCarryNoAppendedApplicationName() {
        StoreSetting("ShowSplashScreen", 0);
        CTambrixApp app;
        QVERIFY(app.InitInstance({"tambrix"}));
        QCOMPARE(app.Frame()->windowTitle(), QString("Tambrix"));
        // The windowing system appends a pinned display name to every caption that does
        // not end with it ("Tambrix Settings - Tambrix"); unpinned, the display name just
        // follows the application name.
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName("Tambrix Settings");
        const QString displayName = QGuiApplication::applicationDisplayName();
        QCoreApplication::setApplicationName(name);
        QCOMPARE(displayName, QString("Tambrix Settings"));
    }

    void aboutBoxCarriesItsTexts() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QString("About Tambrix"));
        QStringList texts;
        for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
        QVERIFY(texts.contains("Tambrix"));
        QVERIFY(texts.contains("Version 1.1.0"));
        QVERIFY(texts.contains(CAboutDlg::kThirdLine));
        QVERIFY(texts.contains(
            "The Sims and Living Large are trademarks of Maxis.\nWindows is a trademark of Microsoft Corporation."));
        QPushButton* ok = about.findChild<QPushButton*>();
        QVERIFY(ok);
        about.show();
        ok->click();
        QVERIFY(!about.isVisible());
    }

    void closingTheApplicationSavesTheSettings() {
        {
            CTambrixApp app;
            QVERIFY(app.InitInstance({"tambrix"}));
            app.Doc()->SetExportPath("/exports");
        }
        QCOMPARE(StoredSetting("ExportPath").toString(), QString("/exports"));
    }

private:
    std::unique_ptr<Sandbox> mSandbox;
};

QTEST_MAIN(SplashAboutTest)
#include "SplashAboutTest.moc"
