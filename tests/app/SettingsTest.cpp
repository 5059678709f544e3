// Start-up settings: the five stored values, the game's own entry read from a Wine
// prefix, the command-line folder and the Settings dialog.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/CSettingsDlg.h"
#include "app/CTambrixApp.h"
#include "app/CTambrixDoc.h"
#include "app/GameInstallEntry.h"
#include "support/AppTestSupport.h"

using namespace tambrix::app;
using tambrix::app::testing::Sandbox;
using tambrix::app::testing::StoredSetting;
using tambrix::app::testing::StoreSetting;

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

    void missingKeyAsksAndKeepsTheChosenFolder() {
        mSandbox->browseAnswer = QString("/chosen/sims");
        {
            CTambrixDoc doc;
            QCOMPARE(mSandbox->messages.size(), 1);
            QVERIFY(mSandbox->messages[0].startsWith("Could not open the registry entry for The Sims.\n\n"));
            QVERIFY(mSandbox->messages[0].endsWith("This information will be saved for future use."));
            QCOMPARE(mSandbox->browseTitles, QStringList{"Choose the location where The Sims is installed"});
            QCOMPARE(doc.SimsPath(), QString("/chosen/sims"));
        }
        QCOMPARE(StoredSetting("SimsPath").toString(), QString("/chosen/sims"));
    }

    void cancelledBrowseLeavesTheGameFolderEmpty() {
        CTambrixDoc doc;
        QCOMPARE(mSandbox->browseTitles.size(), 1);
        QVERIFY(doc.SimsPath().isEmpty());
    }

    void keyWithoutValueStaysSilent() {
        mSandbox->WriteSystemReg(systemReg(kSimsKey, "\"Version\"=\"1.0\""));
        CTambrixDoc doc;
        QVERIFY(doc.SimsPath().isEmpty());
        QVERIFY(mSandbox->messages.isEmpty());
        QVERIFY(mSandbox->browseTitles.isEmpty());
    }

    void entryPointingNowhereAsksTheUser() {
        // The value names a folder the prefix does not have: it gives no folder.
        mSandbox->WriteSystemReg(systemReg(kSimsKey, "\"SIMS_DATA\"=\"Q:\\\\Nowhere\""));
        CTambrixDoc doc;
        QCOMPARE(mSandbox->messages.size(), 1);
        QVERIFY(doc.SimsPath().isEmpty());
    }

    void storedGameFolderSkipsTheLookup() {
        StoreSetting("SimsPath", "/kept");
        CTambrixDoc doc;
        QCOMPARE(doc.SimsPath(), QString("/kept"));
        QVERIFY(mSandbox->messages.isEmpty());
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

    void trailingBackslashesAreRemoved() {
        QCOMPARE(RemoveTrailingBackslashes("C:\\Games\\Sims\\"), QString("C:\\Games\\Sims"));
        QCOMPARE(RemoveTrailingBackslashes("C:\\Games\\Sims\\\\\\"), QString("C:\\Games\\Sims"));
        QCOMPARE(RemoveTrailingBackslashes("C:\\Games\\Sims"), QString("C:\\Games\\Sims"));
    }

    void registryTextsAreUnescaped() {
        mSandbox->WriteSystemReg(systemReg(kSimsKey, "\"SIMS_DATA\"=\"C:\\\\Games \\\"Q\\\"\\\\S\\x00e9ims\""));
        const GameEntry entry = ReadWineRegistryEntry(mSandbox->WinePrefix() + "/system.reg");
        QCOMPARE(int(entry.state), int(GameEntryState::Found));
        QCOMPARE(entry.windowsPath, QString::fromUtf8("C:\\Games \"Q\"\\S\u00e9ims"));
    }

    void unreadableOrTruncatedRegistryFindsNothing() {
        QCOMPARE(int(ReadWineRegistryEntry(mSandbox->WinePrefix() + "/missing.reg").state),
                 int(GameEntryState::KeyMissing));
        // A value whose quote never closes, and a key line without its bracket.
        mSandbox->WriteSystemReg("[Software\\\\Maxis\\\\The Sims 1\n\"SIMS_DATA\"=\"C:\\\\x\n" +
                                 systemReg(kSimsKey, "\"SIMS_DATA\"=\"C:\\\\unclosed"));
        const GameEntry entry = ReadWineRegistryEntry(mSandbox->WinePrefix() + "/system.reg");
        QCOMPARE(int(entry.state), int(GameEntryState::ValueMissing));
    }

    void windowsPathsMapThroughTheDriveFolders() {
        const QString prefix = mSandbox->WinePrefix();
        QDir().mkpath(prefix + "/drive_c/Games/The Sims");
        QCOMPARE(MapWindowsPath(prefix, "c:\\GAMES\\the sims\\").value_or("none"), prefix + "/drive_c/Games/The Sims");
        QCOMPARE(MapWindowsPath(prefix, "C:\\").value_or("none"), prefix + "/drive_c");
        QVERIFY(!MapWindowsPath(prefix, "C:\\Games\\Missing").has_value());
        QVERIFY(!MapWindowsPath(prefix, "E:\\Games").has_value());
        QVERIFY(!MapWindowsPath(prefix, "\\\\server\\share").has_value());
        QVERIFY(!MapWindowsPath(prefix, "").has_value());
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
