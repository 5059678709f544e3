#include "containers/DirectoryResourceFile.h"

#include <algorithm>
#include <limits>

#include "fileaccess/FileSystem.h"
#include "platform/PlatformFile.h"

namespace tambrix {

namespace {

// Results of looking up one file, before they become result codes.
constexpr int kFound = 0;
constexpr int kNotFound = 5;

/// The type whose four characters are all '*' stands for any extension.
constexpr ResType kAnyType = 0x2A2A2A2A;
constexpr char kIdMark = '#';
constexpr char kFolderSeparator = '\\';
constexpr std::string_view kAllFiles = "*.*";
constexpr std::string_view kCurrentFolderPrefix = ".\\";
constexpr size_t kMaxExtensionCharacters = 3;
/// No file is read into memory whole beyond this size: larger ones are not resources.
constexpr uint32_t kMaxResourceSize = 0x40000000;

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

/// Folders that are kept as written; every other one is taken from the current folder.
bool IsAnchored(const std::string& folder) {
    bool drive = folder.size() >= 3 && IsLetter(folder[0]) && folder[1] == ':' && folder[2] == kFolderSeparator;
    bool current = folder.starts_with(kCurrentFolderPrefix) || folder == ".";
    // A folder from the root of the file system ("\\server\share" included) must not be
    // moved below the current folder.
    bool rooted = !folder.empty() && folder[0] == kFolderSeparator;
    return drive || current || rooted;
}

std::string NormaliseFolder(std::string folder) {
    std::replace(folder.begin(), folder.end(), '/', kFolderSeparator);
    if (!IsAnchored(folder)) folder.insert(0, kCurrentFolderPrefix);
    if (folder.back() != kFolderSeparator) folder.push_back(kFolderSeparator);
    return folder;
}

bool FolderExists(const std::string& folder) {
    return platform::DirectoryExists(folder.empty() ? std::string(".") : folder);
}

/// The first plain file (in name order, so that the answer does not depend on the
/// host's listing order) that matches the search; empty when there is none.
std::string FindFirstFile(const std::string& search) {
    std::vector<platform::DirEntry> entries;
    if (!platform::FindFiles(search, entries)) return {};
    std::string first;
    for (const platform::DirEntry& entry : entries) {
        if (entry.isDirectory || entry.name.empty()) continue;
        if (first.empty() || entry.name < first) first = entry.name;
    }
    return first;
}

/// The ID of a name written "#<number>#...": kNoId for any other name, and for a number
/// too large for the item's 32-bit ID. A number beyond 16 bits is kept as written; the
/// 16-bit ID handed out is its low half.
int32_t IdFromFileName(const std::string& fileName) {
    if (fileName.size() < 3 || fileName[0] != kIdMark) return DirectoryResourceFile::kNoId;
    size_t close = fileName.find(kIdMark, 1);
    if (close == std::string::npos) return DirectoryResourceFile::kNoId;
    size_t pos = 1;
    bool negative = fileName[pos] == '-';
    if (negative) ++pos;
    if (pos == close) return DirectoryResourceFile::kNoId;
    int64_t value = 0;
    for (; pos < close; ++pos) {
        char c = fileName[pos];
        if (c < '0' || c > '9') return DirectoryResourceFile::kNoId;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int32_t>::max()) return DirectoryResourceFile::kNoId;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

/// The label of a file name: behind a "#<number>#" prefix, up to the extension.
std::string LabelFromFileName(const std::string& fileName) {
    size_t start = 0;
    if (!fileName.empty() && fileName[0] == kIdMark) {
        size_t close = fileName.find(kIdMark, 1);
        if (close != std::string::npos) start = close + 1;
    }
    std::string label = fileName.substr(start);
    size_t dot = label.rfind('.');
    if (dot != std::string::npos) label.erase(dot);
    return label;
}

/// A label cannot name a file outside the folder list.
bool IsPlainLabel(const std::string& label) { return label.find_first_of("\\/") == std::string::npos; }

}  // namespace

std::vector<std::string> DirectoryResourceFile::ParseFolderList(std::string_view name) {
    std::string text(name);
    std::replace(text.begin(), text.end(), kFolderSeparator, '/');
    while (text.starts_with("./")) text.erase(0, 2);

    std::vector<std::string> folders;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(';', start);
        std::string folder = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // Only a list that begins with ';' keeps an empty first folder; an empty name on
        // its own is normalised like any other folder.
        if (folders.empty() && folder.empty() && end != std::string::npos) {
            folders.push_back(folder);
        } else {
            folders.push_back(NormaliseFolder(std::move(folder)));
        }
        if (end == std::string::npos) break;
        start = end + 1;
        while (start < text.size() && IsWhiteSpace(text[start])) ++start;
        // Nothing but white space after the last ';' is no folder at all.
        if (start == text.size()) break;
    }
    return folders;
}

/// The file of one look-up, opened for byte-exact input only (never created, never
/// written); closed when it goes.
class DirectoryResourceFile::Source {
public:
    Source() = default;
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    ~Source() { Close(); }

