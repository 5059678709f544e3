// The picture commands: render (an object's preview, in one view or all twelve),
// render-all (the previews of a folder's object files) and sprite (one sprite frame), and
// the writing of their pictures as .bmp or .png files.

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>

#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "cli/CliCommon.h"
#include "cli/PngWriter.h"
#include "core/AsciiCase.h"
#include "core/NameParts.h"
#include "core/ResultCodes.h"
#include "core/Utf8Path.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FileSystem.h"
#include "graphics/BitmapExport.h"
#include "graphics/Sprite.h"
#include "platform/PlatformFile.h"

namespace tambrix::tools {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

// One view of one object into `out`; false (with `why`) when there is nothing to write.
bool writePreview(ObjectRecord& object, int32_t view, const Values& values, const std::string& out, std::string& why) {
    PreviewReport report;
    auto picture = RenderObjectPreview(object, view, values.transparent ? kWhite : values.background, &report);
    // A blank picture would pass for a render: say why there is none instead.
    if (report.outcome != PreviewReport::Outcome::kDrawn || !picture) {
        why = report.outcome != PreviewReport::Outcome::kDrawn ? PreviewReportText(report)
                                                               : "the preview could not be rendered";
        return false;
    }
    if (values.transparent && FoldedAscii(nameparts::Extension(out)) == ".png") {
        if constexpr (!kPngOutput) {
            NoPngOutput();
        } else {
            auto onBlack = RenderObjectPreview(object, view, kBlack);
            // Drawn on black and on white, the two give each pixel's alpha and colour back.
            const std::vector<uint8_t> rgba = onBlack ? TransparentRgba(*onBlack, *picture) : std::vector<uint8_t>();
            if (rgba.empty() ||
                !WritePngRgba(PictureTarget(out, values.force), picture->Width(), picture->Height(), rgba))
                BadFile(out + ": cannot write the picture");
            return true;
        }
    }
    WritePicture(*picture, out, values.force);
    return true;
}

void makeFolder(const std::string& folder) {
    std::error_code ec;
    if (fs::is_directory(Utf8Path(folder), ec)) return;
    if (fs::exists(Utf8Path(folder), ec)) BadArgument("-o must name a folder, not the file \"" + folder + "\"");
    if (!fs::create_directories(Utf8Path(folder), ec)) BadFile(folder + ": cannot make the folder");
}

// The name of a file without its folder and extension: "Objects/Chair.iff" gives "Chair".
std::string baseName(const std::string& file) {
    std::string name = file.substr(file.find_last_of("/\\") == std::string::npos ? 0 : file.find_last_of("/\\") + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Writes the chosen views of object 0 of a located object file into `folder`: NAME.png
// for one view, NAME-viewN.png for all twelve. Answers the paths written; the views
// without a picture are said in `missing`.
std::vector<std::string> writeViews(const std::string& shown, GameFile& file, const Values& values, bool allViews,
                                    long objectIndex, const std::string& folder, std::vector<std::string>& missing) {
    OpenFile(shown, file, GameFileAccess::kReadOnly);
    ObjectSet set;
    set.SetResourceSet(file.TakeContainer());
    set.Load(1);
    if (static_cast<size_t>(objectIndex) >= set.Objects().size())
        BadFile(shown + ": no object " + std::to_string(objectIndex) + " (the file shows " +
                std::to_string(set.Objects().size()) + ")");
    ObjectRecord& object = *set.Objects()[static_cast<size_t>(objectIndex)];
    std::vector<std::string> written;
    const std::string name = baseName(shown);
    const int32_t first = allViews ? 0 : static_cast<int32_t>(values.view);
    const int32_t last = allViews ? kPreviewImageCount - 1 : first;
    for (int32_t view = first; view <= last; ++view) {
        const std::string path =
            Utf8Name(Utf8Path(folder) / Utf8Path(name + (allViews ? "-view" + std::to_string(view) : "") + ".png"));
        std::string why;
        if (writePreview(object, view, values, path, why))
            written.push_back(path);
        else
            missing.push_back("view " + std::to_string(view) + ": " + why);
    }
    return written;
}

}  // namespace

std::string PictureTarget(const std::string& out, bool force) {
    const std::string other = platform::OtherCaseEntry(out);
    if (other.empty()) return out;
    if (!force) BadFile(out + ": the file " + other + " has the same name in another case (--force replaces it)");
    return other;
}

void WritePicture(const platform::Bitmap& bitmap, const std::string& shown, bool force) {
    const std::string extension = FoldedAscii(nameparts::Extension(shown));
    if (extension != ".bmp" && extension != ".png")
        BadArgument("-o must name a .bmp or .png file, not \"" + shown + "\"");
    if (extension == ".png" && !kPngOutput) NoPngOutput();
    const std::string out = PictureTarget(shown, force);
    // Out of a build without PNG output, the PNG writer's calls are left out, not only unused.
    if constexpr (kPngOutput) {
        if (extension == ".png") {
            const int w = bitmap.Width(), h = bitmap.Height();
            bool ok = false;
            if (bitmap.BitsPerPixel() == 24) {
                std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
                for (int y = 0; y < h; ++y) {
                    const uint8_t* row = bitmap.TopRow(y);
                    for (int x = 0; x < w; ++x) {
                        uint8_t* px = &rgb[(static_cast<size_t>(y) * w + x) * 3];
                        px[0] = row[3 * x + 2];
                        px[1] = row[3 * x + 1];
                        px[2] = row[3 * x];
                    }
                }
                ok = WritePngRgb(out, w, h, rgb);
            } else if (bitmap.BitsPerPixel() == 8) {
                std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
                for (int y = 0; y < h; ++y) std::copy_n(bitmap.TopRow(y), w, &indices[static_cast<size_t>(y) * w]);
                std::vector<uint8_t> palette;
                for (const platform::RgbQuad& q : bitmap.ColourTable()) {
                    palette.push_back(q.red);
                    palette.push_back(q.green);
                    palette.push_back(q.blue);
                }
                ok = WritePngIndexed(out, w, h, indices, palette);
            }
            if (!ok) BadFile(out + ": cannot write the picture");
            return;
        }
    }
    const std::optional<PackedDib> packed = BitmapToPackedDib(&bitmap, kDibUncompressed);
    if (!packed || !WritePackedDibFile(out, &*packed)) BadFile(out + ": cannot write the bitmap");
}

int CommandSprite(Context& c) {
    const long id = c.values.id, frame = c.values.frame;
    GameFile file;
    LocateFile(c, c.file, file, true);
    OpenFile(c.file, file, GameFileAccess::kReadOnly);
    auto picture =
        DrawSprite(*file.Container(), static_cast<int32_t>(id), static_cast<int32_t>(frame), kWhite, c.values.viewMode);
    if (!picture)
        BadFile(c.file + ": sprite " + std::to_string(id) + " frame " + std::to_string(frame) + ": " +
                LastGraphicsError());
    WritePicture(*picture, c.values.out, c.values.force);
    return kExitOk;
}

int CommandRender(Context& c) {
    const long object = c.values.object;
    GameFile file;
    LocateFile(c, c.file, file, true);
    if (c.args.Has("--all-views")) {
        makeFolder(c.values.out);
        std::vector<std::string> missing;
        const std::vector<std::string> written =
            writeViews(c.file, file, c.values, true, object, c.values.out, missing);
        for (const std::string& path : written) c.out << path << "\n";
        for (const std::string& why : missing) c.err << "tambrix-cli: " << c.file << ": " << why << "\n";
        if (written.empty()) BadFile(c.file + ": no view has a picture");
        return kExitOk;
    }
    OpenFile(c.file, file, GameFileAccess::kReadOnly);
    ObjectSet set;
    set.SetResourceSet(file.TakeContainer());
    set.Load(1);
    if (static_cast<size_t>(object) >= set.Objects().size())
        BadFile(c.file + ": no object " + std::to_string(object) + " (the file shows " +
                std::to_string(set.Objects().size()) + ")");
    std::string why;
    if (!writePreview(*set.Objects()[static_cast<size_t>(object)], static_cast<int32_t>(c.values.view), c.values,
                      c.values.out, why))
        BadFile(c.file + ": " + why);
    return kExitOk;
}

int CommandRenderAll(Context& c) {
    const std::string& folder = c.file;
    // An archive (or a folder inside one) is listed as the browser shows it: mounted for
    // the run, and unmounted again when it was not mounted before.
    struct Mounted {
        FarMountReport report;
        ~Mounted() {
            if (report.mounted > 0) UnmountFarArchives(std::string(report.archive).c_str());
        }
    } mounted;
    const int32_t mountCode = MountFarArchiveOnPath(Utf8Name(Utf8Path(folder) / "-").c_str(), &mounted.report);
    if (mountCode != rc::kOk) BadFile(std::string(mounted.report.archive) + ": " + DescribeResult(mountCode));
    std::vector<std::string> names;
    std::error_code ec;
    if (fs::is_directory(Utf8Path(folder), ec)) {
        for (fs::directory_iterator it(Utf8Path(folder), ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec)) names.push_back(Utf8Name(it->path().filename()));
    }
    std::vector<MountedFile> entries;
    FileSystem::Instance().ListMountedFiles(folder.c_str(), entries);
    for (const MountedFile& entry : entries) names.push_back(entry.name);
    if (names.empty() && !fs::is_directory(Utf8Path(folder), ec)) BadFile(folder + ": not a folder");
    std::sort(names.begin(), names.end());
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& n) { return KindOfName(n) != GameFileKind::kObject; }),
                names.end());
    makeFolder(c.values.out);
    const bool allViews = c.args.Has("--all-views");
    size_t done = 0, pictures = 0, failed = 0;
    for (const std::string& name : names) {
        ++done;
        if (c.terminal) ShowProgress(c, "[" + std::to_string(done) + "/" + std::to_string(names.size()) + "] " + name);
        const std::string shown = Utf8Name(Utf8Path(folder) / Utf8Path(name));
        std::vector<std::string> missing;
        try {
            GameFile file;
            std::ostringstream warnings;
            Context inner{c.out, warnings, c.args, c.values, shown};
            LocateFile(inner, shown, file, true);
            const std::vector<std::string> written =
                writeViews(shown, file, c.values, allViews, 0, c.values.out, missing);
            pictures += written.size();
            if (!c.terminal)
                for (const std::string& path : written) c.out << name << " -> " << path << "\n";
            if (written.empty()) ++failed;
        } catch (const CliError& e) {
            ++failed;
            missing = {e.what()};
        }
        if (!missing.empty() && c.terminal) c.out << "\n";
        for (const std::string& why : missing) c.err << "tambrix-cli: " << name << ": " << why << "\n";
    }
    if (c.terminal && !names.empty()) c.out << "\n";
    c.out << pictures << (pictures == 1 ? " picture" : " pictures") << " of " << names.size()
          << (names.size() == 1 ? " object file" : " object files") << " written to " << c.values.out << "\n";
    if (failed > 0)
        BadFile(std::to_string(failed) + " of " + std::to_string(names.size()) + " object files gave no picture");
    return kExitOk;
}

}  // namespace tambrix::tools
