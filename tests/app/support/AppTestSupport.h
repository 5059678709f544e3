#pragma once

// A sandbox for the application tests: settings, home folder and Wine prefix inside a
// temporary folder, prompts answered and recorded instead of shown.

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
    QString MakeFolder(const QString& relative) const;
    QString MakeFile(const QString& folder, const QString& name, qint64 size = 16) const;
    void WriteSystemReg(const QString& text) const;
    QString WinePrefix() const { return mRoot.path() + "/wine"; }

    QStringList messages;   // message boxes shown, in order
    QStringList questions;  // questions asked, each answered with answerYes
    bool answerYes = true;
    QStringList browseTitles;             // folder browses, each answered with browseAnswer
    std::optional<QString> browseAnswer;  // nothing: cancelled
    QStringList saveDefaults;             // names offered by the save dialog, answered with saveAnswer
    std::optional<QString> saveAnswer;
    QStringList shownFolders;  // folders the file manager was asked to show

private:
    QTemporaryDir mRoot;
    QByteArray mOldHome, mOldConfig, mOldPrefix;
};

QStringList ItemTexts(const QListWidget* list);

QVariant StoredSetting(const QString& key);
void StoreSetting(const QString& key, const QVariant& value);

}  // namespace tambrix::app::testing
