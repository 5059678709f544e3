// Library bitmaps to images and back: row order, padding, colour tables.

#include <QtTest>

#include "app/BitmapImage.h"

using namespace tambrix;
using namespace tambrix::app;

class BitmapImageTest : public QObject {
    Q_OBJECT
private slots:
    void trueColourRowsComeOutTopDown() {
        // 3 x 2 pixels: each row is 9 bytes, padded to 12; row 0 in memory is the bottom.
        auto bitmap = platform::Bitmap::Create(3, 2, 24);
        QVERIFY(bitmap);
        bitmap->Fill24(0, 0, 0);
        uint8_t* bottom = bitmap->Row(0);
        bottom[0] = 0xFF;  // bottom-left pixel: blue
        uint8_t* top = bitmap->Row(1);
        top[2 * 3 + 2] = 0xFF;  // top-right pixel: red
        const QImage image = ToImage(*bitmap);
        QCOMPARE(image.size(), QSize(3, 2));
        QCOMPARE(image.pixelColor(0, 1), QColor(0, 0, 255));
        QCOMPARE(image.pixelColor(2, 0), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(1, 0), QColor(0, 0, 0));
    }

    void indexedPicturesKeepTheirColourTable() {
        auto bitmap = platform::Bitmap::Create(5, 1, 8);
        QVERIFY(bitmap);
        bitmap->ColourTable()[7] = {10, 20, 30, 0};  // blue, green, red
        bitmap->Fill8(7);
        const QImage image = ToImage(*bitmap);
        QCOMPARE(image.format(), QImage::Format_Indexed8);
        QCOMPARE(image.colorCount(), 256);
        QCOMPARE(image.pixelIndex(4, 0), 7);
        QCOMPARE(image.pixelColor(4, 0), QColor(30, 20, 10));
    }

    void imagesComeBackAsTheSamePixels() {
        QImage colour(7, 3, QImage::Format_RGB32);
        colour.fill(QColor(1, 2, 3));
        colour.setPixelColor(6, 0, QColor(200, 100, 50));
        auto bitmap = FromImage(colour);
        QVERIFY(bitmap);
        QCOMPARE(bitmap->BitsPerPixel(), uint16_t(24));
        QCOMPARE(bitmap->Stride(), 24u);  // 21 bytes padded to 24
        // Top-right pixel lives in the last row in memory: blue, green, red.
        const uint8_t* topRow = bitmap->TopRow(0);
        QCOMPARE(int(topRow[18]), 50);
        QCOMPARE(int(topRow[19]), 100);
        QCOMPARE(int(topRow[20]), 200);
        QCOMPARE(ToImage(*bitmap).pixelColor(6, 0), QColor(200, 100, 50));

        QImage indexed(2, 2, QImage::Format_Indexed8);
        indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0)});
        indexed.fill(1);
        indexed.setPixel(0, 0, 0);
        auto eight = FromImage(indexed);
        QVERIFY(eight);
        QCOMPARE(eight->BitsPerPixel(), uint16_t(8));
        QCOMPARE(int(eight->TopRow(0)[0]), 0);
        QCOMPARE(int(eight->Row(0)[0]), 1);
        QCOMPARE(eight->ColourTable()[1], (platform::RgbQuad{0, 255, 0, 0}));
    }

    void nothingFromNothing() {
        QVERIFY(!FromImage(QImage()));
        auto depth = platform::Bitmap::Create(2, 2, 16);
        QVERIFY(depth);
        QCOMPARE(ToImage(*depth).size(), QSize(2, 2));
    }
};

QTEST_MAIN(BitmapImageTest)
#include "BitmapImageTest.moc"
