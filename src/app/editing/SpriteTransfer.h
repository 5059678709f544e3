#pragma once

// Export Sprites... and Import Sprites... of the file list: an object's sprites written out
// as PNG pictures to be repainted in any editor, and brought back. The folder used last is
// remembered for the next time; an import shows what it will change and asks first.

#include <QString>

class QWidget;

namespace tambrix::app {

class SpriteTransfer {
public:
    static constexpr const char* kFolderKey = "SpriteFolder";
    static constexpr const char* kExportTitle = "Choose the folder for the sprites";
    static constexpr const char* kImportTitle = "Choose the folder of exported sprites";

    /// Whether the file has sprites to give: an object or sprite file, on disk or in an archive.
    static bool CanExport(const QString& path);
    /// Whether the file may take them back: an object file on disk, outside archives and
    /// the game's own folders.
    static bool CanImport(const QString& path);
    /// Asks for a folder and writes the sprites into FOLDER/NAME; answers the status text,
    /// empty when cancelled.
    static QString Export(QWidget* parent, const QString& path);
    /// Asks for the folder of an export (FOLDER or FOLDER/NAME), shows what the import
    /// would change and writes only when the user agrees; answers the status text, empty
    /// when cancelled. `written` tells whether the file changed.
    static QString Import(QWidget* parent, const QString& path, bool& written);
};

}  // namespace tambrix::app
