// Wall and floor files through the real library: a small container written here with
// the library's own writer (a palette and three "SPR#" sprites, no string table), then
// shown by the object view as the user would select it.

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QtTest>
#include <memory>
#include <vector>

#include "core/DataBlock.h"
#include "core/TextBuffer.h"
#include "containers/IffResourceFile.h"
#include "core/ResourceTypes.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"

using namespace tambrix;
using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& bytes, int value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void put32(Bytes& bytes, uint32_t value) {
    put16(bytes, static_cast<int>(value & 0xFFFF));
    put16(bytes, static_cast<int>(value >> 16));
}

const int kPaletteId = 1;
const uint8_t kRed = 1;  // palette index of the sprites' pixels

/// PALT: version, entry count, 8 unused bytes, then red-green-blue triplets.
Bytes palette() {
    Bytes bytes;
    put32(bytes, 0);  // version (not read)
    put32(bytes, 2);  // entry count
    put32(bytes, 0);  // unused
    put32(bytes, 0);
    for (uint8_t c : {255, 255, 255}) bytes.push_back(c);  // 0: white
    for (uint8_t c : {255, 0, 0}) bytes.push_back(c);      // 1: red
    return bytes;
}

/// SPR# of version 502: `frames` frames, frame f being (width) x (3 + f) pixels of red.
Bytes sprite(int frames, int width) {
    std::vector<Bytes> bodies;
    for (int f = 0; f < frames; ++f) {
        Bytes frame;
        put16(frame, 0);          // position, second value
        put16(frame, 0);          // position, first value
        put16(frame, 3 + f);      // height
        put16(frame, width);      // width
        put16(frame, 0);          // not read
        for (int row = 0; row < 3 + f; ++row) {
            frame.push_back(4);   // start the next row
            frame.push_back(0);
            frame.push_back(2);   // run of `width` pixels
            frame.push_back(static_cast<uint8_t>(width));
            frame.push_back(kRed);
            frame.push_back(0);   // pad
        }
        frame.push_back(5);       // end of frame
        frame.push_back(0);
        bodies.push_back(frame);
    }
    Bytes bytes;
    put32(bytes, 502);                             // version
    put32(bytes, static_cast<uint32_t>(frames));   // frame count
    put32(bytes, kPaletteId);                      // palette ID
    uint32_t offset = 12 + 4 * static_cast<uint32_t>(frames);
    for (const Bytes& body : bodies) {
        put32(bytes, offset);                      // frame offset from the chunk start
        offset += static_cast<uint32_t>(body.size());
    }
    for (const Bytes& body : bodies) bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
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
        QCOMPARE(quint8(head[28]), quint8(8));                      // bits per pixel
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
