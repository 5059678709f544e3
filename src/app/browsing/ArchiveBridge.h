#pragma once

// The browser's side of the game's archives: mounting a game folder's ".far" files into
// the library's file index, and the queries the panes make of the mounted entries. Paths
// are the panes' own ('/' or '\' alike); entries inside an archive are always read-only.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tambrix::app {

/// Mounts every archive under a game folder; answers a status text when an archive or
/// some of its entries could not be mounted (empty when all went well). The folder's
/// archives stay mounted until UnmountGameArchives.
QString MountGameArchives(const QString& folder);
/// Unmounts every archive mounted at or below the folder.
void UnmountGameArchives(const QString& folder);

/// The folders of mounted entries directly inside a folder (archives and their
/// sub-folders), in a stable order; folders that exist on disk are left out.
QStringList MountedFolders(const QString& folder);

struct MountedFileInfo {
    QString name;
    qint64 size = 0;
};
/// The mounted entries directly inside a folder, in a stable order.
QList<MountedFileInfo> MountedFiles(const QString& folder);

/// Whether a path names an entry held inside a mounted archive.
bool IsMountedEntry(const QString& path);
/// The archive file on disk that holds a mounted folder or entry (the path itself for
/// an archive), or nothing when the path leads through no archive.
std::optional<QString> ArchiveOf(const QString& path);

}  // namespace tambrix::app