    /// kFound, or kNotFound when the name is no plain file that opens.
    int Open(const std::string& path) {
        Close();
        if (platform::DirectoryExists(path)) return kNotFound;
        mHandle = FileSystem::Instance().Open(path.c_str(), false);
        return mHandle ? kFound : kNotFound;
    }
    void Close() {
        if (mHandle) FileSystem::Instance().Close(mHandle);
        mHandle = nullptr;
    }
    uint32_t Size() const { return mHandle ? mHandle->GetSize() : 0; }
    /// Reads the whole file; -49 when it is not open, -48 when fewer bytes come.
    int32_t ReadAll(uint8_t* data, uint32_t size) {
        if (!mHandle) return rc::kNotOpen;
        if (!mHandle->Seek(0)) return rc::kShortRead;
        return mHandle->Read(data, size) == size ? rc::kOk : rc::kShortRead;
    }

private:
    FileHandle* mHandle = nullptr;
};

DirectoryResourceFile::~DirectoryResourceFile() {
    // Blocks never detached still belong to this file.
    for (Loaded& loaded : mLoaded) FreeDataBlock(loaded.block);
    mLoaded.clear();
}

// --- type codes and names ------------------------------------------------------------

std::string DirectoryResourceFile::TypeExtension(ResType type) {
    // Short codes are moved up so that their characters start at the top byte.
    if (type < 0x100) {
        type <<= 24;
    } else if (type < 0x10000) {
        type <<= 16;
    } else if (type <= 0xFFFFFF) {
        type <<= 8;
    }
    if (type == kAnyType) return ".*";
    std::string extension = ".";
    for (int shift = 24; shift >= 8; shift -= 8) {
        char c = static_cast<char>((type >> shift) & 0xFF);
        if (c == '\0') break;
        extension.push_back(c);
    }
    return extension;
}

ResType DirectoryResourceFile::TypeFromFileName(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) return 0;
    size_t length = fileName.size() - dot - 1;
    if (length < 1 || length > kMaxExtensionCharacters) return 0;
    ResType type = 0;
    for (size_t i = 0; i < length; ++i) {
        type |= static_cast<ResType>(static_cast<uint8_t>(fileName[dot + 1 + i])) << (24 - 8 * i);
    }
    return type;
}

std::vector<std::string> DirectoryResourceFile::Folders() const {
    return mFolders.value_or(std::vector<std::string>{});
}

// --- opening ---------------------------------------------------------------------------

int32_t DirectoryResourceFile::Open(const TextBuffer& name) {
    mFolders.reset();
    std::vector<std::string> folders = ParseFolderList(name.View());
    for (const std::string& folder : folders) {
        if (!FolderExists(folder)) {
            SetError(rc::kAlreadyOpen);
            return rc::kAlreadyOpen;
        }
    }
    mFolders = std::move(folders);
    SetError(rc::kOk);
    return rc::kOk;
}

