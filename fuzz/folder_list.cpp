// The folder-list resource file: a few files made in a scratch folder tree, a fuzzed
// folder list opened over it, and every resource looked up by index, ID and label.
//
// Input: u8 n (files, modulo 8); n times a name (u8 length, then the characters, '/'
// making sub-folders) and a body (u8 length, then the bytes); then the folder list
// (u8 length, characters); the rest are lookups of two bytes (ID) and a label.
// Folder lists that would leave the scratch tree (absolute, "..", drive letters) are
// skipped; the others are opened with each folder placed under the scratch tree, and
// parsed as written.

#include <filesystem>
#include <system_error>

#include "FuzzSupport.h"
#include "containers/DirectoryResourceFile.h"

using namespace tambrix;
using namespace tambrix::fuzz;
namespace fs = std::filesystem;

namespace {

constexpr int kMaxLookups = 8;

std::string Chars(Input& in) {
    std::string text;
    for (uint8_t n = in.Byte() % 48; n > 0; --n) text.push_back(static_cast<char>(in.Byte()));
    return text;
}

bool StaysInside(const std::string& text) {
    if (text.find("..") != std::string::npos || text.find(':') != std::string::npos ||
        text.find('\0') != std::string::npos)
        return false;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(';', start);
        if (start < text.size() && (text[start] == '/' || text[start] == '\\' || text[start] == '~')) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

void Inspect(DirectoryResourceFile& file, DataBlock* block) {
    if (!block) return;
    LabelText label;
    file.GetResName(block, label);
    file.GetResType(block);
    uint16_t id = 0;
    file.GetResID(block, id);
    file.ReleaseResource(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string root = [] {
        std::string folder = ScratchPath("folders");
        std::error_code ec;
        fs::create_directories(folder, ec);
        return folder;
    }();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root, ec)) fs::remove_all(entry.path(), ec);

    Input in(data, size);
    for (uint8_t files = in.Byte() % 8; files > 0; --files) {
        std::string name = Chars(in);
        std::vector<uint8_t> body = in.Bytes(in.Byte());
        if (name.empty() || !StaysInside(name) || name.find('\\') != std::string::npos) continue;
        fs::path target = fs::path(root) / name;
        fs::create_directories(target.parent_path(), ec);
        if (!name.ends_with('/')) WriteFile(target.string(), body.data(), body.size());
    }
    const std::string list = Chars(in);
    for (const std::string& folder : DirectoryResourceFile::ParseFolderList(list)) (void)folder;
    if (!StaysInside(list)) return 0;
    std::string placed = root + "/";
    for (char c : list) placed += c == ';' ? ";" + root + "/" : std::string(1, c);

    DirectoryResourceFile file;
    if (file.Open(FileNameText(placed)) != rc::kOk) return 0;
    const int16_t types = file.CountTypes();
    for (int16_t t = 0; t <= types; ++t) {
        const ResType type = file.GetIndType(t);
        DirectoryResourceFile::TypeExtension(type);
        const int16_t count = file.CountResources(type);
        for (int16_t i = 0; i <= count + 1 && i < 8; ++i) Inspect(file, file.GetIndResource(type, i, nullptr));
    }
    for (int k = 0; k < kMaxLookups && in.Remaining() > 0; ++k) {
        const ResType type =
            types > 0 ? file.GetIndType(static_cast<int16_t>(1 + in.Below(types))) : MakeResType("SPR#");
        Inspect(file, file.GetResource(type, static_cast<ResId>(in.U16()), nullptr));
        LabelText label(Chars(in));
        Inspect(file, file.GetNamedResource(type, label, nullptr));
    }
    if (file.LoadedCount() != 0) Fail("%zu blocks still loaded after every one was released", file.LoadedCount());
    file.Close();
    return 0;
}
