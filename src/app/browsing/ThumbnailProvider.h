#pragma once

// The file list's pictures in Large Icons style: an object file's icon becomes its own
// preview, far and filling the square, a wall's or floor's its near sprite, drawn in the
// background so that the list never waits for it.
// Until a preview arrives (and for a file that gives none) the item keeps its icon.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <memory>

class QStandardItemModel;

namespace tambrix::app {

class ThumbnailProvider : public QObject {
    Q_OBJECT
public:
    /// The largest side of a thumbnail.
    static constexpr int kSide = 64;
    /// The view thumbnails show: far, rotation 2.
    static constexpr int kView = 2;

    explicit ThumbnailProvider(QObject* parent = nullptr);
    /// Drops the waiting requests and waits for the ones being drawn.
    ~ThumbnailProvider() override;

    /// The first object's preview of the object file at `path`, on white without the
    /// preview's margin, or a wall's or floor's near sprite, made to fill kSide x kSide;
    /// null when the file gives none.
    /// Opens the file read-only; safe on any thread.
    static QImage Render(const QString& path);
    /// A picture made to fill the kSide square: a larger one scaled down smoothly, a small
    /// one enlarged with its pixels repeated (crisp), by the largest whole factor that
    /// fits when that is 2 or more.
    static QImage FillSquare(const QImage& image);

    /// Gives every object file listed in column 0 of `model` (files of `folder`) its
    /// preview as icon, one by one in the background; the requests of an earlier call
    /// that have not started are dropped, and their results are not applied.
    void Fill(QStandardItemModel* model, const QString& folder);
    /// Drops every request not yet applied (the list is refilled or leaves the style).
    void Cancel();
    /// Whether requests are still being drawn or applied.
    bool Busy() const { return mPending > 0; }

signals:
    /// A thumbnail was set on the item named `name`.
    void thumbnailShown(const QString& name);

private:
    void apply(int generation, const QString& name, const QImage& image);

    QThreadPool mPool;
    std::shared_ptr<std::atomic<int>> mGeneration;
    QPointer<QStandardItemModel> mModel;
    int mPending = 0;
};

}  // namespace tambrix::app
