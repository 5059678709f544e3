#pragma once

// Every question and message the application puts to the user goes through these
// hooks, so that a test can answer them without a modal window. The defaults use
// QMessageBox and QFileDialog.

#include <QString>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace tambrix::app {

struct UserPrompts {
    /// An information box with an OK button.
    std::function<void(QWidget* parent, const QString& text)> message;
    /// A Yes/No question; true for Yes.
    std::function<bool(QWidget* parent, const QString& text)> askYesNo;
    /// The folder browser; nothing when cancelled.
    std::function<std::optional<QString>(const QString& title)> browseForFolder;
    /// The save dialog for a bitmap file; nothing when cancelled.
    std::function<std::optional<QString>(QWidget* parent, const QString& defaultName)> saveBitmapName;
    /// The save dialog for a PNG file; nothing when cancelled.
    std::function<std::optional<QString>(QWidget* parent, const QString& defaultName)> savePngName;
    /// Opens the desktop's file manager on a folder.
    std::function<void(const QString& folder)> showFolder;
    /// Runs a dialog of the application's own, filled in; true when it was accepted.
    std::function<bool(QDialog& dialog)> runDialog;
};

/// The process-wide prompts; tests replace members and call ResetPrompts afterwards.
UserPrompts& Prompts();
void ResetPrompts();

/// The folder browser: starts at the process's current directory and returns only
/// local folders.
std::optional<QString> BrowseForFolder(const QString& title);
/// Where the next folder browser starts (the folder used last for the same purpose);
/// empty for the current folder.
void SetBrowseStart(const QString& folder);

}  // namespace tambrix::app
