#pragma once

// "GUID Conflicts": the GUIDs that more than one object file of the game folder holds,
// as the search index knows them (archive entries included), a group per GUID with its
// files and object names; "same file" where the files' bytes are equal. Choosing a file
// asks the window to select it.

#include <QDialog>
#include <QString>
#include <vector>

#include "index/GameIndex.h"

class QLabel;
class QTreeWidget;

namespace tambrix::app {

class CConflictsDlg : public QDialog {
    Q_OBJECT
public:
    /// Reads the conflicts of `gameFolder` from its index database `database`.
    CConflictsDlg(QWidget* parent, const QString& gameFolder, const QString& database);

    /// The groups shown as read; empty when there are none or the index could not be read.
    const std::vector<GuidConflict>& Conflicts() const { return mConflicts; }
    /// One line on what was found ("2 GUIDs held by more than one file"), or why nothing.
    QString Summary() const;
    QTreeWidget* Tree() const { return mTree; }

    /// The text of a group's heading: the GUID, and "same file" when every file is one.
    static QString GroupText(const GuidConflict& conflict);
    /// The mark of a file shown whose objects share a GUID with another file, as the index
    /// of `gameFolder` knows it: "GUID conflict: 0xBC85AF5B is also in Downloads/copy.iff";
    /// empty when there is none or no index yet (the index is only read).
    static QString ConflictMark(const QString& gameFolder, const QString& path);

signals:
    /// A file of a group was chosen (double-click or Enter).
    void fileChosen(const QString& path);

private:
    std::vector<GuidConflict> mConflicts;
    QString mError;
    QTreeWidget* mTree;
    QLabel* mSummary;
};

}  // namespace tambrix::app
