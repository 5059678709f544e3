// The road of one selection on the demo folder, with the real library underneath:
// folders fill the list, the first file is previewed at once, object files show their
// texts and picture, wall files their labelled sprites and frames, bitmaps themselves;
// Save writes a bitmap file, Delete asks and minds read-only files.

#include <QAction>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QtTest>
#include <memory>

#include "demo/DemoFolder.h"
#include "demo/DraftDemo.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

/// Every file of the demo folder with one of the extensions, as paths.
QStringList demoFiles(const QString& root, const QString& suffix) {
    QStringList files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(suffix, Qt::CaseInsensitive)) files << path;
    }
    files.sort();
    return files;
}

/// The little-endian 32-bit value at a byte offset of a file's head.
quint32 u32At(const QByteArray& bytes, int offset) {
    return quint8(bytes[offset]) | quint8(bytes[offset + 1]) << 8 | quint8(bytes[offset + 2]) << 16 |
           quint32(quint8(bytes[offset + 3])) << 24;
}

}  // namespace

class DemoRoadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // Written once (in draft quality, the pictures being beside the point here) and
        // shared by the cases, which leave it as they found it.
        QVERIFY(mDemoRoot.isValid());
        mDemo = mDemoRoot.path() + "/demo";
        std::string error;
        const int32_t result = WriteDraftDemo(mDemo, error);
        QVERIFY2(result == 0, error.c_str());
    }
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mBrowser = std::make_unique<Browser>(mDemo);
    }
    void cleanup() {
        mBrowser.reset();
        mSandbox.reset();
    }

    void selectingAFolderFillsTheListAndPreviewsTheFirstFile() {
        const QStringList objects = demoFiles(mDemo, ".iff");
        QVERIFY(!objects.isEmpty());
        const QString folder = QFileInfo(objects.first()).absolutePath();
        QVERIFY(mBrowser->SelectFolder(folder));
        QVERIFY(mBrowser->List()->RowCount() > 0);
        QCOMPARE(mBrowser->List()->CurrentRow(), 0);
        QCOMPARE(mBrowser->doc->CurrentFile(), mBrowser->List()->FileAt(0));
        QVERIFY(mBrowser->Form()->HasOpenFile() || mBrowser->Form()->CurrentPicture() ||
                mBrowser->doc->CurrentFile().endsWith(".spf", Qt::CaseInsensitive));
    }

    void objectFileShowsNamePriceDescriptionAndPicture() {
        int shown = 0;
        for (const QString& path : demoFiles(mDemo, ".iff")) {
            select(path);
            CObjectView* form = mBrowser->Form();
            if (!form->SpriteList()->isHidden() || form->NameEdit()->isHidden()) continue;  // no objects
            QVERIFY2(!form->NameEdit()->text().isEmpty(), qPrintable(path));
            bool priceIsNumber = false;
            form->PriceEdit()->text().toInt(&priceIsNumber);
            QVERIFY2(priceIsNumber, qPrintable(path));
            QVERIFY(!form->DescriptionEdit()->isHidden());
            QVERIFY(form->FrameList()->isHidden() && form->FrameLabel()->isHidden() && form->SpriteLabel()->isHidden());
            QVERIFY2(form->CurrentPicture(), qPrintable(path));
            const QImage picture = form->CurrentPicture()->Image();
            QCOMPARE(form->Frame()->size(), picture.size() + QSize(8, 8));
            // Something besides the white background was drawn.
            bool drawn = false;
            for (int y = 0; y < picture.height() && !drawn; ++y)
                for (int x = 0; x < picture.width() && !drawn; ++x)
                    drawn = picture.pixelColor(x, y) != QColor(Qt::white);
            QVERIFY2(drawn, qPrintable(path));
            ++shown;
        }
        QVERIFY(shown > 0);
    }

    void objectSpritesInTheCompanionFileAreFound() {
        // An object file with an ".spf" beside it draws from the companion's sprites.
        int checked = 0;
        for (const QString& path : demoFiles(mDemo, ".spf")) {
            const QString object = path.left(path.size() - 4) + ".iff";
            if (!QFile::exists(object)) continue;
            select(object);
            QVERIFY2(mBrowser->Form()->CurrentPicture(), qPrintable(object));
            ++checked;
        }
        if (checked == 0) QSKIP("the demo folder has no object file with a companion");
    }

    void wallFileListsLabelledSpritesAndFramesAndDrawsTheSelectedOne() {
        const QStringList walls = demoFiles(mDemo, ".wll");
        QVERIFY(!walls.isEmpty());
        select(walls.first());
        CObjectView* form = mBrowser->Form();
        const QStringList sprites = ItemTexts(form->SpriteList());
        QVERIFY(sprites.size() >= 1);
        const QStringList spriteLabels{"Far", "Medium", "Near"};
        for (int i = 0; i < sprites.size() && i < 3; ++i) QCOMPARE(sprites[i], spriteLabels[i]);
        QVERIFY(!form->SpriteList()->isHidden() && !form->SpriteLabel()->isHidden());
        const QStringList frameLabels{"Left", "Right", "Facing", "Insert"};
        const QStringList frames = ItemTexts(form->FrameList());
        QVERIFY(!frames.isEmpty());
        for (int i = 0; i < frames.size() && i < 4; ++i) QCOMPARE(frames[i], frameLabels[i]);
        QVERIFY(!form->FrameList()->isHidden());
        QVERIFY(form->CurrentPicture());
        if (sprites.size() > 1) {
            form->SpriteList()->setCurrentRow(1);
            form->FrameList()->setCurrentRow(0);
            QVERIFY(form->CurrentPicture());
            QCOMPARE(form->Frame()->size(), form->CurrentPicture()->Image().size() + QSize(8, 8));
        }
    }

    void bitmapFileShowsItself() {
        const QStringList bitmaps = demoFiles(mDemo, ".bmp");
        QVERIFY(!bitmaps.isEmpty());
        select(bitmaps.first());
        QVERIFY(mBrowser->Form()->CurrentPicture());
        QCOMPARE(mBrowser->Form()->CurrentPicture()->Image().size(), QImage(bitmaps.first()).size());
        QVERIFY(mBrowser->Form()->NameEdit()->isHidden());
    }

    void folderWithoutListedFilesHidesTheFormAndDisablesCommands() {
        select(demoFiles(mDemo, ".iff").first());
        QVERIFY(mBrowser->frame->DeleteAction()->isEnabled());
        const QString bare = mDemo + "/Bare";
        QDir().mkpath(bare);
        mSandbox->MakeFile(bare, "readme.txt");
        mBrowser->Tree()->OnInitialUpdate();
        QVERIFY(mBrowser->SelectFolder(bare));
        QCOMPARE(mBrowser->List()->RowCount(), 0);
        for (QWidget* control : mBrowser->Form()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY(control->isHidden());
        QVERIFY(!mBrowser->frame->DeleteAction()->isEnabled());
        QVERIFY(!mBrowser->frame->SaveAction()->isEnabled());
        QDir(bare).removeRecursively();
    }

    void saveWithoutPromptWritesTheBitmapAndSaysWhere() {
        const QString object = demoFiles(mDemo, ".iff").first();
        const QString exports = mSandbox->MakeFolder("exports");
        mBrowser->doc->SetPromptOnSave(false);
        mBrowser->doc->SetExportPath(exports);
        select(object);
        QVERIFY(mBrowser->Form()->CurrentPicture());
        mBrowser->frame->SaveAction()->trigger();
        const QString written = QDir(exports).filePath(QFileInfo(object).completeBaseName() + ".bmp");
        QCOMPARE(mBrowser->frame->statusBar()->currentMessage(), QString("Bitmap saved to \"%1\"").arg(written));
        QFile file(written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(54);
        QCOMPARE(head.left(2), QByteArray("BM"));
        QCOMPARE(u32At(head, 2), quint32(file.size()));
        const QImage shown = mBrowser->Form()->CurrentPicture()->Image();
        QCOMPARE(QImage(written).size(), shown.size());
        QCOMPARE(QImage(written).convertToFormat(QImage::Format_RGB32), shown.convertToFormat(QImage::Format_RGB32));
    }

    void deletingAReadOnlyDemoFileKeepsIt() {
        const QString object = demoFiles(mDemo, ".iff").first();
        QFile::setPermissions(object, QFileDevice::ReadOwner);
        select(object);
        mBrowser->frame->DeleteAction()->trigger();
        QCOMPARE(mSandbox->messages, QStringList{"Unable to delete this file. Perhaps it's read-only?"});
        QVERIFY(QFile::exists(object));
        bool listed = false;
        for (int row = 0; row < mBrowser->List()->RowCount(); ++row)
            listed = listed || mBrowser->List()->FileAt(row) == QFileInfo(object).fileName();
        QVERIFY(listed);
        QFile::setPermissions(object, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void answeringNoDeletesNothing() {
        const QString object = demoFiles(mDemo, ".iff").first();
        select(object);
        mSandbox->answerYes = false;
        mBrowser->frame->DeleteAction()->trigger();
        QCOMPARE(mSandbox->questions.size(), 1);
        QVERIFY(QFile::exists(object));
    }

private:
    void select(const QString& path) {
        const QFileInfo info(path);
        QVERIFY(mBrowser->SelectFolder(info.absolutePath()));
        mBrowser->SelectFile(info.fileName());
        QCOMPARE(mBrowser->doc->CurrentFile(), info.fileName());
    }

    std::unique_ptr<Sandbox> mSandbox;
    std::unique_ptr<Browser> mBrowser;
    QTemporaryDir mDemoRoot;
    QString mDemo;
};

QTEST_MAIN(DemoRoadTest)
#include "DemoRoadTest.moc"
