#pragma once

// What tambrix-cli's command families share: the parsed command line, the failure that
// ends a command, and the way every command finds its file through the opening entry.

#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/Bitmap.h"
#include "sets/GameFile.h"

namespace tambrix::tools {

/// A failure that ends the command: one line on stderr and the exit code.
class CliError : public std::runtime_error {
public:
    CliError(int code, const std::string& what) : std::runtime_error(what), mCode(code) {}
    int Code() const { return mCode; }

private:
    int mCode;
};

[[noreturn]] void BadArgument(const std::string& what);
[[noreturn]] void BadFile(const std::string& what);

// What this build holds (tools/cli/CMakeLists.txt): a build for a host without SQLite
// has no index and so no find; one without a PNG library writes no PNG pictures.
#if !defined(TAMBRIX_FIND_COMMAND) || !defined(TAMBRIX_PNG_OUTPUT)
#error "tools/cli/CMakeLists.txt defines what this build holds"
#endif
inline constexpr bool kFindCommand = TAMBRIX_FIND_COMMAND;
inline constexpr bool kPngOutput = TAMBRIX_PNG_OUTPUT;
/// The failure for a .png picture in a build without PNG output.
[[noreturn]] void NoPngOutput();

struct Args {
    std::string command;
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;  // "--json" -> "" for switches
    std::map<std::string, std::vector<std::string>> repeated;  // every value of an option that may repeat
    /// Every value given to an option that may repeat, in order; none when it was not given.
    std::vector<std::string> Repeated(const std::string& name) const {
        const auto it = repeated.find(name);
        return it == repeated.end() ? std::vector<std::string>() : it->second;
    }
    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::string Get(const std::string& name) const;
};

/// Every option value, checked before any file is touched.
struct Values {
    long id = 0;
    long frame = 0;
    int32_t viewMode = 0;
    long object = 0;
    long view = 0;
    uint32_t background = 0;
    std::string out;
    int scale = 0;
    long limit = 50;
    std::vector<int32_t> objects;  ///< clone's --object values
    int32_t language = 0;
    int32_t price = 0;
    std::vector<long> sprites;  ///< export-sprites --sprite
    /// PNG pictures get a transparent background: no --background was given.
    bool transparent = false;
    /// --force: a picture may replace a file whose name differs from -o only in case.
    bool force = false;
};

Args ParseArgs(const std::vector<std::string>& argv);
Values CheckValues(const Args& args);

struct Context {
    std::ostream& out;
    std::ostream& err;
    const Args& args;
    const Values& values;
    std::string file;  ///< the FILE (or FOLDER) as given
    bool terminal = false;  ///< `out` is a terminal
    /// The terminal behind `out`, unfiltered, for the program's own control sequences.
    std::ostream* raw = nullptr;
};

/// Shows `text` (a file's name, escaped as all output is) as the terminal's progress line,
/// overwriting the one before.
void ShowProgress(Context& c, const std::string& text);

/// The access a file command opens with: only info without --no-write may complete a
/// catalog table, as the browser does; everything else opens read-only.
GameFileAccess AccessOf(const Args& args);

/// Finds `shown` through the opening entry, with the same words for the same problem
/// whichever command meets it: an archive on the way that does not mount, a name that
/// is not there, a folder, an entry that will not open, and, for a command that opens
/// the file as a container, a file without the container header (an empty or cut file,
/// random bytes). A container that is cut short inside a chunk is said on stderr.
void LocateFile(Context& c, const std::string& shown, GameFile& file, bool container);
/// Opens the located file as the browser opens its kind, or exactly as one container.
void OpenFile(const std::string& shown, GameFile& file, GameFileAccess access, bool alone = false);

/// The file a picture for `out` is written to: `out` itself, unless another file beside
/// it has the same name in another case (the game sees one name): then a failure, or with
/// `force` that file, replaced.
std::string PictureTarget(const std::string& out, bool force);
/// Writes a .bmp or .png file (through PictureTarget).
void WritePicture(const platform::Bitmap& bitmap, const std::string& out, bool force);

int CommandLs(Context& c);
int CommandInfo(Context& c);
int CommandStrings(Context& c);
int CommandShow(Context& c);
int CommandRender(Context& c);
int CommandRenderAll(Context& c);
int CommandSprite(Context& c);
int CommandFar(Context& c);
int CommandFind(Context& c);
int CommandInstalls(Context& c);
int CommandClone(Context& c);
int CommandConflicts(Context& c);
int CommandSet(Context& c);
int CommandExportSprites(Context& c);
int CommandImportSprites(Context& c);

}  // namespace tambrix::tools
