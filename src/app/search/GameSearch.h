#pragma once

// The browser's side of the game folder's search index: one database per game folder in
// the user's cache folder (the one tambrix-cli find keeps too), brought up to date on a
// thread of its own on first use and again on request (only files whose size or time
// changed are read again), and queried on the window's thread through a second
// connection, which sees the last committed state and never waits for the refresh. Files
// the browser knows to have changed are brought up to date at once through that
// connection. Indexing reads files only; nothing in the game folder is written.

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <vector>

#include "index/GameIndex.h"

class QThread;

namespace tambrix::app {

class GameSearch : public QObject {
    Q_OBJECT
public:
    explicit GameSearch(QObject* parent = nullptr);
    /// Cancels a running refresh and waits for its thread.
    ~GameSearch() override;

    /// The database of a game folder, as the library places it (DefaultIndexPath).
    static QString DatabasePath(const QString& gameFolder);

    /// The game folder searched. Another folder cancels the refresh of the previous one
    /// (without waiting for it) and closes its database; Start opens the new one.
    void SetFolder(const QString& folder);
    QString Folder() const { return mFolder; }

    /// Opens the folder's database and starts its refresh in the background, once per
    /// folder and run; later calls do nothing. A database that cannot be opened is
    /// reported through `refreshed`; a damaged one is built anew and told by `notice`.
    void Start();
    /// Starts another refresh of the whole folder in the background (after the running
    /// one, when there is one). Nothing before Start.
    void RefreshAll();
    /// Brings the rows of these files or folders (absolute paths) up to date at once;
    /// while a refresh runs, right after it. Nothing before Start. Sends `changed` when
    /// rows changed.
    void Update(const QStringList& paths);
    /// Whether the refresh of the current folder is running.
    bool Refreshing() const { return mRefreshing; }
    /// Whether the refresh of the current folder has ended (well or not).
    bool Refreshed() const { return mRefreshed; }

    /// The rows matching `text`, best first, at most `limit`. Empty when all went well,
    /// else why nothing could be looked up.
    QString Find(const QString& text, int limit, std::vector<IndexHit>& hits);

signals:
    /// The refresh read `done` of `total` files (sent now and then, not after each file).
    void progress(int done, int total);
    /// The refresh ended; `problem` is empty when the index is up to date.
    void refreshed(const QString& problem);
    /// Rows changed outside a refresh (an Update).
    void changed();
    /// Something for the user to know that is no failure of the search.
    void notice(const QString& text);

private:
    void launch();
    void finish(int generation, const QString& problem);

    QString mFolder;
    GameIndex mQuery;  ///< the window thread's connection
    bool mStarted = false;
    bool mRefreshing = false;
    bool mRefreshed = false;
    bool mAgain = false;   ///< another refresh was asked for while one ran
    QStringList mPending;  ///< files to update once the running refresh ends
    int mGeneration = 0;  ///< counts folders, so that news of an earlier one is dropped
    std::shared_ptr<std::atomic<bool>> mCancel;
    std::vector<QThread*> mThreads;  ///< refreshes still running, waited for on destruction
};

}  // namespace tambrix::app
