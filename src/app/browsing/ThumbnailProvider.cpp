#include "app/browsing/ThumbnailProvider.h"

#include <QDir>
#include <QIcon>
#include <QPainter>
#include <QStandardItemModel>
#include <algorithm>

#include "app/shell/AppArt.h"
#include "app/browsing/BitmapImage.h"
#include "app/browsing/ViewedFile.h"

namespace tambrix::app {

namespace {

const uint32_t kWhite = 0xFFFFFF;  // 0x00BBGGRR
// The list's other styles keep showing the generic icon at this size.
const int kSmallIcon = 16;

}  // namespace

ThumbnailProvider::ThumbnailProvider(QObject* parent)
    : QObject(parent), mGeneration(std::make_shared<std::atomic<int>>(0)) {
    // One file at a time: the other core stays with the window.
    mPool.setMaxThreadCount(1);
}

ThumbnailProvider::~ThumbnailProvider() {
    Cancel();
    mPool.waitForDone();
}

QImage ThumbnailProvider::Render(const QString& path) {
    ShownFile file;
    // Only looked at: nothing is completed or written.
    if (file.Open(LibraryPath(path), GameFileAccess::kReadOnly) != rc::kOk) return QImage();
    const ViewDescription& view = file.Description();
    QImage image;
    if (view.form == ViewForm::kPreview) {
        PreviewReport report;
        const std::unique_ptr<platform::Bitmap> picture = file.RenderPreview(0, kView, kWhite, &report);
        if (!picture || report.outcome != PreviewReport::Outcome::kDrawn) return QImage();
        image = ToImage(*picture);
        // The margin left around the sprites would only shrink the object in its icon.
        const QRect drawn = image.rect().adjusted(kPreviewMargin, kPreviewMargin, -kPreviewMargin, -kPreviewMargin);
        if (!image.isNull() && drawn.isValid()) image = image.copy(drawn);
    } else if (view.form == ViewForm::kWall || view.form == ViewForm::kFloor) {
        // A wall or floor by its near sprite's first frame, as the form opens it.
        const int row = NearestSpriteRow(view);
        if (row < 0) return QImage();
        const std::unique_ptr<platform::Bitmap> picture = file.DrawFrame(view.sprites[static_cast<size_t>(row)].id, 0);
        if (!picture) return QImage();
        image = ToImage(*picture);
    }
    return FillSquare(image);
}

QImage ThumbnailProvider::FillSquare(const QImage& image) {
    if (image.isNull()) return image;
    if (image.width() > kSide || image.height() > kSide)
        return image.scaled(kSide, kSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // A small picture grows with each pixel repeated, so it stays crisp: by whole steps
    // where one fits, else to the square.
    const int factor = std::min(kSide / image.width(), kSide / image.height());
    if (factor >= 2) return image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return image.scaled(kSide, kSide, Qt::KeepAspectRatio, Qt::FastTransformation);
}

void ThumbnailProvider::Cancel() {
    ++*mGeneration;
    mPool.clear();
    mPending = 0;
}

void ThumbnailProvider::Fill(QStandardItemModel* model, const QString& folder) {
    Cancel();
    mModel = model;
    const int generation = *mGeneration;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QString name = model->item(row, 0)->text();
        const GameFileKind kind = KindOfName(LibraryPath(name));
        if (kind != GameFileKind::kObject && kind != GameFileKind::kWall && kind != GameFileKind::kFloor) continue;
        const QString path = QDir(folder).filePath(name);
        ++mPending;
        mPool.start([this, generation, current = mGeneration, name, path] {
            if (*current != generation) return;  // the list moved on before this one began
            const QImage image = Render(path);
            // Applied on the window's thread; dropped there when the provider is gone.
            QMetaObject::invokeMethod(
                this, [this, generation, name, image] { apply(generation, name, image); }, Qt::QueuedConnection);
        });
    }
}

void ThumbnailProvider::apply(int generation, const QString& name, const QImage& image) {
    if (generation != *mGeneration) return;
    --mPending;
    if (!mModel || image.isNull()) return;
    const QList<QStandardItem*> items = mModel->findItems(name, Qt::MatchExactly, 0);
    if (items.isEmpty()) return;
    // Centred on a clear square: every thumbnail lines up in the grid, and the icon keeps
    // the generic picture for the small styles.
    QPixmap square(kSide, kSide);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage(QPoint((kSide - image.width()) / 2, (kSide - image.height()) / 2), image);
    painter.end();
    QIcon icon(square);
    icon.addPixmap(art::DataFile(kSmallIcon));
    items.front()->setIcon(icon);
    emit thumbnailShown(name);
}

}  // namespace tambrix::app
