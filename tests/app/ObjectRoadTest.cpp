// Object files through the real library: an object file whose graphics live in its
// ".spf" companion (tambrix-cli giving the same answer) and an object file without
// objects. The containers are written here with
// the library's own writer.

#include <QAction>
#include <QComboBox>
#include <QListView>
#include <QStandardItemModel>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QtTest>
#include <cstring>
#include <memory>
#include <sstream>
#include <vector>

#include "catalog/ObjectSet.h"
#include "cli/Cli.h"
#include "containers/IffResourceFile.h"
#include "core/DataBlock.h"
#include "core/ResourceTypes.h"
#include "core/TextBuffer.h"
#include "graphics/PreviewRenderer.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "app/ThumbnailProvider.h"
#include "support/SpriteBuilders.h"

using namespace tambrix;
using namespace tambrix::app;
using namespace tambrix::app::testing;
namespace chunks = tambrix::testing;

namespace {

using Body = std::pair<ResType, std::pair<ResId, std::vector<uint8_t>>>;

const ResId kPalette = 3;  // entry i is (i, 255 - i, i / 2)
const ResId kSprite = 1;
const ResId kDrawGroup = 1000;
const ResId kCatalog = 7;
const uint8_t kColour = 9;
const int kSide = 4;

bool writeIff(const QString& path, const std::vector<Body>& bodies) {
    IffResourceFile file;
    const FileNameText name(QFile::encodeName(path).toStdString());
    if (file.Create(name) != 0 || file.Open(name) != 0) return false;
    for (const Body& body : bodies) {
        const std::vector<uint8_t>& bytes = body.second.second;
        DataBlock* block = NewDataBlock(static_cast<uint32_t>(bytes.size()));
        std::memcpy(block->data, bytes.data(), bytes.size());
        if (file.AddResource(block, body.first, body.second.first, LabelText(), true) != 0) {
            FreeDataBlock(block);
            return false;
        }
    }
    return file.Close() == 0;
}

/// A solid 4 x 4 "SPR2" frame of palette index kColour (two-byte pixels: depth, index).
std::vector<uint8_t> solidSprite() {
    chunks::ByteBuilder stream;
    for (int y = 0; y < kSide; ++y) {
        chunks::Spr2Word(stream, 0x0000, 0);      // row start
        chunks::Spr2Word(stream, 0x2000, kSide);  // kSide pixels with depth
        for (int x = 0; x < kSide; ++x) stream.U8(0).U8(kColour);
    }
    chunks::Spr2Word(stream, 0xA000, 0);  // end of frame
    return chunks::Spr2Chunk({{.width = kSide, .height = kSide, .stream = stream}}, kPalette);
}

/// One graphic at kDrawGroup, a price, a catalog ID.
std::vector<uint8_t> objectDefinition(int16_t price, ResId catalog = kCatalog) {
    return EncodeObjectDefinition({.baseGraphic = kDrawGroup, .price = price, .catalogId = catalog});
}

std::vector<Body> companionGraphics() {
    return {{restype::kPALT, {kPalette, chunks::DistinctPaltChunk()}},
            {restype::kSPR2, {kSprite, solidSprite()}},
            {restype::kDGRP, {kDrawGroup, chunks::DgrpAllViews({{.spriteId = kSprite}})}}};
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<DrawGroupEntry>)

class ObjectRoadTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mSims = mSandbox->MakeFolder("sims");
        mFolder = mSandbox->MakeFolder("sims/Objects");
    }
    void cleanup() { mSandbox.reset(); }

    void objectDrawsWithTheSpritesOfItsCompanion() {
        QVERIFY(
            writeIff(mFolder + "/lamp.iff", {{restype::kOBJD, {128, objectDefinition(-25)}},
                                             {restype::kCATS, {kCatalog, EncodeCatalogStrings("Lamp", "Bright.")}}}));
        QVERIFY(writeIff(mFolder + "/lamp.spf", companionGraphics()));
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.SelectFile("lamp.iff");
        CObjectView* form = browser.Form();
        QCOMPARE(form->NameEdit()->text(), QString("Lamp"));
        QCOMPARE(form->PriceEdit()->text(), QString("-25"));
        QCOMPARE(form->DescriptionEdit()->toPlainText(), QString("Bright."));
        QVERIFY(form->SpriteList()->isHidden() && form->FrameList()->isHidden());
        // Only the companion holds the draw group and sprite: a picture proves it was opened.
        QVERIFY(form->CurrentPicture());
        const QImage picture = form->CurrentPicture()->Image();
        QCOMPARE(picture.size(), QSize(kSide + 2 * kPreviewMargin, kSide + 2 * kPreviewMargin));
        QCOMPARE(picture.pixelColor(kPreviewMargin, kPreviewMargin), QColor(kColour, 255 - kColour, kColour / 2));
        QCOMPARE(picture.pixelColor(0, 0), QColor(Qt::white));
        QVERIFY(!form->Frame()->isHidden());
    }

    // The browser and tambrix-cli open a file through the same entry: the same texts and
    // the same picture, for a base holding a dot too ("my.lamp" would read as a name
    // with the extension ".lamp").
    void browserAndToolGiveTheSameAnswer_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "lamp.iff";
        QTest::newRow("dotted base") << "my.lamp.iff";
    }
    void browserAndToolGiveTheSameAnswer() {
        QFETCH(QString, name);
        const QString path = mFolder + "/" + name;
        QVERIFY(writeIff(path, {{restype::kOBJD, {128, objectDefinition(12)}},
                                {restype::kCATS, {kCatalog, EncodeCatalogStrings("Lamp", "Bright.")}}}));
        QVERIFY(writeIff(mFolder + "/" + name.chopped(4) + ".spf", companionGraphics()));
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.SelectFile(name);
        CObjectView* form = browser.Form();
        QVERIFY(form->CurrentPicture());  // drawn from the companion's sprite

        std::ostringstream out, err;
        const std::string file = QFile::encodeName(path).toStdString();
        QCOMPARE(tools::RunCli({"info", file, "--no-write"}, out, err), tools::kExitOk);
        const QString shown =
            QString("name: %1\nprice: %2\ndescription: %3\n")
                .arg(form->NameEdit()->text(), form->PriceEdit()->text(), form->DescriptionEdit()->toPlainText());
        QVERIFY2(QString::fromStdString(out.str()).contains(shown), out.str().c_str());
        const QString picture = mSandbox->Root() + "/preview.png";
        QCOMPARE(tools::RunCli({"render", file, "-o", QFile::encodeName(picture).toStdString()}, out, err),
                 tools::kExitOk);
        QCOMPARE(QImage(picture).size(), form->CurrentPicture()->Image().size());
    }

    void savedPreviewIsATrueColourBitmap() {
        QVERIFY(writeIff(mFolder + "/lamp.iff", {{restype::kOBJD, {128, objectDefinition(5)}}}));
        QVERIFY(writeIff(mFolder + "/lamp.spf", companionGraphics()));
        const QString exports = mSandbox->MakeFolder("exports");
        Browser browser(mSims);
        browser.doc->SetPromptOnSave(false);
        browser.doc->SetExportPath(exports);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.SelectFile("lamp.iff");
        browser.frame->SavePreview();
        QFile saved(exports + "/lamp.bmp");
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray head = saved.read(54);
        QCOMPARE(quint8(head[10]), quint8(54));  // no colour table before the rows
        QCOMPARE(quint8(head[28]), quint8(24));  // bits per pixel
        QCOMPARE(QImage(saved.fileName()).convertToFormat(QImage::Format_RGB32),
                 browser.Form()->CurrentPicture()->Image().convertToFormat(QImage::Format_RGB32));
    }

    // A picture that is blank or missing says why in the status bar, until the next
    // file is shown.
    void refusedPictureSaysWhyInTheStatusBar_data() {
        QTest::addColumn<std::vector<DrawGroupEntry>>("image");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QSize>("picture");
        QTest::newRow("no sprite") << std::vector<DrawGroupEntry>{{.spriteId = 99}}
                                   << QString("no sprite to draw in this view") << QSize(33, 33);
        // 29,224 + 4 + 32 wide, 28,979 + 4 + 32 high: over the 16,384 cap.
        QTest::newRow("too large") << std::vector<DrawGroupEntry>{{.spriteId = kSprite},
                                                                  {.spriteId = kSprite,
                                                                   .xOffset = 29224,
                                                                   .yOffset = -28979}}
                                   << QString("picture too large: 29,260 x 29,015 pixels") << QSize();
    }
    void refusedPictureSaysWhyInTheStatusBar() {
        QFETCH(std::vector<DrawGroupEntry>, image);
        QFETCH(QString, note);
        QFETCH(QSize, picture);
        std::vector<Body> graphics = companionGraphics();
        graphics.back().second.second = chunks::DgrpAllViews(image);
        QVERIFY(writeIff(mFolder + "/odd.iff", {{restype::kOBJD, {128, objectDefinition(1)}}}));
        QVERIFY(writeIff(mFolder + "/odd.spf", graphics));
        QVERIFY(writeIff(mFolder + "/lamp.iff", {{restype::kOBJD, {128, objectDefinition(1)}}}));
        QVERIFY(writeIff(mFolder + "/lamp.spf", companionGraphics()));
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.SelectFile("odd.iff");
        QCOMPARE(browser.frame->statusBar()->currentMessage(), note);
        const Picture* shown = browser.Form()->CurrentPicture();
        QCOMPARE(shown ? shown->Image().size() : QSize(), picture);
        browser.SelectFile("lamp.iff");
        QCOMPARE(browser.frame->statusBar()->currentMessage(), QString("Ready"));
    }

    // Two objects: the selector above the form names them, the first is shown; choosing
    // the second shows its texts. A file of one object has no selector.
    void objectSelectorListsTheObjectsOfAFile() {
        QVERIFY(writeIff(mFolder + "/pair.iff",
                         {{restype::kOBJD, {128, objectDefinition(10)}},
                          {restype::kCATS, {kCatalog, EncodeCatalogStrings("Lamp", "Bright.")}},
                          {restype::kOBJD, {129, objectDefinition(20, kCatalog + 1)}},
                          {restype::kCATS, {kCatalog + 1, EncodeCatalogStrings("Desk", "Wide.")}}}));
        QVERIFY(writeIff(mFolder + "/pair.spf", companionGraphics()));
        QVERIFY(writeIff(mFolder + "/solo.iff", {{restype::kOBJD, {128, objectDefinition(5)}}}));
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.SelectFile("pair.iff");
        CObjectView* form = browser.Form();
        QComboBox* selector = form->ObjectSelector();
        QVERIFY(!selector->isHidden());
        QCOMPARE(selector->count(), 2);
        QCOMPARE(selector->itemText(0) + "," + selector->itemText(1), QString("Lamp,Desk"));
        QCOMPARE(form->NameEdit()->text(), QString("Lamp"));
        QVERIFY(form->NameEdit()->y() > selector->geometry().bottom());
        selector->setCurrentIndex(1);
        QCOMPARE(form->ObjectIndex(), 1);
        QCOMPARE(form->NameEdit()->text() + form->PriceEdit()->text() + form->DescriptionEdit()->toPlainText(),
                 QString("Desk20Wide."));
        QVERIFY(form->CurrentPicture());
        browser.SelectFile("solo.iff");
        QVERIFY(selector->isHidden());
        QCOMPARE(form->ObjectIndex(), 0);
        QCOMPARE(form->NameEdit()->y(), 10);
    }

    // In Large Icons an object file's icon becomes its preview (the sprite without the
    // margin); a bitmap keeps the generic icon.
    void largeIconsShowTheObjectsPreview() {
        QVERIFY(writeIff(mFolder + "/lamp.iff", {{restype::kOBJD, {128, objectDefinition(5)}}}));
        QVERIFY(writeIff(mFolder + "/lamp.spf", companionGraphics()));
        mSandbox->MakeBitmapFile(mFolder, "photo.bmp");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        CTambrixView* list = browser.List();
        QSignalSpy shown(list->Thumbnails(), &ThumbnailProvider::thumbnailShown);
        list->SetStyle(CTambrixView::ViewStyle::Icon);
        QCOMPARE(list->IconView()->iconSize(), QSize(64, 64));
        QVERIFY(shown.wait(20000));
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.front().front().toString(), QString("lamp.iff"));
        QTRY_VERIFY(!list->Thumbnails()->Busy());
        auto iconOf = [list](const QString& name) {
            return list->Model()->findItems(name).front()->icon().pixmap(QSize(64, 64)).toImage();
        };
        const QImage thumbnail = iconOf("lamp.iff");
        QCOMPARE(thumbnail.size(), QSize(64, 64));  // the 4 x 4 sprite in the middle
        QCOMPARE(thumbnail.pixelColor(31, 31), QColor(kColour, 255 - kColour, kColour / 2));
        QCOMPARE(thumbnail.pixelColor(29, 29).alpha(), 0);
        QCOMPARE(iconOf("photo.bmp").size(), QSize(32, 32));
    }

    // An object file without objects and a sprite file show their own sprites by
    // number, whatever was on show before; Save writes that picture.
    void spritesShowByNumber_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("object file without objects") << "bits.iff";
        QTest::newRow("sprite file") << "lamp.spf";
    }
    void spritesShowByNumber() {
        QFETCH(QString, name);
        QVERIFY(writeIff(mFolder + "/bits.iff", companionGraphics()));
        QVERIFY(writeIff(mFolder + "/lamp.iff", {{restype::kOBJD, {128, objectDefinition(5)}}}));
        QVERIFY(writeIff(mFolder + "/lamp.spf", companionGraphics()));
        Browser browser(mSims);
        browser.doc->SetPromptOnSave(false);
        browser.doc->SetExportPath(mSandbox->MakeFolder("exports"));
        QVERIFY(browser.SelectFolder(mFolder));
        browser.SelectFile("lamp.iff");  // a preview on show first
        browser.SelectFile(name);
        CObjectView* form = browser.Form();
        QCOMPARE(ItemTexts(form->SpriteList()), QStringList{"1"});
        QCOMPARE(ItemTexts(form->FrameList()), QStringList{"0"});
        QCOMPARE(form->NameEdit()->text(), QString());  // no string table
        QVERIFY(!form->NameEdit()->isHidden());
        QVERIFY(form->CurrentPicture());
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(kSide, kSide));
        QCOMPARE(form->CurrentPicture()->Image().pixelColor(1, 1), QColor(kColour, 255 - kColour, kColour / 2));
        browser.frame->SavePreview();
        const QImage saved(mSandbox->Root() + "/exports/" + name.chopped(4) + ".bmp");
        QCOMPARE(saved.size(), QSize(kSide, kSide));
    }

    // The list's context menu acts on the picture and the file; the status bar tells
    // what the file is.
    void fileCommandsOfTheContextMenu() {
        QVERIFY(writeIff(mFolder + "/lamp.iff", {{restype::kOBJD, {128, objectDefinition(5)}}}));
        QVERIFY(writeIff(mFolder + "/lamp.spf", companionGraphics()));
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.SelectFile("lamp.iff");
        CMainFrame* frame = browser.frame.get();
        const QStringList menu = [&] {
            QStringList texts;
            for (QAction* action : browser.List()->actions()) texts << action->text();
            return texts;
        }();
        QCOMPARE(menu.mid(5), (QStringList{"", "Save &Picture...", "&Export PNG...", "&Copy Picture", "Copy P&ath",
                                           "Show in &Folder", "&Delete"}));
        QCOMPARE(frame->FileStatus()->text(),
                 QString("object file, %L1 bytes, 1 resource, version 2.5").arg(QFileInfo(mFolder + "/lamp.iff").size()));

        mSandbox->saveAnswer = mSandbox->Root() + "/lamp.png";
        frame->FileAction(1)->trigger();  // Export PNG: the background goes see-through
        QImage png(*mSandbox->saveAnswer);
        QCOMPARE(png.size(), browser.Form()->ShownPicture().size());
        QVERIFY(png.hasAlphaChannel());
        QCOMPARE(qAlpha(png.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(png.pixel(png.width() - 1, png.height() - 1)), 0);
        QCOMPARE(png.pixel(kPreviewMargin + 1, kPreviewMargin + 1), qRgba(kColour, 255 - kColour, kColour / 2, 255));

        mSandbox->saveAnswer = mSandbox->Root() + "/lamp.bmp";
        frame->FileAction(0)->trigger();
        QCOMPARE(mSandbox->saveDefaults.last(), QString("lamp.bmp"));
        QCOMPARE(QImage(*mSandbox->saveAnswer).size(), png.size());
        frame->FileAction(2)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().size(), png.size());
        frame->FileAction(3)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QDir::toNativeSeparators(mFolder + "/lamp.iff"));
        frame->FileAction(4)->trigger();
        QCOMPARE(mSandbox->shownFolders, QStringList{mFolder});
    }

private:
    std::unique_ptr<Sandbox> mSandbox;
    QString mSims;
    QString mFolder;
};

QTEST_MAIN(ObjectRoadTest)
#include "ObjectRoadTest.moc"
