// "Clone Object..." in the browser, through the real library: the dialog's defaults, the
// clone from a writable file and from the game's own folder (by the form's "Clone to
// edit"), the objects taken, the question before a file is replaced, and the browser
// showing the new file.

#include <QtTest>
#include <QtWidgets>
#include <sstream>

#include "app/editing/CCatalogEditBar.h"
#include "app/editing/CCloneDlg.h"
#include "app/editing/CloneCommand.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "cli/Cli.h"
#include "containers/IffResourceFile.h"
#include "core/ResourceTypes.h"
#include "edit/CatalogEdit.h"
#include "sets/GameFile.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/ResourceFixtures.h"

using namespace tambrix;
using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

const uint32_t kSofaGuid = 0xBC85AF5B, kLampGuid = 0x11223344;

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

/// Two single-tile objects, each with its own catalog table.
bool writePair(const QString& path) {
    return test::WriteContainer<IffResourceFile>(
        native(path),
        {{restype::kOBJD, 128, "", EncodeObjectDefinition({.guid = kSofaGuid, .price = 300, .catalogId = 7})},
         {restype::kCTSS, 7, "", EncodeLanguageStrings({{1, "Sofa", ""}, {1, "Soft.", ""}})},
         {restype::kOBJD, 129, "", EncodeObjectDefinition({.guid = kLampGuid, .price = 40, .catalogId = 8})},
         {restype::kCTSS, 8, "", EncodeLanguageStrings({{1, "Lamp", ""}, {1, "Bright.", ""}})}});
}

/// The GUIDs of a file's object definitions, in order.
std::vector<uint32_t> guids(const QString& path) {
    std::vector<uint32_t> found;
    GameFile file;
    if (file.Locate(native(path)) != 0 || file.OpenAlone(GameFileAccess::kReadOnly) != 0) return found;
    ObjectSet set;
    set.SetResourceSet(file.TakeContainer());
    set.Load(0);
    for (const auto& record : set.AllRecords()) found.push_back(record->Guid());
    return found;
}

