#include "index/GameIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

#include "core/ResultCodes.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FileSystem.h"
#include "index/IndexedFile.h"
#include "platform/PlatformFile.h"
#include "sets/GameFile.h"

namespace tambrix {

namespace fs = std::filesystem;

namespace {

// Bumped whenever the tables change; an index of another version is rebuilt.
constexpr const char* kSchemaVersion = "3";
// Results become visible to readers after this many files or archives.
constexpr uint32_t kCommitEvery = 500;
// A query text is cut here and reads at most this many words: what a search box holds.
constexpr size_t kMaxQueryLength = 512;
constexpr size_t kMaxQueryWords = 16;
// Column weights of the ranking: name, description, file words, GUIDs.
constexpr const char* kRanking = "bm25(search, 10.0, 2.0, 5.0, 10.0)";
// A file of a conflict is compared byte for byte up to this size; a larger one (no
// object file is) is never called a copy.
constexpr int64_t kMaxComparedSize = 64 << 20;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE IF NOT EXISTS sources(id INTEGER PRIMARY KEY, path TEXT UNIQUE NOT NULL, size INTEGER, mtime INTEGER);
CREATE TABLE IF NOT EXISTS files(id INTEGER PRIMARY KEY, source INTEGER NOT NULL, path TEXT NOT NULL,
                                 size INTEGER, problem TEXT NOT NULL, name TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS files_source ON files(source);
CREATE TABLE IF NOT EXISTS objects(id INTEGER PRIMARY KEY, file INTEGER NOT NULL, ordinal INTEGER NOT NULL,
                                   name TEXT NOT NULL, description TEXT NOT NULL, price INTEGER, guid INTEGER);
CREATE INDEX IF NOT EXISTS objects_file ON objects(file);
CREATE TABLE IF NOT EXISTS guids(file INTEGER NOT NULL, ordinal INTEGER NOT NULL, guid INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS guids_file ON guids(file);
CREATE INDEX IF NOT EXISTS guids_guid ON guids(guid);
CREATE VIRTUAL TABLE IF NOT EXISTS search USING fts5(name, description, words, guids, prefix='2 3');
)";

/// A prepared statement, finalised with the object.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &mStmt, nullptr); }
    ~Statement() { sqlite3_finalize(mStmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return mStmt != nullptr; }
    Statement& Bind(int index, const std::string& text) {
        sqlite3_bind_text(mStmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int index, int64_t value) {
        sqlite3_bind_int64(mStmt, index, value);
        return *this;
    }
    Statement& BindNull(int index) {
        sqlite3_bind_null(mStmt, index);
        return *this;
    }
    /// SQLITE_ROW, SQLITE_DONE or an error.
    int Step() { return mStmt ? sqlite3_step(mStmt) : SQLITE_ERROR; }
    /// Runs a statement that answers no rows and readies it for the next use.
    bool Run() {
        const int result = Step();
        Reset();
        return result == SQLITE_DONE;
    }
    void Reset() {
        if (!mStmt) return;
        sqlite3_reset(mStmt);
        sqlite3_clear_bindings(mStmt);
    }
    std::string Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(mStmt, column));
        return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(mStmt, column))) : std::string();
    }
    int64_t Int(int column) const { return sqlite3_column_int64(mStmt, column); }
    bool IsNull(int column) const { return sqlite3_column_type(mStmt, column) == SQLITE_NULL; }

private:
    sqlite3_stmt* mStmt = nullptr;
};

/// A file on disk that the index reads: an object, wall or floor file, or an archive.
struct Source {
    std::string path;  ///< relative to the game folder, '/' separated
    int64_t size = 0;
    int64_t mtime = 0;
    IndexedKind kind = IndexedKind::kNone;
};

struct FileRow {
    std::string path;
    int64_t size = 0;
    IndexedFileRead read;
    bool hasObjects = false;  ///< object files list their objects; others a file row
};

struct SourceResult {
    size_t job = 0;
    std::vector<FileRow> files;
};

/// The words an object is found by its GUIDs: each with and without "0x", in small
/// letters (the full-text table folds the case of a search).
std::string guidWords(const IndexedObject& object) {
    std::string words;
    auto add = [&words](uint32_t guid) {
        char text[9];
        std::snprintf(text, sizeof text, "%08x", guid);
        if (!words.empty()) words += ' ';
        words += "0x" + std::string(text) + ' ' + text;
    };
    add(object.guid);
    for (const uint32_t tile : object.tileGuids) add(tile);
    return words;
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// The words a file is found by: its path, and its name cut where a capital follows a
/// small letter ("LundbyAcajou" is found by "acajou" too).
std::string fileWords(const std::string& path) {
    std::string words = GameTextToUtf8(path);
    const std::string name = nameOf(path);
    std::string split;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (i > 0 && c >= 'A' && c <= 'Z' && name[i - 1] >= 'a' && name[i - 1] <= 'z') split += ' ';
        split += c;
    }
    if (split.size() != name.size()) words += ' ' + GameTextToUtf8(split);
    return words;
}

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

