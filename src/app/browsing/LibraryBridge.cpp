// The object view's openers over the library: every file through the opening entry,
// described by the library's view description; pictures are the library's bitmaps,
// saved with its bitmap export.

#include <QFile>
#include <QImage>
#include <cstring>

#include "app/browsing/BitmapImage.h"
#include "app/browsing/ViewedFile.h"
#include "graphics/BitmapExport.h"

namespace tambrix::app {

namespace {

const uint32_t kWhite = 0xFFFFFF;  // 0x00BBGGRR
const uint32_t kBlack = 0x000000;
// A bitmap larger than this is not read into memory for the screen.
const uint32_t kLargestBitmapFile = 64u * 1024u * 1024u;

/// Draws the same picture again on another background (0x00BBGGRR).
using Redraw = std::function<std::unique_ptr<platform::Bitmap>(uint32_t background)>;

/// A picture held as the library's bitmap; the screen gets a copy as an image.
class BitmapPicture : public Picture {
public:
    explicit BitmapPicture(std::unique_ptr<platform::Bitmap> bitmap, Redraw redraw = {})
        : mBitmap(std::move(bitmap)), mImage(ToImage(*mBitmap)), mRedraw(std::move(redraw)) {}
    QImage Image() const override { return mImage; }
    QImage TransparentImage() const override {
        // Drawn on white for the screen; once more on black tells the background.
        const std::unique_ptr<platform::Bitmap> onBlack = mRedraw ? mRedraw(kBlack) : nullptr;
        const std::vector<uint8_t> rgba = onBlack ? TransparentRgba(*onBlack, *mBitmap) : std::vector<uint8_t>();
        if (rgba.empty()) return Picture::TransparentImage();
        QImage image(mBitmap->Width(), mBitmap->Height(), QImage::Format_RGBA8888);
        const size_t rowBytes = static_cast<size_t>(mBitmap->Width()) * 4;
        for (int y = 0; y < image.height(); ++y) std::memcpy(image.scanLine(y), rgba.data() + y * rowBytes, rowBytes);
        return image;
    }
    bool WriteBitmapFile(const QString& path) const override {
        const std::optional<PackedDib> packed = BitmapToPackedDib(mBitmap.get(), kDibUncompressed);
        if (!packed) return false;
        return WritePackedDibFile(LibraryPath(path), &*packed);
    }

private:
    std::unique_ptr<platform::Bitmap> mBitmap;
    QImage mImage;
    Redraw mRedraw;
};

std::unique_ptr<Picture> pictureOf(std::unique_ptr<platform::Bitmap> bitmap, Redraw redraw = {}) {
    if (!bitmap) return nullptr;
    return std::make_unique<BitmapPicture>(std::move(bitmap), std::move(redraw));
}

class LibraryViewedFile : public ViewedFile {
public:
    const ViewDescription& Description() const override { return mFile->Description(); }
    std::unique_ptr<Picture> DrawSprite(int spriteId, int frame) override {
        // The picture may outlive the file (closed before a delete): it redraws only
        // while the file is open.
        std::weak_ptr<ShownFile> file = mFile;
        return pictureOf(mFile->DrawFrame(spriteId, frame), [file, spriteId, frame](uint32_t background) {
            const std::shared_ptr<ShownFile> open = file.lock();
            return open ? open->DrawFrame(spriteId, frame, background) : nullptr;
        });
    }
    std::unique_ptr<Picture> RenderPreview(int object, int view, QString& why) override {
        why.clear();
        if (object < 0 || static_cast<size_t>(object) >= Description().objects.size()) return nullptr;
        PreviewReport report;
        const size_t index = static_cast<size_t>(object);
        std::weak_ptr<ShownFile> file = mFile;
        auto picture = pictureOf(mFile->RenderPreview(index, view, kWhite, &report), [file, index, view](uint32_t background) {
            const std::shared_ptr<ShownFile> open = file.lock();
            return open ? open->RenderPreview(index, view, background) : nullptr;
        });
        why = QString::fromStdString(PreviewReportText(report));
        // A canvas with nothing drawn on it is no picture: nothing to save or copy.
        if (report.outcome != PreviewReport::Outcome::kDrawn) return nullptr;
        return picture;
    }
    CatalogCompletion Completion() const override { return mFile->Completion(); }

    std::shared_ptr<ShownFile> mFile = std::make_shared<ShownFile>();
};

std::unique_ptr<ViewedFile> openFile(const QString& path, GameFileAccess access) {
    auto file = std::make_unique<LibraryViewedFile>();
    if (file->mFile->Open(LibraryPath(path), access) != rc::kOk) return nullptr;
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

QString openFailure(const QString& path) {
    const std::string name = LibraryPath(path);
    if (KindOfName(name) == GameFileKind::kBitmap) {
        GameFile file;
        const int32_t code = file.Locate(name);
        if (code != rc::kOk) return QString::fromUtf8(DescribeResult(code));
        return loadBitmapFile(path) ? QString() : QString("not a bitmap file");
    }
    // Looked at again read-only: only the reason is wanted.
    ShownFile file;
    const int32_t code = file.Open(name, GameFileAccess::kReadOnly);
    return code == rc::kOk ? QString() : QString::fromUtf8(DescribeResult(code));
}

FileOpeners LibraryOpeners() {
    FileOpeners openers;
    openers.openFile = openFile;
    openers.loadBitmapFile = loadBitmapFile;
    openers.openFailure = openFailure;
    return openers;
}

}  // namespace tambrix::app
