// export-sprites and import-sprites: the sprite round trip of the library on the command line.

#include "catalog/SpriteExchange.h"
#include "cli/CliCommon.h"

namespace tambrix::tools {

int CommandExportSprites(Context& c) {
    GameFile file;
    LocateFile(c, c.file, file, true);
    std::vector<int32_t> ids(c.values.sprites.begin(), c.values.sprites.end());
    const SpriteExportResult result = ExportSprites(c.file, c.values.out, ids);
    if (result.code != 0) BadFile(result.error);
    c.out << result.sprites << " sprites, " << result.frames << " frames, " << result.pictures
          << " pictures written to " << c.values.out << "\n";
    return kExitOk;
}

int CommandImportSprites(Context& c) {
    GameFile file;
    LocateFile(c, c.file, file, true);
    SpriteImportOptions options;
    options.dryRun = c.args.Has("--dry-run");
    options.dither = c.args.Has("--dither");
    const SpriteImportResult result = ImportSprites(c.file, c.args.positional[1], options);
    if (result.code != 0) BadFile(result.error);
    size_t changed = 0;
    for (const SpriteImportChange& sprite : result.sprites) {
        c.out << sprite.Describe() << "\n";
        changed += !sprite.frames.empty();
    }
    if (options.dryRun)
        c.out << "dry run: " << changed << " sprites would change; nothing was written\n";
    else
        c.out << changed << " sprites changed" << (result.written ? "" : "; the file was not written") << "\n";
    return kExitOk;
}

}  // namespace tambrix::tools
