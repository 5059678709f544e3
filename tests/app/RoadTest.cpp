// Every road of the object view and the search box through the real library, on the demo game
// folder (archive included) and files written here, selected as the user would; the commands on
// what is shown. Nothing of the game folder changes, whatever the tests looked at.

#include <QCryptographicHash>
#include <QtTest>
#include <QtWidgets>
#include <sstream>

#include "app/browsing/ArchiveBridge.h"
#include "app/search/CSearchPanel.h"
#include "app/search/GameSearch.h"
#include "app/browsing/ThumbnailProvider.h"
#include "app/editing/SpriteTransfer.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "cli/Cli.h"
#include "containers/IffResourceFile.h"
#include "core/ResourceTypes.h"
#include "core/TextBuffer.h"
#include "demo/DraftDemo.h"
#include "graphics/PreviewRenderer.h"
#include "platform/PlatformFile.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/ResourceFixtures.h"
#include "support/SpriteBuilders.h"

using namespace tambrix;
using namespace tambrix::app;
using namespace tambrix::app::testing;
namespace chunks = tambrix::testing;

namespace {

const ResId kPalette = 3, kDrawGroup = 1000, kCatalog = 7;  // palette entry i is (i, 255 - i, i / 2)
const uint8_t kColour = 9;
const QColor kSpriteColour(kColour, 255 - kColour, kColour / 2);
const int kSide = 4, kFramed = kSide + 2 * kPreviewMargin;

bool writeIff(const QString& path, const std::vector<test::Resource>& resources) {
    return test::WriteContainer<IffResourceFile>(QFile::encodeName(path).toStdString(), resources);
}

/// A solid 4 x 4 "SPR2" frame of palette index kColour (two-byte pixels: depth, index).
std::vector<uint8_t> solidSprite() {
    chunks::ByteBuilder stream;
    for (int y = 0; y < kSide; ++y) {
        chunks::Spr2Word(stream, 0x0000, 0);
        chunks::Spr2Word(stream, 0x2000, kSide);
        for (int x = 0; x < kSide; ++x) stream.U8(0).U8(kColour);
    }
    chunks::Spr2Word(stream, 0xA000, 0);
    return chunks::Spr2Chunk({{.width = kSide, .height = kSide, .stream = stream}}, kPalette);
}

std::vector<test::Resource> graphics(const std::vector<DrawGroupEntry>& image = {{.spriteId = 1}}, ResId sprite = 1) {
    return {{restype::kPALT, kPalette, "", chunks::DistinctPaltChunk()},
            {restype::kSPR2, sprite, "", solidSprite()},
            {restype::kDGRP, kDrawGroup, "", chunks::DgrpAllViews(image)}};
}

bool writeObject(const QString& path, const std::vector<DrawGroupEntry>& image = {{.spriteId = 1}}) {
    return writeIff(path,
                    {{restype::kOBJD, 128, "", EncodeObjectDefinition({.baseGraphic = kDrawGroup, .price = -25, .catalogId = kCatalog})},
                     {restype::kCATS, kCatalog, "", EncodeCatalogStrings("Lamp", "Bright.")}}) &&
           writeIff(path.chopped(4) + ".spf", graphics(image));
}

/// An object whose catalog table holds its name alone: a look with the completion on
/// adds the description.
bool writeIncompleteObject(const QString& path) {
    return writeIff(path, {{restype::kOBJD, 128, "", EncodeObjectDefinition({.catalogId = kCatalog})},
                           {restype::kCTSS, kCatalog, "", EncodeLanguageStrings({{1, "Potted Fern", ""}})}});
}

/// A file's bytes and modification time, to tell that a look left it alone.
struct Kept {
    QByteArray bytes;
    QDateTime modified;
    bool operator==(const Kept&) const = default;
};
Kept kept(const QString& path) {
    QFile file(path);
    return {file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(),
            QFileInfo(path).fileTime(QFileDevice::FileModificationTime)};
}

QString gGrownFile;
/// As another program would, between the look and the write: a byte added at the end.
void growOnce(const std::string&) {
    if (gGrownFile.isEmpty()) return;
    QFile file(gGrownFile);
    if (file.open(QIODevice::Append)) file.write("x", 1);
    gGrownFile.clear();
}

/// Every file below a folder with a digest of its bytes.
QMap<QString, QByteArray> digests(const QString& root) {
    QMap<QString, QByteArray> all;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            all[file.fileName()] = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    return all;
}

/// A file of the game folder and what the form shows for it (no texts: the text
/// fields are hidden, or not compared when sprites show; 0 x 0: some drawing).
struct Road {
    QString file;
    QStringList texts, sprites, frames;  // name, price, description; the lists' first items
    QSize picture;
    QColor bottomLeft;
    int savedBits = 0;  // of the bitmap Save writes
    QString status = "Ready";
    QString note;  // what the form says the file is
};

}  // namespace

