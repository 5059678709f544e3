#pragma once

// The single document: the settings, the current folder and the current file.
// Views talk to each other only through it: a view that changes the current folder
// or file tells the others to update.

#include <QObject>
#include <QString>
#include <optional>
#include <vector>

#include "platform/GameInstall.h"
#include "platform/InstallSearch.h"

namespace tambrix::app {

class CTambrixDoc;

/// A pane that shows part of the document.
class CView {
public:
    virtual ~CView() = default;
    virtual void OnInitialUpdate() {}
    /// The document changed; `sender` is the view that changed it, or null.
    virtual void OnUpdate(CView* sender) = 0;
};

/// The settings' names and defaults in the per-user store.
namespace settings {
inline const char* const kOrganisation = "Tambrix Developers";
inline const char* const kApplication = "Tambrix";
inline const char* const kGroup = "Settings";
inline const char* const kSimsPath = "SimsPath";
inline const char* const kExportPath = "ExportPath";
inline const char* const kPromptOnSave = "PromptOnSave";
inline const char* const kShowSplashScreen = "ShowSplashScreen";
inline const char* const kSaveWindowPositions = "SaveWindowPositions";
// Whether looking at an object file may complete its incomplete catalog tables on disk.
inline const char* const kCompleteCatalogs = "CompleteCatalogTables";
// Kept beside the five: the file list's order and the window's places.
inline const char* const kSortColumn = "SortColumn";
inline const char* const kSortDescending = "SortDescending";
inline const char* const kWindowGeometry = "WindowGeometry";
inline const char* const kSplitters = "Splitters";
}  // namespace settings

class CTambrixDoc : public QObject {
    Q_OBJECT
public:
    /// Loads the settings. A folder given on the command line stands for SimsPath in
    /// this run only: it is neither looked up nor saved. Without either, the game's own
    /// entry is looked up, and without one the first install the search finds is taken;
    /// the document never asks the user (see NeedsGameFolder).
    explicit CTambrixDoc(std::optional<QString> simsPathForThisRun = std::nullopt);
    /// Saves the settings.
    ~CTambrixDoc() override;

    void AddView(CView* view);
    void RemoveView(CView* view);
    /// Tells every view but the sender to update, in the order they were added.
    void UpdateAllViews(CView* sender);

    QString SimsPath() const { return mSimsPath; }
    void SetSimsPath(const QString& path);
    QString ExportPath() const { return mExportPath; }
    void SetExportPath(const QString& path) { mExportPath = path; }
    bool PromptOnSave() const { return mPromptOnSave; }
    void SetPromptOnSave(bool on) { mPromptOnSave = on; }
    bool ShowSplashScreen() const { return mShowSplashScreen; }
    void SetShowSplashScreen(bool on) { mShowSplashScreen = on; }
    bool SaveWindowPositions() const { return mSaveWindowPositions; }
    void SetSaveWindowPositions(bool on) { mSaveWindowPositions = on; }
    /// "Complete incomplete catalog tables when viewing" (on unless turned off): off,
    /// nothing is ever written by looking.
    bool CompleteCatalogs() const { return mCompleteCatalogs; }
    void SetCompleteCatalogs(bool on) { mCompleteCatalogs = on; }

    /// Shows another folder as the game folder until the browser closes (Open Folder,
    /// a folder dropped on the window): its archives are mounted, the saved game folder
    /// stays as it is.
    void BrowseFolder(const QString& path);

    /// The file list's order: a column and its direction, remembered between runs.
    int SortColumn() const { return mSortColumn; }
    bool SortDescending() const { return mSortDescending; }
    void SetSort(int column, bool descending);

    QString CurrentFolder() const { return mCurrentFolder; }
    void SetCurrentFolder(const QString& folder);
    QString CurrentFile() const { return mCurrentFile; }
    void SetCurrentFile(const QString& file);
    /// The current folder joined with the current file; empty without a current file.
    QString CurrentFilePath() const;

    /// What the start found of the game's own entry when it had to look (no stored
    /// folder, none on the command line): key missing, value missing, or found (a value
    /// that leads to no local folder counts as a missing key); nothing when it did not look.
    std::optional<platform::GameEntryState> GameFolderLookup() const { return mGameLookup; }
    /// The install that gave the game folder at the start, when neither the settings nor
    /// the game's entry gave one.
    const std::optional<platform::GameInstall>& StartInstall() const { return mStartInstall; }
    /// Whether the user must be asked for the game folder: the lookup found no folder,
    /// be it for a missing key or for a key without its "SIMS_DATA" value, and the search
    /// found no install either.
    bool NeedsGameFolder() const {
        return mGameLookup && *mGameLookup != platform::GameEntryState::kFound && !mStartInstall;
    }
    /// Every install of the game on this machine, searched for on the first call.
    const std::vector<platform::GameInstall>& Installs();

    /// Writes the settings now (also done on destruction).
    void SaveSettings() const;

    /// What mounting the game folder's archives left to say (empty when all mounted).
    QString ArchiveStatus() const { return mArchiveStatus; }

signals:
    void currentFileChanged();
    /// The archives of a new game folder were mounted; the text as ArchiveStatus.
    void archivesMounted(const QString& status);
    /// SimsPath now names another folder: the tree is built again.
    void gameFolderChanged();

private:
    void loadSettings(const std::optional<QString>& simsPathForThisRun);
    /// Unmounts the archives of the previous game folder and mounts SimsPath's.
    void remountArchives();

    QString mSimsPath;
    QString mExportPath;
    bool mPromptOnSave = true;
    bool mShowSplashScreen = true;
    bool mSaveWindowPositions = true;
    bool mCompleteCatalogs = true;
    int mSortColumn = 0;
    bool mSortDescending = false;
    QString mCurrentFolder;
    QString mCurrentFile;
    /// With a command-line folder: the stored SimsPath that is written back instead.
    std::optional<QString> mStoredSimsPath;
    std::optional<platform::GameEntryState> mGameLookup;
    std::optional<platform::GameInstall> mStartInstall;
    std::optional<std::vector<platform::GameInstall>> mInstalls;
    std::vector<CView*> mViews;
    QString mMountedFolder;  ///< the game folder whose archives are mounted
    QString mArchiveStatus;
};

}  // namespace tambrix::app
