#pragma once

// "Clone Object...": where the copy goes, its name and which objects it takes. The place
// follows the name (the game folder's Downloads/NAME/NAME.iff) until the user changes it.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <vector>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace tambrix::app {

class CCloneDlg : public QDialog {
    Q_OBJECT
public:
    /// `source` is the object file cloned, `objects` the names of its top-level objects,
    /// `name` the catalog name proposed, `gameFolder` where Downloads lies.
    CCloneDlg(QWidget* parent, const QString& source, const QStringList& objects, const QString& name,
              const QString& gameFolder);

    /// A name as a file and folder name: letters, digits, spaces, "-" and "_" kept, the
    /// rest left out; `fallback` when nothing is left.
    static QString FileNameOf(const QString& name, const QString& fallback);

    /// The new object file, as the fields give it.
    QString Target() const;
    /// The catalog name, trimmed; empty keeps the objects' names.
    QString CatalogName() const;
    /// The objects taken, 0-based; empty when every one is.
    std::vector<int> Objects() const;

    QLineEdit* NameEdit() const { return mName; }
    QLineEdit* FolderEdit() const { return mFolder; }
    QLineEdit* FileEdit() const { return mFile; }
    QListWidget* ObjectList() const { return mObjects; }
    QLabel* HelpLabel() const { return mHelp; }
    QDialogButtonBox* Buttons() const { return mButtons; }

private:
    void followName();
    void updateOk();

    QString mGameFolder;
    QString mFallback;
    QLineEdit* mName;
    QLineEdit* mFolder;
    QLineEdit* mFile;
    QListWidget* mObjects;
    QLabel* mHelp;
    QDialogButtonBox* mButtons;
    bool mPlaceEdited = false;
};

}  // namespace tambrix::app