/// What a file name is matched against inside its words: the name without its folder,
/// UTF-8, ASCII letters in small case (the same fold as the query words get).
std::string nameKey(const std::string& path) { return asciiLower(GameTextToUtf8(nameOf(path))); }

/// The words of a search text, at most kMaxQueryWords: runs of letters and digits (any
/// byte past ASCII counts as a letter), UTF-8.
std::vector<std::string> queryWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        if (!word.empty() && words.size() < kMaxQueryWords) words.push_back(word);
        word.clear();
    };
    const std::string cut = GameTextToUtf8(text.substr(0, std::min(text.size(), kMaxQueryLength)));
    for (const char c : cut) {
        const auto byte = static_cast<uint8_t>(c);
        if ((byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            byte >= 0x80)
            word += c;
        else
            flush();
    }
    flush();
    return words;
}

/// The full-text query of some words: each word as a quoted prefix, all required. The
/// words hold no quote, so nothing of the text is read as query syntax.
std::string matchQuery(const std::vector<std::string>& words) {
    std::string query;
    for (const std::string& word : words) {
        if (!query.empty()) query += ' ';
        query += '"' + word + "\"*";
    }
    return query;
}

int64_t fileTime(const fs::path& path, std::error_code& error) {
    return static_cast<int64_t>(fs::last_write_time(path, error).time_since_epoch().count());
}

/// Every file the index reads, below the folder, in path order. Links to folders are
/// not followed, so a loop of links ends the walk instead of running it forever.
std::vector<Source> scanFolder(const fs::path& root) {
    std::vector<Source> sources;
    std::error_code error;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        std::error_code entryError;
        if (!it->is_regular_file(entryError)) continue;
        Source source;
        source.kind = IndexedKindOfName(it->path().filename().string());
        if (source.kind == IndexedKind::kNone) continue;
        source.path = it->path().lexically_relative(root).generic_string();
        source.size = static_cast<int64_t>(it->file_size(entryError));
        source.mtime = fileTime(it->path(), entryError);
        if (entryError) continue;  // gone while listed
        sources.push_back(std::move(source));
    }
    std::sort(sources.begin(), sources.end(), [](const Source& a, const Source& b) { return a.path < b.path; });
    return sources;
}

/// Reads one source. Runs on a worker whose FileSystem::Instance() is its own
/// read-only one, so mounting an archive here touches no other table.
std::vector<FileRow> readSource(const fs::path& root, const Source& source) {
    std::vector<FileRow> rows;
    const std::string full = (root / fs::path(source.path)).string();
    if (source.kind != IndexedKind::kArchive) {
        FileRow row{source.path, source.size, ReadIndexedFile(full, source.kind), source.kind == IndexedKind::kObject};
        rows.push_back(std::move(row));
        return rows;
    }
    FileSystem& files = FileSystem::Instance();
    FarManifest manifest;
    const int32_t listed = ListFarArchive(full.c_str(), manifest, files);
    if (listed != rc::kOk) {
        FileRow row{source.path, source.size, {}, false};
        row.read.problem = DescribeResult(listed);
        rows.push_back(std::move(row));
        return rows;
    }
    MountFarArchive(full.c_str(), nullptr, files);
    for (const FarEntry& entry : manifest.entries) {
        const IndexedKind kind = IndexedKindOfName(entry.name);
        if (kind == IndexedKind::kNone || kind == IndexedKind::kArchive) continue;
        std::string shown = entry.name;
        std::replace(shown.begin(), shown.end(), '\\', '/');
        FileRow row{source.path + '/' + shown, entry.size, {}, kind == IndexedKind::kObject};
        if (entry.status != rc::kOk || entry.compressed) {
            row.read.problem = DescribeResult(entry.compressed ? rc::kFarCompressed : entry.status);
        } else {
            row.read = ReadIndexedFile(full + '\\' + entry.name, kind);
        }
        rows.push_back(std::move(row));
    }
    UnmountFarArchives(full.c_str(), files);
    return rows;
}

/// Hands jobs to the workers and their results back to the one thread that writes.
class WorkQueue {
public:
    explicit WorkQueue(size_t jobs) : mJobs(jobs) {}