QByteArray bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class CloneTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mGame = mSandbox->MakeFolder("game");
        mSandbox->MakeFolder("game/GameData/Objects");
        mDownloads = mSandbox->MakeFolder("game/Downloads");
        QVERIFY(writePair(mDownloads + "/pair.iff"));
        QVERIFY(writePair(mGame + "/GameData/Objects/pair.iff"));
        mBrowser = std::make_unique<Browser>(mGame);
        mDialogs = 0;
    }
    void cleanup() {
        mBrowser.reset();
        mSandbox.reset();
    }

    void dialogProposesDownloadsAndEveryObject() {
        select(mDownloads + "/pair.iff");
        QString name, folder, file, followed, help;
        int count = 0;
        bool every = false;
        answerDialog([&](CCloneDlg& dialog) {
            name = dialog.NameEdit()->text();
            folder = QDir::fromNativeSeparators(dialog.FolderEdit()->text());
            file = dialog.FileEdit()->text();
            count = dialog.ObjectList()->count();
            every = dialog.Objects().empty();
            help = dialog.HelpLabel()->text();
            // The place follows the name, its odd characters left out.
            dialog.NameEdit()->setText("Blue/Sofa?");
            followed = dialog.FileEdit()->text();
            return false;
        });
        QVERIFY(mBrowser->frame->Clone()->Action()->isEnabled());
        mBrowser->frame->Clone()->Action()->trigger();
        QCOMPARE(mDialogs, 1);
        QCOMPARE(name, QString("Sofa"));
        QCOMPARE(folder, mGame + "/Downloads/Sofa");
        QCOMPARE(file, QString("Sofa.iff"));
        QCOMPARE(count, 2);
        QVERIFY(every);
        QVERIFY2(help.contains("behaviour code mentions are left as they are"), qPrintable(help));
        QCOMPARE(followed, QString("BlueSofa.iff"));
        QVERIFY(!QFileInfo::exists(mGame + "/Downloads/BlueSofa"));  // cancelled: nothing made
    }

    void clonesAndShowsTheNewFile_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("byButton");  // the form's "Clone to edit", else the menu command
        QTest::addColumn<bool>("firstOnly");
        QTest::newRow("from disk, every object") << "Downloads/pair.iff" << false << false;
        QTest::newRow("from disk, the first object") << "Downloads/pair.iff" << false << true;
        QTest::newRow("from the game's folder by Clone to edit") << "GameData/Objects/pair.iff" << true << false;
    }
    void clonesAndShowsTheNewFile() {
        QFETCH(QString, source);
        QFETCH(bool, byButton);
        QFETCH(bool, firstOnly);
        const QString path = mGame + "/" + source;
        const QByteArray before = bytes(path);
        select(path);
        answerDialog([&](CCloneDlg& dialog) {
            dialog.NameEdit()->setText("Blue Sofa");
            if (firstOnly) dialog.ObjectList()->item(1)->setCheckState(Qt::Unchecked);
            return true;
        });
        CObjectView* form = mBrowser->Form();
        if (byButton) {
            QVERIFY(!form->EditBar()->CloneButton()->isHidden());
            QTest::mouseClick(form->EditBar()->CloneButton(), Qt::LeftButton);
        } else {
            mBrowser->frame->Clone()->Action()->trigger();
        }
        QCOMPARE(mDialogs, 1);
        QVERIFY2(mSandbox->messages.isEmpty(), qPrintable(mSandbox->messages.join("; ")));
        const QString made = mGame + "/Downloads/Blue Sofa/Blue Sofa.iff";
        QVERIFY(QFileInfo::exists(made));
        QCOMPARE(bytes(path), before);  // the source only read
        // The browser shows the clone, editable, under its new name.
        QCOMPARE(mBrowser->doc->CurrentFilePath(), made);
        QCOMPARE(form->NameEdit()->text(), QString("Blue Sofa"));
        QVERIFY(form->EditBar()->Writable());
        const std::vector<uint32_t> made_guids = guids(made);
        QCOMPARE(made_guids.size(), size_t(firstOnly ? 1 : 2));
        for (uint32_t guid : made_guids) QVERIFY(guid != 0 && guid != kSofaGuid && guid != kLampGuid);
        CatalogTexts lamp;
        if (!firstOnly) {
            QCOMPARE(ReadCatalogTexts(native(made), 1, 0, lamp), 0);
            QCOMPARE(QString::fromStdString(lamp.name), QString("Blue Sofa"));  // every object taken is named
        }
    }

    void asksBeforeReplacing_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("replaced") << true;
        QTest::newRow("kept") << false;
    }
    void asksBeforeReplacing() {
        QFETCH(bool, yes);
        const QString made = mSandbox->MakeFolder("game/Downloads/Sofa") + "/Sofa.iff";
        mSandbox->MakeFile(QFileInfo(made).absolutePath(), "Sofa.iff", 0, "not yet an object");
        select(mDownloads + "/pair.iff");
        answerDialog([](CCloneDlg&) { return true; });
        mSandbox->answerYes = yes;
        mBrowser->frame->Clone()->Action()->trigger();
        QCOMPARE(mSandbox->questions.size(), 1);
        QVERIFY(mSandbox->questions[0].contains("Sofa.iff exists already"));
        QCOMPARE(bytes(made) == "not yet an object", !yes);
        if (yes) QCOMPARE(guids(made).size(), size_t(2));
    }

    void refusalIsSaid() {
        select(mDownloads + "/pair.iff");
        // A place inside the game's own folders is refused, and nothing is made there.
        answerDialog([this](CCloneDlg& dialog) {
            dialog.FolderEdit()->setText(mGame + "/GameData/Objects");
            return true;
        });
        mBrowser->frame->Clone()->Action()->trigger();
        QCOMPARE(mSandbox->messages.size(), 1);
        QVERIFY2(mSandbox->messages[0].startsWith("The object was not cloned: "), qPrintable(mSandbox->messages[0]));
        QVERIFY(!QFileInfo::exists(mGame + "/GameData/Objects/Sofa.iff"));
    }

private:
    void select(const QString& path) {
        const QFileInfo info(path);
        QVERIFY(mBrowser->SelectFolder(info.absolutePath()));
        mBrowser->SelectFile(info.fileName());
        QCOMPARE(mBrowser->doc->CurrentFilePath(), path);
    }
    void answerDialog(std::function<bool(CCloneDlg&)> answer) {
        Prompts().runDialog = [this, answer](QDialog& dialog) {
            ++mDialogs;
            auto* clone = qobject_cast<CCloneDlg*>(&dialog);
            return clone && answer(*clone);
        };
    }

    std::unique_ptr<Sandbox> mSandbox;
    std::unique_ptr<Browser> mBrowser;
    QString mGame, mDownloads;
    int mDialogs = 0;
};

QTEST_MAIN(CloneTest)
#include "CloneTest.moc"
