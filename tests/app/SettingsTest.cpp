// Start-up settings: the five stored values, the game's own entry read from a Wine
// prefix (the main window asking when it gives no folder), the command-line folder and
// the Settings dialog.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/CMainFrame.h"
#include "app/CSettingsDlg.h"
#include "app/CTambrixApp.h"
#include "app/CTambrixDoc.h"
#include "support/AppTestSupport.h"

using namespace tambrix::app;
using tambrix::app::testing::Sandbox;
using tambrix::app::testing::StoredSetting;
using tambrix::app::testing::StoreSetting;
using tambrix::platform::GameEntryState;

namespace {

// A Wine registry file as Wine writes it: keys relative to HKEY_LOCAL_MACHINE,
// backslashes doubled in key names and values.
QString systemReg(const QString& key, const QString& valueLine) {
    return QString(
               "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
               "[Software\\\\Microsoft\\\\Other] 1700000000\n\"SIMS_DATA\"=\"C:\\\\Wrong\"\n\n"
               "[%1] 1700000000\n#time=1d9a0c0e0a0b0c0\n%2\n\n"
               "[Software\\\\Zeta] 1700000000\n\"x\"=dword:00000001\n")
        .arg(key, valueLine);
}

const char* const kSimsKey = "Software\\\\Maxis\\\\The Sims";

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { mSandbox = std::make_unique<Sandbox>(); }
    void cleanup() { mSandbox.reset(); }

    void firstStartTurnsSwitchesOnAndTakesTheGameFolderFromWine() {
        QDir().mkpath(mSandbox->WinePrefix() + "/drive_c/Program Files/Maxis/The Sims");
        mSandbox->WriteSystemReg(systemReg(kSimsKey, "\"SIMS_DATA\"=\"C:\\\\program files\\\\maxis\\\\the sims\\\\\""));
        CTambrixDoc doc;
        QVERIFY(doc.PromptOnSave());
        QVERIFY(doc.ShowSplashScreen());
        QVERIFY(doc.SaveWindowPositions());
        QCOMPARE(doc.ExportPath(), QString());
        // Trailing backslash gone, case of each component resolved on disk.
        QCOMPARE(doc.SimsPath(), mSandbox->WinePrefix() + "/drive_c/Program Files/Maxis/The Sims");
        QVERIFY(mSandbox->messages.isEmpty());
        QVERIFY(doc.CurrentFolder().isEmpty());
        QVERIFY(doc.CurrentFile().isEmpty());
    }

    void storedSevenReadsAsOnAndIsWrittenBackAsOne() {
        StoreSetting("PromptOnSave", 7);
        StoreSetting("ShowSplashScreen", 0);
        StoreSetting("SaveWindowPositions", -1);  // the "absent" marker reads as on
        StoreSetting("SimsPath", "/games/sims");
        {
            CTambrixDoc doc;
            QVERIFY(doc.PromptOnSave());
            QVERIFY(!doc.ShowSplashScreen());
            QVERIFY(doc.SaveWindowPositions());
        }
        QCOMPARE(StoredSetting("PromptOnSave").toInt(), 1);
        QCOMPARE(StoredSetting("ShowSplashScreen").toInt(), 0);
        QCOMPARE(StoredSetting("SaveWindowPositions").toInt(), 1);
        QCOMPARE(StoredSetting("SimsPath").toString(), QString("/games/sims"));
    }

    void settingsSurviveARestart() {
        {
            StoreSetting("SimsPath", "/games/sims");
            CTambrixDoc doc;
            doc.SetExportPath("/tmp/exports");
            doc.SetPromptOnSave(false);
        }
        CTambrixDoc again;
        QCOMPARE(again.ExportPath(), QString("/tmp/exports"));
        QVERIFY(!again.PromptOnSave());
        QVERIFY(again.ShowSplashScreen());
    }

    void wow6432NodeEntryIsFound() {
        QDir().mkpath(mSandbox->WinePrefix() + "/dosdevices/d:/Sims");
        mSandbox->WriteSystemReg(
            systemReg("Software\\\\Wow6432Node\\\\Maxis\\\\The Sims", "\"SIMS_DATA\"=str(2):\"D:\\\\Sims\""));
        CTambrixDoc doc;
        QCOMPARE(doc.SimsPath(), mSandbox->WinePrefix() + "/dosdevices/d:/Sims");
    }