    /// The next job, or false when none is left or the work was stopped.
    bool Take(size_t& job) {
        if (mStopped) return false;
        job = mNext.fetch_add(1);
        return job < mJobs;
    }
    void Deliver(SourceResult result) {
        std::lock_guard<std::mutex> lock(mLock);
        mResults.push_back(std::move(result));
        mReady.notify_one();
    }
    void WorkerDone() {
        std::lock_guard<std::mutex> lock(mLock);
        ++mFinishedWorkers;
        mReady.notify_one();
    }
    /// Waits for a result; false once every worker has finished and all was taken.
    bool Next(SourceResult& result, unsigned workers) {
        std::unique_lock<std::mutex> lock(mLock);
        mReady.wait(lock, [&] { return !mResults.empty() || mFinishedWorkers == workers; });
        if (mResults.empty()) return false;
        result = std::move(mResults.front());
        mResults.pop_front();
        return true;
    }
    void Stop() { mStopped = true; }

private:
    size_t mJobs;
    std::atomic<size_t> mNext{0};
    std::atomic<bool> mStopped{false};
    std::mutex mLock;
    std::condition_variable mReady;
    std::deque<SourceResult> mResults;
    unsigned mFinishedWorkers = 0;
};

/// A source the index holds: its row and the size and time it was read at.
struct Known {
    int64_t id, size, mtime;
};

/// The sources the index holds, by path, those `wanted` answers true for.
template <typename Wanted>
bool loadKnown(sqlite3* db, std::map<std::string, Known>& known, const Wanted& wanted) {
    Statement all(db, "SELECT path, id, size, mtime FROM sources");
    int step = SQLITE_ROW;
    while ((step = all.Step()) == SQLITE_ROW) {
        std::string path = all.Text(0);
        if (wanted(path)) known[std::move(path)] = {all.Int(1), all.Int(2), all.Int(3)};
    }
    return step == SQLITE_DONE;
}

bool run(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

/// The source a file on disk stands for, when it is of a kind the index reads.
std::optional<Source> sourceAt(const fs::path& root, const fs::path& file) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return std::nullopt;
    Source source;
    source.kind = IndexedKindOfName(file.filename().string());
    if (source.kind == IndexedKind::kNone) return std::nullopt;
    source.path = file.lexically_relative(root).generic_string();
    source.size = static_cast<int64_t>(fs::file_size(file, error));
    if (!error) source.mtime = fileTime(file, error);
    if (error) return std::nullopt;  // gone while looked at
    return source;
}

/// What an update of some paths looks at: the files named, the folders whose own files
/// it looks at, and paths gone from the disk, whose rows go (a file's, or those of
/// everything that was below a folder).
struct UpdateScope {
    std::set<std::string> files;
    std::set<std::string> folders;  ///< "" for the game folder itself
    std::set<std::string> gone;
    std::map<std::string, Source> onDisk;

    bool Covers(const std::string& path) const {
        if (files.count(path)) return true;
        const size_t slash = path.find_last_of('/');
        if (folders.count(slash == std::string::npos ? std::string() : path.substr(0, slash))) return true;
        for (const std::string& prefix : gone)
            if (path == prefix || (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
                                   path[prefix.size()] == '/'))
                return true;
        return false;
    }

    void Add(const fs::path& root, const std::string& given) {
        fs::path full = fs::path(given);
        if (!full.is_absolute()) full = root / full;
        full = full.lexically_normal();
        std::string relative = full.lexically_relative(root).generic_string();
        while (!relative.empty() && relative.back() == '/') relative.pop_back();
        if (relative == ".") relative.clear();
        // Outside the game folder: none of the index's business.
        if (full.lexically_relative(root).empty() || relative == ".." || relative.rfind("../", 0) == 0) return;
        std::error_code error;
        if (fs::is_directory(full, error)) {
            folders.insert(relative);
            fs::directory_iterator it(full, fs::directory_options::skip_permission_denied, error);
            for (const fs::directory_iterator end; !error && it != end; it.increment(error))
                if (std::optional<Source> source = sourceAt(root, it->path())) onDisk[source->path] = *source;
            return;
        }
        if (std::optional<Source> source = sourceAt(root, full)) {
            files.insert(relative);
            onDisk[source->path] = *source;
            return;
        }
        // A file inside an archive stands for the archive: the nearest file above it.
        for (std::string up = relative; up.find('/') != std::string::npos;) {
            up.resize(up.find_last_of('/'));
            const fs::path above = root / fs::path(up);
            if (fs::is_directory(above, error)) break;
            if (!fs::is_regular_file(above, error)) continue;
            if (std::optional<Source> source = sourceAt(root, above); source && source->kind == IndexedKind::kArchive) {
                files.insert(source->path);
                onDisk[source->path] = *source;
                return;
            }
            break;
        }
        if (fs::exists(full, error))
            files.insert(relative);  // there, but of no kind the index reads
        else
            gone.insert(relative);
    }
};

