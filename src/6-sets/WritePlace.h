#pragma once

// Where the edits a user asks for may write, and which game folder a file belongs to.

#include <cstdint>
#include <string>

namespace tambrix {

/// Whether a file of that name may be written at the user's request: never inside an
/// archive (a name that passes through a ".far" file, or an archive itself) and never in
/// the game's own folders (a folder named GameData, ExpansionShared or ExpansionPack...,
/// ASCII case ignored, anywhere on the way): the game's files are only ever cloned.
/// kOk; kEditInArchive; kEditGameFolder; kNoSuchFile for an empty name.
int32_t CheckWritePlace(const std::string& path);

/// Makes a folder and every missing folder above it, after CheckWritePlace allows the
/// place. kOk (also when it was there), the refusing code, or kCreateFailed.
int32_t MakeFolders(const std::string& folder);

/// The game folder a file or folder lies in: the nearest folder on its way (itself
/// included) that holds a GameData folder. Empty when there is none.
std::string FindGameFolder(const std::string& path);

}  // namespace tambrix
