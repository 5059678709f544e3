#include "app/search/GameSearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <utility>

#include "app/browsing/ViewedFile.h"
#include "core/ResultCodes.h"

namespace tambrix::app {

namespace {

// Progress goes to the window every this many files (and at the end): one message per
// file would flood its queue on a large folder.
const uint32_t kProgressStep = 16;

const char* const kRebuilt = "The search index was damaged and is being built again";

QString describe(int32_t code) { return QString::fromUtf8(DescribeResult(code)); }

}  // namespace

GameSearch::GameSearch(QObject* parent) : QObject(parent) {}

GameSearch::~GameSearch() {
    if (mCancel) *mCancel = true;
    for (QThread* thread : mThreads) thread->wait();
}

QString GameSearch::DatabasePath(const QString& gameFolder) {
    if (gameFolder.isEmpty()) return QString();
    return QFile::decodeName(DefaultIndexPath(LibraryPath(QFileInfo(gameFolder).absoluteFilePath())).c_str());
}

void GameSearch::SetFolder(const QString& folder) {
    if (folder == mFolder) return;
    // The old refresh stops at its next file; its thread is not waited for here.
    if (mCancel) *mCancel = true;
    mCancel.reset();
    mQuery.Close();
    mFolder = folder;
    ++mGeneration;
    mStarted = mRefreshing = mRefreshed = mAgain = false;
    mPending.clear();
}

void GameSearch::Start() {
    if (mStarted || mFolder.isEmpty()) return;
    mStarted = true;
    const QString database = DatabasePath(mFolder);
    if (database.isEmpty()) return finish(mGeneration, "no cache folder to keep the search index in");
    if (!QFileInfo(mFolder).isDir()) return finish(mGeneration, QString("\"%1\" is not a folder").arg(mFolder));
    // Opened here first, so that the database and its tables exist before the refresh's
    // own connection writes to them.
    bool rebuilt = false;
    const int32_t opened = mQuery.OpenCache(LibraryPath(database), &rebuilt);
    if (opened != rc::kOk) return finish(mGeneration, QString("%1: %2").arg(database, describe(opened)));
    if (rebuilt) emit notice(kRebuilt);
    launch();
}

void GameSearch::RefreshAll() {
    if (!mStarted || !mQuery.IsOpen()) return;
    if (mRefreshing) {
        mAgain = true;
        return;
    }
    launch();
}

void GameSearch::launch() {
    const QString database = DatabasePath(mFolder);
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
    // What changed while the refresh walked the folder may have been missed by it.
    QStringList pending = std::exchange(mPending, QStringList());
    pending.removeDuplicates();
    if (!pending.isEmpty()) Update(pending);
    emit refreshed(problem);
    if (std::exchange(mAgain, false)) launch();
}

void GameSearch::Update(const QStringList& paths) {
    if (!mStarted || !mQuery.IsOpen() || paths.isEmpty()) return;
    if (mRefreshing) {
        mPending += paths;
        return;
    }
    std::vector<std::string> files;
    for (const QString& path : paths)
        if (!path.isEmpty()) files.push_back(LibraryPath(path));
    IndexReport report;
    // The same read-only workers as a refresh: nothing read here is ever written, and
    // the window's mounted archives are not touched.
    if (mQuery.Update(LibraryPath(mFolder), files, &report) == rc::kOk && (report.read > 0 || report.removed > 0))
        emit changed();
}

QString GameSearch::Find(const QString& text, int limit, std::vector<IndexHit>& hits) {
    hits.clear();
    if (!mQuery.IsOpen()) return mRefreshed ? QString("the search index could not be opened") : QString();
    const int32_t code = mQuery.Query(text.toStdString(), static_cast<uint32_t>(std::max(0, limit)), hits);
    return code == rc::kOk ? QString() : QString("search index: %1").arg(describe(code));
}

}  // namespace tambrix::app
