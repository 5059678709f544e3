// Editing an object's catalog texts in the form, through the real library: what may be
// edited, the save in two languages read back by tambrix-cli, the refusals that leave the
// file alone, and the unsaved edits asked about before they would be lost.

#include <QtTest>
#include <QtWidgets>
#include <sstream>

#include "app/editing/CCatalogEditBar.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "cli/Cli.h"
#include "containers/IffResourceFile.h"
#include "core/ResourceTypes.h"
#include "edit/CatalogEdit.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/ResourceFixtures.h"

using namespace tambrix;
using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

const ResId kCatalog = 7;
const int kFrench = 2;

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

/// An object with a "CTSS" catalog table in the first and the third language.
bool writeSofa(const QString& path) {
    return test::WriteContainer<IffResourceFile>(
        native(path), {{restype::kOBJD, 128, "", EncodeObjectDefinition({.price = 300, .catalogId = kCatalog})},
                       {restype::kCTSS, kCatalog, "",
                        EncodeLanguageStrings({{1, "Sofa", ""}, {1, "Soft.", ""}, {3, "Canape", ""}, {3, "Doux.", ""}})}});
}

QByteArray bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = tools::RunCli(args, out, err);
    return code == tools::kExitOk ? out.str() : "failed: " + err.str();
}

}  // namespace

class EditTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mGame = mSandbox->MakeFolder("game");
        mSandbox->MakeFolder("game/GameData/Objects");
        mDownloads = mSandbox->MakeFolder("game/Downloads");
        QVERIFY(writeSofa(mDownloads + "/sofa.iff"));
        QVERIFY(writeSofa(mDownloads + "/chair.iff"));
        QVERIFY(writeSofa(mGame + "/GameData/Objects/sofa.iff"));
        mSandbox->MakeFolder("game/ExpansionPack3");
        QVERIFY(writeSofa(mGame + "/ExpansionPack3/sofa.iff"));
        mBrowser = std::make_unique<Browser>(mGame);
    }
    void cleanup() {
        mBrowser.reset();
        mSandbox.reset();
    }

    void editsTwoLanguagesAndTheToolReadsThemBack() {
        const QString path = mDownloads + "/sofa.iff";
        select(path);
        CObjectView* form = mBrowser->Form();
        CCatalogEditBar* bar = form->EditBar();
        QVERIFY(bar->Writable());
        QVERIFY(!form->NameEdit()->isReadOnly());
        QVERIFY(!bar->LanguageBox()->isHidden() && bar->LanguageBox()->count() == 20);
        QVERIFY(bar->CloneButton()->isHidden());
        QCOMPARE(form->NameEdit()->text(), QString("Sofa"));
        QVERIFY(!bar->SaveButton()->isEnabled());

        QTest::keyClicks(form->NameEdit(), " Deluxe");
        form->PriceEdit()->setText("450");
        form->DescriptionEdit()->setPlainText("Soft and wide.");
        QVERIFY(bar->Dirty() && bar->SaveButton()->isEnabled());
        QTest::mouseClick(bar->SaveButton(), Qt::LeftButton);
        QVERIFY2(!bar->Dirty(), qPrintable(bar->LastError()));

        bar->SetLanguage(kFrench);
        QCOMPARE(form->NameEdit()->text(), QString("Canape"));
        QCOMPARE(form->PriceEdit()->text(), QString("450"));
        form->NameEdit()->setText(QString::fromUtf8("Canapé de luxe"));
        form->DescriptionEdit()->setPlainText("Doux et large.");
        mBrowser->frame->SavePreview();  // Ctrl+S saves the texts while they are edited
        QVERIFY2(!bar->Dirty(), qPrintable(bar->LastError()));
        QVERIFY(mSandbox->messages.isEmpty());
        QVERIFY(mSandbox->saveDefaults.isEmpty());  // no picture was saved instead

        const std::string info = cli({"info", native(path), "--no-write"});
        QVERIFY2(info.find("name: Sofa Deluxe\nprice: 450\ndescription: Soft and wide.\n") != std::string::npos,
                 info.c_str());
        const std::string strings = cli({"strings", native(path), "--json"});
        QVERIFY2(strings.find("Canap\\u00e9 de luxe") != std::string::npos ||
                     strings.find("Canapé de luxe") != std::string::npos,
                 strings.c_str());
        QVERIFY2(strings.find("Doux et large.") != std::string::npos, strings.c_str());
        CatalogTexts french;
        QCOMPARE(ReadCatalogTexts(native(path), 0, kFrench, french), 0);
        QCOMPARE(QString::fromStdString(french.name), QString::fromUtf8("Canapé de luxe"));
        // The browser shows the saved file: back in the first language, its new texts.
        bar->SetLanguage(0);
        QCOMPARE(form->NameEdit()->text(), QString("Sofa Deluxe"));
    }

    void refusalsLeaveTheFileAsItWas_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("said");
        QTest::newRow("price too high") << "Sofa" << "32768" << "-32768 to 32767";
        QTest::newRow("price too low") << "Sofa" << "-32769" << "-32768 to 32767";
        QTest::newRow("price not a number") << "Sofa" << "12a" << "whole number";
        QTest::newRow("empty price") << "Sofa" << "" << "whole number";
        QTest::newRow("name outside Windows-1252") << QString::fromUtf8("Диван") << "300" << "Windows-1252";
    }
    void refusalsLeaveTheFileAsItWas() {
        QFETCH(QString, name);
        QFETCH(QString, price);
        QFETCH(QString, said);
        const QString path = mDownloads + "/sofa.iff";
        const QByteArray before = bytes(path);
        select(path);
        CObjectView* form = mBrowser->Form();
        form->NameEdit()->setText(name);
        form->PriceEdit()->setText(price);
        form->DescriptionEdit()->setPlainText("Changed.");
        QVERIFY(!form->EditBar()->Save());
        QCOMPARE(mSandbox->messages.size(), 1);
        QVERIFY2(mSandbox->messages[0].contains(said), qPrintable(mSandbox->messages[0]));
        QCOMPARE(bytes(path), before);
        QVERIFY(form->EditBar()->Dirty());  // the edits stay to be mended
    }

    void readOnlyPlacesOfferACloneInstead_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("readOnlyOnDisk");
        QTest::newRow("game's own folder") << "GameData/Objects/sofa.iff" << false;
        QTest::newRow("an expansion's folder") << "ExpansionPack3/sofa.iff" << false;
        QTest::newRow("file the host will not let us write") << "Downloads/chair.iff" << true;
    }
    void readOnlyPlacesOfferACloneInstead() {
        QFETCH(QString, file);
        QFETCH(bool, readOnlyOnDisk);
        const QString path = mGame + "/" + file;
        if (readOnlyOnDisk) QFile::setPermissions(path, QFileDevice::ReadOwner);
        if (readOnlyOnDisk && QFileInfo(path).isWritable()) QSKIP("running with rights over every file");
        select(path);
        CObjectView* form = mBrowser->Form();
        CCatalogEditBar* bar = form->EditBar();
        QVERIFY(!bar->Writable());
        QVERIFY(form->NameEdit()->isReadOnly() && form->PriceEdit()->isReadOnly());
        QVERIFY(form->DescriptionEdit()->isReadOnly());
        QVERIFY(!bar->CloneButton()->isHidden());
        QVERIFY(bar->SaveButton()->isHidden() && bar->LanguageBox()->isHidden());
        QSignalSpy asked(bar, &CCatalogEditBar::cloneRequested);
        QTest::mouseClick(bar->CloneButton(), Qt::LeftButton);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0][0].toString(), path);
        QCOMPARE(mSandbox->dialogs, QStringList{"Clone Object"});
    }

    void unsavedEditsAreAskedAboutBeforeTheyGo_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("by");  // what would take the edits away
        QTest::newRow("other file, saved") << true << "file";
        QTest::newRow("other file, dropped") << false << "file";
        QTest::newRow("other language, saved") << true << "language";
        QTest::newRow("other language, dropped") << false << "language";
        QTest::newRow("window closed, saved") << true << "close";
    }
    void unsavedEditsAreAskedAboutBeforeTheyGo() {
        QFETCH(bool, yes);
        QFETCH(QString, by);
        const QString path = mDownloads + "/sofa.iff";
        const QByteArray before = bytes(path);
        select(path);
        mBrowser->Form()->NameEdit()->setText("Settee");
        mSandbox->answerYes = yes;
        if (by == "language")
            mBrowser->Form()->EditBar()->SetLanguage(kFrench);
        else if (by == "file")
            select(mDownloads + "/chair.iff");
        else
            mBrowser->frame->close();
        QCOMPARE(mSandbox->questions.size(), 1);
        QVERIFY2(mSandbox->questions[0].contains("sofa.iff"), qPrintable(mSandbox->questions[0]));
        CatalogTexts texts;
        QCOMPARE(ReadCatalogTexts(native(path), 0, 0, texts), 0);
        QCOMPARE(QString::fromStdString(texts.name), yes ? QString("Settee") : QString("Sofa"));
        if (!yes) QCOMPARE(bytes(path), before);
        QVERIFY(!mBrowser->Form()->EditBar()->Dirty());
    }

    // The form's word for an object without catalog texts is never saved as its name.
    void objectWithoutTextsKeepsNoPlaceholderName() {
        const QString path = mDownloads + "/bare.iff";
        QVERIFY(test::WriteContainer<IffResourceFile>(
            native(path), {{restype::kOBJD, 128, "", EncodeObjectDefinition({.price = 5, .catalogId = kCatalog})}}));
        select(path);
        CObjectView* form = mBrowser->Form();
        QVERIFY(form->NameEdit()->text().isEmpty() && !form->NameEdit()->placeholderText().isEmpty());
        form->PriceEdit()->setText("12");
        QVERIFY2(form->EditBar()->Save(), qPrintable(form->EditBar()->LastError()));
        CatalogTexts texts;
        QCOMPARE(ReadCatalogTexts(native(path), 0, 0, texts), 0);
        QCOMPARE(texts.price, 12);
        QCOMPARE(QString::fromStdString(texts.name), QString());
    }

private:
    void select(const QString& path) {
        const QFileInfo info(path);
        QVERIFY(mBrowser->SelectFolder(info.absolutePath()));
        mBrowser->SelectFile(info.fileName());
        QCOMPARE(mBrowser->doc->CurrentFilePath(), path);
    }

    std::unique_ptr<Sandbox> mSandbox;
    std::unique_ptr<Browser> mBrowser;
    QString mGame, mDownloads;
};

QTEST_MAIN(EditTest)
#include "EditTest.moc"
