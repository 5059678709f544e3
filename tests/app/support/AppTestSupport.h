#pragma once

// Shared pieces of the application tests: a sandbox that keeps settings, the home
// folder and the Wine prefix inside a temporary folder, prompt answers recorded
// instead of modal windows, and small file builders.

#include <QDir>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

class QListWidget;

namespace tambrix::app::testing {

/// Points HOME, XDG_CONFIG_HOME, WINEPREFIX and QSettings into one temporary folder
/// and answers every prompt without a window. Undone on destruction.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();

    QString Root() const { return mRoot.path(); }
    /// A new folder under the sandbox (parents made as needed).
    QString MakeFolder(const QString& relative) const;
    /// Writes `size` bytes of 'x' into folder/name.
    QString MakeFile(const QString& folder, const QString& name, qint64 size = 16) const;
    /// A small bitmap file drawn in code: a red square on blue.
    QString MakeBitmapFile(const QString& folder, const QString& name, QSize size = QSize(12, 9)) const;
    /// Writes the Wine prefix's system.reg with the given text.
    void WriteSystemReg(const QString& text) const;
    QString WinePrefix() const { return mRoot.path() + "/wine"; }

    /// Texts of every message box shown, in order.
    QStringList messages;
    /// Questions asked, and the answer given to each.
    QStringList questions;
    bool answerYes = true;
    /// Titles of folder browses, and the answer given to each (nothing = cancelled).
    QStringList browseTitles;
    std::optional<QString> browseAnswer;
    /// Default names offered by the save dialog, and the answer given.
    QStringList saveDefaults;
    std::optional<QString> saveAnswer;
    /// Folders the file manager was asked to show.
    QStringList shownFolders;

private:
    QTemporaryDir mRoot;
    QByteArray mOldHome;
    QByteArray mOldConfig;
    QByteArray mOldPrefix;
};

/// The texts of a list's items, in order.
QStringList ItemTexts(const QListWidget* list);

/// Stored settings of the sandbox, read back raw.
QVariant StoredSetting(const QString& key);
void StoreSetting(const QString& key, const QVariant& value);

}  // namespace tambrix::app::testing
