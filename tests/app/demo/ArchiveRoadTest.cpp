// The demo folder's archive in the browser, with the real library underneath: the
// archive is a folder of the tree with its sub-folders, its entries list with their
// sizes and the archive's time, they open exactly as loose files, and changes to them
// are refused as for any read-only file. Game folders of the tests' own make an
// archive with a bitmap entry and archives that do not mount.

#include <QAction>
#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QtTest>
#include <memory>

#include "demo/DemoFolder.h"
#include "app/AppArt.h"
#include "app/ArchiveBridge.h"
#include "demo/DraftDemo.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FarWriter.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

QStringList itemTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

QStringList childTexts(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
    return texts;
}

QByteArray digestOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

std::vector<uint8_t> bytesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray all = file.readAll();
    return std::vector<uint8_t>(all.begin(), all.end());
}

bool drawnOnWhite(const QImage& picture) {
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixelColor(x, y) != QColor(Qt::white)) return true;
    return false;
}

void putU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t getU32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

bool writeBytes(const QString& path, const std::vector<uint8_t>& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    return file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

}  // namespace

class ArchiveRoadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(mDemoRoot.isValid());
        mDemo = mDemoRoot.path() + "/demo";
        std::string error;
        const int32_t result = WriteDraftDemo(mDemo, error);
        QVERIFY2(result == 0, error.c_str());
        mArchive = mDemo + "/GameData/Objects/Objects.far";
        QVERIFY(QFileInfo(mArchive).isFile());
    }
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mBrowser = std::make_unique<Browser>(mDemo);
    }
    void cleanup() {
        mBrowser.reset();
        mSandbox.reset();
    }

    void theArchiveIsAFolderAfterTheRealOnesWithItsSubFolders() {
        QTreeWidgetItem* archive = mBrowser->Tree()->ItemForPath(mArchive);
        QVERIFY(archive);
        QCOMPARE(archive->text(0), QString("Objects.far"));
        QCOMPARE(archive->icon(0).pixmap(16, 16).toImage(), art::Archive().toImage());
        QVERIFY(archive->icon(0).pixmap(16, 16).toImage() != art::ClosedFolder().toImage());
        // Every item before it under the same parent is a real folder.
        QTreeWidgetItem* parent = archive->parent();
        QVERIFY(parent);
        const int position = parent->indexOfChild(archive);
        for (int i = 0; i < position; ++i) {
            const QString path = mBrowser->Tree()->Paths()[parent->child(i)->data(0, Qt::UserRole).toInt() - 1];
            QVERIFY2(QFileInfo(path).isDir(), qPrintable(path));
        }
        QCOMPARE(childTexts(archive), (QStringList{"Chairs", "Floors", "Plants", "Walls"}));
        QVERIFY(mBrowser->Tree()->ItemForPath(mArchive + "/Plants"));
        // The real folders that lead to it are not listed twice.
        QCOMPARE(childTexts(parent).count("Objects.far"), 1);
        QCOMPARE(mBrowser->frame->statusBar()->currentMessage(), QString("Ready"));
    }

    void theTreeIsTheSameOnEveryBuild() {
        const QStringList first = mBrowser->Tree()->Paths();
        mBrowser->Tree()->OnInitialUpdate();
        QCOMPARE(mBrowser->Tree()->Paths(), first);
    }

    void selectingTheArchiveListsItsEntriesWithSizesAndItsTime() {
        QVERIFY(mBrowser->SelectFolder(mArchive));
        CTambrixView* list = mBrowser->List();
        QCOMPARE(list->RowCount(), 1);
        QCOMPARE(list->FileAt(0), QString("CrateStorage.iff"));
        const QString dateText = CTambrixView::DateText(QFileInfo(mArchive).lastModified().toSecsSinceEpoch());
        QVERIFY(!dateText.isEmpty());
        QCOMPARE(list->TextAt(0, 2), dateText);

        QVERIFY(mBrowser->SelectFolder(mArchive + "/Plants"));
        QCOMPARE(list->RowCount(), 2);
        QCOMPARE(list->FileAt(0), QString("PlantRubber.iff"));
        QCOMPARE(list->FileAt(1), QString("PlantRubber.spf"));
        for (int row = 0; row < 2; ++row) {
            std::vector<uint8_t> bytes;
            const std::string archive = QFile::encodeName(mArchive).toStdString();
            const std::string entry = "Plants\\" + list->FileAt(row).toStdString();
            QCOMPARE(tambrix::ReadFarEntry(archive.c_str(), entry.c_str(), bytes), tambrix::rc::kOk);
            QCOMPARE(list->TextAt(row, 1), QString::asprintf("%dKB", int(bytes.size() / 1024)));
            QCOMPARE(list->TextAt(row, 2), dateText);
        }
    }

    void anObjectInsideTheArchivePreviewsWithItsCompanion() {
        select(mArchive + "/Plants", "PlantRubber.iff");
        CObjectView* form = mBrowser->Form();
        QCOMPARE(form->NameEdit()->text(), QString("Office Rubber Plant"));
        QCOMPARE(form->PriceEdit()->text(), QString("70"));
        QVERIFY(form->CurrentPicture());
        QVERIFY(drawnOnWhite(form->CurrentPicture()->Image()));

        select(mArchive + "/Chairs", "ChairKitchen.iff");
        QCOMPARE(form->NameEdit()->text(), QString("Kitchen Chair"));
        QVERIFY(form->CurrentPicture());
        QVERIFY(drawnOnWhite(form->CurrentPicture()->Image()));
    }

    void wallAndFloorInsideTheArchiveOpen() {
        select(mArchive + "/Walls", "RoseStripe.wll");
        CObjectView* form = mBrowser->Form();
        QCOMPARE(form->NameEdit()->text(), QString("Rose Stripe Wallpaper"));
        QCOMPARE(itemTexts(form->SpriteList()).mid(0, 3), (QStringList{"Far", "Medium", "Near"}));
        QVERIFY(form->CurrentPicture());

        select(mArchive + "/Floors", "ParquetDark.flr");
        QCOMPARE(form->NameEdit()->text(), QString("Dark Parquet"));
        QVERIFY(form->CurrentPicture());
    }

    void theCatalogCompletionIsSkippedSilently() {
        const QByteArray before = digestOf(mArchive);
        select(mArchive, "CrateStorage.iff");
        QCOMPARE(mBrowser->Form()->NameEdit()->text(), QString("Storage Crate"));
        QVERIFY(mSandbox->messages.isEmpty());
        QCOMPARE(digestOf(mArchive), before);
    }

    // Nothing inside an archive can be deleted: the command is off and says why.
    void deleteInsideTheArchiveIsOff() {
        const QByteArray before = digestOf(mArchive);
        select(mArchive + "/Chairs", "ArmchairClub.iff");
        QVERIFY(!mBrowser->frame->DeleteAction()->isEnabled());
        QCOMPARE(mBrowser->frame->DeleteAction()->toolTip(), QString("Files inside an archive cannot be deleted"));
        mBrowser->frame->DeleteAction()->trigger();
        mBrowser->frame->OnDelete();
        QVERIFY(mSandbox->questions.isEmpty() && mSandbox->messages.isEmpty());
        QCOMPARE(digestOf(mArchive), before);
        QVERIFY(IsMountedEntry(mArchive + "/Chairs/ArmchairClub.iff"));
        QVERIFY(mBrowser->SelectFolder(mArchive + "/Chairs"));
        QCOMPARE(mBrowser->List()->RowCount(), 2);
    }

    void saveOfAnArchivedObjectWritesIntoTheExportFolder() {
        const QString exports = mSandbox->MakeFolder("exports");
        mBrowser->doc->SetPromptOnSave(false);
        mBrowser->doc->SetExportPath(exports);
        select(mArchive + "/Chairs", "ChairKitchen.iff");
        QVERIFY(mBrowser->Form()->CurrentPicture());
        mBrowser->frame->SaveAction()->trigger();
        const QString written = QDir(exports).filePath("ChairKitchen.bmp");
        QCOMPARE(mBrowser->frame->statusBar()->currentMessage(), QString("Bitmap saved to \"%1\"").arg(written));
        QCOMPARE(QImage(written).size(), mBrowser->Form()->CurrentPicture()->Image().size());
    }

    void aBitmapEntryIsReadThroughTheIndex() {
        const QString game = mSandbox->MakeFolder("game");
        const QString loose = mSandbox->MakeBitmapFile(mSandbox->MakeFolder("source"), "Red.bmp", QSize(12, 9));
        const std::string archive = QFile::encodeName(game + "/Pictures.far").toStdString();
        QCOMPARE(tambrix::WriteFarArchive(archive.c_str(), {{"Art\\Red.bmp", bytesOf(loose)}}), tambrix::rc::kOk);
        Browser browser(game);
        QVERIFY(browser.Tree()->ItemForPath(game + "/Pictures.far/Art"));
        QVERIFY(browser.SelectFolder(game + "/Pictures.far/Art"));
        browser.SelectFile("Red.bmp");
        QVERIFY(browser.Form()->CurrentPicture());
        QCOMPARE(browser.Form()->CurrentPicture()->Image().convertToFormat(QImage::Format_RGB32),
                 QImage(loose).convertToFormat(QImage::Format_RGB32));
        // No disk file of that name exists: the picture came from the archive.
        QVERIFY(!QFile::exists(game + "/Pictures.far/Art/Red.bmp"));

    }

    void archivesThatDoNotMountGiveAStatusTextOnly() {
        const QString game = mSandbox->MakeFolder("broken");
        mSandbox->MakeFile(game, "Junk.far", 64);
        Browser browser(game);
        QVERIFY(mSandbox->messages.isEmpty());
        QCOMPARE(browser.frame->statusBar()->currentMessage(), QString("Junk.far: not mounted (not a FAR archive)"));
        QVERIFY(!browser.Tree()->ItemForPath(game + "/Junk.far"));
    }

    void entriesOutsideTheArchiveAreSkippedAndTold() {
        const QString game = mSandbox->MakeFolder("hostile");
        const QString loose = mSandbox->MakeBitmapFile(mSandbox->MakeFolder("source2"), "Red.bmp");
        std::vector<uint8_t> bytes;
        QCOMPARE(tambrix::BuildFarArchive(
                     {{"One.bmp", bytesOf(loose)}, {"Two.bmp", bytesOf(loose)}, {"Six.bmp", bytesOf(loose)}},
                     tambrix::FarVariant::k1b, bytes),
                 tambrix::rc::kOk);
        // Manifest (1b): u32 count, then per entry u32 size, u32 second size, u32 offset,
        // u16 name length, the name. The second entry's offset is moved past the end.
        const size_t manifest = getU32(bytes, 12);
        const size_t second = manifest + 4 + 14 + 7;
        putU32(bytes, second + 8, uint32_t(bytes.size()) + 100);
        QVERIFY(writeBytes(game + "/Hostile.far", bytes));
        Browser browser(game);
        QVERIFY(mSandbox->messages.isEmpty());
        QCOMPARE(browser.frame->statusBar()->currentMessage(),
                 QString("Hostile.far: 1 entry skipped (entry lies outside the archive)"));
        QVERIFY(browser.SelectFolder(game + "/Hostile.far"));
        QCOMPARE(browser.List()->RowCount(), 2);
        QCOMPARE(browser.List()->FileAt(0), QString("One.bmp"));
        QCOMPARE(browser.List()->FileAt(1), QString("Six.bmp"));
    }

    void changingTheGameFolderUnmountsTheOldArchives() {
        const QString entry = mArchive + "/Chairs/ChairKitchen.iff";
        QVERIFY(IsMountedEntry(entry));
        const QString game = mSandbox->MakeFolder("other");
        const QString loose = mSandbox->MakeBitmapFile(mSandbox->MakeFolder("source3"), "Red.bmp");
        const std::string archive = QFile::encodeName(game + "/Other.far").toStdString();
        QCOMPARE(tambrix::WriteFarArchive(archive.c_str(), {{"Red.bmp", bytesOf(loose)}}), tambrix::rc::kOk);
        mBrowser->doc->SetSimsPath(game);
        QVERIFY(!IsMountedEntry(entry));
        QVERIFY(IsMountedEntry(game + "/Other.far/Red.bmp"));
        mBrowser->doc->SetSimsPath(mDemo);
        QVERIFY(IsMountedEntry(entry));
        QVERIFY(!IsMountedEntry(game + "/Other.far/Red.bmp"));
    }

    void aGameFolderChosenInSettingsToldOfItsBrokenArchive() {
        const QString game = mSandbox->MakeFolder("chosen");
        mSandbox->MakeFile(game, "Broken.far", 8);
        mBrowser->doc->SetSimsPath(game);
        QCOMPARE(mBrowser->frame->statusBar()->currentMessage(),
                 QString("Broken.far: not mounted (not a FAR archive)"));
        QVERIFY(mSandbox->messages.isEmpty());
    }

private:
    void select(const QString& folder, const QString& name) {
        QVERIFY2(mBrowser->SelectFolder(folder), qPrintable(folder));
        mBrowser->SelectFile(name);
        QCOMPARE(mBrowser->doc->CurrentFile(), name);
    }

    std::unique_ptr<Sandbox> mSandbox;
    std::unique_ptr<Browser> mBrowser;
    QTemporaryDir mDemoRoot;
    QString mDemo;
    QString mArchive;
};

QTEST_MAIN(ArchiveRoadTest)
#include "ArchiveRoadTest.moc"
