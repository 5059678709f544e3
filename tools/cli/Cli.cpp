#include "cli/Cli.h"

#include "TambrixVersion.h"
#include "cli/CliCommon.h"
#include "cli/TerminalText.h"
#include "core/ResultCodes.h"
#include "demo/DemoFolder.h"

namespace tambrix::tools {

namespace {

constexpr const char* kNoEditCommands =
    "clone, conflicts and set are not in this build: they ask the index (SQLite), which this build has not";
constexpr const char* kNoFindCommand =
    "find is not in this build: its index needs SQLite, which this build has not";

int CommandDemo(Context& c) {
    DemoOptions options;
    options.scale = c.values.scale;
    if (c.args.Has("--draft")) options.quality = kDraftQuality;
    std::vector<DemoFile> files;
    std::string error;
    const int32_t code = WriteDemoFolder(c.file, options, &files, error);
    if (code != rc::kOk) BadFile(error);
    for (const DemoFile& f : files) c.out << f.path << (f.note.empty() ? "" : "  -- " + f.note) << "\n";
    return kExitOk;
}

}  // namespace

std::string CliUsage() {
    return "Usage: tambrix-cli COMMAND ...\n"
           "  ls FILE [--json]                      the container version and every resource\n"
           "  info FILE [--json]                    what the object view shows, every object record,\n"
           "                                        the sprites, draw groups and palettes\n"
           "  strings FILE [--id N] [--json]        string table N (without --id: every string\n"
           "                                        table; --json then writes an array) in every\n"
           "                                        language\n"
           "  render FILE [--object K] [--view N | --all-views] [--background RRGGBB]\n"
           "         -o OUT.bmp|OUT.png|DIR\n"
           "                                        the preview of top-level object K (default 0)\n"
           "                                        in view N (0-11, default 10); with --all-views\n"
           "                                        -o names a folder that gets all twelve views,\n"
           "                                        NAME-viewN.png\n"
           "  render-all DIR -o OUTDIR [--view N | --all-views] [--background RRGGBB]\n"
           "                                        the preview of every object file in DIR (a\n"
           "                                        folder or an archive) as OUTDIR/NAME.png, or\n"
           "                                        NAME-viewN.png with --all-views; a progress\n"
           "                                        line on a terminal\n"
           "  sprite FILE --id ID [--frame F] [--mode color|depth|alpha] -o OUT.bmp|OUT.png\n"
           "                                        one sprite frame on white\n"
           "  show FOLDER [--pictures DIR]          info for every file the browser lists under\n"
           "                                        FOLDER, archives as folders; with --pictures\n"
           "                                        also the pictures it shows, into DIR\n"
           "  demo OUTDIR [--scale N] [--draft]     writes the demo game folder\n"
           + std::string(kFindCommand ? "" : "  (find, below, is not in this build: its index needs SQLite)\n") +
           "  find FOLDER TEXT [--json] [--limit N] [--index DB]\n"
           "                                        the objects under FOLDER (archives included)\n"
           "                                        whose catalog name, description, file name or\n"
           "                                        GUID (0xBC85AF5B, any case, 0x or not) hold\n"
           "                                        every word of TEXT (a file name also inside\n"
           "                                        it), best first (default at most 50); the\n"
           "                                        index is the browser's, in the user's cache\n"
           "                                        folder (rebuilt when damaged), or DB, brought\n"
           "                                        up to date first; no game file is ever written\n"
           "  installs [--json]                     every install of the game on this machine\n"
           "                                        (Steam libraries, the EA app, Maxis folders,\n"
           "                                        the registry entry; Wine prefixes) and where\n"
           "                                        it was found; \"no install found\" when none\n"
           "  clone SOURCE -o NEW.iff [--name TEXT] [--object K]... [--force] [--json] [--index DB]\n"
           "                                        a copy of an object file (on disk or in an\n"
           "                                        archive) that the game takes for new objects:\n"
           "                                        NEW.iff, and NEW.spf when SOURCE has one; each\n"
           "                                        copied object gets a new random GUID, unique in\n"
           "                                        the game folder's index (when there is one) and\n"
           "                                        in the file; --object K (repeatable) takes object\n"
           "                                        K with its tiles (default: all), the other\n"
           "                                        resources all stay; --name gives each copied\n"
           "                                        object that catalog name in every language;\n"
           "                                        --force replaces an existing NEW.iff; --index\n"
           "                                        names the index (made when missing; else the\n"
           "                                        one find keeps in the user's cache is asked\n"
           "                                        when there is one). A GUID that the file's\n"
           "                                        behaviour code mentions is left as it is\n"
           "  conflicts FOLDER [--json] [--index DB]\n"
           "                                        every GUID that more than one object file of\n"
           "                                        FOLDER holds (archives included), with the files\n"
           "                                        and object names; \"same file\" when two files\n"
           "                                        have the same bytes\n"
           "  set FILE [--object K] [--language N] [--name T] [--price N] [--description T]\n"
           "                                        changes object K's catalog texts in language N\n"
           "                                        (0-19, default 0) and its price (-32768..32767);\n"
           "                                        texts must be in the game's character set\n"
           "                                        (Windows-1252)\n"
           "  far ls ARCHIVE [--json]               the entries of a .far archive: size, stored\n"
           "                                        (second) size, offset, compressed, name\n"
           "  far extract ARCHIVE [ENTRY...] -o DIR writes the entries (all when none are named)\n"
           "                                        into DIR; never replaces a file, never writes\n"
           "                                        outside DIR\n"
           "  export-sprites FILE -o DIR [--sprite ID]...\n"
           "                                        every frame of the sprites (or those named) as\n"
           "                                        DIR/SPR2_ID/frameF_color.png, _depth.png and\n"
           "                                        _alpha.png (SPR#_ID: colour only), and\n"
           "                                        DIR/sprites.json with each picture's SHA-256\n"
           "  import-sprites FILE DIR [--dry-run] [--dither]\n"
           "                                        the pictures of DIR that changed since the\n"
           "                                        export, back into FILE (a file on disk outside\n"
           "                                        the game's own folders); prints per sprite the\n"
           "                                        frames re-encoded, the palette kept or made and\n"
           "                                        the largest colour error; --dry-run writes\n"
           "                                        nothing\n"
           "  --help                                this text\n"
           "  --version                             the version and the licence\n"
           "installs --json writes [{\"folder\", \"source\", \"where\", \"wine_prefix\"}].\n"
           "far ls --json writes {\"variant\": \"1a\"|\"1b\", \"declared_count\": N, \"entries\":\n"
           "[{\"name\", \"size\", \"stored_size\", \"offset\", \"compressed\", \"usable\",\n"
           "\"problem\"}]}; an entry that cannot be used is listed with the reason.\n"
           "Object files open with their .spf companion, as the browser opens them. ls, strings,\n"
           "render, render-all, sprite, show and export-sprites open files read-only and never\n"
           "change them. import-sprites writes a changed copy and puts it in the file's place only\n"
           "when all of it was written: a failed import leaves the file as it was.\n"
           "info completes an incomplete catalog table, as the browser does: it opens the file\n"
           "read-only, and for writing only when a table needs completing and the file is\n"
           "unchanged since it was read (stderr says what was done); with --no-write it\n"
           "changes nothing. Houses, characters and the neighborhood are never completed;\n"
           "they, skins (.skn, .cmx) and object files without definitions are described in a\n"
           "\"note:\" line (\"house file: 1,204 resources, no object definitions\"). An archive\n"
           "holding no file the browser lists is described by its files' count and extensions\n"
           "in show. PNG previews have a transparent\n"
           "background unless --background is given.\n"
           "A picture never takes over a file whose name differs from it only in case (the\n"
           "game sees one name): render, render-all, sprite and show refuse it, and with\n"
           "--force replace that file. A failed write leaves an earlier file as it was.\n"
           "A file that is cut short inside a chunk is listed as far as it goes, with a\n"
           "warning on stderr. render fails (exit 1) rather than write a blank picture when the\n"
           "object has no sprite to draw in the view or the picture exceeds the size limits;\n"
           "render-all says so for each such file on stderr, goes on, and exits 1 at the end.\n"
           "clone and set write a new version beside the file and move it in place in one step:\n"
           "a failed write leaves no part of it. They never write inside an archive or the\n"
           "game's own folders (GameData, ExpansionShared, ExpansionPack*).\n"
           "A FILE may lie inside an archive (GameData/Objects/Objects.far/Chairs/Chair.iff):\n"
           "the archive is mounted and the entry opens read-only, with its companion from the\n"
           "same archive; nothing in an archive is ever changed.\n"
           "Exit status: 0 done, 1 a bad file or resource, 2 a bad command line.\n" +
           std::string(kPngOutput ? "" : "PNG output is not in this build: pictures are written as .bmp.\n");
}

int RunCli(const std::vector<std::string>& argv, std::ostream& rawOut, std::ostream& rawErr, bool terminal) {
    TerminalStreamBuf outBuffer(rawOut), errBuffer(rawErr);
    std::ostream out(&outBuffer), err(&errBuffer);
    if (argv.size() == 1 && (argv[0] == "--help" || argv[0] == "-h" || argv[0] == "help")) {
        out << CliUsage();
        return kExitOk;
    }
    if (argv.size() == 1 && argv[0] == "--version") {
        out << "tambrix-cli " TAMBRIX_VERSION "\n" TAMBRIX_VERSION_NOTICE;
        return kExitOk;
    }
    try {
        const Args args = ParseArgs(argv);
        const Values values = CheckValues(args);
        // installs takes no file: its context names none.
        const std::string file = args.positional.empty() ? std::string() : args.positional[0];
        Context c{out, err, args, values, file, terminal, &rawOut};
        const std::string& command = args.command;
        if (command == "demo") return CommandDemo(c);
        if (command == "far") return CommandFar(c);
        if (command == "find") {
            if constexpr (!kFindCommand) BadArgument(kNoFindCommand);
            else return CommandFind(c);
        }
        if (command == "installs") return CommandInstalls(c);
        if (command == "clone" || command == "conflicts" || command == "set") {
            if constexpr (!kFindCommand) BadArgument(kNoEditCommands);
            else if (command == "clone") return CommandClone(c);
            else if (command == "conflicts") return CommandConflicts(c);
            else return CommandSet(c);
        }
        if (command == "show") return CommandShow(c);
        if (command == "ls") return CommandLs(c);
        if (command == "info") return CommandInfo(c);
        if (command == "strings") return CommandStrings(c);
        if (command == "sprite") return CommandSprite(c);
        if (command == "render-all") return CommandRenderAll(c);
        if (command == "export-sprites") return CommandExportSprites(c);
        if (command == "import-sprites") return CommandImportSprites(c);
        return CommandRender(c);  // the commands are checked by ParseArgs
    } catch (const CliError& e) {
        err << "tambrix-cli: " << e.what() << "\n";
        return e.Code();
    } catch (const std::exception& e) {
        err << "tambrix-cli: " << e.what() << "\n";
        return kExitBadFile;
    }
}

}  // namespace tambrix::tools
