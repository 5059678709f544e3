#include "cli/CliCommon.h"

#include <algorithm>
#include <cctype>

#include "cli/TerminalText.h"
#include "containers/IffFormat.h"
#include "core/AsciiCase.h"
#include "core/NameParts.h"
#include "core/ResultCodes.h"
#include "demo/DemoFolder.h"
#include "fileaccess/FileSystem.h"
#include "graphics/PreviewRenderer.h"

namespace tambrix::tools {

namespace {

// The words for a file that is not a container; every command uses the same ones.
const char* const kNoSuchFile = "no such file";
const char* const kIsDirectory = "is a directory";
const char* const kHeaderMissing = "not an IFF file: the header is missing";
const uint32_t kWhite = 0xFFFFFF;

// Options each command takes; those in kValueOptions take a value, the others are switches.
const std::map<std::string, std::vector<std::string>> kCommandOptions = {
    {"ls", {"--json", "--no-write"}},
    {"info", {"--json", "--no-write"}},
    {"strings", {"--json", "--no-write", "--id"}},
    {"render", {"--no-write", "--object", "--view", "--all-views", "--background", "-o", "--force"}},
    {"render-all", {"--view", "--all-views", "--background", "-o", "--force"}},
    {"sprite", {"--no-write", "--id", "--frame", "--mode", "-o", "--force"}},
    {"show", {"--pictures", "--force"}},
    {"demo", {"--scale", "--draft"}},
    {"far", {"--json", "-o"}},
    {"find", {"--json", "--limit", "--index"}},
    {"installs", {"--json"}},
    {"clone", {"-o", "--name", "--object", "--force", "--json", "--index"}},
    {"conflicts", {"--json", "--index"}},
    {"set", {"--object", "--language", "--name", "--price", "--description"}},
    {"export-sprites", {"-o", "--sprite"}},
    {"import-sprites", {"--dry-run", "--dither"}},
};
// Options that may be given more than once; each value is kept.
const std::vector<std::string> kRepeatedOptions = {"--sprite"};
const std::vector<std::string> kValueOptions = {"--id",    "--object", "--view",  "--background", "-o",
                                                "--frame", "--mode",   "--scale", "--pictures",
                                                "--limit", "--index",  "--name",  "--language",
                                                "--price", "--description", "--sprite"};

long ParseInteger(const std::string& text, const std::string& option, long lo, long hi) {
    size_t used = 0;
    long value = 0;
    try {
        value = std::stol(text, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < lo || value > hi)
        BadArgument(option + " must be a number from " + std::to_string(lo) + " to " + std::to_string(hi) + ", not \"" +
                    text + "\"");
    return value;
}

// RRGGBB as the 0x00BBGGRR colour the library takes.
uint32_t ParseColour(const std::string& text) {
    if (text.size() != 6 || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); }))
        BadArgument("--background must be six hexadecimal digits RRGGBB, not \"" + text + "\"");
    const uint32_t rgb = static_cast<uint32_t>(std::stoul(text, nullptr, 16));
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

void CheckPictureName(const std::string& out) {
    const std::string extension = FoldedAscii(nameparts::Extension(out));
    if (extension != ".bmp" && extension != ".png")
        BadArgument("-o must name a .bmp or .png file, not \"" + out + "\"");
}

void WarnAboutChunks(Context& c, const std::string& shown, const GameFile& file) {
    const ChunkDamage damage = file.FindChunkDamage();
    const std::string at = std::to_string(damage.offset);
    const std::string where = damage.offset == iff::kFirstChunkOffset ? "its first chunk" : "the chunk at offset " + at;
    std::string problem;
    switch (damage.kind) {
        case ChunkDamage::Kind::kNone: return;
        case ChunkDamage::Kind::kCutInHeader: problem = "the file ends inside " + where; break;
        case ChunkDamage::Kind::kImpossibleSize:
            problem = "the chunk at offset " + at + " gives an impossible size (" + std::to_string(damage.chunkSize) +
                      " bytes)";
            break;
        case ChunkDamage::Kind::kCutInBody:
            problem = "the file ends inside " + where + " (" + std::to_string(damage.fileSize) +
                      " bytes, the chunk needs " + std::to_string(uint64_t{damage.offset} + damage.chunkSize) + ")";
            break;
    }
    c.err << "tambrix-cli: " << shown << ": " << problem << "\n";
}

}  // namespace