/// Brings the rows of the known sources up to the sources on disk, inside a transaction
/// the caller began: sources known but not on disk lose their rows, new and changed ones
/// are read again (with `workers` threads), nothing else is touched. Commits, or rolls
/// back on a failure.
int32_t syncSources(sqlite3* db, const fs::path& root, const std::vector<Source>& sources,
                    const std::map<std::string, Known>& known, const IndexProgress& progress, IndexReport& result,
                    unsigned workers) {
    bool ok = true;
    Statement dropSearch(db, "DELETE FROM search WHERE rowid IN (SELECT o.id FROM objects o JOIN files f "
                             "ON o.file = f.id WHERE f.source = ?)");
    Statement dropObjects(db, "DELETE FROM objects WHERE file IN (SELECT id FROM files WHERE source = ?)");
    Statement dropGuids(db, "DELETE FROM guids WHERE file IN (SELECT id FROM files WHERE source = ?)");
    Statement dropFiles(db, "DELETE FROM files WHERE source = ?");
    Statement dropSource(db, "DELETE FROM sources WHERE id = ?");
    Statement addSource(db, "INSERT INTO sources(path, size, mtime) VALUES(?, ?, ?)");
    Statement updateSource(db, "UPDATE sources SET size = ?, mtime = ? WHERE id = ?");
    Statement addFile(db, "INSERT INTO files(source, path, size, problem, name) VALUES(?, ?, ?, ?, ?)");
    Statement addObject(db, "INSERT INTO objects(file, ordinal, name, description, price, guid) "
                            "VALUES(?, ?, ?, ?, ?, ?)");
    Statement addGuid(db, "INSERT INTO guids(file, ordinal, guid) VALUES(?, ?, ?)");
    Statement addSearch(db, "INSERT INTO search(rowid, name, description, words, guids) VALUES(?, ?, ?, ?, ?)");
    for (Statement* s : {&dropSearch, &dropObjects, &dropGuids, &dropFiles, &dropSource, &addSource, &updateSource,
                         &addFile, &addObject, &addGuid, &addSearch})
        ok = ok && s->Ok();

    auto dropRowsOf = [&](int64_t source) {
        return dropSearch.Bind(1, source).Run() && dropObjects.Bind(1, source).Run() &&
               dropGuids.Bind(1, source).Run() && dropFiles.Bind(1, source).Run();
    };

    // Files gone: their rows go. A renamed file is gone under its old name and new
    // under the new one.
    std::map<std::string, const Source*> onDisk;
    for (const Source& source : sources) onDisk[source.path] = &source;
    for (const auto& [path, entry] : known) {
        if (!ok || onDisk.count(path)) continue;
        ok = dropRowsOf(entry.id) && dropSource.Bind(1, entry.id).Run();
        ++result.removed;
    }

    std::vector<const Source*> jobs;
    for (const Source& source : sources) {
        const auto it = known.find(source.path);
        if (it == known.end() || it->second.size != source.size || it->second.mtime != source.mtime)
            jobs.push_back(&source);
    }
    const uint32_t total = static_cast<uint32_t>(jobs.size());
    bool cancelled = ok && progress && !progress(0, total);

    auto writeResult = [&](const SourceResult& done) {
        const Source& source = *jobs[done.job];
        int64_t sourceId = 0;
        const auto it = known.find(source.path);
        if (it != known.end()) {
            sourceId = it->second.id;
            if (!dropRowsOf(sourceId) || !updateSource.Bind(1, source.size).Bind(2, source.mtime).Bind(3, sourceId).Run())
                return false;
        } else {
            if (!addSource.Bind(1, source.path).Bind(2, source.size).Bind(3, source.mtime).Run()) return false;
            sourceId = sqlite3_last_insert_rowid(db);
        }
        for (const FileRow& file : done.files) {
            if (!addFile.Bind(1, sourceId)
                     .Bind(2, file.path)
                     .Bind(3, file.size)
                     .Bind(4, file.read.problem)
                     .Bind(5, nameKey(file.path))
                     .Run())
                return false;
            const int64_t fileId = sqlite3_last_insert_rowid(db);
            ++result.files;
            if (!file.read.problem.empty()) ++result.problems;
            const std::string words = fileWords(file.path);
            auto addRow = [&](int64_t ordinal, const IndexedObject* object) {
                addObject.Bind(1, fileId).Bind(2, ordinal);
                addObject.Bind(3, object ? object->name : std::string())
                    .Bind(4, object ? object->description : std::string());
                if (object)
                    addObject.Bind(5, object->price).Bind(6, int64_t{object->guid});
                else
                    addObject.BindNull(5).BindNull(6);
                if (!addObject.Run()) return false;
                const int64_t objectId = sqlite3_last_insert_rowid(db);
                if (object) {
                    if (!addGuid.Bind(1, fileId).Bind(2, ordinal).Bind(3, int64_t{object->guid}).Run()) return false;
                    for (const uint32_t tile : object->tileGuids)
                        if (!addGuid.Bind(1, fileId).Bind(2, ordinal).Bind(3, int64_t{tile}).Run()) return false;
                }
                return addSearch.Bind(1, objectId)
                    .Bind(2, object ? object->name : std::string())
                    .Bind(3, object ? object->description : std::string())
                    .Bind(4, words)
                    .Bind(5, object ? guidWords(*object) : std::string())
                    .Run();
            };
            for (const uint32_t stray : file.read.strayGuids)
                if (!addGuid.Bind(1, fileId).Bind(2, int64_t{-1}).Bind(3, int64_t{stray}).Run()) return false;
            if (file.read.objects.empty()) {
                if (!addRow(-1, nullptr)) return false;
                continue;
            }
            for (size_t i = 0; i < file.read.objects.size(); ++i) {
                if (!addRow(static_cast<int64_t>(i), &file.read.objects[i])) return false;
                ++result.objects;
            }
        }
        ++result.read;
        return true;
    };

    if (ok && !cancelled && total > 0) {
        const unsigned threads = std::clamp(workers, 1u, std::max(1u, total));
        WorkQueue queue(jobs.size());
        std::vector<std::thread> pool;
        for (unsigned t = 0; t < threads; ++t) {
            pool.emplace_back([&queue, &jobs, &root] {
                // A read-only file system of this worker's own: nothing it opens can be
                // written, and the archives it mounts live only here.
                FileSystem files;
                ThreadFileSystem scope(files);
                FileSystem::ReadOnlyScope readOnly;
                size_t job = 0;
                while (queue.Take(job)) queue.Deliver({job, readSource(root, *jobs[job])});
                queue.WorkerDone();
            });
        }
        SourceResult done;
        uint32_t written = 0;
        while (queue.Next(done, threads)) {
            if (!ok || cancelled) continue;  // drain what the workers still deliver
            ok = writeResult(done);
            ++written;
            if (ok && written % kCommitEvery == 0) ok = run(db, "COMMIT") && run(db, "BEGIN IMMEDIATE");
            if (ok && progress && !progress(written, total)) cancelled = true;
            if (!ok || cancelled) queue.Stop();
        }
        for (std::thread& thread : pool) thread.join();
    }

    if (!ok) {
        run(db, "ROLLBACK");
        return rc::kIndexDatabase;
    }
    if (!run(db, "COMMIT")) {
        run(db, "ROLLBACK");
        return rc::kIndexDatabase;
    }
    return cancelled ? rc::kIndexCancelled : rc::kOk;
}