    // The document only looks; the main window asks, for a missing key and for a key
    // without its value alike (a value leading to no folder counts as a missing key).
    void missingGameFolderIsAskedForByTheMainWindow_data() {
        QTest::addColumn<QString>("valueLine");  ///< under the game's key; empty: no registry
        QTest::addColumn<QString>("chosen");     ///< the folder the user picks; empty: cancelled
        QTest::addColumn<int>("lookup");
        QTest::addColumn<QString>("expected");  ///< the game folder after the start, under the sandbox
        const int keyMissing = int(GameEntryState::kKeyMissing);
        QTest::newRow("no key") << ""
                                << "chosen" << keyMissing << "chosen";
        QTest::newRow("no key, cancelled") << ""
                                           << "" << keyMissing << "";
        QTest::newRow("key without value") << "\"Version\"=\"1.0\""
                                           << "chosen" << int(GameEntryState::kValueMissing) << "chosen";
        QTest::newRow("value leading nowhere") << "\"SIMS_DATA\"=\"Q:\\\\Nowhere\""
                                               << "chosen" << keyMissing << "chosen";
        QTest::newRow("found") << "\"SIMS_DATA\"=\"C:\\\\Sims\""
                               << "chosen" << int(GameEntryState::kFound) << "wine/drive_c/Sims";
    }
    void missingGameFolderIsAskedForByTheMainWindow() {
        QFETCH(QString, valueLine);
        QFETCH(QString, chosen);
        QFETCH(int, lookup);
        QFETCH(QString, expected);
        QDir().mkpath(mSandbox->WinePrefix() + "/drive_c/Sims");
        if (!valueLine.isEmpty()) mSandbox->WriteSystemReg(systemReg(kSimsKey, valueLine));
        if (!chosen.isEmpty()) mSandbox->browseAnswer = mSandbox->MakeFolder(chosen);
        const bool asked = lookup != int(GameEntryState::kFound);
        const QString folder = expected.isEmpty() ? QString() : mSandbox->Root() + "/" + expected;
        {
            CTambrixDoc doc;
            QCOMPARE(int(doc.GameFolderLookup().value()), lookup);
            QCOMPARE(doc.NeedsGameFolder(), asked);
            QVERIFY(mSandbox->messages.isEmpty() && mSandbox->browseTitles.isEmpty());
            CMainFrame frame(&doc);
            frame.InitialUpdate();
            QCOMPARE(mSandbox->messages.size(), asked ? 1 : 0);
            if (asked) {
                QVERIFY(mSandbox->messages[0].startsWith("Could not open the registry entry for The Sims.\n\n"));
                QVERIFY(mSandbox->messages[0].endsWith("This information will be saved for future use."));
                QCOMPARE(mSandbox->browseTitles, QStringList{"Choose the location where The Sims is installed"});
            }
            QCOMPARE(doc.SimsPath(), folder);
        }
        QCOMPARE(StoredSetting("SimsPath").toString(), folder);
    }

    void storedGameFolderSkipsTheLookup() {
        StoreSetting("SimsPath", "/kept");
        CTambrixDoc doc;
        QCOMPARE(doc.SimsPath(), QString("/kept"));
        QVERIFY(!doc.GameFolderLookup() && !doc.NeedsGameFolder());
    }

    void commandLineFolderIsUsedButNotSaved() {
        StoreSetting("SimsPath", "/stored");
        const QString demo = mSandbox->MakeFolder("demo");
        const auto argument = CTambrixApp::FolderArgument({"tambrix", demo});
        QVERIFY(argument.has_value());
        {
            CTambrixDoc doc(argument);
            QCOMPARE(doc.SimsPath(), QDir::toNativeSeparators(demo));
        }
        QCOMPARE(StoredSetting("SimsPath").toString(), QString("/stored"));
        // Without a stored folder, the command line spares the user the question too.
        StoreSetting("SimsPath", "");
        {
            CTambrixDoc doc(argument);
            QVERIFY(mSandbox->messages.isEmpty());
        }
        QCOMPARE(StoredSetting("SimsPath").toString(), QString());
    }

