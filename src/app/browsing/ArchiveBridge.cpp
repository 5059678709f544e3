#include "app/browsing/ArchiveBridge.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <vector>

#include "fileaccess/FarArchive.h"
#include "fileaccess/FileSystem.h"

namespace tambrix::app {

namespace {

std::string libraryPath(const QString& path) { return QFile::encodeName(QDir::cleanPath(path)).toStdString(); }

QString fromLibrary(const CTGString& text) {
    return QFile::decodeName(QByteArray(text.data(), qsizetype(text.size())));
}

QString fileNameOf(const CTGString& archive) {
    const QString path = fromLibrary(archive);
    const qsizetype cut = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return path.mid(cut + 1);
}

}  // namespace

QString MountGameArchives(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return QString();
    FarFolderReport report;
    const int32_t code = MountFarFolder(libraryPath(folder).c_str(), &report);
    if (code != rc::kOk) return QString("Archives not searched: %1").arg(DescribeResult(code));
    QStringList problems;
    for (const FarMountReport& archive : report.archives) {
        const QString name = fileNameOf(archive.archive);
        // Mounted already (by another window on the same folder): nothing is missing.
        if (archive.code == rc::kFarAlreadyMounted) continue;
        if (archive.code != rc::kOk) {
            problems << QString("%1: not mounted (%2)").arg(name, DescribeResult(archive.code));
        } else if (archive.skipped > 0) {
            problems << QString("%1: %2 %3 skipped (%4)")
                            .arg(name)
                            .arg(archive.skipped)
                            .arg(archive.skipped == 1 ? "entry" : "entries")
                            .arg(DescribeResult(archive.firstSkip));
        }
    }
    return problems.join("; ");
}

void UnmountGameArchives(const QString& folder) {
    if (folder.isEmpty()) return;
    UnmountFarArchives(libraryPath(folder).c_str());
}

QStringList MountedFolders(const QString& folder) {
    std::vector<CTGString> folders;
    FileSystem::Instance().ListMountedFolders(libraryPath(folder).c_str(), folders);
    QStringList names;
    const QDir dir(folder);
    for (const CTGString& each : folders) {
        const QString name = fromLibrary(each);
        // A real folder that leads to an archive further down is listed from the disk.
        if (QFileInfo(dir.filePath(name)).isDir()) continue;
        names << name;
    }
    return names;
}

QList<MountedFileInfo> MountedFiles(const QString& folder) {
    std::vector<MountedFile> files;
    FileSystem::Instance().ListMountedFiles(libraryPath(folder).c_str(), files);
    QList<MountedFileInfo> listed;
    for (const MountedFile& file : files) listed.append({fromLibrary(file.name), static_cast<qint64>(file.size)});
    return listed;
}

bool IsMountedEntry(const QString& path) {
    if (path.isEmpty()) return false;
    return FileSystem::Instance().Find(libraryPath(path).c_str());
}

std::optional<QString> ArchiveOf(const QString& path) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    QString walk = clean;
    while (!walk.isEmpty()) {
        const QFileInfo info(walk);
        if (info.isDir()) return std::nullopt;  // a real folder: nothing above it is an archive
        if (info.isFile()) {
            if (walk != clean) return walk;  // the path leads through this file
            // The path itself is a file: an archive when entries are mounted under it.
            if (MountedFolders(walk).isEmpty() && MountedFiles(walk).isEmpty()) return std::nullopt;
            return walk;
        }
        const qsizetype cut = walk.lastIndexOf('/');
        if (cut <= 0) return std::nullopt;
        walk.truncate(cut);
    }
    return std::nullopt;
}

}  // namespace tambrix::app
