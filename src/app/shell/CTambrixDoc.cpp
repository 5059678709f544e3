#include "app/shell/CTambrixDoc.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <algorithm>

#include "app/browsing/ArchiveBridge.h"

namespace tambrix::app {

namespace {

const int kAbsent = -1;  // the default that tells "never stored" from a stored value

/// A switch: absent reads as on, otherwise any value but 0 is on.
bool readSwitch(QSettings& store, const char* key) {
    bool isNumber = false;
    const int value = store.value(key, kAbsent).toInt(&isNumber);
    if (!isNumber || value == kAbsent) return true;
    return value != 0;
}

/// The game's own entry: the machine's registry on Windows, elsewhere the Wine prefix.
platform::GameFolder findGameFolder() {
#ifdef Q_OS_WIN
    // The game reads its entry into a buffer of this size.
    constexpr int kMaxValueBytes = 2048;
    platform::GameFolder result;
    QSettings key("HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims", QSettings::NativeFormat);
    if (key.childKeys().isEmpty() && key.childGroups().isEmpty()) return result;
    result.state = platform::GameEntryState::kValueMissing;
    const QString value = key.value("SIMS_DATA").toString();
    if (value.isEmpty()) return result;
    result.state = platform::GameEntryState::kFound;
    result.folder = platform::RemoveTrailingBackslashes(value.left(kMaxValueBytes - 1).toStdString());
    return result;
#else
    return platform::FindGameFolder();
#endif
}

}  // namespace

CTambrixDoc::CTambrixDoc(std::optional<QString> simsPathForThisRun) {
    loadSettings(simsPathForThisRun);
    remountArchives();
}

CTambrixDoc::~CTambrixDoc() {
    SaveSettings();
    UnmountGameArchives(mMountedFolder);
}

void CTambrixDoc::remountArchives() {
    if (mSimsPath == mMountedFolder) return;
    UnmountGameArchives(mMountedFolder);
    mMountedFolder = mSimsPath;
    mArchiveStatus = MountGameArchives(mSimsPath);
    emit archivesMounted(mArchiveStatus);
}

void CTambrixDoc::loadSettings(const std::optional<QString>& simsPathForThisRun) {
    QSettings store(settings::kOrganisation, settings::kApplication);
    store.beginGroup(settings::kGroup);
    mPromptOnSave = readSwitch(store, settings::kPromptOnSave);
    mShowSplashScreen = readSwitch(store, settings::kShowSplashScreen);
    mSaveWindowPositions = readSwitch(store, settings::kSaveWindowPositions);
    mCompleteCatalogs = readSwitch(store, settings::kCompleteCatalogs);
    mSimsPath = store.value(settings::kSimsPath, QString()).toString();
    if (simsPathForThisRun) {
        mStoredSimsPath = mSimsPath;
        mSimsPath = *simsPathForThisRun;
    } else if (mSimsPath.isEmpty()) {
        const platform::GameFolder game = findGameFolder();
        mGameLookup = game.state;
        if (game.state == platform::GameEntryState::kFound) {
            mSimsPath = QFile::decodeName(game.folder.c_str());
        } else if (!Installs().empty()) {
            mStartInstall = Installs().front();
            mSimsPath = QFile::decodeName(mStartInstall->folder.c_str());
        }
    }
    mExportPath = store.value(settings::kExportPath, QString()).toString();
    mSortColumn = std::clamp(store.value(settings::kSortColumn, 0).toInt(), 0, 2);
    mSortDescending = store.value(settings::kSortDescending, false).toBool();
    mCurrentFolder.clear();
    mCurrentFile.clear();
}

const std::vector<platform::GameInstall>& CTambrixDoc::Installs() {
    if (!mInstalls) mInstalls = platform::FindInstalls();
    return *mInstalls;
}

void CTambrixDoc::SaveSettings() const {
    QSettings store(settings::kOrganisation, settings::kApplication);
    store.beginGroup(settings::kGroup);
    store.setValue(settings::kPromptOnSave, mPromptOnSave ? 1 : 0);
    store.setValue(settings::kShowSplashScreen, mShowSplashScreen ? 1 : 0);
    store.setValue(settings::kSaveWindowPositions, mSaveWindowPositions ? 1 : 0);
    store.setValue(settings::kCompleteCatalogs, mCompleteCatalogs ? 1 : 0);
    store.setValue(settings::kSimsPath, mStoredSimsPath.value_or(mSimsPath));
    store.setValue(settings::kExportPath, mExportPath);
    store.setValue(settings::kSortColumn, mSortColumn);
    store.setValue(settings::kSortDescending, mSortDescending);
    store.endGroup();
    store.sync();
}

void CTambrixDoc::SetSimsPath(const QString& path) {
    // A folder chosen in the Settings dialog is kept, even in a run that started on a
    // command-line folder.
    if (mStoredSimsPath && path == mSimsPath) return;
    mStoredSimsPath.reset();
    const bool changed = path != mSimsPath;
    mSimsPath = path;
    remountArchives();
    if (changed) emit gameFolderChanged();
}

void CTambrixDoc::BrowseFolder(const QString& path) {
    if (!mStoredSimsPath) mStoredSimsPath = mSimsPath;
    mSimsPath = path;
    remountArchives();
    emit gameFolderChanged();
}

void CTambrixDoc::SetSort(int column, bool descending) {
    mSortColumn = column;
    mSortDescending = descending;
}

void CTambrixDoc::AddView(CView* view) {
    if (std::find(mViews.begin(), mViews.end(), view) == mViews.end()) mViews.push_back(view);
}

void CTambrixDoc::RemoveView(CView* view) {
    mViews.erase(std::remove(mViews.begin(), mViews.end(), view), mViews.end());
}

void CTambrixDoc::UpdateAllViews(CView* sender) {
    // A view may change the document while it updates and broadcast again; copy the
    // list so that a view removed meanwhile is not visited through a stale iterator.
    const std::vector<CView*> views = mViews;
    for (CView* view : views) {
        if (view == sender) continue;
        if (std::find(mViews.begin(), mViews.end(), view) != mViews.end()) view->OnUpdate(sender);
    }
}

void CTambrixDoc::SetCurrentFolder(const QString& folder) { mCurrentFolder = folder; }

void CTambrixDoc::SetCurrentFile(const QString& file) {
    if (file == mCurrentFile) return;
    mCurrentFile = file;
    emit currentFileChanged();
}

QString CTambrixDoc::CurrentFilePath() const {
    if (mCurrentFile.isEmpty()) return QString();
    return QDir(mCurrentFolder).filePath(mCurrentFile);
}

}  // namespace tambrix::app