    void folderChosenInSettingsIsSavedEvenAfterACommandLineFolder() {
        const QString demo = mSandbox->MakeFolder("demo");
        {
            CTambrixDoc doc(demo);
            doc.SetSimsPath("/picked");
        }
        QCOMPARE(StoredSetting("SimsPath").toString(), QString("/picked"));
    }

    void onlyALoneExistingFolderCountsAsArgument() {
        const QString demo = mSandbox->MakeFolder("demo");
        const QString file = mSandbox->MakeFile(demo, "a.iff");
        QVERIFY(!CTambrixApp::FolderArgument({"tambrix"}).has_value());
        QVERIFY(!CTambrixApp::FolderArgument({"tambrix", demo, demo}).has_value());
        QVERIFY(!CTambrixApp::FolderArgument({"tambrix", file}).has_value());
        QVERIFY(!CTambrixApp::FolderArgument({"tambrix", demo + "/missing"}).has_value());
    }

    void settingsDialogCopiesInAndOut() {
        StoreSetting("SimsPath", "/sims");
        StoreSetting("ExportPath", "/out");
        StoreSetting("PromptOnSave", 0);
        CTambrixDoc doc;
        {
            CSettingsDlg dialog(&doc);
            QCOMPARE(dialog.windowTitle(), QString("Tambrix Settings"));
            QCOMPARE(dialog.SimsPathEdit()->text(), QString("/sims"));
            QCOMPARE(dialog.ExportPathEdit()->text(), QString("/out"));
            QVERIFY(!dialog.PromptOnSaveCheck()->isChecked());
            QVERIFY(dialog.ShowSplashCheck()->isChecked());
            QVERIFY(dialog.SaveWindowPositionsCheck()->isChecked());
            QCOMPARE(dialog.PromptOnSaveCheck()->text(), QString("Prompt on Save Image"));
            QCOMPARE(dialog.ShowSplashCheck()->text(), QString("Show Splash Screen on Startup"));
            QCOMPARE(dialog.SaveWindowPositionsCheck()->text(), QString("Save Window Positions on Close"));
            dialog.SimsPathEdit()->setText("/other");
            dialog.ShowSplashCheck()->setChecked(false);
            dialog.reject();
        }
        QCOMPARE(doc.SimsPath(), QString("/sims"));
        QVERIFY(doc.ShowSplashScreen());
        {
            CSettingsDlg dialog(&doc);
            dialog.SimsPathEdit()->setText("/other");
            dialog.ExportPathEdit()->setText("/exports");
            dialog.PromptOnSaveCheck()->setChecked(true);
            dialog.ShowSplashCheck()->setChecked(false);
            dialog.SaveWindowPositionsCheck()->setChecked(false);
            dialog.accept();
        }
        QCOMPARE(doc.SimsPath(), QString("/other"));
        QCOMPARE(doc.ExportPath(), QString("/exports"));
        QVERIFY(doc.PromptOnSave());
        QVERIFY(!doc.ShowSplashScreen());
        QVERIFY(!doc.SaveWindowPositions());
        // Nothing reaches the store before the document goes.
        QCOMPARE(StoredSetting("SimsPath").toString(), QString("/sims"));
    }

    void browseButtonsFillOrEmptyTheirEdits() {
        StoreSetting("SimsPath", "/sims");
        StoreSetting("ExportPath", "/out");
        CTambrixDoc doc;
        CSettingsDlg dialog(&doc);
        mSandbox->browseAnswer = QString("/browsed");
        dialog.BrowseSimsButton()->click();
        QCOMPARE(dialog.SimsPathEdit()->text(), QString("/browsed"));
        mSandbox->browseAnswer.reset();
        dialog.BrowseExportButton()->click();
        QCOMPARE(dialog.ExportPathEdit()->text(), QString());
        QCOMPARE(mSandbox->browseTitles,
                 (QStringList{CSettingsDlg::kBrowseSimsTitle, CSettingsDlg::kBrowseExportTitle}));
    }

private:
    std::unique_ptr<Sandbox> mSandbox;
};

QTEST_MAIN(SettingsTest)
#include "SettingsTest.moc"