Q_DECLARE_METATYPE(Road)

class RoadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        mGame = mRoot.path() + "/demo";
        mArchive = mGame + "/GameData/Objects/Objects.far";
        std::string error;
        QVERIFY2(WriteDraftDemo(mGame, error) == 0, error.c_str());
        const QString road = mGame + "/Road";
        QDir().mkpath(road);
        QVERIFY(writeObject(road + "/lamp.iff"));
        QVERIFY(writeObject(road + "/my.lamp.iff"));
        QVERIFY(writeObject(road + "/odd.iff", {{.spriteId = 99}}));
        // 29,224 + 4 + 32 wide, 28,979 + 4 + 32 high: over the 16,384 cap.
        QVERIFY(
            writeObject(road + "/huge.iff", {{.spriteId = 1}, {.spriteId = 1, .xOffset = 29224, .yOffset = -28979}}));
        QVERIFY(writeIff(road + "/bits.iff", graphics({}, 2)));  // shown first in its folder: unlike lamp.spf
        QFile junk(road + "/junk.wll");
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(200, 'x')) == 200);
        junk.close();
        QImage photo(12, 9, QImage::Format_RGB888);
        photo.fill(Qt::blue);
        photo.setPixelColor(0, 0, Qt::red);
        QVERIFY(photo.save(road + "/photo.bmp", "BMP"));
        // Not a game file at all: the search index lists it with its problem and goes on.
        QFile broken(mGame + "/Downloads/BrokenBench.iff");
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("IFF FILE 2.5:TYPE FOLLOWED BY SIZE\0 JAMIE DOORNBOS & MAXIS 1", 60);
        broken.close();
        mBefore = digests(mGame);
    }
    // Looking changed no file but the one the catalog completion may write: the fern's
    // catalog table in Plants.iff holds its name only.
    void cleanupTestCase() {
        const QMap<QString, QByteArray> after = digests(mGame);
        QStringList changed;
        for (auto it = after.begin(); it != after.end(); ++it)
            if (mBefore.value(it.key()) != it.value()) changed << QDir(mGame).relativeFilePath(it.key());
        changed.removeOne("GameData/Objects/Plants.iff");
        QVERIFY2(changed.isEmpty(), qPrintable(changed.join(", ")));
        QCOMPARE(after.keys(), mBefore.keys());
    }
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mBrowser = std::make_unique<Browser>(mGame);
        mBrowser->doc->SetPromptOnSave(false);
        mBrowser->doc->SetExportPath(mSandbox->MakeFolder("exports"));
    }
    void cleanup() {
        mBrowser.reset();
        mSandbox.reset();
    }

    // What the form shows for each kind of file; Save writes that picture as a bitmap
    // of the given depth. A picture size of 0 x 0 stands for "some drawing".
    void formShowsTheFile_data() {
        QTest::addColumn<Road>("road");
        const QStringList none, plain{"", "", ""}, lamp{"Lamp", "-25", "Bright."}, tiles{"Far", "Medium", "Near"},
            sides{"Left", "Right", "Facing", "Insert"}, floor{CObjectView::kFloorFrameItem};
        const QSize framed(kFramed, kFramed), sprite(kSide, kSide), some(0, 0);
        const QColor white(Qt::white), any;
        const QString far = "GameData/Objects/Objects.far/";
        const QString expansion = "ExpansionPack1/ExpansionPack1.far/";
        const Road roads[] = {
            {"Road/lamp.iff", lamp, none, none, framed, white, 24},
            {"Road/odd.iff", lamp, none, none, QSize(), any, 0, "no sprite to draw in this view"},
            {"Road/huge.iff", lamp, none, none, QSize(), any, 0, "picture too large: 29,260 x 29,015 pixels"},
            {"Road/bits.iff", plain, {"2"}, {"0"}, sprite, kSpriteColour, 8,  // an object file without objects
             "object file: 3 resources, no object definitions", "object file: 3 resources, no object definitions"},
            {"Road/lamp.spf", plain, {"1"}, {"0"}, sprite, kSpriteColour, 8},
            {"Road/junk.wll", none, none, none, QSize(), any, 0,
             "not an IFF file: the header is damaged or of an unknown version"},
            {"Road/photo.bmp", none, none, none, QSize(12, 9), QColor(Qt::blue), 24},
            {"GameData/Objects/SofaModern.iff", {"Three-Seat Sofa", "650"}, none, none, some, any, 24},  // multi-tile
            {"GameData/Objects/Bookcase_Old.iff", {"Heirloom Bookcase", "300"}, none, none, some, any, 24},
            {"Downloads/ArmchairPrototype.IFF", {"[Name undefined: see master object!]"}, none, none, some, any, 24},
            {far + "Plants/PlantRubber.iff", {"Office Rubber Plant", "70"}, none, none, some, any, 24},
            {"GameData/Walls/SageStripe.wll", {}, tiles, sides, some, any, 8},
            {far + "Walls/RoseStripe.wll", {"Rose Stripe Wallpaper"}, tiles, sides, some, any, 8},
            {far + "Floors/ParquetDark.flr", {"Dark Parquet"}, tiles, floor, some, any, 8},
            // The game's own files and skins: no object to show, so the form says what they are.
            {"UserData/Houses/House01.iff", none, none, none, QSize(), any, 0,
             "house file: 5 resources, no object definitions", "house file: 5 resources, no object definitions"},
            {"UserData/Characters/User00001.iff", {"Demo Sim", "0", ""}, none, none, QSize(), any, 0,
             "character file: 3 resources, 1 object definition", "character file: 3 resources, 1 object definition"},
            {"UserData/Neighborhood.iff", none, none, none, QSize(), any, 0,
             "neighborhood file: 2 resources, no object definitions",
             "neighborhood file: 2 resources, no object definitions"},
            {"GameData/Skins/DemoBody_fit.skn", none, none, none, QSize(), any, 0, "skin mesh: 80 bytes",
             "skin mesh: 80 bytes"},
            {"GameData/Skins/DemoBody_fit.bmp", none, none, none, QSize(32, 32), any, 8},
            {expansion + "Skins/demo-skeleton.cmx", none, none, none, QSize(), any, 0, "skeleton bindings: 102 bytes",
             "skeleton bindings: 102 bytes"},
            {expansion + "Objects/PatioChair.iff", {"Patio Chair", "70"}, none, none, some, any, 24},
            {"GameData/UIGraphics/Icons.iff", {"Interface Icons"}, {"1000", "1001"}, {"0", "1"}, some, any, 8,
             "object file: 4 resources, no object definitions", "object file: 4 resources, no object definitions"}};
        for (const Road& road : roads) QTest::newRow(qPrintable(road.file)) << road;
    }
    void formShowsTheFile() {
        QFETCH(Road, road);
        const auto& [file, texts, sprites, frames, picture, bottomLeft, savedBits, status, note] = road;
        select(mGame + "/" + file);
        CObjectView* form = mBrowser->Form();
        QCOMPARE(!form->NameEdit()->isHidden(), !texts.isEmpty() || !sprites.isEmpty());
        // An editable object without catalog texts shows the form's word for that greyed.
        auto seen = [](const QLineEdit* box) { return box->text().isEmpty() ? box->placeholderText() : box->text(); };
        const QStringList shown{seen(form->NameEdit()), form->PriceEdit()->text(),
                                form->DescriptionEdit()->toPlainText()};
        QCOMPARE(shown.mid(0, texts.size()), texts);
        QCOMPARE(!form->SpriteList()->isHidden(), !sprites.isEmpty());
        if (!sprites.isEmpty()) QCOMPARE(ItemTexts(form->SpriteList()).mid(0, 3), sprites);
        if (!frames.isEmpty()) QCOMPARE(ItemTexts(form->FrameList()), frames);
        QCOMPARE(!form->FrameList()->isHidden(), !frames.isEmpty() && frames[0] != CObjectView::kFloorFrameItem);
        QCOMPARE(mBrowser->frame->statusBar()->currentMessage(), status);
        QCOMPARE(form->NoteLabel()->isHidden() ? QString() : form->NoteLabel()->text(), note);
        const Picture* shownPicture = form->CurrentPicture();
        QCOMPARE(shownPicture != nullptr, picture.isValid());
        // Without a picture the box says why, and nothing can be saved, exported or copied.
        const bool preview = !texts.isEmpty() && sprites.isEmpty();
        // A file that does not open says why there too.
        const QString boxNote = shownPicture ? QString() : form->Frame()->Note();
        if (preview && !shownPicture) QVERIFY(!boxNote.isEmpty());
        if (!preview && !boxNote.isEmpty()) QCOMPARE(boxNote, status);
        QCOMPARE(!form->Frame()->isHidden(), picture.isValid() || !boxNote.isEmpty());
        QCOMPARE(mBrowser->frame->SaveAction()->isEnabled(), picture.isValid());
        QCOMPARE(mBrowser->frame->FileAction(1)->isEnabled(), picture.isValid());
        if (!shownPicture) return;
        const QImage image = shownPicture->Image();
        QImage white(image.size(), QImage::Format_RGB32);
        white.fill(Qt::white);
        QVERIFY(picture.isEmpty() ? image.convertToFormat(QImage::Format_RGB32) != white : image.size() == picture);
        if (bottomLeft.isValid()) QCOMPARE(image.pixelColor(0, image.height() - 1), bottomLeft);
        if (file.endsWith(".bmp"))
            QCOMPARE(image.convertToFormat(QImage::Format_RGB32),
                     QImage(mGame + "/" + file).convertToFormat(QImage::Format_RGB32));
        mBrowser->frame->SaveAction()->trigger();
        QFile saved(mBrowser->doc->ExportPath() + "/" + QFileInfo(file).completeBaseName() + ".bmp");
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(mBrowser->frame->statusBar()->currentMessage(),
                 QString("Bitmap saved to \"%1\"").arg(saved.fileName()));
        QCOMPARE(int(quint8(saved.read(54)[28])), savedBits);
        QCOMPARE(QImage(saved.fileName()).convertToFormat(QImage::Format_RGB32),
                 image.convertToFormat(QImage::Format_RGB32));
    }

    // The browser and tambrix-cli open a file through the same entry, a base holding a
    // dot too ("my.lamp" would read as a name with the extension ".lamp").
    void browserAndToolGiveTheSameAnswer_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "lamp.iff";
        QTest::newRow("dotted base") << "my.lamp.iff";
    }
    void browserAndToolGiveTheSameAnswer() {
        QFETCH(QString, name);
        const QString path = mGame + "/Road/" + name;
        select(path);
        CObjectView* form = mBrowser->Form();
        QVERIFY(form->CurrentPicture());
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

    // Two objects: the selector above the form names them and picks the one shown; a
    // file of one object has none.
    void objectSelectorListsTheObjectsOfAFile() {
        select(mGame + "/GameData/Objects/Plants.iff");
        CObjectView* form = mBrowser->Form();
        QComboBox* selector = form->ObjectSelector();
        QVERIFY(!selector->isHidden() && selector->count() == 2);
        QCOMPARE(selector->itemText(0) + "," + selector->itemText(1), QString("Potted Fern,Rubber Plant"));
        QCOMPARE(form->NameEdit()->text(), QString("Potted Fern"));
        QVERIFY(form->NameEdit()->y() > selector->geometry().bottom());
        const QSize first = form->CurrentPicture()->Image().size();
        selector->setCurrentIndex(1);
        QCOMPARE(form->NameEdit()->text() + form->PriceEdit()->text(), QString("Rubber Plant95"));
        QVERIFY(form->CurrentPicture()->Image().size() != first);
        select(mGame + "/Road/lamp.iff");
        QVERIFY(selector->isHidden());
        QCOMPARE(form->ObjectIndex(), 0);
    }

    // In Large Icons an object file's icon becomes its preview (the sprite without the
    // margin, enlarged to fill the square), a wall's its near sprite; a bitmap keeps the
    // generic icon.
    void largeIconsShowTheObjectsPreview() {
        const QString folder = mSandbox->MakeFolder("thumbs");
        QVERIFY(writeObject(folder + "/lamp.iff"));
        QVERIFY(QFile::copy(mGame + "/Road/photo.bmp", folder + "/photo.bmp"));
        QVERIFY(QFile::copy(mGame + "/GameData/Walls/SageStripe.wll", folder + "/SageStripe.wll"));
        Browser browser(mSandbox->Root());
        QVERIFY(browser.SelectFolder(folder));
        CTambrixView* list = browser.List();
        QSignalSpy shown(list->Thumbnails(), &ThumbnailProvider::thumbnailShown);
        list->SetStyle(CTambrixView::ViewStyle::Icon);
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 2, 20000);
        QStringList names{shown[0].front().toString(), shown[1].front().toString()};
        names.sort();
        QCOMPARE(names, (QStringList{"SageStripe.wll", "lamp.iff"}));
        QTRY_VERIFY(!list->Thumbnails()->Busy());
        auto iconOf = [list](const QString& name) {
            return list->Model()->findItems(name).front()->icon().pixmap(QSize(64, 64)).toImage();
        };
        const QImage thumbnail = iconOf("lamp.iff");
        QCOMPARE(thumbnail.size(), QSize(64, 64));  // the 4 x 4 sprite, each pixel 16 x 16
        for (const QPoint at : {QPoint(0, 0), QPoint(31, 31), QPoint(63, 63)}) QCOMPARE(thumbnail.pixelColor(at), kSpriteColour);
        QCOMPARE(iconOf("photo.bmp").size(), QSize(32, 32));
        // A picture wider than the square is scaled down; one a third of it grows threefold.
        QCOMPARE(ThumbnailProvider::FillSquare(QImage(128, 32, QImage::Format_RGB32)).size(), QSize(64, 16));
        QCOMPARE(ThumbnailProvider::FillSquare(QImage(20, 10, QImage::Format_RGB32)).size(), QSize(60, 30));
        QCOMPARE(ThumbnailProvider::FillSquare(QImage(40, 10, QImage::Format_RGB32)).size(), QSize(64, 16));
    }

    // A file's sprites go out as pictures and come back repainted: the import says what
    // it will change and asks, the form shows the new look at once, and the export and
    // import folders are remembered.
    void spritesGoOutAndComeBackRepainted() {
        const QString mine = mSandbox->MakeFolder("mine");
        for (const char* name : {"lamp.iff", "lamp.spf"}) {  // the sprites live in the companion
            QVERIFY(QFile::copy(mGame + "/Road/" + name, mine + "/" + name));
            QFile(mine + "/" + name).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
        Browser browser(mSandbox->Root());
        QVERIFY(browser.SelectFolder(mine));
        browser.SelectFile("lamp.iff");
        CMainFrame* frame = browser.frame.get();
        QVERIFY(frame->ExportSpritesAction()->isEnabled() && frame->ImportSpritesAction()->isEnabled());
        mSandbox->browseAnswer = mSandbox->MakeFolder("sprites");
        frame->ExportSpritesAction()->trigger();
        QVERIFY(QFile::exists(mSandbox->Root() + "/sprites/lamp/sprites.json"));
        QVERIFY(frame->statusBar()->currentMessage().contains("exported to"));
        // Repainted: every drawn pixel's colour turned round, its alpha kept.
        QString picture;
        QDirIterator pictures(mSandbox->Root() + "/sprites/lamp", QDir::Files, QDirIterator::Subdirectories);
        while (pictures.hasNext() && picture.isEmpty())
            if (const QString next = pictures.next(); next.endsWith("_color.png")) picture = next;
        QVERIFY(!picture.isEmpty());
        QImage image = QImage(picture).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) > 0) image.setPixel(x, y, qRgba(255 - qRed(p), 255 - qGreen(p), 255 - qBlue(p), qAlpha(p)));
            }
        QVERIFY(image.save(picture));
        const QByteArray before = [&] {
            QFile f(mine + "/lamp.spf");
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        const QImage shown = browser.Form()->ShownPicture();
        // Declined: nothing is written. The folder given is the one exported into.
        mSandbox->answerYes = false;
        frame->ImportSpritesAction()->trigger();
        QVERIFY(mSandbox->questions.last().contains("re-encoded"));
        QFile file(mine + "/lamp.spf");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        file.close();
        mSandbox->answerYes = true;
        frame->ImportSpritesAction()->trigger();
        QCOMPARE(frame->statusBar()->currentMessage(), QString("Sprites imported into \"lamp.iff\""));
        QVERIFY(browser.Form()->ShownPicture() != shown);
        QCOMPARE(StoredSetting(SpriteTransfer::kFolderKey).toString(), mSandbox->Root() + "/sprites");
        // Inside an archive: out, but never back in.
        select(mArchive + "/Plants/PlantRubber.iff");
        QVERIFY(mBrowser->frame->ExportSpritesAction()->isEnabled());
        QVERIFY(!mBrowser->frame->ImportSpritesAction()->isEnabled());
    }

    // The list's context menu acts on the picture and the file; the status bar tells
    // what the file is.
    void fileCommandsOfTheContextMenu() {
        const QString path = mGame + "/Road/lamp.iff";
        select(path);
        CMainFrame* frame = mBrowser->frame.get();
        QStringList menu;
        for (QAction* action : mBrowser->List()->actions()) menu << action->text();
        QCOMPARE(menu.mid(5), (QStringList{"", "Save &Picture...", "&Export PNG...", "&Copy Picture", "Copy P&ath",
                                           "Show in &Folder", "Clo&ne Object...", "Export &Sprites...",
                                           "&Import Sprites...", "&Delete"}));
        QCOMPARE(frame->FileStatus()->text(),
                 QString("object file, %L1 bytes, 2 resources, version 2.5").arg(QFileInfo(path).size()));
        mSandbox->saveAnswer = mSandbox->Root() + "/lamp.png";
        frame->FileAction(1)->trigger();  // Export PNG: the background goes see-through
        const QImage png(*mSandbox->saveAnswer);
        QCOMPARE(png.size(), mBrowser->Form()->ShownPicture().size());
        QCOMPARE(qAlpha(png.pixel(0, 0)), 0);
        QCOMPARE(png.pixel(kPreviewMargin + 1, kPreviewMargin + 1), kSpriteColour.rgba());
        // With "Prompt on Save" off, Save Picture saves as the toolbar's Save does, unasked.
        const qsizetype asked = mSandbox->saveDefaults.size();
        frame->FileAction(0)->trigger();
        QCOMPARE(mSandbox->saveDefaults.size(), asked);
        const QString said = frame->statusBar()->currentMessage();
        QVERIFY2(said.startsWith("Bitmap saved to \"" + mBrowser->doc->ExportPath() + "/lamp"), qPrintable(said));
        QCOMPARE(QImage(said.section('"', 1, 1)).size(), png.size());
        frame->FileAction(2)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().size(), png.size());
        frame->FileAction(3)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QDir::toNativeSeparators(path));
        frame->FileAction(4)->trigger();
        QCOMPARE(mSandbox->shownFolders, QStringList{mGame + "/Road"});
    }

    // The archive is a folder of the tree after the real ones, its entries listed with
    // the archive's time; nothing inside it is written: no catalog completion, and
    // Delete is off and says why; its previews export without a write.
    void archiveIsAReadOnlyFolder() {
        QTreeWidgetItem* archive = mBrowser->Tree()->ItemForPath(mArchive);
        QVERIFY(archive);
        QCOMPARE(archive->childCount(), 4);
        QCOMPARE(archive->child(0)->text(0) + archive->child(3)->text(0), QString("ChairsWalls"));
        QTreeWidgetItem* parent = archive->parent();
        for (int i = 0; i < parent->indexOfChild(archive); ++i)
            QVERIFY(QFileInfo(mBrowser->Tree()->Paths()[parent->child(i)->data(0, Qt::UserRole).toInt() - 1]).isDir());
        select(mArchive + "/CrateStorage.iff");  // a loose file without a description would be completed
        QCOMPARE(mBrowser->Form()->NameEdit()->text(), QString("Storage Crate"));
        QCOMPARE(mBrowser->List()->TextAt(0, 2),
                 CTambrixView::DateText(QFileInfo(mArchive).lastModified().toSecsSinceEpoch()));
        select(mArchive + "/Chairs/ArmchairClub.iff");
        // Export Previews writes the folder's previews in the view shown, see-through.
        mSandbox->browseAnswer = mSandbox->Root() + "/previews";
        mBrowser->frame->ExportPreviewsAction()->trigger();
        const QStringList written = QDir(*mSandbox->browseAnswer).entryList(QDir::Files);
        QCOMPARE(written, (QStringList{"ArmchairClub-view10.png", "ChairKitchen-view10.png"}));
        QCOMPARE(qAlpha(QImage(*mSandbox->browseAnswer + "/" + written[0]).pixel(0, 0)), 0);
        QAction* remove = mBrowser->frame->DeleteAction();
        QVERIFY(!remove->isEnabled());
        QCOMPARE(remove->toolTip(), QString("Files inside an archive cannot be deleted"));
        mBrowser->frame->OnDelete();
        QVERIFY(mSandbox->questions.isEmpty() && mSandbox->messages.isEmpty());
        QCOMPARE(mBrowser->List()->RowCount(), 2);
    }

    // The search box: a word of a description or a name (prefixes, any case) or a file name
    // lists the object, on disk or inside the archive; a damaged file is listed in grey with
    // its problem; choosing a result selects its folder and file; an emptied box brings the
    // list back. The index lives in the (sandboxed) cache, one per game folder.
    void searchFindsAndChoosingShowsTheFile() {
        CSearchPanel* panel = mBrowser->frame->SearchPanel();
        const QString far = "GameData/Objects/Objects.far/";
        const std::tuple<QString, QString, bool> rows[] = {
            {"dishes", "GameData/Objects/ChairDining.iff", false},
            {"breakfast", far + "Chairs/ChairKitchen.iff", false},
            {"CLUB armch", far + "Chairs/ArmchairClub.iff", false},
            {"ArmchairPrototype", "Downloads/ArmchairPrototype.IFF", false},
            {"chairproto", "Downloads/ArmchairPrototype.IFF", false},  // inside the file's name
            {"brokenbench", "Downloads/BrokenBench.iff", true}};
        for (const auto& [text, file, damaged] : rows) {
            panel->Box()->clear();
            QTest::keyClicks(panel->Box(), text);
            QTRY_VERIFY(panel->Search()->Refreshed() && panel->ShowsResults());
            QStandardItemModel* model = panel->ResultModel();
            QTRY_VERIFY2(!model->findItems(file, Qt::MatchExactly, CSearchPanel::kFileColumn).isEmpty(),
                         qPrintable(file));
            const QStandardItem* hit = model->findItems(file, Qt::MatchExactly, CSearchPanel::kFileColumn).front();
            QCOMPARE(hit->foreground().color() == QColor(Qt::gray), damaged);
            QVERIFY(!damaged || !hit->toolTip().isEmpty());
            panel->SelectResult(hit->row());
            const QFileInfo path(mGame + "/" + file);
            QCOMPARE(mBrowser->doc->CurrentFolder() + "/" + mBrowser->doc->CurrentFile(), path.filePath());
            QCOMPARE(mBrowser->Tree()->currentItem(), mBrowser->Tree()->ItemForPath(path.path()));
            panel->Box()->clear();
            QVERIFY(!panel->ShowsResults());
            QCOMPARE(mBrowser->List()->FileAt(mBrowser->List()->CurrentRow()), path.fileName());
        }
        const QString database = GameSearch::DatabasePath(mGame);
        QVERIFY(database.startsWith(mSandbox->Root()) && QFileInfo::exists(database));
        // Another game folder: its own index, and nothing of the demo's found in it.
        const QString empty = mSandbox->MakeFolder("empty game");
        mBrowser->doc->SetSimsPath(empty);
        panel->Box()->setText("dishes");
        QTRY_VERIFY(panel->Search()->Refreshed());
        panel->FindNow();
        QCOMPARE(panel->Search()->Folder(), empty);
        QCOMPARE(panel->ResultModel()->rowCount(), 0);
        QCOMPARE(panel->Note()->text(), QString("Nothing found"));
        QVERIFY(QFileInfo::exists(GameSearch::DatabasePath(empty)) && GameSearch::DatabasePath(empty) != database);
    }

    // Looking opens read-only; only a table that needs completing, with the setting on,
    // opens the file for writing, and only when it is still the file that was read. The
    // status bar says what was written or why not.
    void lookingWritesOnlyWhenItMay_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("written");
        QTest::newRow("completed") << "" << "catalog completed: Fern.iff was changed" << true;
        QTest::newRow("read-only file") << "read-only" << "catalog not completed: the file is read-only" << false;
        // Nothing to say of the file: the note on its (missing) picture stands.
        QTest::newRow("setting off") << "off" << "no sprite to draw in this view" << false;
        QTest::newRow("changed during the look")
            << "changed" << "catalog not completed: the file changed on disk while it was read" << false;
    }
    void lookingWritesOnlyWhenItMay() {
        QFETCH(QString, obstacle);
        QFETCH(QString, status);
        QFETCH(bool, written);
        const QString folder = mSandbox->MakeFolder("look");
        const QString path = folder + "/Fern.iff";
        QVERIFY(writeIncompleteObject(path));
        QVERIFY(writeObject(folder + "/Aaa.iff"));  // listed first: shown before the fern is chosen
        Browser browser(folder);
        browser.doc->SetCompleteCatalogs(obstacle != "off");
        QVERIFY(browser.SelectFolder(folder));
        QCOMPARE(browser.doc->CurrentFile(), QString("Aaa.iff"));
        platform::IoHooks& hooks = platform::Hooks();
        hooks.refuseWriteOpens = obstacle == "read-only";
        if (obstacle == "changed") {
            gGrownFile = path;
            hooks.beforeWriteOpen = growOnce;
        }
        const Kept before = kept(path);
        browser.SelectFile("Fern.iff");
        hooks.refuseWriteOpens = false;
        hooks.beforeWriteOpen = nullptr;
        gGrownFile.clear();
        QCOMPARE(browser.doc->CurrentFile(), QString("Fern.iff"));
        QCOMPARE(browser.Form()->NameEdit()->text(), QString("Potted Fern"));  // shown all the same
        QCOMPARE(browser.frame->statusBar()->currentMessage(), status);
        const Kept after = kept(path);
        if (obstacle == "changed")
            QCOMPARE(after.bytes, before.bytes + "x");  // as the other program left it
        else
            QCOMPARE(after != before, written);
    }

    // The player's own files are shown with the completion on and never written, not
    // even their modification time; a character's catalog would be completed in an
    // object file.
    void housesCharactersAndTheNeighborhoodAreNeverWritten() {
        QVERIFY(mBrowser->doc->CompleteCatalogs());
        const std::pair<const char*, QString> files[] = {{"UserData/Houses/House01.iff", "house file"},
                                                         {"UserData/Characters/User00001.iff", "character file"},
                                                         {"UserData/Neighborhood.iff", "neighborhood file"}};
        for (const auto& [file, kind] : files) {
            const QString path = mGame + "/" + file;
            const Kept before = kept(path);
            select(path);
            QVERIFY2(mBrowser->frame->statusBar()->currentMessage().startsWith(kind + ": "), file);
            QVERIFY2(mBrowser->frame->FileStatus()->text().startsWith(kind + ", "), file);
            QVERIFY2(kept(path) == before, file);
        }
    }

    // An archive whose files are of no listed kind says what it holds; the expansion's
    // own archive is a folder of the tree like the game's.
    void archiveOfUnlistedFilesSaysWhatItHolds() {
        const QString sounds = mGame + "/ExpansionPack1/Sounds.far";
        QVERIFY(mBrowser->SelectFolder(sounds));
        QCOMPARE(mBrowser->List()->RowCount(), 0);
        QCOMPARE(mBrowser->frame->statusBar()->currentMessage(), QString("3 files: .wav"));
        QVERIFY(mBrowser->SelectFolder(mGame + "/ExpansionPack1/ExpansionPack1.far/Skins"));
        QCOMPARE(mBrowser->List()->RowCount(), 3);
        QCOMPARE(mBrowser->List()->FileAt(0) + "," + mBrowser->List()->FileAt(1) + "," + mBrowser->List()->FileAt(2),
                 QString("demo-skeleton.cmx,DemoBody_fit.bmp,DemoBody_fit.skn"));
    }

    // An archive that does not mount is told in the status bar only; the old game's go.
    void brokenArchiveIsToldInTheStatusBar() {
        const QString game = mSandbox->MakeFolder("game");
        mSandbox->MakeFile(game, "Bad.far", 64);
        mBrowser->doc->SetSimsPath(game);
        QCOMPARE(mBrowser->frame->statusBar()->currentMessage(), QString("Bad.far: not mounted (not a FAR archive)"));
        QVERIFY(mSandbox->messages.isEmpty() && !mBrowser->Tree()->ItemForPath(game + "/Bad.far"));
        QVERIFY(!IsMountedEntry(mArchive + "/CrateStorage.iff"));
    }

private:
    void select(const QString& path) {
        const QFileInfo info(path);
        QVERIFY2(mBrowser->SelectFolder(info.path()), qPrintable(path));
        mBrowser->SelectFile(info.fileName());
        QCOMPARE(mBrowser->doc->CurrentFile(), info.fileName());
    }

    QTemporaryDir mRoot;
    QString mGame;
    QString mArchive;
    QMap<QString, QByteArray> mBefore;
    std::unique_ptr<Sandbox> mSandbox;
    std::unique_ptr<Browser> mBrowser;
};

QTEST_MAIN(RoadTest)
#include "RoadTest.moc"
