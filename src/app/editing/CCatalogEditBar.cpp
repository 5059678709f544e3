#include "app/editing/CCatalogEditBar.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <limits>

#include "app/browsing/ViewedFile.h"
#include "app/shell/UserPrompts.h"
#include "core/ResultCodes.h"
#include "edit/CatalogEdit.h"
#include "sets/WritePlace.h"

namespace tambrix::app {

namespace {

// Within the bar: the language on the first row, the buttons on the second.
const QRect kLanguageLabelBox(0, 2, 80, 20);
const QRect kLanguageBox(85, 0, 250, 24);
const QRect kSaveBox(85, 30, 80, 26);
const QRect kRevertBox(170, 30, 80, 26);
const QRect kCloneBox(85, 30, 120, 26);

// The file may be changed at the user's request: outside archives and the game's own
// folders, and the host lets us write the file and make its new version beside it.
bool MayWrite(const QString& path) {
    if (CheckWritePlace(LibraryPath(path)) != rc::kOk) return false;
    const QFileInfo file(path);
    return file.isFile() && file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
}

QString Refusal(int32_t code) { return QString::fromUtf8(DescribeResult(code)); }

}  // namespace

CCatalogEditBar::CCatalogEditBar(QLineEdit* name, QLineEdit* price, QPlainTextEdit* description, QWidget* parent)
    : QWidget(parent), mName(name), mPrice(price), mDescription(description) {
    resize(kWidth, kHeight);
    mLanguageLabel = new QLabel("Language:", this);
    mLanguageLabel->setGeometry(kLanguageLabelBox);
    mLanguages = new QComboBox(this);
    mLanguages->setGeometry(kLanguageBox);
    for (int l = 0; l < 20; ++l)
        mLanguages->addItem(QString("%1 %2").arg(l + 1).arg(QString::fromUtf8(CatalogLanguageName(l))));
    mSave = new QPushButton("&Save", this);
    mSave->setGeometry(kSaveBox);
    mSave->setToolTip("Save the texts and the price to the file (Ctrl+S while they have unsaved changes)");
    mRevert = new QPushButton("&Revert", this);
    mRevert->setGeometry(kRevertBox);
    mRevert->setToolTip("Show the file's texts again, dropping the changes");
    mClone = new QPushButton("Clone to edit", this);
    mClone->setGeometry(kCloneBox);
    mClone->setToolTip("This file cannot be changed here: make a copy of it that can");
    connect(mSave, &QPushButton::clicked, this, [this] { Save(); });
    connect(mRevert, &QPushButton::clicked, this, &CCatalogEditBar::Revert);
    connect(mClone, &QPushButton::clicked, this, [this] { emit cloneRequested(mPath); });
    connect(mLanguages, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0 || index == mLanguage) return;
        Settle();
        mLanguage = index;
        load();
    });
    connect(mName, &QLineEdit::textChanged, this, &CCatalogEditBar::updateControls);
    connect(mPrice, &QLineEdit::textChanged, this, &CCatalogEditBar::updateControls);
    connect(mDescription, &QPlainTextEdit::textChanged, this, &CCatalogEditBar::updateControls);
    updateControls();
}

void CCatalogEditBar::Attach(const QString& path, int object) {
    mPath = path;
    mObject = object;
    mWritable = MayWrite(path);
    load();
}

void CCatalogEditBar::Detach() {
    mPath.clear();
    mObject = -1;
    mWritable = false;
    updateControls();
}

bool CCatalogEditBar::Dirty() const {
    return mWritable && !mPath.isEmpty() &&
           (mName->text() != mLoadedName || mPrice->text() != mLoadedPrice ||
            mDescription->toPlainText() != mLoadedDescription);
}

void CCatalogEditBar::SetLanguage(int language) { mLanguages->setCurrentIndex(language); }

