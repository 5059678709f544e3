// Start-up: the stored settings, the game folder from the game's registry entry in the
// Wine prefix (the main window asking when there is none), the command-line folder and the
// splash window.

#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "app/shell/CMainFrame.h"
#include "app/shell/CSplashWnd.h"
#include "app/shell/CTambrixApp.h"
#include "app/shell/CTambrixDoc.h"
#include "support/AppTestSupport.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;
using tambrix::platform::GameEntryState;

/// The game's registry key and value line in the Wine prefix (no value: no registry file), the
/// folder picked when asked (none: cancelled), the lookup's outcome (-1: none, the folder being
/// stored), the game folder then, under the sandbox, and an install to make there first (a
/// folder given GameData; none: no install).
struct Lookup {
    QString tag, key, value, chosen;
    int lookup;
    QString expected;
    QString install = {};
};

Q_DECLARE_METATYPE(Lookup)

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void init() { mSandbox = std::make_unique<Sandbox>(); }
    void cleanup() {
        CSplashWnd::HideSplashScreen();
        CSplashWnd::EnableSplashScreen(false);
        mSandbox.reset();
    }

    // A switch stored as any non-zero value, or as the "absent" marker -1, reads as on and
    // is written back as 1; the other settings come back as they went.
    void settingsSurviveARestart() {
        const char* const keys[] = {"PromptOnSave", "ShowSplashScreen", "SaveWindowPositions"};
        for (int i = 0; i < 3; ++i) StoreSetting(keys[i], QList<int>{7, 0, -1}[i]);
        StoreSetting("SimsPath", "/games/sims");
        {
            CTambrixDoc doc;
            QVERIFY(doc.PromptOnSave() && !doc.ShowSplashScreen() && doc.SaveWindowPositions());
            doc.SetExportPath("/tmp/exports");
        }
        for (int i = 0; i < 3; ++i) QCOMPARE(StoredSetting(keys[i]).toInt(), i == 1 ? 0 : 1);
        CTambrixDoc again;
        QCOMPARE(again.SimsPath() + again.ExportPath(), QString("/games/sims/tmp/exports"));
    }

    // The game's entry (either key; a trailing backslash dropped, each component's case
    // found on disk); a missing key, a key without the value, a value leading nowhere and
    // a cancelled question alike make the main window ask; a stored folder skips it all.
    void gameFolderLookup_data() {
        QTest::addColumn<Lookup>("row");
        const QString sims = "Software\\\\Maxis\\\\The Sims", wow = "Software\\\\Wow6432Node\\\\Maxis\\\\The Sims";
        const QString steam = ".local/share/Steam/steamapps/common/The Sims Legacy Collection";
        const int missing = int(GameEntryState::kKeyMissing), found = int(GameEntryState::kFound);
        const Lookup rows[] = {
            {"found", sims, "\"SIMS_DATA\"=\"C:\\\\program files\\\\maxis\\\\the sims\\\\\"", "x", found,
             "wine/drive_c/Program Files/Maxis/The Sims"},
            {"Wow6432Node", wow, "\"SIMS_DATA\"=str(2):\"D:\\\\Sims\"", "x", found, "wine/dosdevices/d:/Sims"},
            {"no key", sims, "", "chosen", missing, "chosen"},
            {"no key, cancelled", sims, "", "", missing, ""},
            {"key without value", sims, "\"Version\"=\"1.0\"", "chosen", int(GameEntryState::kValueMissing), "chosen"},
            {"value leading nowhere", sims, "\"SIMS_DATA\"=\"Q:\\\\Nowhere\"", "chosen", missing, "chosen"},
            {"stored", sims, "", "x", -1, "stored"},
            // Without the game's entry the first install found is taken, asking nothing.
            {"no key, an install", sims, "", "x", missing, steam, steam},
            {"key without value, installs", sims, "\"Version\"=\"1.0\"", "x", int(GameEntryState::kValueMissing), steam,
             steam + ";wine/drive_c/Program Files/Maxis/The Sims"},
            {"the entry before an install", sims, "\"SIMS_DATA\"=\"D:\\\\Sims\"", "x", found, "wine/dosdevices/d:/Sims",
             steam},
            {"the stored folder before an install", sims, "", "x", -1, "stored", steam}};
        for (const Lookup& row : rows) QTest::newRow(qPrintable(row.tag)) << row;
    }
    void gameFolderLookup() {
        QFETCH(Lookup, row);
        const auto& [tag, key, value, chosen, lookup, expected, install] = row;
        for (const QString& folder : install.split(';', Qt::SkipEmptyParts)) mSandbox->MakeFolder(folder + "/GameData");
        QDir().mkpath(mSandbox->WinePrefix() + "/drive_c/Program Files/Maxis/The Sims");
        QDir().mkpath(mSandbox->WinePrefix() + "/dosdevices/d:/Sims");
        // As Wine writes it: keys relative to HKEY_LOCAL_MACHINE, backslashes doubled.
        if (!value.isEmpty())
            mSandbox->MakeFile(mSandbox->WinePrefix(), "system.reg", 0,
                               QString("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
                                       "[Software\\\\Microsoft\\\\Other] 1700000000\n\"SIMS_DATA\"=\"C:\\\\Wrong\"\n\n"
                                       "[%1] 1700000000\n#time=1d9a0c0e0a0b0c0\n%2\n\n[Software\\\\Zeta] 1700000000\n")
                                   .arg(key, value)
                                   .toUtf8());
        if (!chosen.isEmpty()) mSandbox->browseAnswer = mSandbox->MakeFolder(chosen);
        if (lookup < 0) StoreSetting("SimsPath", mSandbox->MakeFolder(expected));
        const bool asked = lookup >= 0 && lookup != int(GameEntryState::kFound) && install.isEmpty();
        const QString folder = expected.isEmpty() ? QString() : mSandbox->Root() + "/" + expected;
        {
            CTambrixDoc doc;
            QCOMPARE(doc.GameFolderLookup() ? int(*doc.GameFolderLookup()) : -1, lookup);
            QCOMPARE(doc.NeedsGameFolder(), asked);
            QCOMPARE(doc.StartInstall().has_value(), lookup >= 0 && lookup != int(GameEntryState::kFound) && !asked);
            QVERIFY(mSandbox->messages.isEmpty() && mSandbox->browseTitles.isEmpty());
            CMainFrame frame(&doc);
            frame.InitialUpdate();
            QCOMPARE(mSandbox->messages.size(), asked ? 1 : 0);
            if (asked) {
                QVERIFY(mSandbox->messages[0].startsWith("Could not open the registry entry for The Sims.\n\n"));
                QCOMPARE(mSandbox->browseTitles, QStringList{"Choose the location where The Sims is installed"});
            }
            QCOMPARE(doc.SimsPath(), folder);
        }
        QCOMPARE(StoredSetting("SimsPath").toString(), folder);
    }

    // A lone existing folder on the command line is the game folder for this run only,
    // asking nothing; one chosen in Settings afterwards is saved.
    void commandLineFolderIsUsedButNotSaved() {
        const QString demo = mSandbox->MakeFolder("demo"), file = mSandbox->MakeFile(demo, "a.iff");
        for (const QStringList& arguments : {QStringList{"tambrix"}, QStringList{"tambrix", demo, demo},
                                             QStringList{"tambrix", file}, QStringList{"tambrix", demo + "/missing"}})
            QVERIFY(!CTambrixApp::FolderArgument(arguments).has_value());
        CTambrixDoc doc(CTambrixApp::FolderArgument({"tambrix", demo}));
        QCOMPARE(doc.SimsPath(), demo);
        QVERIFY(!doc.NeedsGameFolder());
        doc.SaveSettings();
        QCOMPARE(StoredSetting("SimsPath").toString(), QString());
        doc.SetSimsPath("/picked");
        doc.SaveSettings();
        QCOMPARE(StoredSetting("SimsPath").toString(), QString("/picked"));
    }

    // At start the splash shows over the frame (one at a time), unless switched off.
    void splashAtStart_data() {
        QTest::addColumn<int>("stored");
        QTest::newRow("on") << 1;
        QTest::newRow("off") << 0;
    }
    void splashAtStart() {
        QFETCH(int, stored);
        StoreSetting("SimsPath", mSandbox->MakeFolder("sims"));
        StoreSetting("ShowSplashScreen", stored);
        {
            CTambrixApp app;
            QVERIFY(app.InitInstance({"tambrix"}));
            QVERIFY(app.Frame()->isVisible());
            CSplashWnd* splash = CSplashWnd::Current();
            QCOMPARE(splash != nullptr, stored == 1);
            QCOMPARE(splash ? splash->parentWidget() : app.Frame(), app.Frame());
            CSplashWnd::ShowSplashScreen(app.Frame());
            QCOMPARE(CSplashWnd::Current(), splash);
            app.Doc()->SetExportPath("/exports");
        }
        QCOMPARE(StoredSetting("ExportPath").toString(), QString("/exports"));  // saved on closing
    }

    // The splash goes by itself; a click or a key hides it and goes no further, the next
    // one arrives.
    void splashGoesAndSwallowsInput_data() {
        QTest::addColumn<int>("input");
        QTest::newRow("none") << 0;
        QTest::newRow("click") << 1;
        QTest::newRow("key") << 2;
    }
    void splashGoesAndSwallowsInput() {
        QFETCH(int, input);
        CSplashWnd::EnableSplashScreen(true);
        QWidget owner;
        auto* button = new QPushButton("under", &owner);
        owner.show();
        button->setFocus();
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
        CSplashWnd::ShowSplashScreen(&owner);
        QVERIFY(CSplashWnd::Current());
        auto press = [&] {
            if (input == 1) QTest::mouseClick(button, Qt::LeftButton);
            if (input == 2) QTest::keyClick(button, Qt::Key_Space);
        };
        press();
        QCOMPARE(clicks, 0);
        QTRY_VERIFY_WITH_TIMEOUT(CSplashWnd::Current() == nullptr, 10000);
        press();
        QCOMPARE(clicks, input ? 1 : 0);
    }

private:
    std::unique_ptr<Sandbox> mSandbox;
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
