// The object view's openers over the library: every file through the opening entry,
// described by the library's view description; pictures are the library's bitmaps,
// saved with its bitmap export.

#include <QFile>
#include <QImage>

#include "app/BitmapImage.h"
#include "app/ViewedFile.h"
#include "graphics/BitmapExport.h"

namespace tambrix::app {

namespace {

const uint32_t kWhite = 0xFFFFFF;  // 0x00BBGGRR
// A bitmap larger than this is not read into memory for the screen.
const uint32_t kLargestBitmapFile = 64u * 1024u * 1024u;

/// A picture held as the library's bitmap; the screen gets a copy as an image.
class BitmapPicture : public Picture {
public:
    explicit BitmapPicture(std::unique_ptr<platform::Bitmap> bitmap)
        : mBitmap(std::move(bitmap)), mImage(ToImage(*mBitmap)) {}
    QImage Image() const override { return mImage; }
    bool WriteBitmapFile(const QString& path) const override {
        const std::optional<PackedDib> packed = BitmapToPackedDib(mBitmap.get(), kDibUncompressed);
        if (!packed) return false;
        return WritePackedDibFile(LibraryPath(path), &*packed);
    }

private:
    std::unique_ptr<platform::Bitmap> mBitmap;
    QImage mImage;
};

std::unique_ptr<Picture> pictureOf(std::unique_ptr<platform::Bitmap> bitmap) {
    if (!bitmap) return nullptr;
    return std::make_unique<BitmapPicture>(std::move(bitmap));
}

class LibraryViewedFile : public ViewedFile {
public:
    const ViewDescription& Description() const override { return mFile.Description(); }
    std::unique_ptr<Picture> DrawSprite(int spriteId, int frame) override {
        return pictureOf(mFile.DrawFrame(spriteId, frame));
    }
    std::unique_ptr<Picture> RenderPreview(int object, int view, QString& why) override {
        why.clear();
        if (object < 0 || static_cast<size_t>(object) >= Description().objects.size()) return nullptr;
        PreviewReport report;
        auto picture = pictureOf(mFile.RenderPreview(static_cast<size_t>(object), view, kWhite, &report));
        why = QString::fromStdString(PreviewReportText(report));
        return picture;
    }

    ShownFile mFile;
};

std::unique_ptr<ViewedFile> openFile(const QString& path) {
    auto file = std::make_unique<LibraryViewedFile>();
    // As the browser views a file: a catalog table missing its first strings is completed.
    if (file->mFile.Open(LibraryPath(path), GameFileAccess::kViewing) != rc::kOk) return nullptr;
    return file;
}

std::unique_ptr<Picture> loadBitmapFile(const QString& path) {
    GameFile file;
    std::vector<uint8_t> bytes;
    if (file.Locate(LibraryPath(path)) != rc::kOk || file.ReadHead(bytes, kLargestBitmapFile) != rc::kOk)
        return nullptr;
    const QImage image = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), "BMP");
    if (image.isNull()) return nullptr;
    return pictureOf(FromImage(image));
}

}  // namespace

FileOpeners LibraryOpeners() {
    FileOpeners openers;
    openers.openFile = openFile;
    openers.loadBitmapFile = loadBitmapFile;
    return openers;
}

}  // namespace tambrix::app
