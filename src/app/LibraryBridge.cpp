// The object view's openers over the resource library.

#include <QImage>

#include "app/ViewedFile.h"

namespace tambrix::app {

namespace {

/// A bitmap read from disk with Qt's reader.
class ImagePicture : public Picture {
public:
    explicit ImagePicture(QImage image) : mImage(std::move(image)) {}
    QImage Image() const override { return mImage; }
    bool WriteBitmapFile(const QString& path) const override { return mImage.save(path, "BMP"); }

private:
    QImage mImage;
};

}  // namespace

FileOpeners LibraryOpeners() {
    FileOpeners openers;
    openers.openObjectFile = [](const QString&) -> std::unique_ptr<ViewedFile> { return nullptr; };
    openers.openTileFile = [](const QString&) -> std::unique_ptr<ViewedFile> { return nullptr; };
    openers.loadBitmapFile = [](const QString& path) -> std::unique_ptr<Picture> {
        QImage image(path);
        if (image.isNull()) return nullptr;
        return std::make_unique<ImagePicture>(std::move(image));
    };
    return openers;
}

}  // namespace tambrix::app