uint64_t hashOf(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : text) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string absoluteFolder(const std::string& folder) {
    std::error_code error;
    fs::path path = fs::absolute(fs::path(folder), error).lexically_normal();
    std::string text = path.string();
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) text.pop_back();
    return text;
}

}  // namespace

// ---- GameIndex ------------------------------------------------------------------------

GameIndex::GameIndex() = default;

GameIndex::~GameIndex() { Close(); }

bool GameIndex::exec(const char* sql) { return sqlite3_exec(mDb, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

int32_t GameIndex::Open(const std::string& databasePath) {
    if (mDb) return rc::kAlreadyOpen;
    std::error_code error;
    const fs::path parent = fs::path(databasePath).parent_path();
    if (!parent.empty()) fs::create_directories(parent, error);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databasePath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rc::kIndexDatabase;
    }
    mDb = db;
    sqlite3_busy_timeout(mDb, 5000);
    // Write-ahead logging lets a reader query while the indexer writes.
    if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=NORMAL") || !ensureSchema()) {
        Close();
        return rc::kIndexDatabase;
    }
    return rc::kOk;
}

int32_t GameIndex::OpenCache(const std::string& databasePath, bool* rebuilt) {
    if (rebuilt) *rebuilt = false;
    if (mDb) return rc::kAlreadyOpen;
    int32_t code = Open(databasePath);
    if (code == rc::kOk && intact()) return rc::kOk;
    Close();
    std::error_code error;
    if (!fs::exists(databasePath, error)) return code == rc::kOk ? rc::kIndexDatabase : code;
    // Only a cache: what cannot be read as an index is thrown away with its journals and
    // made anew; the next refresh fills it.
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        fs::remove(databasePath + suffix, error);
        if (error) return rc::kIndexDatabase;
    }
    code = Open(databasePath);
    if (code == rc::kOk && rebuilt) *rebuilt = true;
    return code;
}