void CCatalogEditBar::load() {
    // A file that stays read-only keeps the texts the form shows, in the first language.
    CatalogTexts texts;
    const int32_t code = mPath.isEmpty() || !mWritable
                             ? rc::kNotWritable
                             : ReadCatalogTexts(LibraryPath(mPath), mObject, mLanguage, texts);
    if (code == rc::kOk) {
        // What the file holds in this language; the form showed the first language's. An
        // object without catalog texts keeps the form's word for that greyed, so that a
        // save does not store it as a name.
        mName->setPlaceholderText(texts.found ? QString() : mName->text());
        mDescription->setPlaceholderText(texts.found ? QString() : mDescription->toPlainText());
        mName->setText(QString::fromStdString(texts.name));
        mPrice->setText(QString::number(texts.price));
        mDescription->setPlainText(QString::fromStdString(texts.description));
        mOneLanguage = texts.oneLanguage;
    } else {
        // Nothing to edit from: the form's texts stay, and so does the file.
        mName->setPlaceholderText(QString());
        mDescription->setPlaceholderText(QString());
        mWritable = false;
        mOneLanguage = false;
    }
    mLoadedName = mName->text();
    mLoadedPrice = mPrice->text();
    mLoadedDescription = mDescription->toPlainText();
    updateControls();
}

bool CCatalogEditBar::Settle() {
    if (!Dirty()) return false;
    const QString text =
        QString("Save the changed texts of %1 (%2)?").arg(QFileInfo(mPath).fileName(), mLanguages->itemText(mLanguage));
    const bool saved = Prompts().askYesNo && Prompts().askYesNo(parentWidget(), text) && Save();
    if (!saved) {
        // Dropped: the boxes show what the file holds again.
        mName->setText(mLoadedName);
        mPrice->setText(mLoadedPrice);
        mDescription->setPlainText(mLoadedDescription);
    }
    return saved;
}

bool CCatalogEditBar::Save() {
    mError.clear();
    if (!mWritable || mPath.isEmpty()) {
        mError = "This file cannot be changed here: clone it to edit";
        emit problem(mError);
        return false;
    }
    CatalogChange change;
    change.file = LibraryPath(mPath);
    change.object = mObject;
    change.language = mLanguage;
    change.name = mName->text().toStdString();
    change.description = mDescription->toPlainText().toStdString();
    bool number = false;
    const qlonglong price = mPrice->text().trimmed().toLongLong(&number);
    if (!number || price < std::numeric_limits<int16_t>::min() || price > std::numeric_limits<int16_t>::max()) {
        mError = "The price must be a whole number from -32768 to 32767";
        emit problem(mError);
        return false;
    }
    change.price = static_cast<int32_t>(price);
    const int32_t code = ApplyCatalogChange(change);
    if (code != rc::kOk) {
        mError = QString("%1 was not changed: %2").arg(QFileInfo(mPath).fileName(), Refusal(code));
        emit problem(mError);
        return false;
    }
    mLoadedName = mName->text();
    mLoadedPrice = mPrice->text();
    mLoadedDescription = mDescription->toPlainText();
    updateControls();
    emit saved(mPath);
    return true;
}

void CCatalogEditBar::Revert() {
    if (!mPath.isEmpty()) load();
}

void CCatalogEditBar::updateControls() {
    const bool shown = !mPath.isEmpty();
    mName->setReadOnly(!mWritable);
    mPrice->setReadOnly(!mWritable);
    mDescription->setReadOnly(!mWritable);
    // A "CATS" table holds one language: there is no other to choose.
    mLanguageLabel->setVisible(shown && mWritable);
    mLanguages->setVisible(shown && mWritable);
    mLanguages->setEnabled(!mOneLanguage);
    mSave->setVisible(shown && mWritable);
    mRevert->setVisible(shown && mWritable);
    const bool dirty = Dirty();
    mSave->setEnabled(dirty);
    mRevert->setEnabled(dirty);
    mClone->setVisible(shown && !mWritable);
}

}  // namespace tambrix::app
