#pragma once

#include <cstdint>

namespace tambrix {

/// Result codes: 0 for success, a negative number for failure.
namespace rc {
inline constexpr int32_t kOk = 0;
/// A chunk header does not match the resource being loaded; an index outside 1..count
/// in the directory resource file.
inline constexpr int32_t kChunkMismatch = -1;

// File-stream codes.
inline constexpr int32_t kDeleteFailed = -39;
inline constexpr int32_t kNoSuchFile = -40;
inline constexpr int32_t kCreateFailed = -42;
inline constexpr int32_t kFileExists = -43;
inline constexpr int32_t kNotWritable = -45;  ///< the file is not open for writing
inline constexpr int32_t kShortWrite = -46;
inline constexpr int32_t kAlreadyOpen = -47;
inline constexpr int32_t kShortRead = -48;  ///< also: a seek failed
inline constexpr int32_t kNotOpen = -49;
inline constexpr int32_t kIoFailed = -50;  ///< open, set-size or flush failed

// Resource codes.
inline constexpr int32_t kAttrUnsupported = -91;
inline constexpr int32_t kNoAcceptingMember = -92;
inline constexpr int32_t kBadHeader = -93;
inline constexpr int32_t kNoWritableMember = -94;
inline constexpr int32_t kUnsupported = -95;
inline constexpr int32_t kNoLabelNumber = -96;
inline constexpr int32_t kNoSuchResource = -98;
inline constexpr int32_t kNoSuchLabel = -99;  ///< also: the block belongs to no resource here
inline constexpr int32_t kTypeIndexRange = -100;
inline constexpr int32_t kNoMemory = -200;
inline constexpr int32_t kNoFileKind = -250;

// Archive codes. A whole-archive code says why nothing was mounted or listed; an entry
// code (FarEntry::status, FarMountReport::firstSkip) says why one entry was left out.
inline constexpr int32_t kFarNotArchive = -301;      ///< shorter than the header, or no "FAR!byAZ"
inline constexpr int32_t kFarBadVersion = -302;      ///< a version other than 1
inline constexpr int32_t kFarBadManifest = -303;     ///< the manifest lies outside the file or is too big
inline constexpr int32_t kFarEntryOutside = -304;    ///< an entry's bytes pass the end of the file
inline constexpr int32_t kFarUnsafeName = -305;      ///< empty, "..", absolute, drive letter, control bytes
inline constexpr int32_t kFarDuplicateName = -306;   ///< the same name (ignoring case) came earlier
inline constexpr int32_t kFarCompressed = -307;      ///< stored compressed: listed but not opened
inline constexpr int32_t kFarNameTooLong = -308;     ///< the name with its folder passes 259 characters
inline constexpr int32_t kFarNoSuchEntry = -309;     ///< a name asked for is not in the archive
inline constexpr int32_t kFarAlreadyMounted = -310;  ///< the archive's folder is in the index already
inline constexpr int32_t kFarEntriesMissing = -311;  ///< the count promises more entries than the manifest holds
inline constexpr int32_t kFarNoUsableEntry = -312;   ///< entries declared, but none can be mounted
inline constexpr int32_t kFarUnsafeTarget = -313;    ///< an output folder is a link or not a folder

// Game folder index codes.
inline constexpr int32_t kIndexDatabase = -401;   ///< the index database cannot be opened, read or written
inline constexpr int32_t kIndexCancelled = -402;  ///< the caller stopped the indexing
inline constexpr int32_t kIndexNotOpen = -403;    ///< no index database is open
inline constexpr int32_t kIndexWritable = -404;   ///< a file to index opened writable: refused unread

// Codes of the edits a user asks for (clone, catalog texts).
inline constexpr int32_t kEditGameFolder = -501;    ///< the file lies in one of the game's own folders
inline constexpr int32_t kEditInArchive = -502;     ///< the file lies inside an archive
inline constexpr int32_t kEditTargetExists = -503;  ///< the new file's name is taken and may not be replaced
inline constexpr int32_t kEditNoObject = -504;      ///< no top-level object of that number
inline constexpr int32_t kEditBadText = -505;       ///< a text outside the game's character set
inline constexpr int32_t kEditPriceRange = -506;    ///< a price outside the signed 16-bit range
inline constexpr int32_t kEditShortDefinition = -507;  ///< a definition too short to hold a GUID
inline constexpr int32_t kEditNoFreeGuid = -508;    ///< no unused GUID was found
inline constexpr int32_t kEditCatalogUnsafe = -509;  ///< the catalog table would lose texts if rewritten
inline constexpr int32_t kEditSameFile = -510;      ///< the new file would be the source itself
inline constexpr int32_t kEditNotObjectFile = -511;  ///< the name is not an object file's (".iff")
inline constexpr int32_t kEditLanguage = -512;      ///< a language outside 0..19
inline constexpr int32_t kEditTooLarge = -513;      ///< a file too large to copy in memory
}  // namespace rc

/// A short English description of a result code, for a tool's output or a status text;
/// never null.
const char* DescribeResult(int32_t code);

}  // namespace tambrix