bool GameIndex::intact() {
    Statement check(mDb, "PRAGMA quick_check(1)");
    return check.Ok() && check.Step() == SQLITE_ROW && check.Text(0) == "ok";
}

bool GameIndex::ensureSchema() {
    {
        Statement version(mDb, "SELECT value FROM meta WHERE key='schema'");
        if (version.Ok() && version.Step() == SQLITE_ROW && version.Text(0) == kSchemaVersion) return true;
    }
    // A database of tables other than an index's is refused, never emptied: the path
    // may have been given by mistake.
    {
        Statement tables(mDb, "SELECT count(*) FROM sqlite_master WHERE name NOT IN "
                              "('meta','sources','files','files_source','objects','objects_file',"
                              "'guids','guids_file','guids_guid') "
                              "AND name NOT LIKE 'search%'");
        if (!tables.Ok() || tables.Step() != SQLITE_ROW || tables.Int(0) != 0) return false;
    }
    if (!exec("BEGIN")) return false;
    const bool made = exec("DROP TABLE IF EXISTS search; DROP TABLE IF EXISTS objects; DROP TABLE IF EXISTS files;"
                           "DROP TABLE IF EXISTS guids;"
                           "DROP TABLE IF EXISTS sources; DROP TABLE IF EXISTS meta;") &&
                      exec(kSchema) &&
                      Statement(mDb, "INSERT INTO meta(key, value) VALUES('schema', ?)").Bind(1, kSchemaVersion).Run();
    return exec(made ? "COMMIT" : "ROLLBACK") && made;
}

void GameIndex::Close() {
    if (!mDb) return;
    sqlite3_close_v2(mDb);
    mDb = nullptr;
}

std::string GameIndex::Folder() {
    if (!mDb) return std::string();
    Statement folder(mDb, "SELECT value FROM meta WHERE key='folder'");
    return folder.Step() == SQLITE_ROW ? folder.Text(0) : std::string();
}

int32_t GameIndex::Refresh(const std::string& gameFolder, const IndexProgress& progress, IndexReport* report,
                           unsigned workers) {
    IndexReport local;
    IndexReport& result = report ? *report : local;
    result = IndexReport();
    if (!mDb) return rc::kIndexNotOpen;
    std::error_code error;
    const std::string folder = absoluteFolder(gameFolder);
    if (gameFolder.empty() || !fs::is_directory(folder, error)) return rc::kNoSuchFile;
    const fs::path root(folder);

    const std::vector<Source> sources = scanFolder(root);
    result.sources = static_cast<uint32_t>(sources.size());

    if (!exec("BEGIN IMMEDIATE")) return rc::kIndexDatabase;
    bool ok = true;
    if (Folder() != folder) {
        ok = exec("DELETE FROM search; DELETE FROM objects; DELETE FROM guids; DELETE FROM files; "
                  "DELETE FROM sources;") &&
             Statement(mDb, "INSERT OR REPLACE INTO meta(key, value) VALUES('folder', ?)").Bind(1, folder).Run();
    }
    std::map<std::string, Known> known;
    ok = ok && loadKnown(mDb, known, [](const std::string&) { return true; });
    if (!ok) {
        exec("ROLLBACK");
        return rc::kIndexDatabase;
    }
    return syncSources(mDb, root, sources, known, progress, result, workers);
}

