// The "GUID Conflicts" view over a real index: groups of files holding one GUID, "same
// file" for two copies of one file, nothing for a folder without conflicts, a word for a
// folder without an index, and a chosen file selected in the browser.

#include <QtTest>
#include <QtWidgets>

#include "app/editing/CConflictsDlg.h"
#include "app/search/GameSearch.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "core/ResourceTypes.h"
#include "index/GameIndex.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/ResourceFixtures.h"

using namespace tambrix;
using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool writeObject(const QString& path, uint32_t guid, const char* name) {
    return test::WriteContainer<IffResourceFile>(
        native(path), {{restype::kOBJD, 128, "", EncodeObjectDefinition({.guid = guid, .catalogId = 7})},
                       {restype::kCTSS, 7, "", EncodeLanguageStrings({{1, name, ""}, {1, "", ""}})}});
}

bool index(const QString& game) {
    GameIndex index;
    return index.Open(native(GameSearch::DatabasePath(game))) == 0 && index.Refresh(native(game)) == 0;
}

}  // namespace

class ConflictsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mGame = mSandbox->MakeFolder("game");
        mSandbox->MakeFolder("game/GameData/Objects");
        mSandbox->MakeFolder("game/Downloads/copy");
    }
    void cleanup() { mSandbox.reset(); }

    // The form marks an object whose GUID another file holds too, and only such an object.
    void theFormMarksAnObjectOfAConflict() {
        QVERIFY(writeObject(mGame + "/Downloads/sofa.iff", 0xBC85AF5B, "Sofa"));
        QVERIFY(writeObject(mGame + "/Downloads/lamp.iff", 0x01020304, "Lamp"));
        QVERIFY(QFile::copy(mGame + "/Downloads/sofa.iff", mGame + "/Downloads/copy/sofa.iff"));
        QVERIFY(index(mGame));
        QCOMPARE(CConflictsDlg::ConflictMark(mGame, mGame + "/Downloads/sofa.iff"),
                 QString("GUID conflict: 0xBC85AF5B is also in Downloads/copy/sofa.iff"));
        QCOMPARE(CConflictsDlg::ConflictMark(mGame, mGame + "/Downloads/lamp.iff"), QString());
        QCOMPARE(CConflictsDlg::ConflictMark(mSandbox->MakeFolder("elsewhere"), mGame + "/Downloads/sofa.iff"),
                 QString());  // no index there
        Browser browser(mGame);
        QVERIFY(browser.SelectFolder(mGame + "/Downloads"));
        browser.SelectFile("sofa.iff");
        QVERIFY(browser.Form()->NoteLabel()->text().contains("GUID conflict: 0xBC85AF5B"));
        browser.SelectFile("lamp.iff");
        QVERIFY(!browser.Form()->NoteLabel()->text().contains("GUID conflict"));
    }

    void groupsTheFilesOfOneGuid_data() {
        QTest::addColumn<bool>("copy");       // a copy of one file in another folder
        QTest::addColumn<bool>("otherFile");  // another file with the same GUID
        QTest::addColumn<QStringList>("groups");
        QTest::newRow("no conflict") << false << false << QStringList();
        QTest::newRow("a copy") << true << false << QStringList{"0xBC85AF5B  (same file)"};
        QTest::newRow("another file") << false << true << QStringList{"0xBC85AF5B"};
        QTest::newRow("both") << true << true << QStringList{"0xBC85AF5B"};
    }
    void groupsTheFilesOfOneGuid() {
        QFETCH(bool, copy);
        QFETCH(bool, otherFile);
        QFETCH(QStringList, groups);
        QVERIFY(writeObject(mGame + "/Downloads/sofa.iff", 0xBC85AF5B, "Sofa"));
        QVERIFY(writeObject(mGame + "/Downloads/lamp.iff", 0x01020304, "Lamp"));
        if (copy) QVERIFY(QFile::copy(mGame + "/Downloads/sofa.iff", mGame + "/Downloads/copy/sofa.iff"));
        if (otherFile) QVERIFY(writeObject(mGame + "/Downloads/settee.iff", 0xBC85AF5B, "Settee"));
        QVERIFY(index(mGame));
        CConflictsDlg dialog(nullptr, mGame, GameSearch::DatabasePath(mGame));
        QStringList shown;
        for (int i = 0; i < dialog.Tree()->topLevelItemCount(); ++i) shown << dialog.Tree()->topLevelItem(i)->text(0);
        QCOMPARE(shown, groups);
        if (groups.isEmpty()) {
            QVERIFY(dialog.Summary().startsWith("No GUID"));
            return;
        }
        const QTreeWidgetItem* group = dialog.Tree()->topLevelItem(0);
        QCOMPARE(group->childCount(), 1 + int(copy) + int(otherFile));
        QStringList names;
        for (int i = 0; i < group->childCount(); ++i) names << group->child(i)->text(1);
        QVERIFY(names.contains("Sofa"));
        QCOMPARE(names.contains("Settee"), otherFile);
        // The files as the game folder holds them, the copy marked.
        QStringList files;
        for (int i = 0; i < group->childCount(); ++i) files << group->child(i)->text(0);
        QVERIFY(files.contains("Downloads/sofa.iff") || files.contains("Downloads/sofa.iff  (same file)"));
        QCOMPARE(files.filter("(same file)").size(), copy ? 1 : 0);  // the later of the two copies
    }

    void saysWhenThereIsNoIndex() {
        CConflictsDlg dialog(nullptr, mGame, GameSearch::DatabasePath(mGame));
        QVERIFY(dialog.Conflicts().empty());
        QVERIFY2(dialog.Summary().contains("no search index"), qPrintable(dialog.Summary()));
        QVERIFY(!QFileInfo::exists(GameSearch::DatabasePath(mGame)));  // none made by looking
    }

    void choosingAFileSelectsIt() {
        QVERIFY(writeObject(mGame + "/Downloads/sofa.iff", 0xBC85AF5B, "Sofa"));
        QVERIFY(writeObject(mGame + "/Downloads/copy/settee.iff", 0xBC85AF5B, "Settee"));
        QVERIFY(index(mGame));
        Browser browser(mGame);
        const QString chosen = mGame + "/Downloads/copy/settee.iff";
        Prompts().runDialog = [&](QDialog& dialog) {
            auto* conflicts = qobject_cast<CConflictsDlg*>(&dialog);
            if (!conflicts || conflicts->Tree()->topLevelItemCount() != 1) return false;
            QTreeWidgetItem* group = conflicts->Tree()->topLevelItem(0);
            for (int i = 0; i < group->childCount(); ++i)
                if (group->child(i)->text(1) == "Settee") emit conflicts->Tree()->itemActivated(group->child(i), 0);
            return false;
        };
        browser.frame->ShowConflicts();
        QCOMPARE(browser.doc->CurrentFilePath(), chosen);
    }

private:
    std::unique_ptr<Sandbox> mSandbox;
    QString mGame;
};

QTEST_MAIN(ConflictsTest)
#include "ConflictsTest.moc"
