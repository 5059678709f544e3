#pragma once

#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resfile/ResourceFile.h"

namespace tambrix {

/// A read-only resource file over a list of folders: every plain file in them is one
/// resource. The extension gives the type (its first three characters, case kept), a
/// "#<number>#" prefix gives the ID, and the rest of the name up to the extension is
/// the label: "#5#walk.SPR" is resource "SPR#" 5 labelled "walk". A resource is the
/// whole file, read into a block on request.
///
/// The folder list is written with ';' between folders, '\' or '/' as separators;
/// relative folders are taken from the current folder.
class DirectoryResourceFile : public ResourceFile {
public:
    /// The ID of a resource whose file name has no "#<number>#" prefix.
    static constexpr int32_t kNoId = INT32_MIN;

    DirectoryResourceFile() = default;
    /// Frees every block still in the loaded list.
    ~DirectoryResourceFile() override;

    /// -47 and closed unless every folder of the list exists.
    int32_t Open(const TextBuffer& name) override;
    /// Drops the folder list; blocks already handed out stay valid.
    int32_t Close() override;
    int32_t Suspend() override;
    int32_t Resume() override;
    bool IsWritable() override;
    /// The first folder of the list.
    int32_t GetPath(TextBuffer& name) override;
    bool IsOpen() override;
    int16_t CountTypes() override;
    ResType GetIndType(int16_t index) override;
    /// Counts the files of the type's extension that the file system's index holds in the
    /// folders (entries of mounted archives); plain disk files are reached by ID or label.
    int16_t CountResources(ResType type) override;
    /// One of the files that CountResources counts, folder by folder; -1 outside 1..count.
    DataBlock* GetIndResource(ResType type, int16_t index, ConversionRoutine convert) override;
    DataBlock* GetResource(ResType type, ResId id, ConversionRoutine convert) override;
    DataBlock* GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) override;
    void GetResName(DataBlock* block, TextBuffer& label) override;
    ResType GetResType(DataBlock* block) override;
    int32_t GetResID(DataBlock* block, uint16_t& id) override;
    int32_t DetachResource(DataBlock* block) override;
    bool IsLibraryOrder(DataBlock* block) override;

    // Nothing can be changed here: all of these answer -95.
    int32_t Create(const TextBuffer& name) override;
    int32_t Delete(const TextBuffer& name) override;
    int32_t Update() override;
    int32_t GetResAux(DataBlock* block, uint16_t& aux) override;
    void UniqueName(ResType type, TextBuffer& label) override;
    ResId UniqueID(ResType type) override;
    int32_t ReservedOp(DataBlock* block) override;
    int32_t SetResID(DataBlock* block, ResId id) override;
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) override;
    int32_t WriteResource(DataBlock* block) override;
    int32_t RemoveResource(DataBlock* block) override;
    int32_t SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) override;

    /// Always false: nothing can be added to a folder list.
    virtual bool AcceptsType(ResType type);

    /// The normalised folders of the open list ("" stands for the current folder);
    /// empty while closed.
    std::vector<std::string> Folders() const;
    /// Number of blocks handed out and not yet detached.
    size_t LoadedCount() const { return mLoaded.size(); }

    /// The extension that stands for a type: "." and its first three characters
    /// (".*" for "****").
    static std::string TypeExtension(ResType type);
    /// The folders a folder list names, normalised: '\' separators, a final '\', and
    /// ".\" in front of a folder that is neither anchored at a drive, the root or the
    /// current folder. A leading ';' gives an empty first folder, which stands for the
    /// current folder; an empty tail after the last ';' is ignored.
    static std::vector<std::string> ParseFolderList(std::string_view name);
    /// The type a file name stands for, from an extension of one to three characters;
    /// 0 when it has none.
    static ResType TypeFromFileName(const std::string& fileName);

private:
    class Source;
    /// One file looked up and loaded.
    struct Item {
        ResType type = 0;
        std::string label;
        int32_t id = kNoId;
        uint32_t size = 0;
    };
    struct Loaded {
        Item item;
        DataBlock* block = nullptr;
    };
    /// A file that the file system's index holds in one of the folders.
    struct Indexed {
        std::string folder;
        std::string name;
    };

    int lookUpById(const std::string& folder, ResType type, ResId id, Item& item, Source& source);
    int lookUpByLabel(const std::string& folder, ResType type, const std::string& label, Item& item, Source& source);
    DataBlock* load(Item& item, Source& source, int lookUpResult, ConversionRoutine convert);
    /// The distinct types of the plain files in the folders; anyFile tells whether there
    /// was a plain file at all.
    std::vector<ResType> typeList(bool& anyFile);
    /// The index's files of the type's extension, folder by folder in list order.
    std::vector<Indexed> indexedFiles(ResType type);
    Loaded* findLoaded(const DataBlock* block);

    /// Present while open.
    std::optional<std::vector<std::string>> mFolders;
    /// Newest first.
    std::list<Loaded> mLoaded;
};

}  // namespace tambrix