int32_t GameIndex::Update(const std::string& gameFolder, const std::vector<std::string>& paths, IndexReport* report,
                          unsigned workers) {
    IndexReport local;
    IndexReport& result = report ? *report : local;
    result = IndexReport();
    if (!mDb) return rc::kIndexNotOpen;
    std::error_code error;
    const std::string folder = absoluteFolder(gameFolder);
    if (gameFolder.empty() || !fs::is_directory(folder, error)) return rc::kNoSuchFile;
    // Rows of this folder only: an index never refreshed for it gets all of it at its
    // first refresh, and mixing in a few of its files now would hide nothing but cost.
    if (Folder() != folder || paths.empty()) return rc::kOk;
    const fs::path root(folder);

    UpdateScope scope;
    for (const std::string& path : paths) scope.Add(root, path);
    std::vector<Source> sources;
    for (auto& [path, source] : scope.onDisk) sources.push_back(std::move(source));
    result.sources = static_cast<uint32_t>(sources.size());

    if (!exec("BEGIN IMMEDIATE")) return rc::kIndexDatabase;
    std::map<std::string, Known> known;
    if (Folder() != folder || !loadKnown(mDb, known, [&](const std::string& path) { return scope.Covers(path); })) {
        exec("ROLLBACK");
        return rc::kIndexDatabase;
    }
    return syncSources(mDb, root, sources, known, {}, result, workers);
}

int32_t GameIndex::Query(const std::string& text, uint32_t limit, std::vector<IndexHit>& hits) {
    hits.clear();
    if (!mDb) return rc::kIndexNotOpen;
    const std::vector<std::string> words = queryWords(text);
    if (words.empty() || limit == 0) return rc::kOk;
    // A row is found when every word starts a word of the name, the description or the
    // file's path (the full-text match, ranked), or else when each word does that or
    // stands anywhere inside the file's name ("chair" in "stp_wfchair.iff"); those come
    // after the ranked ones. The full-text match runs once, and every join is driven by
    // it or by a lookup: a match of most rows ("obj" of ".../Objects/...") must not
    // cost its count squared.
    std::string sql = std::string("WITH m(id, score) AS MATERIALIZED (SELECT rowid, ") + kRanking +
                      " FROM search WHERE search MATCH ?) "
                      "SELECT f.path, o.ordinal, o.name, o.description, o.price, f.problem, 0, m.score, o.guid "
                      "FROM m CROSS JOIN objects o ON o.id = m.id CROSS JOIN files f ON f.id = o.file "
                      "UNION ALL "
                      "SELECT f.path, o.ordinal, o.name, o.description, o.price, f.problem, 1, 0, o.guid "
                      "FROM objects o CROSS JOIN files f ON f.id = o.file WHERE o.id NOT IN (SELECT id FROM m)";
    for (size_t i = 0; i < words.size(); ++i)
        sql += " AND (o.id IN (SELECT rowid FROM search WHERE search MATCH ?) OR instr(f.name, ?) > 0)";
    sql += " ORDER BY 7, 8, 1, 2 LIMIT ?";
    Statement query(mDb, sql.c_str());
    if (!query.Ok()) return rc::kIndexDatabase;
    int parameter = 1;
    query.Bind(parameter++, matchQuery(words));
    for (const std::string& word : words) {
        query.Bind(parameter++, matchQuery({word}));
        query.Bind(parameter++, asciiLower(word));
    }
    query.Bind(parameter, static_cast<int64_t>(limit));
    int step = SQLITE_ROW;
    while ((step = query.Step()) == SQLITE_ROW) {
        IndexHit hit;
        hit.path = query.Text(0);
        hit.object = static_cast<int32_t>(query.Int(1));
        hit.name = query.Text(2);
        hit.description = query.Text(3);
        if (!query.IsNull(4)) hit.price = static_cast<int32_t>(query.Int(4));
        hit.problem = query.Text(5);
        if (!query.IsNull(8)) hit.guid = static_cast<uint32_t>(query.Int(8));
        hits.push_back(std::move(hit));
    }
    return step == SQLITE_DONE ? rc::kOk : rc::kIndexDatabase;
}

bool GuidConflict::SameFile() const {
    for (size_t i = 1; i < holders.size(); ++i)
        if (holders[i].path != holders[0].path && holders[i].sameFileAs.empty()) return false;
    return true;
}

int32_t GameIndex::KnownGuids(std::vector<uint32_t>& guids) {
    guids.clear();
    if (!mDb) return rc::kIndexNotOpen;
    Statement all(mDb, "SELECT DISTINCT guid FROM guids");
    if (!all.Ok()) return rc::kIndexDatabase;
    int step = SQLITE_ROW;
    while ((step = all.Step()) == SQLITE_ROW) guids.push_back(static_cast<uint32_t>(all.Int(0)));
    return step == SQLITE_DONE ? rc::kOk : rc::kIndexDatabase;
}

