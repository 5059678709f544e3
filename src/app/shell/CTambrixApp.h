#pragma once

// The application object: starts the document, the main frame and the splash in the
// stated order, and runs the Settings and About commands.

#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

namespace tambrix::app {

class CMainFrame;
class CTambrixDoc;

class CTambrixApp : public QObject {
    Q_OBJECT
public:
    CTambrixApp();
    /// Closes the frame, then destroys the document, which saves the settings.
    ~CTambrixApp() override;

    /// Starts up; false to quit. `arguments` as QApplication::arguments() gives them.
    bool InitInstance(const QStringList& arguments);

    /// The About box, modal.
    void OnAppAbout();
    /// The Settings dialog, modal.
    void OnSettings();

    /// A folder given as the only argument: it stands for SimsPath in this run.
    static std::optional<QString> FolderArgument(const QStringList& arguments);
    /// A file given as the only argument (a file manager's "Open With"): the browser
    /// starts on its folder, for this run, with the file selected.
    static std::optional<QString> FileArgument(const QStringList& arguments);
    /// The text --help or --version asks for, printed before any window opens; nothing
    /// for any other command line.
    static std::optional<QString> InfoRequest(const QStringList& arguments);

    CTambrixDoc* Doc() const { return mDoc.get(); }
    CMainFrame* Frame() const { return mFrame.get(); }

private:
    std::unique_ptr<CTambrixDoc> mDoc;
    std::unique_ptr<CMainFrame> mFrame;
};

}  // namespace tambrix::app
