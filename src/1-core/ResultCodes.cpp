#include "core/ResultCodes.h"

namespace tambrix {

const char* DescribeResult(int32_t code) {
    switch (code) {
        case rc::kOk: return "done";
        case rc::kChunkMismatch: return "the stored chunk does not match the resource";
        case rc::kDeleteFailed: return "the file could not be deleted";
        case rc::kNoSuchFile: return "no such file";
        case rc::kCreateFailed: return "the file could not be created";
        case rc::kFileExists: return "a file of that name exists";
        case rc::kNotWritable: return "the file is not open for writing";
        case rc::kShortWrite: return "the file could not be written";
        case rc::kAlreadyOpen: return "the file is open already";
        case rc::kShortRead: return "the file ends too early";
        case rc::kNotOpen: return "the file is not open";
        case rc::kIoFailed: return "cannot open the file";
        case rc::kAttrUnsupported: return "this kind of file looks up no resource by attribute";
        case rc::kNoAcceptingMember: return "no file of the set takes resources of this type";
        case rc::kBadHeader: return "not an IFF file: the header is damaged or of an unknown version";
        case rc::kNoWritableMember: return "no file of the set can be written";
        case rc::kUnsupported: return "this kind of file does not do that";
        case rc::kNoLabelNumber: return "no label number is free";
        case rc::kNoSuchResource: return "no such resource";
        case rc::kNoSuchLabel: return "no such resource";
        case rc::kTypeIndexRange: return "no such resource type";
        case rc::kNoMemory: return "out of memory";
        case rc::kNoFileKind: return "not a file kind the browser opens";
        case rc::kFarNotArchive: return "not a FAR archive";
        case rc::kFarBadVersion: return "unsupported FAR archive version";
        case rc::kFarBadManifest: return "the archive's manifest lies outside the file";
        case rc::kFarEntryOutside: return "entry lies outside the archive";
        case rc::kFarUnsafeName: return "entry name would leave the archive's folder";
        case rc::kFarDuplicateName: return "entry name appears twice";
        case rc::kFarCompressed: return "entry is compressed and cannot be opened";
        case rc::kFarNameTooLong: return "entry name is too long";
        case rc::kFarNoSuchEntry: return "no such entry in the archive";
        case rc::kFarAlreadyMounted: return "the archive is mounted already";
        case rc::kFarEntriesMissing: return "the archive lists fewer entries than it declares";
        case rc::kFarNoUsableEntry: return "the archive holds no usable entry";
        case rc::kFarUnsafeTarget: return "output folder is a link or not a folder";
        case rc::kIndexDatabase: return "the index database cannot be opened, read or written";
        case rc::kIndexCancelled: return "indexing cancelled";
        case rc::kIndexNotOpen: return "no index is open";
        case rc::kIndexWritable: return "the file opened writable, so the index left it unread";
        case rc::kEditGameFolder:
            return "the game's own folders (GameData, ExpansionShared, ExpansionPack*) are read-only: clone to edit";
        case rc::kEditInArchive: return "a file inside an archive cannot be written: clone to edit";
        case rc::kEditTargetExists: return "the file exists already";
        case rc::kEditNoObject: return "the file has no such object";
        case rc::kEditBadText: return "the text holds a character outside the game's character set (Windows-1252)";
        case rc::kEditPriceRange: return "the price lies outside -32768..32767";
        case rc::kEditShortDefinition: return "an object definition is too short to hold a GUID";
        case rc::kEditNoFreeGuid: return "no unused GUID was found";
        case rc::kEditCatalogUnsafe: return "the catalog table cannot be rewritten without losing texts";
        case rc::kEditSameFile: return "the new file would replace the source";
        case rc::kEditNotObjectFile: return "not an object file (.iff)";
        case rc::kEditLanguage: return "the language must be 0..19";
        case rc::kEditTooLarge: return "the file is too large to copy";
        default: return "unknown error";
    }
}

}  // namespace tambrix
