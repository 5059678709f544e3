#include "app/editing/CCloneDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shell/UserPrompts.h"

namespace tambrix::app {

namespace {

const char* const kHelp =
    "Every object taken gets a new GUID, so that the game sees a new object beside the original. "
    "GUIDs that the file's behaviour code mentions are left as they are. The tiles of a multi-tile "
    "object go with it; resources only an object left out uses stay in the copy. The name given "
    "becomes the catalog name in every language; descriptions and prices stay.";

}  // namespace

CCloneDlg::CCloneDlg(QWidget* parent, const QString& source, const QStringList& objects, const QString& name,
                     const QString& gameFolder)
    : QDialog(parent), mGameFolder(gameFolder), mFallback(QFileInfo(source).completeBaseName() + " copy") {
    setWindowTitle("Clone Object");
    auto* form = new QFormLayout;
    form->addRow("Source:", new QLabel(QDir::toNativeSeparators(source), this));
    mName = new QLineEdit(name, this);
    form->addRow("&Name:", mName);
    mFolder = new QLineEdit(this);
    auto* browse = new QPushButton("&Browse...", this);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(mFolder);
    folderRow->addWidget(browse);
    form->addRow("&Folder:", folderRow);
    mFile = new QLineEdit(this);
    form->addRow("F&ile:", mFile);
    mObjects = new QListWidget(this);
    for (int i = 0; i < objects.size(); ++i) {
        auto* item = new QListWidgetItem(objects[i].isEmpty() ? QString("(object %1)").arg(i + 1) : objects[i], mObjects);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    form->addRow("&Objects:", mObjects);
    mHelp = new QLabel(kHelp, this);
    mHelp->setWordWrap(true);
    mButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    mButtons->button(QDialogButtonBox::Ok)->setText("&Clone");
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(mHelp);
    layout->addWidget(mButtons);

    followName();
    connect(mName, &QLineEdit::textChanged, this, [this] {
        if (!mPlaceEdited) followName();
        updateOk();
    });
    auto edited = [this] {
        mPlaceEdited = true;
        updateOk();
    };
    connect(mFolder, &QLineEdit::textEdited, this, edited);
    connect(mFile, &QLineEdit::textEdited, this, edited);
    connect(mObjects, &QListWidget::itemChanged, this, &CCloneDlg::updateOk);
    connect(browse, &QPushButton::clicked, this, [this] {
        if (const std::optional<QString> chosen = Prompts().browseForFolder("Clone Object")) {
            mFolder->setText(*chosen);
            mPlaceEdited = true;
            updateOk();
        }
    });
    connect(mButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(mButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateOk();
}

QString CCloneDlg::FileNameOf(const QString& name, const QString& fallback) {
    QString kept;
    for (const QChar c : name)
        if (c.isLetterOrNumber() || c == ' ' || c == '-' || c == '_') kept += c;
    kept = kept.simplified();
    return kept.isEmpty() ? fallback : kept;
}

void CCloneDlg::followName() {
    const QString base = FileNameOf(mName->text(), mFallback);
    mFolder->setText(QDir::toNativeSeparators(QDir(mGameFolder).filePath("Downloads/" + base)));
    mFile->setText(base + ".iff");
}

void CCloneDlg::updateOk() {
    const QString file = mFile->text().trimmed();
    const bool named = file.endsWith(".iff", Qt::CaseInsensitive) && file.size() > 4 && !file.contains('/') &&
                       !file.contains('\\') && !mFolder->text().trimmed().isEmpty();
    bool any = false;
    for (int i = 0; i < mObjects->count() && !any; ++i) any = mObjects->item(i)->checkState() == Qt::Checked;
    mButtons->button(QDialogButtonBox::Ok)->setEnabled(named && (any || mObjects->count() == 0));
}

QString CCloneDlg::Target() const {
    return QDir::cleanPath(QDir(QDir::fromNativeSeparators(mFolder->text().trimmed())).filePath(mFile->text().trimmed()));
}

QString CCloneDlg::CatalogName() const { return mName->text().trimmed(); }

std::vector<int> CCloneDlg::Objects() const {
    std::vector<int> taken;
    for (int i = 0; i < mObjects->count(); ++i)
        if (mObjects->item(i)->checkState() == Qt::Checked) taken.push_back(i);
    if (static_cast<int>(taken.size()) == mObjects->count()) taken.clear();  // every one
    return taken;
}

}  // namespace tambrix::app
