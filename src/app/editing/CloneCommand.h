#pragma once

// "Clone Object...": from the file list's context menu and the form's "Clone to edit"
// button. Asks where and what (CCloneDlg), asks before a file is replaced, writes the
// clone through the library with GUIDs new to the game folder's index, and tells where
// the new file is so that the browser shows it.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QWidget;

namespace tambrix::app {

class CTambrixDoc;

class CloneCommand : public QObject {
    Q_OBJECT
public:
    CloneCommand(CTambrixDoc* doc, QWidget* window);

    /// The menu command; the window enables it while an object file is shown.
    QAction* Action() const { return mAction; }
    /// What the command clones when chosen from a menu: the file shown, its objects'
    /// names and the name proposed. Set by the window.
    std::function<void(QString& source, QStringList& objects, QString& name)> shown;

    /// Clones `source` (an object file on disk or inside an archive) after asking; false
    /// when cancelled or refused (the user was told why).
    bool Run(const QString& source, const QStringList& objects, const QString& name);

signals:
    /// The clone was written: the new object file and what to say about it.
    void cloned(const QString& path, const QString& status);

private:
    CTambrixDoc* mDoc;
    QWidget* mWindow;
    QAction* mAction;
};

}  // namespace tambrix::app