namespace {

/// The bytes of a file of the game folder (an archive entry too), read-only; false when
/// it cannot be read whole or is larger than a comparison reads.
bool readWhole(const std::string& folder, const std::string& path, int64_t size, std::vector<uint8_t>& bytes) {
    if (size < 0 || size > kMaxComparedSize) return false;
    GameFile file;
    if (file.Locate((fs::path(folder) / fs::path(path)).string()) != rc::kOk) return false;
    if (file.ReadHead(bytes, static_cast<uint32_t>(size) + 1) != rc::kOk) return false;
    return bytes.size() == static_cast<size_t>(size);
}

}  // namespace

int32_t GameIndex::SharedGuids(const std::string& path, std::vector<std::pair<uint32_t, std::string>>& shared) {
    shared.clear();
    if (!mDb) return rc::kIndexNotOpen;
    Statement query(mDb, "SELECT g.guid, min(f2.path) FROM guids g JOIN files f ON f.id = g.file "
                         "JOIN guids g2 ON g2.guid = g.guid AND g2.file != g.file JOIN files f2 ON f2.id = g2.file "
                         "WHERE f.path = ? AND g.guid != 0 GROUP BY g.guid ORDER BY g.guid");
    if (!query.Ok()) return rc::kIndexDatabase;
    query.Bind(1, path);
    int step = SQLITE_ROW;
    while ((step = query.Step()) == SQLITE_ROW) shared.emplace_back(static_cast<uint32_t>(query.Int(0)), query.Text(1));
    return step == SQLITE_DONE ? rc::kOk : rc::kIndexDatabase;
}

int32_t GameIndex::GuidConflicts(std::vector<GuidConflict>& conflicts) {
    conflicts.clear();
    if (!mDb) return rc::kIndexNotOpen;
    Statement query(mDb, "SELECT g.guid, f.path, g.ordinal, coalesce(o.name, ''), f.size FROM guids g "
                         "JOIN files f ON f.id = g.file "
                         "LEFT JOIN objects o ON o.file = g.file AND o.ordinal = g.ordinal "
                         "WHERE g.guid IN (SELECT guid FROM guids WHERE guid != 0 GROUP BY guid "
                         "HAVING count(DISTINCT file) > 1) "
                         "ORDER BY g.guid, f.path, g.ordinal");
    if (!query.Ok()) return rc::kIndexDatabase;
    std::map<std::string, int64_t> sizes;
    int step = SQLITE_ROW;
    while ((step = query.Step()) == SQLITE_ROW) {
        const auto guid = static_cast<uint32_t>(query.Int(0));
        if (conflicts.empty() || conflicts.back().guid != guid) conflicts.push_back(GuidConflict{guid, {}});
        GuidHolder holder;
        holder.path = query.Text(1);
        holder.object = static_cast<int32_t>(query.Int(2));
        holder.name = query.Text(3);
        sizes[holder.path] = query.Int(4);
        conflicts.back().holders.push_back(std::move(holder));
    }
    if (step != SQLITE_DONE) return rc::kIndexDatabase;

    // Only the files of a conflict are read, each at most once, and never written.
    const std::string folder = Folder();
    FileSystem files;
    ThreadFileSystem scope(files);
    FileSystem::ReadOnlyScope readOnly;
    std::map<std::string, std::optional<std::vector<uint8_t>>> bytesOf;
    auto bytes = [&](const std::string& path) -> const std::optional<std::vector<uint8_t>>& {
        auto it = bytesOf.find(path);
        if (it != bytesOf.end()) return it->second;
        std::vector<uint8_t> read;
        auto& slot = bytesOf[path];
        if (readWhole(folder, path, sizes[path], read)) slot = std::move(read);
        return slot;
    };
    for (GuidConflict& conflict : conflicts) {
        for (size_t i = 1; i < conflict.holders.size(); ++i) {
            GuidHolder& later = conflict.holders[i];
            for (size_t k = 0; k < i && later.sameFileAs.empty(); ++k) {
                const GuidHolder& earlier = conflict.holders[k];
                if (earlier.path == later.path || sizes[earlier.path] != sizes[later.path]) continue;
                const auto& a = bytes(earlier.path);
                const auto& b = bytes(later.path);
                if (a && b && *a == *b) later.sameFileAs = earlier.path;
            }
        }
    }
    return rc::kOk;
}

// ---- where the index lives ------------------------------------------------------------

std::string IndexPathIn(const std::string& cacheFolder, const std::string& gameFolder) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(hashOf(absoluteFolder(gameFolder))));
    std::string path = cacheFolder;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
    return path + "tambrix/index-" + hash + ".sqlite";
}

std::string DefaultIndexPath(const std::string& gameFolder) {
    const std::string cache = platform::UserCacheFolder();
    return cache.empty() ? std::string() : IndexPathIn(cache, gameFolder);
}

}  // namespace tambrix
