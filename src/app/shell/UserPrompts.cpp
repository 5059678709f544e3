#include "app/shell/UserPrompts.h"

#include <QDesktopServices>
#include <QDir>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace tambrix::app {

namespace {

const char* const kBitmapFilter = "Windows Bitmap Files (*.bmp)";
const char* const kPngFilter = "PNG Images (*.png)";
const char* const kApplicationTitle = "Tambrix";

QString& browseStart() {
    static QString folder;
    return folder;
}

std::optional<QString> saveName(QWidget* parent, const QString& defaultName, const char* filter, const char* suffix);

UserPrompts defaultPrompts() {
    UserPrompts prompts;
    prompts.message = [](QWidget* parent, const QString& text) {
        QMessageBox::information(parent, kApplicationTitle, text);
    };
    prompts.runDialog = [](QDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
    prompts.askYesNo = [](QWidget* parent, const QString& text) {
        return QMessageBox::question(parent, kApplicationTitle, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    prompts.browseForFolder = [](const QString& title) -> std::optional<QString> {
        // No owner window: the browser stands on its own, as at first start there is
        // no frame yet.
        const QString chosen =
            QFileDialog::getExistingDirectory(nullptr, title, browseStart().isEmpty() ? QDir::currentPath() : browseStart(),
                                              QFileDialog::ShowDirsOnly);
        browseStart().clear();
        if (chosen.isEmpty()) return std::nullopt;
        return QDir::toNativeSeparators(chosen);
    };
    prompts.saveBitmapName = [](QWidget* parent, const QString& defaultName) {
        return saveName(parent, defaultName, kBitmapFilter, "bmp");
    };
    prompts.savePngName = [](QWidget* parent, const QString& defaultName) {
        return saveName(parent, defaultName, kPngFilter, "png");
    };
    prompts.showFolder = [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
    return prompts;
}

std::optional<QString> saveName(QWidget* parent, const QString& defaultName, const char* filter, const char* suffix) {
    QFileDialog dialog(parent, QString(), defaultName, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(defaultName);
    // Qt asks before overwriting unless told otherwise; read-only is not offered.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

}  // namespace

UserPrompts& Prompts() {
    static UserPrompts prompts = defaultPrompts();
    return prompts;
}

void ResetPrompts() { Prompts() = defaultPrompts(); }

std::optional<QString> BrowseForFolder(const QString& title) { return Prompts().browseForFolder(title); }

void SetBrowseStart(const QString& folder) { browseStart() = folder; }

}  // namespace tambrix::app