int32_t DirectoryResourceFile::Close() {
    mFolders.reset();
    SetError(rc::kOk);
    return rc::kOk;
}

int32_t DirectoryResourceFile::Suspend() {
    SetError(rc::kOk);
    return rc::kOk;
}

int32_t DirectoryResourceFile::Resume() {
    SetError(rc::kOk);
    return rc::kOk;
}

bool DirectoryResourceFile::IsWritable() { return false; }

bool DirectoryResourceFile::IsOpen() {
    if (!mFolders) return false;
    return std::all_of(mFolders->begin(), mFolders->end(), FolderExists);
}

int32_t DirectoryResourceFile::GetPath(TextBuffer& name) {
    name.Clear();
    if (!mFolders || mFolders->empty()) {
        SetError(rc::kNotOpen);
        return rc::kNotOpen;
    }
    name.Assign(mFolders->front());
    SetError(rc::kOk);
    return rc::kOk;
}

// --- types -------------------------------------------------------------------------------

std::vector<ResType> DirectoryResourceFile::typeList(bool& anyFile) {
    std::vector<ResType> types;
    anyFile = false;
    if (!mFolders) return types;
    for (const std::string& folder : *mFolders) {
        std::vector<platform::DirEntry> entries;
        if (!platform::FindFiles(folder + std::string(kAllFiles), entries)) continue;
        for (const platform::DirEntry& entry : entries) {
            if (entry.isDirectory) continue;
            anyFile = true;
            ResType type = TypeFromFileName(entry.name);
            if (type != 0 && std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
        }
    }
    return types;
}

int16_t DirectoryResourceFile::CountTypes() {
    bool anyFile = false;
    std::vector<ResType> types = typeList(anyFile);
    // Files that stand for no type still make the list a valid, empty one.
    if (!anyFile) {
        SetError(rc::kNoSuchResource);
        return 0;
    }
    SetError(rc::kOk);
    return static_cast<int16_t>(std::min<size_t>(types.size(), std::numeric_limits<int16_t>::max()));
}

ResType DirectoryResourceFile::GetIndType(int16_t index) {
    bool anyFile = false;
    std::vector<ResType> types = typeList(anyFile);
    if (!anyFile) {
        SetError(rc::kNoSuchResource);
        return 0;
    }
    if (index < 1 || static_cast<size_t>(index) > types.size()) {
        SetError(rc::kChunkMismatch);
        return 0;
    }
    SetError(rc::kOk);
    return types[index - 1];
}

std::vector<DirectoryResourceFile::Indexed> DirectoryResourceFile::indexedFiles(ResType type) {
    std::vector<Indexed> files;
    if (!mFolders) return files;
    std::string pattern(1, '*');
    pattern.append(TypeExtension(type));
    std::vector<MountedFile> mounted;
    for (const std::string& folder : *mFolders) {
        FileSystem::Instance().ListMountedFiles(folder.c_str(), mounted);
        for (const MountedFile& file : mounted) {
            // A compressed entry is listed but can never be read: it is no resource.
            if (file.compressed || !platform::MatchPattern(file.name, pattern)) continue;
            files.push_back({folder, file.name});
        }
    }
    return files;
}

int16_t DirectoryResourceFile::CountResources(ResType type) {
    SetError(rc::kOk);
    return static_cast<int16_t>(std::min<size_t>(indexedFiles(type).size(), std::numeric_limits<int16_t>::max()));
}

DataBlock* DirectoryResourceFile::GetIndResource(ResType type, int16_t index, ConversionRoutine convert) {
    std::vector<Indexed> files = indexedFiles(type);
    if (index < 1 || static_cast<size_t>(index) > files.size()) {
        SetError(rc::kChunkMismatch);
        return nullptr;
    }
    const Indexed& file = files[index - 1];
    Item item;
    item.type = type;
    item.id = IdFromFileName(file.name);
    item.label = LabelFromFileName(file.name);
    // A resource already handed out is handed out again, not loaded a second time.
    for (Loaded& loaded : mLoaded) {
        bool same = item.id != kNoId ? loaded.item.id == item.id : loaded.item.label == item.label;
        if (loaded.item.type == type && same) {
            SetError(rc::kOk);
            return loaded.block;
        }
    }
    Source source;
    int result = source.Open(file.folder + file.name);
    item.size = source.Size();
    return load(item, source, result, convert);
}

// --- look-ups ------------------------------------------------------------------------------

int DirectoryResourceFile::lookUpById(const std::string& folder, ResType type, ResId id, Item& item, Source& source) {
    std::string extension = TypeExtension(type);
    std::string prefix(1, kIdMark);
    prefix.append(std::to_string(id)).push_back(kIdMark);
    std::string search = folder;
    search.append(prefix).append("*").append(extension);
    std::string found = FindFirstFile(search);
    if (found.empty()) return kNotFound;
    int result = source.Open(folder + found);
    if (result != kFound) return result;
    item.size = source.Size();
    item.type = type;
    item.id = id;
    item.label = LabelFromFileName(found);
    return kFound;
}

int DirectoryResourceFile::lookUpByLabel(const std::string& folder, ResType type, const std::string& label, Item& item,
                                         Source& source) {
    std::string extension = TypeExtension(type);
    // A file named by the label alone has no ID.
    if (source.Open(folder + label + extension) == kFound) {
        item.size = source.Size();
        item.type = type;
        item.label = label;
        item.id = kNoId;
        return kFound;
    }
    std::string found = FindFirstFile(folder + kIdMark + "*" + kIdMark + label + extension);
    if (found.empty()) return kNotFound;
    int result = source.Open(folder + found);
    if (result != kFound) return result;
    item.size = source.Size();
    item.type = type;
    item.label = label;
    item.id = IdFromFileName(found);
    return kFound;
}

DataBlock* DirectoryResourceFile::load(Item& item, Source& source, int lookUpResult, ConversionRoutine convert) {
    switch (lookUpResult) {
        case kFound: break;
        case kNotFound: SetError(rc::kNoSuchResource); return nullptr;
        default: SetError(rc::kChunkMismatch); return nullptr;
    }
    if (item.size > kMaxResourceSize) {
        SetError(rc::kNoMemory);
        return nullptr;
    }
    DataBlock* block = NewUnfilledDataBlock(item.size);  // the read fills it, or it is freed
    if (!block) {
        SetError(rc::kNoMemory);
        return nullptr;
    }
    if (item.size > 0) {
        int32_t code = source.ReadAll(block->data, item.size);
        if (code != rc::kOk) {
            // A file that shrank under us must not pass as its filler bytes.
            FreeDataBlock(block);
            SetError(code);
            return nullptr;
        }
    }
    // The whole file is in the block; the file itself is not needed any more.
    source.Close();
    // Called for an empty file too, as for any other body: the routine sees the count.
    if (convert) convert(block->data, block->size);
    mLoaded.push_front({std::move(item), block});
    SetError(rc::kOk);
    return block;
}

DataBlock* DirectoryResourceFile::GetResource(ResType type, ResId id, ConversionRoutine convert) {
    for (Loaded& loaded : mLoaded) {
        if (loaded.item.type == type && loaded.item.id == id) {
            SetError(rc::kOk);
            return loaded.block;
        }
    }
    Item item;
    Source source;
    int result = kNotFound;
    if (mFolders) {
        for (const std::string& folder : *mFolders) {
            result = lookUpById(folder, type, id, item, source);
            if (result == kFound) break;
        }
    }
    return load(item, source, result, convert);
}

DataBlock* DirectoryResourceFile::GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) {
    std::string wanted(label.View());
    if (wanted.empty()) {
        SetError(rc::kNoSuchLabel);
        return nullptr;
    }
    for (Loaded& loaded : mLoaded) {
        if (loaded.item.type == type && loaded.item.label == wanted) {
            SetError(rc::kOk);
            return loaded.block;
        }
    }
    Item item;
    Source source;
    int result = kNotFound;
    if (mFolders && IsPlainLabel(wanted)) {
        for (const std::string& folder : *mFolders) {
            result = lookUpByLabel(folder, type, wanted, item, source);
            if (result == kFound) break;
        }
    }
    return load(item, source, result, convert);
}

