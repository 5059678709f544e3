#include "app/browsing/ViewedFile.h"

#include <QFile>

#include "core/GameText.h"

namespace tambrix::app {

FileOpeners& Openers() {
    static FileOpeners openers = LibraryOpeners();
    return openers;
}

void ResetOpeners() { Openers() = LibraryOpeners(); }

QString GameText(std::string_view text) { return QString::fromStdString(GameTextToUtf8(text)); }

std::string LibraryPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace tambrix::app
