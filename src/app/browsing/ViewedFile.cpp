#include "app/browsing/ViewedFile.h"

#include <QFile>
#include <QStringDecoder>

namespace tambrix::app {

FileOpeners& Openers() {
    static FileOpeners openers = LibraryOpeners();
    return openers;
}

void ResetOpeners() { Openers() = LibraryOpeners(); }

QString GameText(std::string_view text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!utf8.hasError()) return decoded;
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string LibraryPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace tambrix::app
