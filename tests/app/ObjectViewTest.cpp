// The object view's roads with a stand-in for the library: object files, object
// files without objects, walls, floors, bitmaps and other files; then Save and Delete
// through the frame.

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/FakeViewedFile.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

QStringList itemTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

FakeContent chairContent() {
    FakeContent content;
    content.inputs.objects = {{"Chair", "120", "Sit on it."}};
    content.previewSize = QSize(45, 60);
    return content;
}

FakeContent wallContent() {
    FakeContent content;
    content.inputs.tableZero = tambrix::ViewTexts{"Brick", "5", "A red wall."};
    content.inputs.sprites = {{100, 4}, {101, 4}, {102, 3}, {103, 5}};
    return content;
}

}  // namespace

class ObjectViewTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mSims = mSandbox->MakeFolder("sims");
        mFolder = mSandbox->MakeFolder("sims/Data");
    }
    void cleanup() { mSandbox.reset(); }

    void objectFileShowsTextsAndPreviewWithListsHidden() {
        InstallFakeOpeners(chairContent());
        mSandbox->MakeFile(mFolder, "chair.iff");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        CObjectView* form = browser.Form();
        QCOMPARE(form->NameEdit()->text(), QString("Chair"));
        QCOMPARE(form->PriceEdit()->text(), QString("120"));
        QCOMPARE(form->DescriptionEdit()->toPlainText(), QString("Sit on it."));
        QVERIFY(!form->NameEdit()->isHidden() && !form->PriceEdit()->isHidden() &&
                !form->DescriptionEdit()->isHidden());
        QVERIFY(form->SpriteList()->isHidden() && form->SpriteLabel()->isHidden());
        QVERIFY(form->FrameList()->isHidden() && form->FrameLabel()->isHidden());
        QVERIFY(form->CurrentPicture());
        QCOMPARE(form->Frame()->size(), QSize(45 + 8, 60 + 8));
        QVERIFY(!form->Frame()->isHidden());
        // The picture is drawn unscaled, 4 pixels inside the frame.
        const QImage shot = form->Frame()->grab().toImage();
        QCOMPARE(shot.pixelColor(4, 4), QColor(Qt::green));
        QCOMPARE(shot.pixelColor(4 + 44, 4 + 59), QColor(Qt::green));
    }

    // From view 10 the steps visit every view once (a fake preview is wider by the view
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
            {ViewStep::RotateRight, 11}, {ViewStep::RotateRight, 8}, {ViewStep::RotateRight, 9},
            {ViewStep::ZoomOut, 5},      {ViewStep::RotateLeft, 4},  {ViewStep::RotateLeft, 7},
            {ViewStep::RotateLeft, 6},   {ViewStep::ZoomOut, 2},     {ViewStep::RotateRight, 3},
            {ViewStep::RotateRight, 0},  {ViewStep::RotateRight, 1}, {ViewStep::ZoomOut, 1},
            {ViewStep::ZoomIn, 5}};
        const Qt::Key stepKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Minus, Qt::Key_Plus};
        InstallFakeOpeners(chairContent());
        mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.iff");
        const QString exports = mSandbox->MakeFolder("exports");
        Browser browser(mSims);
        browser.doc->SetPromptOnSave(false);
        browser.doc->SetExportPath(exports);
        QVERIFY(browser.SelectFolder(mFolder));
        CObjectView* form = browser.Form();
        QCOMPARE(form->View(), 10);
        QCOMPARE(form->ViewLabel()->text(), QString("10 (near, rotation 2)"));
        QVERIFY(!form->StepButton(ViewStep::ZoomIn)->isEnabled());
        QSet<int> seen{10};
        for (const auto& [step, view] : walk) {
            if (keys)
                QTest::keyClick(form, stepKeys[static_cast<int>(step)]);
            else if (form->StepButton(step)->isEnabled())
                form->StepButton(step)->click();
            QCOMPARE(form->View(), view);
            QCOMPARE(form->CurrentPicture()->Image().width(), 45 + view - 10);
            seen.insert(view);
        }
        QCOMPARE(seen.size(), 12);
        QCOMPARE(form->ViewLabel()->text(), QString("5 (medium, rotation 1)"));
        browser.SelectFile("b.iff");
        QCOMPARE(form->View(), 5);
        QCOMPARE(form->CurrentPicture()->Image().width(), 40);
        browser.frame->SaveAction()->trigger();
        QCOMPARE(QImage(exports + "/b.bmp").size(), QSize(40, 60));
    }

    void objectWithoutPreviewHidesThePictureFrame() {
        FakeContent content = chairContent();
        content.previewDrawn = false;
        InstallFakeOpeners(content);
        mSandbox->MakeFile(mFolder, "chair.iff");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        QVERIFY(!browser.Form()->CurrentPicture());
        QVERIFY(browser.Form()->Frame()->isHidden());
        QCOMPARE(browser.Form()->NameEdit()->text(), QString("Chair"));
    }

    void objectFileWithoutObjectsListsSpritesAndFrames() {
        FakeContent content = wallContent();
        InstallFakeOpeners(content);
        mSandbox->MakeFile(mFolder, "sprites.iff");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        CObjectView* form = browser.Form();
        QCOMPARE(form->NameEdit()->text(), QString("Brick"));
        QCOMPARE(itemTexts(form->SpriteList()), (QStringList{"100", "101", "102", "103"}));
        QCOMPARE(itemTexts(form->FrameList()), (QStringList{"0", "1", "2", "3"}));
        QVERIFY(!form->SpriteList()->isHidden() && !form->FrameList()->isHidden());
        QCOMPARE(form->SpriteList()->currentRow(), 0);
        QCOMPARE(form->FrameList()->currentRow(), 0);
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(10, 10));
        // Frame 3 selected, then a sprite of three frames: the first frame is taken.
        form->FrameList()->setCurrentRow(3);
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(10, 13));
        form->SpriteList()->setCurrentRow(2);
        QCOMPARE(itemTexts(form->FrameList()), (QStringList{"0", "1", "2"}));
        QCOMPARE(form->FrameList()->currentRow(), 0);
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(12, 10));
    }

    void objectFileWithoutObjectsOrStringsShowsEmptyTexts() {
        FakeContent content;  // no objects, no string table, no sprites
        InstallFakeOpeners(chairContent());
        mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.iff");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        QCOMPARE(browser.Form()->NameEdit()->text(), QString("Chair"));
        InstallFakeOpeners(content);
        browser.SelectFile(browser.List()->FileAt(1));
        CObjectView* form = browser.Form();
        QCOMPARE(form->NameEdit()->text(), QString());
        QCOMPARE(form->PriceEdit()->text(), QString());
        QCOMPARE(form->DescriptionEdit()->toPlainText(), QString());
        QVERIFY(form->SpriteList()->isHidden() && form->FrameList()->isHidden());
        QVERIFY(!form->CurrentPicture());
        QVERIFY(form->Frame()->isHidden());
    }

    void wallFileLabelsSpritesAndFramesAndKeepsSelectionByIndex() {
        InstallFakeOpeners(wallContent());
        mSandbox->MakeFile(mFolder, "brick.wll");
        mSandbox->MakeFile(mFolder, "stone.wll");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        CObjectView* form = browser.Form();
        QCOMPARE(itemTexts(form->SpriteList()), (QStringList{"Far", "Medium", "Near", ""}));
        QCOMPARE(itemTexts(form->FrameList()), (QStringList{"Left", "Right", "Facing", "Insert"}));
        QVERIFY(!form->SpriteLabel()->isHidden() && !form->FrameLabel()->isHidden());
        // A wall shown afresh starts on its first sprite and frame.
        QCOMPARE(form->SpriteList()->currentRow(), 0);
        QCOMPARE(form->FrameList()->currentRow(), 0);
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(10, 10));

        form->SpriteList()->setCurrentRow(1);  // "Medium"
        form->FrameList()->setCurrentRow(2);   // "Facing"
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(11, 12));

        // The other wall file keeps sprite 1 and frame 2 by their index.
        browser.SelectFile(browser.List()->FileAt(1 - browser.List()->CurrentRow()));
        QCOMPARE(form->SpriteList()->currentRow(), 1);
        QCOMPARE(form->FrameList()->currentRow(), 2);
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(11, 12));

        // A sprite beyond the third is not kept: the first is selected instead.
        form->SpriteList()->setCurrentRow(3);
        form->FrameList()->setCurrentRow(4);
        QCOMPARE(itemTexts(form->FrameList()).last(), QString());
        browser.SelectFile(browser.List()->FileAt(1 - browser.List()->CurrentRow()));
        QCOMPARE(form->SpriteList()->currentRow(), 0);
        // Frame 4 does not exist in sprite 0: no frame and no picture.
        QCOMPARE(form->FrameList()->currentRow(), -1);
        QVERIFY(!form->CurrentPicture());
        QVERIFY(form->Frame()->isHidden());
    }

    void wallFileWithoutStringsShowsEmptyTexts() {
        InstallFakeOpeners(chairContent());
        mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.wll");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.SelectFile("a.iff");
        QCOMPARE(browser.Form()->NameEdit()->text(), QString("Chair"));
        FakeContent wall = wallContent();
        wall.inputs.tableZero.reset();
        InstallFakeOpeners(wall);
        browser.SelectFile("b.wll");
        // The chair's texts must not stand beside the wall's sprites.
        QCOMPARE(browser.Form()->NameEdit()->text(), QString());
        QCOMPARE(browser.Form()->PriceEdit()->text(), QString());
    }

    void floorFileHidesItsSingleFrameItem() {
        InstallFakeOpeners(wallContent());
        mSandbox->MakeFile(mFolder, "grass.flr");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        CObjectView* form = browser.Form();
        QCOMPARE(itemTexts(form->SpriteList()), (QStringList{"Far", "Medium", "Near", ""}));
        QCOMPARE(itemTexts(form->FrameList()), QStringList{CObjectView::kFloorFrameItem});
        QVERIFY(form->FrameList()->isHidden() && form->FrameLabel()->isHidden());
        QVERIFY(!form->SpriteList()->isHidden());
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(10, 10));
        form->SpriteList()->setCurrentRow(2);
        QCOMPARE(itemTexts(form->FrameList()), QStringList{CObjectView::kFloorFrameItem});
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(12, 10));
    }

    void bitmapFileShowsOnlyTheBitmap() {
        InstallFakeOpeners(chairContent());
        mSandbox->MakeBitmapFile(mFolder, "Photo.BMP", QSize(12, 9));
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        CObjectView* form = browser.Form();
        QVERIFY(form->CurrentPicture());
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(12, 9));
        QCOMPARE(form->Frame()->size(), QSize(20, 17));
        QVERIFY(!form->Frame()->isHidden());
        for (QWidget* control : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (control != form->Frame()) QVERIFY(control->isHidden());
        QCOMPARE(form->CurrentPicture()->Image().pixelColor(3, 3), QColor(Qt::red));
    }

    void brokenBitmapShowsNothing() {
        mSandbox->MakeFile(mFolder, "broken.bmp", 30);
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        QVERIFY(!browser.Form()->CurrentPicture());
        QVERIFY(browser.Form()->Frame()->isHidden());
    }

    void fileThatCannotBeOpenedClearsTheForm() {
        InstallFakeOpeners(chairContent());
        mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.iff");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.SelectFile("a.iff");
        QVERIFY(browser.Form()->CurrentPicture());
        InstallFakeOpeners(std::nullopt);
        browser.SelectFile("b.iff");
        // Nothing of a.iff may stay on show (Save would write it as b.bmp).
        QVERIFY(!browser.Form()->CurrentPicture());
        QVERIFY(browser.Form()->NameEdit()->isHidden());
        QVERIFY(!browser.Form()->HasOpenFile());
    }

    void saveWithoutPromptWritesIntoTheExportFolder() {
        mSandbox->MakeBitmapFile(mFolder, "photo.bmp", QSize(12, 9));
        const QString exports = mSandbox->MakeFolder("exports");
        Browser browser(mSims);
        browser.doc->SetPromptOnSave(false);
        browser.doc->SetExportPath(exports);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.frame->SaveAction()->trigger();
        const QString written = QDir::toNativeSeparators(exports + "/photo.bmp");
        QVERIFY(QFile::exists(written));
        QCOMPARE(QImage(written).size(), QSize(12, 9));
        QCOMPARE(browser.frame->statusBar()->currentMessage(), QString("Bitmap saved to \"%1\"").arg(written));
        QVERIFY(mSandbox->saveDefaults.isEmpty());
        // Saving again overwrites.
        QFile::resize(written, 3);
        browser.frame->SaveAction()->trigger();
        QCOMPARE(QImage(written).size(), QSize(12, 9));
    }

    void saveWithPromptAsksForTheName() {
        InstallFakeOpeners(chairContent());
        mSandbox->MakeFile(mFolder, "my.chair.iff");
        const QString target = mSandbox->Root() + "/chosen.bmp";
        mSandbox->saveAnswer = target;
        Browser browser(mSims);
        browser.doc->SetExportPath("/never/used");
        QVERIFY(browser.SelectFolder(mFolder));
        browser.frame->SaveAction()->trigger();
        QCOMPARE(mSandbox->saveDefaults, QStringList{"/never/used/my.chair.bmp"});
        QCOMPARE(QImage(target).size(), QSize(45, 60));
        QCOMPARE(browser.frame->statusBar()->currentMessage(), QString("Ready"));
        // Cancelling writes nothing.
        QFile::remove(target);
        mSandbox->saveAnswer.reset();
        browser.frame->SaveAction()->trigger();
        QVERIFY(!QFile::exists(target));
    }

    void saveWithoutExportFolderAsksInstead() {
        InstallFakeOpeners(chairContent());
        mSandbox->MakeFile(mFolder, "chair.iff");
        Browser browser(mSims);
        browser.doc->SetPromptOnSave(false);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.frame->SaveAction()->trigger();
        QCOMPARE(mSandbox->saveDefaults, QStringList{"chair.bmp"});
    }

    void saveWithNoPictureDoesNothing() {
        FakeContent content = chairContent();
        content.previewDrawn = false;
        InstallFakeOpeners(content);
        mSandbox->MakeFile(mFolder, "chair.iff");
        const QString exports = mSandbox->MakeFolder("exports");
        Browser browser(mSims);
        browser.doc->SetPromptOnSave(false);
        browser.doc->SetExportPath(exports);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.frame->SavePreview();
        QVERIFY(QDir(exports).isEmpty());
        QCOMPARE(browser.frame->statusBar()->currentMessage(), QString("Ready"));
    }

    void deleteAsksAndRemovesTheFile() {
        int open = 0;
        InstallFakeOpeners(chairContent(), &open);
        const QString first = mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.iff");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.SelectFile("a.iff");
        browser.frame->DeleteAction()->trigger();
        QCOMPARE(mSandbox->questions, QStringList{"Are you sure you want to delete the file\n\"a.iff\"?"});
        QVERIFY(!QFile::exists(first));
        QCOMPARE(browser.List()->RowCount(), 1);
        QCOMPARE(browser.doc->CurrentFile(), QString("b.iff"));
        QVERIFY(mSandbox->messages.isEmpty());
        QCOMPARE(open, 1);
    }

    void answeringNoDeletesNothing() {
        InstallFakeOpeners(chairContent());
        const QString file = mSandbox->MakeFile(mFolder, "a.iff");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        mSandbox->answerYes = false;
        browser.frame->DeleteAction()->trigger();
        QCOMPARE(mSandbox->questions.size(), 1);
        QVERIFY(QFile::exists(file));
        QCOMPARE(browser.List()->RowCount(), 1);
        QCOMPARE(browser.Form()->NameEdit()->text(), QString("Chair"));
        QVERIFY(browser.Form()->HasOpenFile());
    }

    void deletingAReadOnlyFileSaysSoAndKeepsIt() {
        InstallFakeOpeners(chairContent());
        const QString file = mSandbox->MakeFile(mFolder, "locked.iff");
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.frame->DeleteAction()->trigger();
        QCOMPARE(mSandbox->messages, QStringList{"Unable to delete this file. Perhaps it's read-only?"});
        QVERIFY(QFile::exists(file));
        QCOMPARE(browser.List()->RowCount(), 1);
        QCOMPARE(browser.List()->FileAt(0), QString("locked.iff"));
        QCOMPARE(browser.Form()->NameEdit()->text(), QString("Chair"));
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void deletingTheLastFileEmptiesEverything() {
        InstallFakeOpeners(chairContent());
        mSandbox->MakeFile(mFolder, "a.iff");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.frame->OnDelete();
        QCOMPARE(browser.List()->RowCount(), 0);
        QVERIFY(browser.doc->CurrentFile().isEmpty());
        QVERIFY(!browser.Form()->CurrentPicture());
        QVERIFY(!browser.frame->DeleteAction()->isEnabled());
    }

private:
    std::unique_ptr<Sandbox> mSandbox;
    QString mSims;
    QString mFolder;
};

QTEST_MAIN(ObjectViewTest)
#include "ObjectViewTest.moc"
