#pragma once

// "Tambrix Settings": edits the settings of the document. OK copies them back;
// nothing is stored until the document is destroyed. Beside the game folder's browser,
// every install of the game found on the machine is listed with where it was found;
// picking one puts its folder in the edit.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tambrix::app {

class CTambrixDoc;

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kBrowseSimsTitle = "Choose the location where The Sims is installed";
    static constexpr const char* kBrowseExportTitle = "Choose the location where to export bitmaps to";

    /// Copies the document's settings into the controls.
    explicit CSettingsDlg(CTambrixDoc* doc, QWidget* parent = nullptr);

    /// Copies the controls back into the document and closes.
    void accept() override;

    QLineEdit* SimsPathEdit() const { return mSimsPath; }
    QLineEdit* ExportPathEdit() const { return mExportPath; }
    QPushButton* BrowseSimsButton() const { return mBrowseSims; }
    /// The installs found: one item per install, "FOLDER  (WHERE)", its folder as the
    /// item's Qt::UserRole data; a single disabled item when none was found.
    QListWidget* InstallList() const { return mInstalls; }
    QPushButton* BrowseExportButton() const { return mBrowseExport; }
    QCheckBox* PromptOnSaveCheck() const { return mPromptOnSave; }
    QCheckBox* ShowSplashCheck() const { return mShowSplash; }
    QCheckBox* SaveWindowPositionsCheck() const { return mSaveWindowPositions; }
    QCheckBox* CompleteCatalogsCheck() const { return mCompleteCatalogs; }

private:
    CTambrixDoc* mDoc;
    QLineEdit* mSimsPath;
    QLineEdit* mExportPath;
    QPushButton* mBrowseSims;
    QListWidget* mInstalls;
    QPushButton* mBrowseExport;
    QCheckBox* mPromptOnSave;
    QCheckBox* mShowSplash;
    QCheckBox* mSaveWindowPositions;
    QCheckBox* mCompleteCatalogs;
};

}  // namespace tambrix::app