void BadArgument(const std::string& what) { throw CliError(kExitBadArgument, what); }
void NoPngOutput() { BadArgument("PNG output is not in this build"); }
void BadFile(const std::string& what) { throw CliError(kExitBadFile, what); }

std::string Args::Get(const std::string& name) const {
    auto it = options.find(name);
    return it == options.end() ? std::string() : it->second;
}

Args ParseArgs(const std::vector<std::string>& argv) {
    Args args;
    if (argv.empty()) BadArgument("no command given (try --help)");
    args.command = argv[0];
    auto known = kCommandOptions.find(args.command);
    if (known == kCommandOptions.end()) BadArgument("unknown command \"" + args.command + "\" (try --help)");
    for (size_t i = 1; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a.size() > 1 && a[0] == '-') {
            if (std::find(known->second.begin(), known->second.end(), a) == known->second.end())
                BadArgument("unknown option " + a + " for " + args.command);
            // clone takes several objects, export-sprites several sprites; every other option
            // comes once.
            const bool repeated =
                (args.command == "clone" && a == "--object") ||
                std::find(kRepeatedOptions.begin(), kRepeatedOptions.end(), a) != kRepeatedOptions.end();
            if (args.Has(a) && !repeated) BadArgument("option " + a + " given twice");
            if (std::find(kValueOptions.begin(), kValueOptions.end(), a) != kValueOptions.end()) {
                if (i + 1 >= argv.size()) BadArgument("option " + a + " needs a value");
                args.options[a] = argv[++i];
                if (repeated) args.repeated[a].push_back(args.options[a]);
            } else {
                args.options[a] = "";
            }
        } else {
            args.positional.push_back(a);
        }
    }
    if (args.command == "far") {
        // far SUBCOMMAND ARCHIVE [ENTRY...]
        const std::string sub = args.positional.empty() ? "" : args.positional[0];
        if (sub != "ls" && sub != "extract") BadArgument("far needs ls or extract (try --help)");
        if (args.positional.size() < 2) BadArgument("far " + sub + " needs an archive");
        if (sub == "ls" && args.positional.size() != 2) BadArgument("far ls takes exactly one archive");
        if (sub == "ls" && args.Has("-o")) BadArgument("far ls takes no -o");
        if (sub == "extract" && args.Has("--json")) BadArgument("far extract takes no --json");
        if (sub == "extract" && !args.Has("-o")) BadArgument("far extract needs -o DIR");
        return args;
    }
    if (args.command == "installs") {
        if (!args.positional.empty()) BadArgument("installs takes no file or folder");
        return args;
    }
    if (args.command == "import-sprites") {
        if (args.positional.size() != 2) BadArgument("import-sprites takes a file and a folder");
        return args;
    }
    if (args.command == "find") {
        if (args.positional.size() != 2) BadArgument("find takes a folder and a text");
        return args;
    }
    if (args.command == "clone" && !args.Has("-o")) BadArgument("clone needs -o NEW.iff");
    if (args.command == "set" && !args.Has("--name") && !args.Has("--price") && !args.Has("--description"))
        BadArgument("set needs --name, --price or --description");
    const bool folder = args.command == "demo" || args.command == "show" || args.command == "render-all" ||
                        args.command == "conflicts";
    if (args.positional.size() != 1) BadArgument(args.command + " takes exactly one " + (folder ? "folder" : "file"));
    return args;
}

