#include "app/browsing/BitmapImage.h"

#include <cstring>

namespace tambrix::app {

namespace {

const uint16_t kIndexedDepth = 8;
const uint16_t kDepthBufferDepth = 16;
const uint16_t kTrueColourDepth = 24;

}  // namespace

QImage ToImage(const platform::Bitmap& bitmap) {
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    switch (bitmap.BitsPerPixel()) {
        case kIndexedDepth: {
            QImage image(width, height, QImage::Format_Indexed8);
            QList<QRgb> colours;
            colours.reserve(platform::Bitmap::kColourTableSize);
            for (const platform::RgbQuad& entry : bitmap.ColourTable())
                colours.append(qRgb(entry.red, entry.green, entry.blue));
            image.setColorTable(colours);
            for (int y = 0; y < height; ++y)
                std::memcpy(image.scanLine(y), bitmap.TopRow(y), static_cast<size_t>(width));
            return image;
        }
        case kDepthBufferDepth: {
            QImage image(width, height, QImage::Format_Grayscale16);
            for (int y = 0; y < height; ++y)
                std::memcpy(image.scanLine(y), bitmap.TopRow(y), static_cast<size_t>(width) * 2);
            return image;
        }
        case kTrueColourDepth: {
            // Rows hold blue, green, red per pixel; Qt's BGR888 has the same order.
            QImage image(width, height, QImage::Format_BGR888);
            for (int y = 0; y < height; ++y)
                std::memcpy(image.scanLine(y), bitmap.TopRow(y), static_cast<size_t>(width) * 3);
            return image;
        }
        default: return QImage();
    }
}

std::unique_ptr<platform::Bitmap> FromImage(const QImage& source) {
    if (source.isNull()) return nullptr;
    const bool indexed = source.colorCount() > 0 && source.colorCount() <= platform::Bitmap::kColourTableSize;
    if (indexed) {
        const QImage image = source.convertToFormat(QImage::Format_Indexed8);
        auto bitmap = platform::Bitmap::Create(image.width(), image.height(), kIndexedDepth);
        if (!bitmap) return nullptr;
        const QList<QRgb> colours = image.colorTable();
        for (int i = 0; i < colours.size() && i < platform::Bitmap::kColourTableSize; ++i)
            bitmap->ColourTable()[i] = {static_cast<uint8_t>(qBlue(colours[i])),
                                        static_cast<uint8_t>(qGreen(colours[i])),
                                        static_cast<uint8_t>(qRed(colours[i])), 0};
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(bitmap->TopRow(y), image.constScanLine(y), static_cast<size_t>(image.width()));
        return bitmap;
    }
    const QImage image = source.convertToFormat(QImage::Format_BGR888);
    auto bitmap = platform::Bitmap::Create(image.width(), image.height(), kTrueColourDepth);
    if (!bitmap) return nullptr;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bitmap->TopRow(y), image.constScanLine(y), static_cast<size_t>(image.width()) * 3);
    return bitmap;
}

}  // namespace tambrix::app
