#pragma once

// Writes FAR archives (the demo folder's, and the archives of the tests).

#include <cstdint>
#include <string>
#include <vector>

#include "fileaccess/FarArchive.h"
#include "fileaccess/FileSystem.h"

namespace tambrix {

struct FarWriterEntry {
    std::string name;  ///< '\' separates sub-folders
    std::vector<uint8_t> bytes;
};

/// Lays out an archive in memory: the header, the entries' bytes one after another in
/// the order given, then the manifest to the end. Refuses what a reader would skip:
/// kFarUnsafeName, kFarDuplicateName (ignoring case and '/' against '\'),
/// kFarNameTooLong (a 1b name over 65535 bytes), kFarBadManifest (past 4 GB).
int32_t BuildFarArchive(const std::vector<FarWriterEntry>& entries, FarVariant variant, std::vector<uint8_t>& out);

/// Builds the archive and writes it to `path`, replacing a file there. The codes of
/// BuildFarArchive, plus kCreateFailed and kShortWrite (a part-written file is removed).
int32_t WriteFarArchive(const char* path, const std::vector<FarWriterEntry>& entries,
                        FarVariant variant = FarVariant::k1a, FileSystem& files = FileSystem::Instance());

}  // namespace tambrix