Values CheckValues(const Args& args) {
    Values v;
    v.view = kDefaultPreviewImage;
    v.background = kWhite;
    const std::string& c = args.command;
    if (c == "far") v.out = args.Get("-o");
    if (c == "show") v.out = args.Get("--pictures");
    if (c == "export-sprites") {
        v.out = args.Get("-o");
        if (v.out.empty()) BadArgument("export-sprites needs -o DIR");
        for (const std::string& id : args.Repeated("--sprite"))
            v.sprites.push_back(ParseInteger(id, "--sprite", -32768, 32767));
    }
    const bool manyViews = args.Has("--all-views");
    if (manyViews && args.Has("--view")) BadArgument("--view and --all-views exclude each other");
    if (c == "render" || c == "sprite" || c == "render-all") {
        if (c == "sprite" && !args.Has("--id")) BadArgument("sprite needs --id ID");
        const bool folder = c == "render-all" || manyViews;
        if (!args.Has("-o")) BadArgument(c + (folder ? " needs -o DIR" : " needs -o OUT"));
        v.out = args.Get("-o");
        if (v.out.empty()) BadArgument("-o needs a name");
        if (!folder) CheckPictureName(v.out);
    }
    v.transparent = !args.Has("--background");
    v.force = args.Has("--force");
    if (args.Has("--id")) v.id = ParseInteger(args.Get("--id"), "--id", -32768, 32767);
    if (args.Has("--frame")) v.frame = ParseInteger(args.Get("--frame"), "--frame", 0, 1L << 30);
    if (args.Has("--object")) v.object = ParseInteger(args.Get("--object"), "--object", 0, 1L << 20);
    for (const std::string& object : args.Repeated("--object"))
        v.objects.push_back(static_cast<int32_t>(ParseInteger(object, "--object", 0, 1L << 20)));
    if (args.Has("--language")) v.language = static_cast<int32_t>(ParseInteger(args.Get("--language"), "--language", 0, 19));
    if (args.Has("--price")) v.price = static_cast<int32_t>(ParseInteger(args.Get("--price"), "--price", -32768, 32767));
    if (c == "clone") {
        v.out = args.Get("-o");
        if (v.out.empty()) BadArgument("-o needs a name");
    }
    if (args.Has("--view")) v.view = ParseInteger(args.Get("--view"), "--view", 0, kPreviewImageCount - 1);
    if (args.Has("--background")) v.background = ParseColour(args.Get("--background"));
    if (args.Has("--limit")) v.limit = ParseInteger(args.Get("--limit"), "--limit", 1, 100000);
    if (args.Has("--scale")) v.scale = static_cast<int>(ParseInteger(args.Get("--scale"), "--scale", 0, kMaxDemoScale));
    if (args.Has("--mode")) {
        const std::string mode = args.Get("--mode");
        if (mode == "color" || mode == "colour")
            v.viewMode = 0;
        else if (mode == "depth")
            v.viewMode = 1;
        else if (mode == "alpha")
            v.viewMode = 2;
        else
            BadArgument("--mode must be color, depth or alpha, not \"" + mode + "\"");
    }
    return v;
}

GameFileAccess AccessOf(const Args& args) {
    return args.command == "info" && !args.Has("--no-write") ? GameFileAccess::kViewing : GameFileAccess::kReadOnly;
}

void LocateFile(Context& c, const std::string& shown, GameFile& file, bool container) {
    if (shown.size() > kMaxFileNameLength) BadFile(shown + ": the name is longer than 259 characters");
    const int32_t code = file.Locate(shown);
    if (!file.FailedArchive().empty()) BadFile(file.FailedArchive() + ": " + DescribeResult(code));
    if (file.State() == GamePathState::kMissing) BadFile(shown + ": " + kNoSuchFile);
    if (file.State() == GamePathState::kFolder) BadFile(shown + ": " + kIsDirectory);
    if (code != rc::kOk) BadFile(shown + ": " + DescribeResult(code));
    if (!container) return;
    if (file.ContainerVersion().empty()) BadFile(shown + ": " + kHeaderMissing);
    WarnAboutChunks(c, shown, file);
}

void OpenFile(const std::string& shown, GameFile& file, GameFileAccess access, bool alone) {
    const int32_t code = alone ? file.OpenAlone(access) : file.Open(access);
    if (code != rc::kOk) BadFile(shown + ": " + DescribeResult(code));
}

void ShowProgress(Context& c, const std::string& text) {
    if (!c.raw) return;
    c.out << std::flush;
    *c.raw << '\r' << TerminalText(text) << "\033[K" << std::flush;
}

}  // namespace tambrix::tools
