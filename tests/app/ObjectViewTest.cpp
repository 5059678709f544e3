// The object view and the frame's Save and Delete with a stand-in for the library,
// whose pictures tell by their size which sprite, frame, object and view they show.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <optional>

#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/FakeViewedFile.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

FakeContent chair(bool drawn = true) {
    FakeContent content;
    content.inputs.objects = {{"Chair", "120", "Sit on it."}};
    content.previewSize = QSize(45, 60);
    content.previewDrawn = drawn;
    return content;
}

FakeContent wall(bool texts = true) {
    FakeContent content;
    content.inputs.sprites = {{100, 4}, {101, 4}, {102, 3}, {103, 5}};
    if (texts) content.inputs.tableZero = tambrix::ViewTexts{"Brick", "5", "A red wall."};
    return content;
}

}  // namespace

Q_DECLARE_METATYPE(std::optional<FakeContent>)

class ObjectViewTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mSims = mSandbox->MakeFolder("sims");
        mFolder = mSandbox->MakeFolder("sims/Data");
        mExports = mSandbox->MakeFolder("exports");
    }
    void cleanup() { mSandbox.reset(); }

    // From view 10 the steps visit all twelve views (a fake preview is wider by the view
    // less 10); a zoom past far is refused; the view stays for the next file, and Save
    // writes the view shown. By the buttons and by the keys.
    void viewStepsWalkEveryViewAndSaveWritesTheOneShown_data() {
        QTest::addColumn<bool>("keys");
        QTest::newRow("buttons") << false;
        QTest::newRow("keys") << true;
    }
    void viewStepsWalkEveryViewAndSaveWritesTheOneShown() {
        QFETCH(bool, keys);
        using art::ViewStep;
        const std::pair<ViewStep, int> walk[] = {
            {ViewStep::RotateRight, 11}, {ViewStep::RotateRight, 8}, {ViewStep::RotateRight, 9}, {ViewStep::ZoomOut, 5},
            {ViewStep::RotateLeft, 4},   {ViewStep::RotateLeft, 7},  {ViewStep::RotateLeft, 6},  {ViewStep::ZoomOut, 2},
            {ViewStep::RotateRight, 3},  {ViewStep::RotateRight, 0}, {ViewStep::RotateRight, 1}, {ViewStep::ZoomOut, 1},
            {ViewStep::ZoomIn, 5}};
        const Qt::Key stepKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Minus, Qt::Key_Plus};
        InstallFakeOpeners(chair());
        mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.iff");
        auto browser = open(false);
        CObjectView* form = browser->Form();
        QCOMPARE(form->ViewLabel()->text(), QString("10 (near, rotation 2)"));
        QVERIFY(!form->StepButton(ViewStep::ZoomIn)->isEnabled());
        QSet<int> seen{10};
        for (const auto& [step, view] : walk) {
            if (keys)
                QTest::keyClick(form, stepKeys[static_cast<int>(step)]);
            else if (form->StepButton(step)->isEnabled())
                form->StepButton(step)->click();
            QCOMPARE(form->CurrentPicture()->Image().width(), 45 + view - 10);
            seen.insert(view);
        }
        QCOMPARE(seen.size(), 12);
        QCOMPARE(form->ViewLabel()->text(), QString("5 (medium, rotation 1)"));
        browser->SelectFile("b.iff");
        QCOMPARE(form->View(), 5);
        browser->frame->SaveAction()->trigger();
        QCOMPARE(QImage(mExports + "/b.bmp").size(), QSize(40, 60));
    }

    // Sprites and frames are chosen by their index: a wall keeps them for the next wall
    // (up to the third sprite); a frame the sprite lacks shows nothing.
    void wallsKeepTheirSpriteAndFrameByIndex() {
        InstallFakeOpeners(wall());
        mSandbox->MakeFile(mFolder, "brick.wll");
        mSandbox->MakeFile(mFolder, "stone.wll");
        auto browser = open(true);
        CObjectView* form = browser->Form();
        QCOMPARE(ItemTexts(form->SpriteList()), (QStringList{"Far", "Medium", "Near", ""}));
        QCOMPARE(form->NameEdit()->text(), QString("Brick"));
        form->SpriteList()->setCurrentRow(1);
        form->FrameList()->setCurrentRow(2);
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(11, 12));
        browser->SelectFile("stone.wll");
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(11, 12));
        form->SpriteList()->setCurrentRow(3);
        form->FrameList()->setCurrentRow(4);
        browser->SelectFile("brick.wll");
        QCOMPARE(form->SpriteList()->currentRow(), 0);
        QCOMPARE(form->FrameList()->currentRow(), -1);  // sprite 0 has no frame 4
        QVERIFY(!form->CurrentPicture());
        QVERIFY(form->Frame()->isHidden());
    }

    // Nothing of the file before stays on show (Save would write it under the new name).
    void nextFileReplacesEverythingOfThePrevious_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<FakeContent>>("next");
        QTest::newRow("cannot be opened") << "b.iff" << std::optional<FakeContent>();
        QTest::newRow("wall without strings") << "b.wll" << std::optional<FakeContent>(wall(false));
        QTest::newRow("nothing at all") << "b.iff" << std::optional<FakeContent>(FakeContent());
        QTest::newRow("object without preview") << "b.iff" << std::optional<FakeContent>(chair(false));
    }
    void nextFileReplacesEverythingOfThePrevious() {
        QFETCH(QString, name);
        QFETCH(std::optional<FakeContent>, next);
        InstallFakeOpeners(chair());
        mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, name);
        auto browser = open(false);
        QVERIFY(browser->Form()->CurrentPicture());
        InstallFakeOpeners(next);
        browser->SelectFile(name);
        CObjectView* form = browser->Form();
        QCOMPARE(!form->NameEdit()->isHidden(), next.has_value());
        const bool chairAgain = next && !next->inputs.objects.empty();
        if (next) QCOMPARE(form->NameEdit()->text() + form->PriceEdit()->text(), QString(chairAgain ? "Chair120" : ""));
        QCOMPARE(form->CurrentPicture() != nullptr, next && !next->inputs.sprites.empty());
        QCOMPARE(form->Frame()->isHidden(), !form->CurrentPicture());
        browser->frame->SavePreview();
        QCOMPARE(QFile::exists(mExports + "/b.bmp"), form->CurrentPicture() != nullptr);
    }

    // Save: into the export folder without a question (overwriting), with a question
    // that offers the export folder, or asking for want of an export folder.
    void saveWritesThePicture_data() {
        QTest::addColumn<bool>("prompt");
        QTest::addColumn<QString>("exports");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QString>("status");
        QTest::newRow("no prompt") << false << "exports" << QStringList() << "Bitmap saved to \"%1/my.chair.bmp\"";
        QTest::newRow("prompt") << true << "exports" << QStringList{"%1/my.chair.bmp"} << "Ready";
        QTest::newRow("no export folder") << false << "" << QStringList{"my.chair.bmp"} << "Ready";
    }
    void saveWritesThePicture() {
        QFETCH(bool, prompt);
        QFETCH(QString, exports);
        QFETCH(QStringList, offered);
        QFETCH(QString, status);
        InstallFakeOpeners(chair());
        mSandbox->MakeFile(mFolder, "my.chair.iff");
        Browser browser(mSims);
        browser.doc->SetPromptOnSave(prompt);
        browser.doc->SetExportPath(exports.isEmpty() ? QString() : mExports);
        QVERIFY(browser.SelectFolder(mFolder));
        const QString target = offered.isEmpty() ? mExports + "/my.chair.bmp" : mSandbox->Root() + "/chosen.bmp";
        QFile(target).open(QIODevice::WriteOnly);  // an old file of that name is overwritten
        mSandbox->saveAnswer = target;
        browser.frame->SaveAction()->trigger();
        QCOMPARE(mSandbox->saveDefaults, offered.replaceInStrings("%1", mExports));
        QCOMPARE(QImage(target).size(), QSize(45, 60));
        QCOMPARE(browser.frame->statusBar()->currentMessage(), status.arg(mExports));
        QFile::remove(target);
        mSandbox->saveAnswer.reset();  // cancelled: nothing is written
        browser.frame->SaveAction()->trigger();
        QCOMPARE(QFile::exists(target), offered.isEmpty());
    }

    // Delete asks first; it minds read-only files and moves on to the next file.
    void deleteAsksAndRemoves_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("yes") << true << false << QStringList() << QStringList{"b.iff"};
        QTest::newRow("no") << false << false << QStringList() << QStringList{"a.iff", "b.iff"};
        QTest::newRow("read-only") << true << true << QStringList{"Unable to delete this file. Perhaps it's read-only?"}
                                   << QStringList{"a.iff", "b.iff"};
    }
    void deleteAsksAndRemoves() {
        QFETCH(bool, yes);
        QFETCH(bool, readOnly);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, left);
        int openFiles = 0;
        InstallFakeOpeners(chair(), &openFiles);
        const QString first = mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.iff");
        if (readOnly) QFile::setPermissions(first, QFileDevice::ReadOwner);
        auto browser = open(true);
        mSandbox->answerYes = yes;
        browser->frame->DeleteAction()->trigger();
        QFile::setPermissions(first, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(mSandbox->questions, QStringList{"Are you sure you want to delete the file\n\"a.iff\"?"});
        QCOMPARE(mSandbox->messages, messages);
        QCOMPARE(QFile::exists(first), left.size() == 2);  // and the list shows what is left
        QCOMPARE(browser->List()->RowCount(), left.size());
        QCOMPARE(browser->doc->CurrentFile(), left.first());
        QCOMPARE(browser->Form()->NameEdit()->text(), QString("Chair"));
        QCOMPARE(openFiles, 1);
        if (left.size() > 1) return;
        browser->frame->OnDelete();  // the last file: everything empties
        QVERIFY(browser->doc->CurrentFile().isEmpty() && !browser->Form()->CurrentPicture());
        QVERIFY(!browser->frame->DeleteAction()->isEnabled());
    }

private:
    std::unique_ptr<Browser> open(bool prompt) {
        auto browser = std::make_unique<Browser>(mSims);
        browser->doc->SetPromptOnSave(prompt);
        browser->doc->SetExportPath(mExports);
        browser->SelectFolder(mFolder);
        browser->SelectFile("a.iff");
        return browser;
    }

    std::unique_ptr<Sandbox> mSandbox;
    QString mSims;
    QString mFolder;
    QString mExports;
};

QTEST_MAIN(ObjectViewTest)
#include "ObjectViewTest.moc"
