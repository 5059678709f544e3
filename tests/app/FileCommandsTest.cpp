// The commands that write or delete act only on what the user confirmed: files that change
// while a question or a save dialog is open, names that differ only in case, the trash and
// the sprite companion, and the list following a folder while another program writes.

#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <memory>

#include "platform/PlatformFile.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/FakeViewedFile.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

// Every file shows a picture whose width tells which file it is: 20 + the first letter's
// place in the alphabet ("Plants.iff" 35 pixels wide, "Bookcase_Old.iff" 21).
int widthOf(const QString& name) { return 20 + (name.at(0).toLower().unicode() - 'a'); }

/// `opens`, when given, counts every opening.
void installNamedPictures(int* opens = nullptr) {
    Openers().openFile = [opens](const QString& path, tambrix::GameFileAccess) -> std::unique_ptr<ViewedFile> {
        if (opens) ++*opens;
        FakeContent content{.inputs = {}, .previewDrawn = true, .previewSize = QSize(widthOf(QFileInfo(path).fileName()), 30)};
        content.inputs.objects = {{"Thing", "1", "A thing."}};
        return std::make_unique<FakeViewedFile>(tambrix::GameFileKind::kObject, content);
    };
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

/// The names in the sandbox's trash (wherever Qt keeps it below the sandbox).
QStringList trashed(const QString& root) {
    QStringList names;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.absolutePath().endsWith("/Trash/files")) names << info.fileName();
    }
    names.sort();
    return names;
}

}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mSims = mSandbox->MakeFolder("sims");
        mFolder = mSandbox->MakeFolder("sims/Downloads");
        mExports = mSandbox->MakeFolder("exports");
        installNamedPictures();
    }
    void cleanup() {
        tambrix::platform::Hooks().refuseRemovals = false;
        mSandbox.reset();
    }

    // With the question open another program changes Plants.iff and the list moves on to
    // Bookcase_Old.iff: Yes deletes nothing, says why, and every file stays.
    void deleteActsOnlyOnTheFileItAskedAbout_data() {
        QTest::addColumn<QString>("during");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("nothing happens") << "" << QStringList{"Bookcase_Old.iff"};
        QTest::newRow("removed") << "remove" << QStringList{"Bookcase_Old.iff"};
        QTest::newRow("replaced by another") << "replace" << QStringList{"Bookcase_Old.iff", "Plants.iff"};
        QTest::newRow("rewritten") << "rewrite" << QStringList{"Bookcase_Old.iff", "Plants.iff"};
    }
    void deleteActsOnlyOnTheFileItAskedAbout() {
        QFETCH(QString, during);
        QFETCH(QStringList, left);
        const QString plants = mSandbox->MakeFile(mFolder, "Plants.iff", 100);
        mSandbox->MakeFile(mFolder, "Bookcase_Old.iff", 200);
        const auto browser = open("Plants.iff");
        Prompts().askYesNo = [&](QWidget*, const QString& text) {
            mSandbox->questions << text;
            if (during == "remove") QFile::remove(plants);
            if (during == "replace") {
                mSandbox->MakeFile(mFolder, "other.tmp", 100);
                QFile::remove(plants);
                QFile::rename(mFolder + "/other.tmp", plants);
            }
            if (during == "rewrite") mSandbox->MakeFile(mFolder, "Plants.iff", 101);
            browser->List()->Refresh();  // as the watcher would: another row may be selected
            return true;
        };
        browser->frame->DeleteAction()->trigger();
        QCOMPARE(mSandbox->questions, QStringList{"Are you sure you want to delete the file\n\"Plants.iff\"?"});
        QCOMPARE(filesIn(mFolder), left);
        const bool refused = !during.isEmpty();
        QCOMPARE(mSandbox->messages,
                 refused ? QStringList{"\"Plants.iff\" changed or was removed while the question was open: nothing "
                                       "was deleted."}
                         : QStringList());
        QCOMPARE(trashed(mSandbox->Root()), refused ? QStringList() : QStringList{"Plants.iff"});
        if (!refused)
            QCOMPARE(browser->frame->statusBar()->currentMessage(), QString("\"Plants.iff\" moved to the trash"));
        QCOMPARE(browser->List()->RowCount(), left.size());
    }

    // An object goes with its sprites (the companion found whatever its case); a sprite
    // file alone says what its object loses; a file whose folder refuses stays, with the reason.
    void deleteTakesTheCompanionAndAsksTheFolder_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QString>("said");
        QTest::newRow("object and sprites")
            << "chair.iff" << false << "Are you sure you want to delete the file\n\"chair.iff\"\nand its sprite file \"CHAIR.spf\"?"
            << QStringList{"table.iff"} << "\"chair.iff\" and \"CHAIR.spf\" moved to the trash";
        QTest::newRow("sprites alone")
            << "CHAIR.spf" << false
            << "Are you sure you want to delete the file\n\"CHAIR.spf\"?\n\nThe object file \"chair.iff\" keeps its "
               "objects but loses their sprites: it will show no pictures."
            << QStringList{"chair.iff", "table.iff"} << "\"CHAIR.spf\" moved to the trash";
        QTest::newRow("object alone") << "table.iff" << false
                                      << "Are you sure you want to delete the file\n\"table.iff\"?"
                                      << QStringList{"CHAIR.spf", "chair.iff"} << "\"table.iff\" moved to the trash";
        QTest::newRow("folder refuses")
            << "chair.iff" << true << "Are you sure you want to delete the file\n\"chair.iff\"\nand its sprite file \"CHAIR.spf\"?"
            << QStringList{"CHAIR.spf", "chair.iff", "table.iff"}
            << "Unable to delete \"chair.iff\": the folder is not writable: Permission denied.";
    }
    void deleteTakesTheCompanionAndAsksTheFolder() {
        QFETCH(QString, selected);
        QFETCH(bool, refuse);
        QFETCH(QString, question);
        QFETCH(QStringList, left);
        QFETCH(QString, said);
        for (const char* name : {"chair.iff", "CHAIR.spf", "table.iff"}) mSandbox->MakeFile(mFolder, name);
        const auto browser = open(selected);
        tambrix::platform::Hooks().refuseRemovals = refuse;
        browser->frame->OnDelete();
        QCOMPARE(mSandbox->questions, QStringList{question});
        QCOMPARE(filesIn(mFolder), left);
        QCOMPARE(browser->frame->statusBar()->currentMessage(), said);
        QCOMPARE(mSandbox->messages, refuse ? QStringList{said} : QStringList());
        QCOMPARE(trashed(mSandbox->Root()).size(), 3 - left.size());
    }

    // Without a data folder the trash is made where the desktop keeps it, never in the
    // current folder.
    void theTrashIsMadeInTheDataFolder() {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QVERIFY(data.startsWith(mSandbox->Root()) && QDir(data).removeRecursively());
        const QString work = mSandbox->MakeFolder("work");
        const QString before = QDir::currentPath();
        QDir::setCurrent(work);
        mSandbox->MakeFile(mFolder, "a.iff");
        const auto browser = open("a.iff");
        browser->frame->OnDelete();
        QDir::setCurrent(before);
        QCOMPARE(filesIn(mFolder), QStringList());
        QCOMPARE(trashed(mSandbox->Root()), QStringList{"a.iff"});
        QVERIFY(QFileInfo::exists(data + "/Trash/files/a.iff"));
        QCOMPARE(QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    // A folder the user may not write keeps its files, as the file system says (a superuser
    // may write any folder, so there the refusal is shown by injection above).
    void deleteInAReadOnlyFolderIsRefusedWithTheReason() {
        if (::geteuid() == 0) QSKIP("running as root: every folder grants deletion");
        const QString file = mSandbox->MakeFile(mFolder, "a.iff");
        const auto browser = open("a.iff");
        QFile::setPermissions(mFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        browser->frame->OnDelete();
        QFile::setPermissions(mFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(QFile::exists(file));
        QCOMPARE(mSandbox->messages,
                 QStringList{"Unable to delete \"a.iff\": the folder is not writable: Permission denied."});
    }

    // Save, Save Picture and Export PNG take the picture and its file's name before their
    // dialog: the file touched (shown anew), moved away (another file shown) or the list
    // moved on while it is open changes neither what is written nor its name.
    void savesWriteWhatWasShownWhenTheDialogOpened_data() {
        QTest::addColumn<int>("command");  // 0 Save, 1 Save Picture, 2 Export PNG
        QTest::addColumn<QString>("during");
        QTest::addColumn<QString>("offered");
        for (const char* during : {"touch", "move away", "select another"}) {
            QTest::addRow("save, %s", during) << 0 << during << "Plants.bmp";
            QTest::addRow("save picture, %s", during) << 1 << during << "Plants.bmp";
            QTest::addRow("export png, %s", during) << 2 << during << "Plants.png";
        }
    }
    void savesWriteWhatWasShownWhenTheDialogOpened() {
        QFETCH(int, command);
        QFETCH(QString, during);
        QFETCH(QString, offered);
        const QString plants = mSandbox->MakeFile(mFolder, "Plants.iff", 100);
        mSandbox->MakeFile(mFolder, "Bookcase_Old.iff", 200);
        const auto browser = open("Plants.iff", true);
        const QString target = mExports + "/" + offered;
        const auto dialog = [&](QWidget*, const QString& name) -> std::optional<QString> {
            mSandbox->saveDefaults << name;
            if (during == "touch") mSandbox->MakeFile(mFolder, "Plants.iff", 150);
            if (during == "move away") QFile::rename(plants, mSandbox->Root() + "/Plants.iff");
            if (during == "select another") browser->SelectFile("Bookcase_Old.iff");
            browser->List()->Refresh();  // as the watcher would
            return target;
        };
        Prompts().saveBitmapName = dialog;
        Prompts().savePngName = dialog;
        if (command == 0) browser->frame->SaveAction()->trigger();
        else browser->frame->FileAction(command - 1)->trigger();
        QCOMPARE(mSandbox->saveDefaults, QStringList{mExports + "/" + offered});
        QVERIFY(browser->Form()->CurrentPicture());
        QCOMPARE(QImage(target).size(), QSize(widthOf("Plants.iff"), 30));
        QCOMPARE(filesIn(mExports), QStringList{offered});
    }

    // A bitmap saved beside a file whose name differs only in case: unasked it takes a free
    // name, the game's file untouched; chosen in the dialog it replaces that file only when
    // the user agrees, and says which file it wrote.
    void savingBesideAFileNamedInAnotherCase_data() {
        QTest::addColumn<bool>("prompt");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QStringList>("files");
        const QString question =
            "The file \"%1/SWATCHES.BMP\" already exists: its name differs from \"swatches.bmp\" only in case.\n"
            "Do you want to replace it?";
        QTest::newRow("unasked") << false << true << QStringList() << "swatches (2).bmp"
                                 << QStringList{"SWATCHES.BMP", "swatches (2).bmp", "swatches.iff"};
        QTest::newRow("asked, replace") << true << true << QStringList{question} << "SWATCHES.BMP"
                                        << QStringList{"SWATCHES.BMP", "swatches.iff"};
        QTest::newRow("asked, keep") << true << false << QStringList{question} << ""
                                     << QStringList{"SWATCHES.BMP", "swatches.iff"};
    }
    void savingBesideAFileNamedInAnotherCase() {
        QFETCH(bool, prompt);
        QFETCH(bool, yes);
        QFETCH(QStringList, questions);
        QFETCH(QString, written);
        QFETCH(QStringList, files);
        mSandbox->MakeFile(mFolder, "swatches.iff");
        const QString game = mSandbox->MakeFile(mFolder, "SWATCHES.BMP", 7);
        const auto browser = open("swatches.iff", prompt);
        browser->doc->SetExportPath(mFolder);  // the export folder is the game's own
        mSandbox->answerYes = yes;
        mSandbox->saveAnswer = mFolder + "/swatches.bmp";
        browser->frame->SaveAction()->trigger();
        QCOMPARE(mSandbox->questions, questions.replaceInStrings("%1", mFolder));
        QCOMPARE(filesIn(mFolder), files);
        if (written != "SWATCHES.BMP") QCOMPARE(QFileInfo(game).size(), 7);
        if (!written.isEmpty()) {
            QCOMPARE(QImage(mFolder + "/" + written).size(), QSize(widthOf("s"), 30));
            QCOMPARE(browser->frame->statusBar()->currentMessage(),
                     QString("Bitmap saved to \"%1/%2\"").arg(mFolder, written));
        }
    }

    // Unasked saves of two files that give one name, and Export Previews into a folder that
    // holds their pictures already, keep every earlier picture.
    void unaskedSavesAndExportsKeepEarlierPictures() {
        mSandbox->MakeFile(mFolder, "chair.iff");
        mSandbox->MakeFile(mFolder, "chair.spf");
        const auto browser = open("chair.iff");
        browser->frame->SaveAction()->trigger();
        browser->SelectFile("chair.spf");
        browser->frame->SaveAction()->trigger();
        QCOMPARE(filesIn(mExports), (QStringList{"chair (2).bmp", "chair.bmp"}));
        QCOMPARE(browser->frame->statusBar()->currentMessage(),
                 QString("Bitmap saved to \"%1/chair (2).bmp\"").arg(mExports));
        const QString earlier = mSandbox->MakeFile(mExports, "chair-view10.png", 5);
        QCOMPARE(browser->frame->ExportPreviews(mExports), 1);
        QCOMPARE(QFileInfo(earlier).size(), 5);
        QCOMPARE(QImage(mExports + "/chair-view10 (2).png").size(), QSize(widthOf("c"), 30));
        QCOMPARE(browser->frame->statusBar()->currentMessage(),
                 QString("1 of 1 previews written to \"%1\", 1 under a new name beside an existing picture")
                     .arg(mExports));
    }

    // Another program writes the shown file in several steps: the form opens it once, after
    // the writes have stopped, never in between; and once more for any later rewrite.
    void aFileBeingWrittenIsShownOnceItStandsStill() {
        int opened = 0;
        installNamedPictures(&opened);
        const QString plants = mSandbox->MakeFile(mFolder, "Plants.iff", 100);
        const auto browser = open("Plants.iff");
        const int before = opened;
        const int shownBefore = browser->List()->RowCount();
        browser->List()->SetSettleMilliseconds(1000);  // far longer than the gaps between writes
        QFile file(plants);
        QVERIFY(file.open(QIODevice::Append));
        for (int step = 0; step < 5; ++step) {
            file.write(QByteArray(1000, 'x'));
            file.flush();
            QTest::qWait(100);
            QCOMPARE(opened, before);  // half-written: not opened again
        }
        file.close();
        QTRY_COMPARE(opened, before + 1);
        QCOMPARE(browser->List()->RowCount(), shownBefore);
        QCOMPARE(browser->List()->BytesAt(browser->List()->CurrentRow()), 5100);
        QTest::qWait(1500);
        QCOMPARE(opened, before + 1);
        // Rewritten at the same size within the same second: still a change to show.
        browser->List()->SetSettleMilliseconds(CTambrixView::kSettleMilliseconds);
        const QDateTime shown = QFileInfo(plants).lastModified();
        const QDateTime sameSecond = shown.addMSecs((shown.time().msec() + 500) % 1000 - shown.time().msec());
        mSandbox->MakeFile(mFolder, "Plants.iff", 5100);
        QFile rewritten(plants);
        QVERIFY(rewritten.open(QIODevice::ReadWrite) &&
                rewritten.setFileTime(sameSecond, QFileDevice::FileModificationTime));
        rewritten.close();
        QTRY_COMPARE(opened, before + 2);
    }

    // The watches stay while the list moves from file to file: a file created while another
    // is being opened (between the list's refill and its watches) still shows, and a file
    // copied in empty and then filled shows its final size.
    void noChangeIsLostBetweenWatches() {
        mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.iff");
        const auto browser = open("a.iff");
        const QStringList watchedBefore = browser->List()->Watcher().directories();
        Openers().openFile = [&](const QString& path, tambrix::GameFileAccess) -> std::unique_ptr<ViewedFile> {
            if (QFileInfo(path).fileName() == "b.iff") mSandbox->MakeFile(mFolder, "late.iff");
            FakeContent content{.inputs = {}, .previewDrawn = true, .previewSize = QSize(20, 20)};
            return std::make_unique<FakeViewedFile>(tambrix::GameFileKind::kObject, content);
        };
        browser->SelectFile("b.iff");
        QCOMPARE(browser->List()->Watcher().directories(), watchedBefore);
        QTRY_COMPARE(browser->List()->RowCount(), 3);
        QCOMPARE(browser->doc->CurrentFile(), QString("b.iff"));
        QFile copy(mFolder + "/copy.iff");
        QVERIFY(copy.open(QIODevice::WriteOnly));
        QTRY_VERIFY(browser->List()->ChangePending());
        copy.write(QByteArray(3000, 'x'));
        copy.close();
        QTRY_COMPARE(browser->List()->RowCount(), 4);
        QCOMPARE(browser->List()->FileAt(2), QString("copy.iff"));
        QTRY_COMPARE(browser->List()->TextAt(2, 1), QString("2KB"));
    }

private:
    std::unique_ptr<Browser> open(const QString& name, bool prompt = false) {
        auto browser = std::make_unique<Browser>(mSims);
        browser->doc->SetPromptOnSave(prompt);
        browser->doc->SetExportPath(mExports);
        browser->SelectFolder(mFolder);
        browser->SelectFile(name);
        return browser;
    }

    std::unique_ptr<Sandbox> mSandbox;
    QString mSims, mFolder, mExports;
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
