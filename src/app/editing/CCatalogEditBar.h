#pragma once

// The form's catalog editing: below the object's texts, for an object file that may be
// written, a language selector, Save and Revert; for one that may not (inside an
// archive, in the game's own folders, or read-only on disk) a "Clone to edit" button.
// The name, price and description boxes stay the form's; this bar makes them editable,
// fills them with the chosen language's texts and writes them back through the
// library. Edits not saved are never dropped silently: before the language, the object
// or the file changes, Settle asks whether to save them.

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tambrix::app {

class CCatalogEditBar : public QWidget {
    Q_OBJECT
public:
    /// The bar's size in the form.
    static constexpr int kWidth = 335;
    static constexpr int kHeight = 56;

    CCatalogEditBar(QLineEdit* name, QLineEdit* price, QPlainTextEdit* description, QWidget* parent);

    /// Shows object `object` of the object file at `path` (the application's path, on
    /// disk or inside an archive): its texts in the chosen language fill the boxes.
    void Attach(const QString& path, int object);
    /// Leaves the file and makes the texts read-only again; unsaved edits are dropped.
    void Detach();
    /// With unsaved edits, asks whether to save them and saves them on yes; the edits
    /// are settled either way. True when it saved.
    bool Settle();

    /// Whether the shown file may be written: then the texts are editable.
    bool Writable() const { return mWritable; }
    /// Whether the texts differ from what the file holds.
    bool Dirty() const;
    int Language() const { return mLanguage; }
    void SetLanguage(int language);

    /// Writes the texts and the price; false (with the reason in LastError) when refused
    /// or the write failed, and the file is then as it was.
    bool Save();
    /// Shows the file's texts again, dropping the edits.
    void Revert();
    QString LastError() const { return mError; }

    QComboBox* LanguageBox() const { return mLanguages; }
    QPushButton* SaveButton() const { return mSave; }
    QPushButton* RevertButton() const { return mRevert; }
    QPushButton* CloneButton() const { return mClone; }

signals:
    /// The texts were written to the file at `path`: whoever shows it reads it again.
    void saved(const QString& path);
    /// A message for the user about the edit (a refusal, a failed write).
    void problem(const QString& text);
    /// "Clone to edit" was pressed for the file at `path`.
    void cloneRequested(const QString& path);

private:
    /// Fills the boxes with the chosen language's texts; the edits are gone.
    void load();
    void updateControls();

    QLineEdit* mName;
    QLineEdit* mPrice;
    QPlainTextEdit* mDescription;
    QLabel* mLanguageLabel;
    QComboBox* mLanguages;
    QPushButton* mSave;
    QPushButton* mRevert;
    QPushButton* mClone;

    QString mPath;
    int mObject = -1;
    int mLanguage = 0;
    bool mWritable = false;
    bool mOneLanguage = false;
    // The texts as loaded, to tell edits from them.
    QString mLoadedName;
    QString mLoadedPrice;
    QString mLoadedDescription;
    QString mError;
};

}  // namespace tambrix::app