// --- loaded blocks ---------------------------------------------------------------------------

DirectoryResourceFile::Loaded* DirectoryResourceFile::findLoaded(const DataBlock* block) {
    if (!block) return nullptr;
    for (Loaded& loaded : mLoaded) {
        if (loaded.block == block) return &loaded;
    }
    return nullptr;
}

void DirectoryResourceFile::GetResName(DataBlock* block, TextBuffer& label) {
    label.Clear();
    Loaded* loaded = findLoaded(block);
    if (!loaded) {
        SetError(rc::kNoSuchLabel);
        return;
    }
    label.Assign(loaded->item.label);
    SetError(rc::kOk);
}

ResType DirectoryResourceFile::GetResType(DataBlock* block) {
    Loaded* loaded = findLoaded(block);
    if (!loaded) {
        SetError(rc::kNoSuchLabel);
        return 0;
    }
    SetError(rc::kOk);
    return loaded->item.type;
}

int32_t DirectoryResourceFile::GetResID(DataBlock* block, uint16_t& id) {
    id = 0;
    Loaded* loaded = findLoaded(block);
    if (!loaded) {
        SetError(rc::kNoSuchLabel);
        return rc::kNoSuchLabel;
    }
    if (loaded->item.id != kNoId) id = static_cast<uint16_t>(loaded->item.id);
    SetError(rc::kOk);
    return rc::kOk;
}

