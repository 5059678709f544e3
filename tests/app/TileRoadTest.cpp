// Wall and floor files through the real library: a small container written here with
// the library's own writer (a palette and three "SPR#" sprites, no string table), then
// shown by the object view as the user would select it.

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <vector>

#include "containers/IffResourceFile.h"
#include "core/DataBlock.h"
#include "core/ResourceTypes.h"
#include "core/TextBuffer.h"
#include "graphics/Palette.h"
#include "graphics/SpriteEncoder.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"

using namespace tambrix;
using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

using Bytes = std::vector<uint8_t>;

const int kPaletteId = 1;
const uint8_t kRed = 1;  // palette index of the sprites' pixels

/// White and red.
Bytes palette() { return EncodePalette({{255, 255, 255, 0}, {255, 0, 0, 0}}); }

/// SPR#: `frames` frames, frame f being (width) x (3 + f) pixels of red.
Bytes sprite(int frames, int width) {
    std::vector<SpriteImage> images;
    for (int f = 0; f < frames; ++f) {
        SpriteImage image(width, 3 + f);
        std::fill(image.color.begin(), image.color.end(), kRed);
        std::fill(image.alpha.begin(), image.alpha.end(), 255);
        images.push_back(std::move(image));
    }
    return EncodeSprHash(images, kPaletteId);
}

bool add(IffResourceFile& file, ResType type, ResId id, const Bytes& body) {
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
    std::copy(body.begin(), body.end(), block->data);
    if (file.AddResource(block, type, id, LabelText("demo"), true) != 0) {
        FreeDataBlock(block);
        return false;
    }
    return file.WriteResource(block) == 0;
}

/// A wall or floor container with sprites 200 (4 frames), 201 (4 frames) and 202 (3).
bool writeTileFile(const QString& path) {
    IffResourceFile file;
    const FileNameText name(QFile::encodeName(path).toStdString());
    if (file.Create(name) != 0 || file.Open(name) != 0) return false;
    bool ok = add(file, restype::kPALT, kPaletteId, palette());
    ok = ok && add(file, restype::kSPR, 200, sprite(4, 2));
    ok = ok && add(file, restype::kSPR, 201, sprite(4, 3));
    ok = ok && add(file, restype::kSPR, 202, sprite(3, 4));
    return file.Close() == 0 && ok;
}

}  // namespace

class TileRoadTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mSims = mSandbox->MakeFolder("sims");
        mFolder = mSandbox->MakeFolder("sims/Walls");
    }
    void cleanup() { mSandbox.reset(); }

    void wallShowsLabelledSpritesAndFramesAndDrawsTheSelectedFrame() {
        QVERIFY(writeTileFile(mFolder + "/brick.wll"));
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        CObjectView* form = browser.Form();
        QVERIFY(form->HasOpenFile());
        QCOMPARE(ItemTexts(form->SpriteList()), (QStringList{"Far", "Medium", "Near"}));
        QCOMPARE(ItemTexts(form->FrameList()), (QStringList{"Left", "Right", "Facing", "Insert"}));
        // Without a string table the texts are empty.
        QCOMPARE(form->NameEdit()->text(), QString());
        QVERIFY(!form->NameEdit()->isHidden());
        QVERIFY(form->CurrentPicture());
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(2, 3));

        form->SpriteList()->setCurrentRow(1);  // "Medium"
        form->FrameList()->setCurrentRow(3);   // "Insert"
        const QImage drawn = form->CurrentPicture()->Image();
        QCOMPARE(drawn.size(), QSize(3, 6));
        QCOMPARE(drawn.pixelColor(0, 0), QColor(255, 0, 0));
        QCOMPARE(drawn.pixelColor(2, 5), QColor(255, 0, 0));
        QCOMPARE(form->Frame()->size(), QSize(3 + 8, 6 + 8));

        // "Near" has three frames: index 3 is gone, so no frame and no picture.
        form->SpriteList()->setCurrentRow(2);
        QCOMPARE(ItemTexts(form->FrameList()), (QStringList{"Left", "Right", "Facing"}));
        QCOMPARE(form->FrameList()->currentRow(), -1);
        QVERIFY(!form->CurrentPicture());
    }

    void savedSpriteFrameIsAnEightBitBitmap() {
        QVERIFY(writeTileFile(mFolder + "/brick.wll"));
        const QString exports = mSandbox->MakeFolder("exports");
        Browser browser(mSims);
        browser.doc->SetPromptOnSave(false);
        browser.doc->SetExportPath(exports);
        QVERIFY(browser.SelectFolder(mFolder));
        browser.frame->SaveAction()->trigger();
        QFile saved(exports + "/brick.bmp");
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray head = saved.read(54);
        QCOMPARE(head.left(2), QByteArray("BM"));
        QCOMPARE(quint8(head[10]) | quint8(head[11]) << 8, 1078);  // 14 + 40 + 256 colours
        QCOMPARE(quint8(head[28]), quint8(8));                     // bits per pixel
        const QImage back(saved.fileName());
        QCOMPARE(back.size(), QSize(2, 3));
        QCOMPARE(back.pixelColor(1, 2), QColor(255, 0, 0));
    }

    void floorKeepsItsSingleFrameHidden() {
        QVERIFY(writeTileFile(mFolder + "/grass.flr"));
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        CObjectView* form = browser.Form();
        QCOMPARE(ItemTexts(form->FrameList()), QStringList{CObjectView::kFloorFrameItem});
        QVERIFY(form->FrameList()->isHidden());
        form->SpriteList()->setCurrentRow(2);
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(4, 3));
    }

    void fileThatIsNoContainerShowsNothing() {
        mSandbox->MakeFile(mFolder, "junk.wll", 200);
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mFolder));
        QVERIFY(!browser.Form()->HasOpenFile());
        QVERIFY(!browser.Form()->CurrentPicture());
        QVERIFY(browser.Form()->SpriteList()->isHidden());
    }

private:
    std::unique_ptr<Sandbox> mSandbox;
    QString mSims;
    QString mFolder;
};

QTEST_MAIN(TileRoadTest)
#include "TileRoadTest.moc"
