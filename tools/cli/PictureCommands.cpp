// The picture commands: render (an object's preview) and sprite (one sprite frame), and
// the writing of their pictures as .bmp or .png files.

#include <algorithm>
#include <optional>

#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "cli/CliCommon.h"
#include "cli/PngWriter.h"
#include "core/AsciiCase.h"
#include "core/NameParts.h"
#include "graphics/BitmapExport.h"
#include "graphics/Sprite.h"

namespace tambrix::tools {

namespace {
constexpr uint32_t kWhite = 0xFFFFFF;
}

void WritePicture(const platform::Bitmap& bitmap, const std::string& out) {
    const std::string extension = FoldedAscii(nameparts::Extension(out));
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
    if (extension != ".bmp") BadArgument("-o must name a .bmp or .png file, not \"" + out + "\"");
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
    WritePicture(*picture, c.values.out);
    return kExitOk;
}

int CommandRender(Context& c) {
    const long object = c.values.object;
    GameFile file;
    LocateFile(c, c.file, file, true);
    OpenFile(c.file, file, GameFileAccess::kReadOnly);
    ObjectSet set;
    set.SetResourceSet(file.TakeContainer());
    set.Load(1);
    if (static_cast<size_t>(object) >= set.Objects().size())
        BadFile(c.file + ": no object " + std::to_string(object) + " (the file shows " +
                std::to_string(set.Objects().size()) + ")");
    PreviewReport report;
    auto picture = RenderObjectPreview(*set.Objects()[static_cast<size_t>(object)], static_cast<int32_t>(c.values.view),
                                       c.values.background, &report);
    // A blank picture would pass for a render: say why there is none instead.
    if (report.outcome != PreviewReport::Outcome::kDrawn) BadFile(c.file + ": " + PreviewReportText(report));
    if (!picture) BadFile(c.file + ": the preview could not be rendered");
    WritePicture(*picture, c.values.out);
    return kExitOk;
}

}  // namespace tambrix::tools
