#include "app/shell/CSettingsDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shell/CTambrixDoc.h"
#include "app/shell/UserPrompts.h"

namespace tambrix::app {

namespace {

QHBoxLayout* pathRow(QLineEdit* edit, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(button);
    return row;
}

}  // namespace

CSettingsDlg::CSettingsDlg(CTambrixDoc* doc, QWidget* parent) : QDialog(parent), mDoc(doc) {
    setWindowTitle("Tambrix Settings");
    mSimsPath = new QLineEdit(doc->SimsPath(), this);
    mExportPath = new QLineEdit(doc->ExportPath(), this);
    mBrowseSims = new QPushButton("...", this);
    mBrowseExport = new QPushButton("...", this);
    for (QPushButton* browse : {mBrowseSims, mBrowseExport}) {
        browse->setAutoDefault(false);
        browse->setFixedWidth(32);
    }
    mPromptOnSave = new QCheckBox("Prompt on Save Image", this);
    mPromptOnSave->setChecked(doc->PromptOnSave());
    mShowSplash = new QCheckBox("Show Splash Screen on Startup", this);
    mShowSplash->setChecked(doc->ShowSplashScreen());
    mSaveWindowPositions = new QCheckBox("Save Window Positions on Close", this);
    mSaveWindowPositions->setChecked(doc->SaveWindowPositions());
    mCompleteCatalogs = new QCheckBox("Complete incomplete catalog tables when viewing", this);
    mCompleteCatalogs->setChecked(doc->CompleteCatalogs());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSettingsDlg::reject);
    // A cancelled browse changes nothing: the folder in the edit stays.
    connect(mBrowseSims, &QPushButton::clicked, this, [this] {
        if (const std::optional<QString> chosen = BrowseForFolder(kBrowseSimsTitle)) mSimsPath->setText(*chosen);
    });
    connect(mBrowseExport, &QPushButton::clicked, this, [this] {
        if (const std::optional<QString> chosen = BrowseForFolder(kBrowseExportTitle)) mExportPath->setText(*chosen);
    });

    mInstalls = new QListWidget(this);
    for (const platform::GameInstall& install : doc->Installs()) {
        const QString folder = QFile::decodeName(install.folder.c_str());
        auto* item = new QListWidgetItem(
            folder + "  (" + QFile::decodeName(platform::DescribeInstallSource(install).c_str()) + ")", mInstalls);
        item->setData(Qt::UserRole, folder);
        item->setToolTip(folder);
    }
    if (mInstalls->count() == 0) {
        auto* none = new QListWidgetItem("No install of The Sims was found on this computer.", mInstalls);
        none->setFlags(Qt::NoItemFlags);
    }
    // Tall enough for a few installs; more scroll.
    mInstalls->setMaximumHeight(mInstalls->sizeHintForRow(0) * 4 + 2 * mInstalls->frameWidth());
    // A click or Enter picks; merely moving through the list does not.
    const auto pick = [this](QListWidgetItem* item) {
        const QString folder = item->data(Qt::UserRole).toString();
        if (!folder.isEmpty()) mSimsPath->setText(folder);
    };
    connect(mInstalls, &QListWidget::itemClicked, this, pick);
    connect(mInstalls, &QListWidget::itemActivated, this, pick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Location of The Sims directory:", this));
    layout->addLayout(pathRow(mSimsPath, mBrowseSims));
    layout->addWidget(new QLabel("Installs found:", this));
    layout->addWidget(mInstalls);
    layout->addWidget(new QLabel("Default export directory:", this));
    layout->addLayout(pathRow(mExportPath, mBrowseExport));
    layout->addWidget(mPromptOnSave);
    layout->addWidget(mShowSplash);
    layout->addWidget(mSaveWindowPositions);
    layout->addWidget(mCompleteCatalogs);
    layout->addWidget(buttons);
    setMinimumWidth(340);
}

void CSettingsDlg::accept() {
    mDoc->SetSimsPath(mSimsPath->text());
    mDoc->SetExportPath(mExportPath->text());
    mDoc->SetPromptOnSave(mPromptOnSave->isChecked());
    mDoc->SetShowSplashScreen(mShowSplash->isChecked());
    mDoc->SetSaveWindowPositions(mSaveWindowPositions->isChecked());
    mDoc->SetCompleteCatalogs(mCompleteCatalogs->isChecked());
    QDialog::accept();
}

}  // namespace tambrix::app