int32_t DirectoryResourceFile::DetachResource(DataBlock* block) {
    for (auto it = mLoaded.begin(); it != mLoaded.end(); ++it) {
        if (block && it->block == block) {
            mLoaded.erase(it);
            SetError(rc::kOk);
            return rc::kOk;
        }
    }
    SetError(rc::kNoSuchLabel);
    return rc::kNoSuchLabel;
}

bool DirectoryResourceFile::IsLibraryOrder(DataBlock* /*block*/) {
    SetError(rc::kOk);
    return true;
}

bool DirectoryResourceFile::AcceptsType(ResType /*type*/) { return false; }

// --- changes: none are possible ------------------------------------------------------------

int32_t DirectoryResourceFile::Create(const TextBuffer& /*name*/) {
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

int32_t DirectoryResourceFile::Delete(const TextBuffer& /*name*/) {
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

int32_t DirectoryResourceFile::Update() {
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

int32_t DirectoryResourceFile::GetResAux(DataBlock* /*block*/, uint16_t& aux) {
    aux = 0;
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

void DirectoryResourceFile::UniqueName(ResType /*type*/, TextBuffer& /*label*/) { SetError(rc::kUnsupported); }

ResId DirectoryResourceFile::UniqueID(ResType /*type*/) {
    SetError(rc::kUnsupported);
    return 0;
}

int32_t DirectoryResourceFile::ReservedOp(DataBlock* /*block*/) {
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

int32_t DirectoryResourceFile::SetResID(DataBlock* /*block*/, ResId /*id*/) {
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

int32_t DirectoryResourceFile::AddResource(DataBlock* /*block*/, ResType /*type*/, ResId /*id*/,
                                           const TextBuffer& /*label*/, bool /*libraryOrder*/) {
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

int32_t DirectoryResourceFile::WriteResource(DataBlock* /*block*/) {
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

int32_t DirectoryResourceFile::RemoveResource(DataBlock* /*block*/) {
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

int32_t DirectoryResourceFile::SetResInfo(DataBlock* /*block*/, ResId /*id*/, const TextBuffer& /*label*/,
                                          uint8_t /*attribute*/) {
    SetError(rc::kUnsupported);
    return rc::kUnsupported;
}

}  // namespace tambrix
