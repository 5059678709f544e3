#include "app/search/GameSearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>

#include "app/browsing/ViewedFile.h"
#include "core/ResultCodes.h"

namespace tambrix::app {

namespace {

// Progress goes to the window every this many files (and at the end): one message per
// file would flood its queue on a large folder.
const uint32_t kProgressStep = 16;

QString describe(int32_t code) { return QString::fromUtf8(DescribeResult(code)); }

}  // namespace

GameSearch::GameSearch(QObject* parent) : QObject(parent) {}

GameSearch::~GameSearch() {
    if (mCancel) *mCancel = true;
    for (QThread* thread : mThreads) thread->wait();
}

QString GameSearch::DatabasePath(const QString& gameFolder) {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cache.isEmpty() || gameFolder.isEmpty()) return QString();
    const std::string folder = LibraryPath(QFileInfo(gameFolder).absoluteFilePath());
    return QFile::decodeName(IndexPathIn(LibraryPath(cache), folder).c_str());
}

void GameSearch::SetFolder(const QString& folder) {
    if (folder == mFolder) return;
    // The old refresh stops at its next file; its thread is not waited for here.
    if (mCancel) *mCancel = true;
    mCancel.reset();
    mQuery.Close();
    mFolder = folder;
    ++mGeneration;
    mStarted = mRefreshing = mRefreshed = false;
}

void GameSearch::Start() {
    if (mStarted || mFolder.isEmpty()) return;
    mStarted = true;
    const QString database = DatabasePath(mFolder);
    if (database.isEmpty()) return finish(mGeneration, "no cache folder to keep the search index in");
    if (!QFileInfo(mFolder).isDir()) return finish(mGeneration, QString("\"%1\" is not a folder").arg(mFolder));
    // Opened here first, so that the database and its tables exist before the refresh's
    // own connection writes to them.
    const int32_t opened = mQuery.Open(LibraryPath(database));
    if (opened != rc::kOk) return finish(mGeneration, QString("%1: %2").arg(database, describe(opened)));

    mRefreshing = true;
    mCancel = std::make_shared<std::atomic<bool>>(false);
    const int generation = mGeneration;
    // One core is left to the window.
    const unsigned workers = static_cast<unsigned>(std::max(1, QThread::idealThreadCount() - 1));
    QThread* thread = QThread::create([this, generation, workers, cancel = mCancel, db = LibraryPath(database),
                                       folder = LibraryPath(mFolder)] {
        QString problem;
        GameIndex index;
        int32_t code = index.Open(db);
        if (code == rc::kOk) {
            const IndexProgress onProgress = [this, generation, &cancel](uint32_t done, uint32_t total) {
                if (done % kProgressStep == 0 || done == total)
                    QMetaObject::invokeMethod(
                        this,
                        [this, generation, done, total] {
                            if (generation == mGeneration) emit progress(int(done), int(total));
                        },
                        Qt::QueuedConnection);
                return !*cancel;
            };
            code = index.Refresh(folder, onProgress, nullptr, workers);
        }
        if (code != rc::kOk) problem = QString("search index: %1").arg(describe(code));
        QMetaObject::invokeMethod(
            this, [this, generation, problem] { finish(generation, problem); }, Qt::QueuedConnection);
    });
    thread->setParent(this);
    mThreads.push_back(thread);
    connect(thread, &QThread::finished, this, [this, thread] {
        mThreads.erase(std::remove(mThreads.begin(), mThreads.end(), thread), mThreads.end());
        thread->deleteLater();
    });
    thread->start(QThread::LowPriority);
}

void GameSearch::finish(int generation, const QString& problem) {
    if (generation != mGeneration) return;
    mRefreshing = false;
    mRefreshed = true;
    emit refreshed(problem);
}

QString GameSearch::Find(const QString& text, int limit, std::vector<IndexHit>& hits) {
    hits.clear();
    if (!mQuery.IsOpen()) return mRefreshed ? QString("the search index could not be opened") : QString();
    const int32_t code = mQuery.Query(text.toStdString(), static_cast<uint32_t>(std::max(0, limit)), hits);
    return code == rc::kOk ? QString() : QString("search index: %1").arg(describe(code));
}

}  // namespace tambrix::app
