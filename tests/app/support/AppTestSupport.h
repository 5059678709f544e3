#pragma once

// A sandbox for the application tests: settings, home folder and Wine prefix inside a
// temporary folder, prompts answered and recorded instead of shown.

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <optional>

#include "app/shell/CTambrixDoc.h"
#include "app/shell/UserPrompts.h"
#include "app/browsing/ViewedFile.h"

namespace tambrix::app::testing {

/// Points HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME (the search index), XDG_DATA_HOME (and so
/// the trash Delete uses), WINEPREFIX and QSettings into one temporary folder and answers
/// every prompt without a window.
/// Undone on destruction.
class Sandbox {
public:
    Sandbox()
        : mOldHome(qgetenv("HOME")),
          mOldConfig(qgetenv("XDG_CONFIG_HOME")),
          mOldCache(qgetenv("XDG_CACHE_HOME")),
          mOldData(qgetenv("XDG_DATA_HOME")),
          mOldPrefix(qgetenv("WINEPREFIX")) {
        QStandardPaths::setTestModeEnabled(true);
        const QString config = MakeFolder("config");
        QDir().mkpath(WinePrefix());
        qputenv("HOME", mRoot.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
        qputenv("XDG_CACHE_HOME", CacheFolder().toLocal8Bit());
        qputenv("XDG_DATA_HOME", MakeFolder("data").toLocal8Bit());
        // The desktop's trash lies in the data folder, which a desktop always has (in test
        // mode Qt takes it below HOME).
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        qputenv("WINEPREFIX", WinePrefix().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
        UserPrompts& prompts = Prompts();
        prompts.message = [this](QWidget*, const QString& text) { messages.append(text); };
        prompts.askYesNo = [this](QWidget*, const QString& text) { return questions.append(text), answerYes; };
        prompts.browseForFolder = [this](const QString& title) { return browseTitles.append(title), browseAnswer; };
        prompts.saveBitmapName = [this](QWidget*, const QString& name) {
            return saveDefaults.append(name), saveAnswer;
        };
        prompts.savePngName = prompts.saveBitmapName;
        prompts.showFolder = [this](const QString& folder) { shownFolders.append(folder); };
        // The application's own dialogs never block a test: each is recorded and cancelled.
        prompts.runDialog = [this](QDialog& dialog) { return dialogs.append(dialog.windowTitle()), false; };
    }
    ~Sandbox() {
        ResetPrompts();
        ResetOpeners();
        qputenv("HOME", mOldHome);
        qputenv("XDG_CONFIG_HOME", mOldConfig);
        mOldCache.isNull() ? void(qunsetenv("XDG_CACHE_HOME")) : void(qputenv("XDG_CACHE_HOME", mOldCache));
        mOldData.isNull() ? void(qunsetenv("XDG_DATA_HOME")) : void(qputenv("XDG_DATA_HOME", mOldData));
        mOldPrefix.isNull() ? void(qunsetenv("WINEPREFIX")) : void(qputenv("WINEPREFIX", mOldPrefix));
    }

    QString Root() const { return mRoot.path(); }
    QString WinePrefix() const { return mRoot.path() + "/wine"; }
    QString CacheFolder() const { return mRoot.path() + "/cache"; }
    QString MakeFolder(const QString& relative) const { return QDir(Root()).mkpath(relative), Root() + "/" + relative; }
    /// Writes `size` bytes into folder/name (the whole of `text` when given).
    QString MakeFile(const QString& folder, const QString& name, qint64 size = 16, const QByteArray& text = {}) const {
        QFile file(folder + "/" + name);
        if (file.open(QIODevice::WriteOnly)) file.write(text.isNull() ? QByteArray(size, 'x') : text);
        return file.fileName();
    }

    QStringList messages;   // message boxes shown, in order
    QStringList dialogs;    // titles of the application's own dialogs run, each cancelled
    QStringList questions;  // questions asked, each answered with answerYes
    bool answerYes = true;
    QStringList browseTitles;             // folder browses, each answered with browseAnswer
    std::optional<QString> browseAnswer;  // nothing: cancelled
    QStringList saveDefaults;             // names offered by the save dialog, answered with saveAnswer
    std::optional<QString> saveAnswer;
    QStringList shownFolders;  // folders the file manager was asked to show

private:
    QTemporaryDir mRoot;
    QByteArray mOldHome, mOldConfig, mOldCache, mOldData, mOldPrefix;
};

/// Stored settings of the sandbox, raw.
inline QVariant StoredSetting(const QString& key) {
    return QSettings(settings::kOrganisation, settings::kApplication).value(settings::kGroup + ("/" + key));
}
inline void StoreSetting(const QString& key, const QVariant& value) {
    QSettings(settings::kOrganisation, settings::kApplication).setValue(settings::kGroup + ("/" + key), value);
}

inline QStringList ItemTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

}  // namespace tambrix::app::testing
