#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/Cli.h"
#include "cli/Json.h"
#include "ToolsTestSupport.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "graphics/DrawGroup.h"
#include "graphics/Palette.h"
#include "graphics/SpriteEncoder.h"
#include "support/ByteBuilder.h"

namespace tambrix::tools {
namespace {

struct CliRun {
    int code = 0;
    std::string out;
    std::string err;
};

CliRun Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    CliRun r;
    r.code = RunCli(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

// A failure is exactly one line on stderr, naming the tool.
void ExpectOneErrorLine(const CliRun& r, int code, const std::string& part) {
    EXPECT_EQ(r.code, code) << r.err;
    EXPECT_EQ(r.err.rfind("tambrix-cli: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
}

TEST(CliArguments, BadCommandLinesGiveOneLineAndExitTwo) {
    struct Case {
        std::vector<std::string> args;
        std::string mentions;
    };
    const Case cases[] = {
        {{}, "no command"},
        {{"frobnicate", "x"}, "unknown command"},
        {{"ls"}, "exactly one file"},
        {{"ls", "a", "b"}, "exactly one file"},
        {{"ls", "a", "--frame", "1"}, "unknown option --frame"},
        {{"info", "a", "--json", "--json"}, "given twice"},
        {{"render", "a", "-o"}, "needs a value"},
        {{"render", "a.iff", "--view", "12", "-o", "x.png"}, "--view must be a number from 0 to 11"},
        {{"render", "a.iff", "--view", "-1", "-o", "x.png"}, "--view"},
        {{"render", "a.iff", "--view", "3x", "-o", "x.png"}, "--view"},
        {{"render", "a.iff", "--background", "FFF", "-o", "x.png"}, "RRGGBB"},
        {{"render", "a.iff", "--background", "GG0000", "-o", "x.png"}, "RRGGBB"},
        {{"render", "a.iff", "-o", "x.gif"}, ".bmp or .png"},
        {{"render", "a.iff"}, "needs -o"},
        {{"sprite", "a.iff", "-o", "x.png"}, "needs --id"},
        {{"sprite", "a.iff", "--id", "70000", "-o", "x.png"}, "--id"},
        {{"sprite", "a.iff", "--id", "1", "--mode", "sepia", "-o", "x.png"}, "--mode"},
        {{"strings", "a.iff", "--id", "one"}, "--id"},
        {{"demo", "d", "--scale", "-3"}, "--scale"},
        {{"render", "a.iff", "--all-views", "--view", "3", "-o", "d"}, "exclude each other"},
        {{"render-all", "d"}, "needs -o DIR"},
        {{"render-all", "d", "e", "-o", "x"}, "exactly one folder"},
        {{"render-all", "d", "--object", "1", "-o", "x"}, "unknown option --object"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliRun r = Cli(c.args);
        ExpectOneErrorLine(r, kExitBadArgument, c.mentions);
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(CliArguments, HelpGoesToStandardOutput) {
    const CliRun r = Cli({"--help"});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_NE(r.out.find("tambrix-cli COMMAND"), std::string::npos);
    EXPECT_TRUE(r.err.empty());
}

class CliOnFiles : public ::testing::Test {
protected:
    // An object-like file: types first seen in the order PALT, SPR2, OBJD.
    std::string WriteSample(const std::string& name) {
        const std::string path = mFolder / name;
        IffResourceFile file;
        const FileNameText text(path);
        EXPECT_EQ(file.Create(text), 0);
        EXPECT_EQ(file.Open(text), 0);
        SpriteImage frame(3, 2);
        for (size_t i = 0; i < frame.alpha.size(); ++i) {
            frame.alpha[i] = 255;
            frame.color[i] = static_cast<uint8_t>(i + 1);
            frame.depth[i] = 9;
        }
        Add(file, restype::kPALT, 7, "pal", EncodePalette(std::vector<PaletteEntry>(256, {10, 20, 30, 0})));
        Add(file, restype::kSPR2, 300, "sprite", EncodeSpr2({frame, frame}, 7));
        Add(file, restype::kOBJD, 128, "Thing", EncodeObjectDefinition(ObjectDefinition{}));
        Add(file, restype::kSPR2, 301, "", EncodeSpr2({frame}, 7));
        EXPECT_EQ(file.Close(), 0);
        return path;
    }

    static void Add(IffResourceFile& file, ResType type, int16_t id, const char* label,
                    const std::vector<uint8_t>& body) {
        DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
        std::memcpy(block->data, body.data(), body.size());
        ASSERT_EQ(file.AddResource(block, type, id, LabelText(label), true), 0);
        ASSERT_EQ(file.WriteResource(block), 0);
    }

    test::ScratchFolder mFolder;
};

TEST_F(CliOnFiles, LsListsTypesInOrderOfFirstAppearance) {
    const std::string path = WriteSample("sample.iff");
    const CliRun r = Cli({"ls", path, "--json"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    // Sizes: a palette is 16 + 3 x 256; an SPR2 frame of 3 x 2 opaque pixels is a 16-byte
    // header and 22 bytes of stream (two rows of a start, a command and 6 bytes, and
    // the end), after 12 bytes of chunk header and 4 per frame offset.
    EXPECT_EQ(r.out,
              "{\"version\": \"2.5\", \"resources\": ["
              "{\"type\": \"PALT\", \"id\": 7, \"label\": \"pal\", \"size\": 784, \"flags\": 16}, "
              "{\"type\": \"SPR2\", \"id\": 300, \"label\": \"sprite\", \"size\": 96, \"flags\": 16}, "
              "{\"type\": \"SPR2\", \"id\": 301, \"label\": \"\", \"size\": 54, \"flags\": 16}, "
              "{\"type\": \"OBJD\", \"id\": 128, \"label\": \"Thing\", \"size\": 216, \"flags\": 16}]}\n");
    const CliRun text = Cli({"ls", path});
    ASSERT_EQ(text.code, kExitOk);
    EXPECT_NE(text.out.find("version 2.5, 4 resources"), std::string::npos);
    // A name in other capitals finds the file, as the browser's platform finds it.
    EXPECT_EQ(Cli({"ls", mFolder / "SAMPLE.IFF", "--json"}).out, r.out);
}

// Every command gives the same words for the same problem with a file, and exit 1; a
// file cut inside its first chunk still opens (its header is sound) with a warning.
TEST_F(CliOnFiles, BadFilesGetTheSameWordsFromEveryCommand) {
    const std::vector<uint8_t> sample = test::ReadFileBytes(WriteSample("sample.iff"));
    auto write = [this](const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(mFolder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return mFolder / name;
    };
    std::vector<uint8_t> noise(3000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 7919 >> 3);
    std::filesystem::create_directory(mFolder / "folder.iff");
    struct Case {
        std::string what, path, words;
    };
    const Case cases[] = {
        {"empty", write("empty.iff", {}), "not an IFF file: the header is missing"},
        {"random bytes", write("noise.iff", noise), "not an IFF file: the header is missing"},
        {"ten bytes", write("ten.iff", std::vector<uint8_t>(sample.begin(), sample.begin() + 10)),
         "not an IFF file: the header is missing"},
        {"directory", mFolder / "folder.iff", "is a directory"},
        {"missing", mFolder / "gone.iff", "no such file"},
    };
    const std::string png = mFolder / "out.png";
    const std::vector<std::vector<std::string>> commands = {
        {"ls"}, {"info"}, {"strings"}, {"render", "-o", png}, {"sprite", "--id", "300", "-o", png}};
    for (const Case& c : cases) {
        for (std::vector<std::string> args : commands) {
            SCOPED_TRACE(c.what + " " + args[0]);
            args.insert(args.begin() + 1, c.path);
            ExpectOneErrorLine(Cli(args), kExitBadFile, c.path + ": " + c.words);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(png));
    ExpectOneErrorLine(Cli({"far", "ls", mFolder / "folder.iff"}), kExitBadFile, "folder.iff: is a directory");

    const std::string cut = write("cut.iff", std::vector<uint8_t>(sample.begin(), sample.begin() + 100));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"ls", cut}, {"strings", cut}, {"info", cut}}) {
        SCOPED_TRACE(args[0]);
        const CliRun r = Cli(args);
        EXPECT_EQ(r.code, kExitOk);
        EXPECT_EQ(r.err, "tambrix-cli: " + cut + ": the file ends inside its first chunk\n");
    }
    EXPECT_NE(Cli({"ls", cut}).out.find("version 2.5, 0 resources"), std::string::npos);
}

TEST_F(CliOnFiles, SpriteWritesAPictureOfTheFrameSize) {
    const std::string path = WriteSample("sample.iff");
    const std::string png = mFolder / "frame.png";
    const CliRun r = Cli({"sprite", path, "--id", "300", "--frame", "1", "-o", png});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const std::vector<uint8_t> bytes = test::ReadFileBytes(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
    EXPECT_EQ(bytes[19], 3);  // width, big-endian at 16
    EXPECT_EQ(bytes[23], 2);  // height at 20
    ExpectOneErrorLine(Cli({"sprite", path, "--id", "300", "--frame", "2", "-o", png}), kExitBadFile, "bad index");
    ExpectOneErrorLine(Cli({"sprite", path, "--id", "999", "-o", png}), kExitBadFile, "not found");
}

TEST_F(CliOnFiles, RenderWritesTheBitmapFileLayoutOrSaysWhyThereIsNoPicture) {
    // Sprite 300 (3 x 2) at (0, 0) in every view: 3 + 32 by 2 + 32 pixels, rows of 105
    // bytes padded to 108. Draw group 2000 names a sprite the file lacks.
    const std::string path = WriteSample("lamp.iff");
    {
        IffResourceFile file;
        ASSERT_EQ(file.Open(FileNameText(path)), 0);
        Add(file, restype::kDGRP, 1000, "", EncodeDrawGroup(DrawGroupImages(kViewCount, {{.spriteId = 300}})));
        Add(file, restype::kDGRP, 2000, "", EncodeDrawGroup(DrawGroupImages(kViewCount, {{.spriteId = 999}})));
        Add(file, restype::kOBJD, 128, "Thing", EncodeObjectDefinition(ObjectDefinition{.baseGraphic = 1000}));
        Add(file, restype::kOBJD, 129, "Ghost", EncodeObjectDefinition(ObjectDefinition{.baseGraphic = 2000}));
        ASSERT_EQ(file.Close(), 0);
    }
    const std::string bmp = mFolder / "lamp.bmp";
    const CliRun r = Cli({"render", path, "--background", "102030", "-o", bmp});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const std::vector<uint8_t> b = test::ReadFileBytes(bmp);
    ASSERT_EQ(b.size(), 54u + 108u * 34u);
    EXPECT_EQ(b[10], 54);                       // pixel offset
    EXPECT_EQ(b[18], 35);                       // width
    EXPECT_EQ(b[22], 34);                       // height
    EXPECT_EQ(b[28], 24);                       // bits per pixel
    EXPECT_EQ(b[34] | (b[35] << 8), 108 * 34);  // image size
    EXPECT_EQ(b[54], 0x30);                     // blue, green, red of RRGGBB 102030
    EXPECT_EQ(b[55], 0x20);
    EXPECT_EQ(b[56], 0x10);
    EXPECT_EQ(b[54 + 108 * 16 + 3 * 16 + 2], 10);  // the sprite's red at (16, 16)
    // No blank picture stands in for one that is not there.
    const std::string none = mFolder / "none.bmp";
    ExpectOneErrorLine(Cli({"render", path, "--object", "1", "-o", none}), kExitBadFile,
                       path + ": no sprite to draw in this view");
    ExpectOneErrorLine(Cli({"render", path, "--object", "2", "-o", none}), kExitBadFile, "no object 2");
    EXPECT_FALSE(std::filesystem::exists(none));
}

// The transparent PNG's alpha at (x, y), read back with libpng.
int AlphaAt(const std::string& png, int x, int y, int* width = nullptr) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, png.c_str())) return -1;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return -1;
    if (width) *width = static_cast<int>(image.width);
    return pixels[(static_cast<size_t>(y) * image.width + x) * 4 + 3];
}

// All twelve views of one file, and the previews of a folder: a file without a picture
// is said on stderr, the others are still written, and the exit says something failed.
TEST_F(CliOnFiles, RenderAllViewsAndRenderAllWriteTransparentPictures) {
    const std::string path = WriteSample("lamp.iff");
    {
        IffResourceFile file;
        ASSERT_EQ(file.Open(FileNameText(path)), 0);
        Add(file, restype::kDGRP, 1000, "", EncodeDrawGroup(DrawGroupImages(kViewCount, {{.spriteId = 300}})));
        Add(file, restype::kOBJD, 128, "Thing", EncodeObjectDefinition(ObjectDefinition{.baseGraphic = 1000}));
        ASSERT_EQ(file.Close(), 0);
    }
    const std::string views = mFolder / "views";
    CliRun r = Cli({"render", path, "--all-views", "-o", views});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), kViewCount);
    for (int view : {0, 5, 11}) {
        const std::string png = views + "/lamp-view" + std::to_string(view) + ".png";
        int width = 0;
        EXPECT_EQ(AlphaAt(png, 0, 0, &width), 0) << png;  // the background
        EXPECT_EQ(AlphaAt(png, 16, 16), 255) << png;      // the sprite
        EXPECT_EQ(width, 35);
    }
    std::ofstream(mFolder / "broken.iff") << "not a container";
    const std::string out = mFolder / "out";
    r = Cli({"render-all", mFolder.Path(), "-o", out, "--view", "3"});
    EXPECT_EQ(r.code, kExitBadFile);
    EXPECT_NE(r.out.find("lamp.iff -> " + out + "/lamp.png\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 picture of 2 object files written to " + out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("broken.iff: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 of 2 object files gave no picture"), std::string::npos) << r.err;
    EXPECT_EQ(AlphaAt(out + "/lamp.png", 16, 16), 255);
    // On a terminal one progress line stands for the files; an opaque background on request.
    std::filesystem::remove(mFolder / "broken.iff");
    std::ostringstream terminal, errors;
    EXPECT_EQ(RunCli({"render-all", mFolder.Path(), "-o", out, "--background", "FFFFFF"}, terminal, errors, true),
              kExitOk);
    EXPECT_EQ(terminal.str(), "\r[1/1] lamp.iff\033[K\n1 picture of 1 object file written to " + out + "\n");
    EXPECT_EQ(AlphaAt(out + "/lamp.png", 0, 0), 255);
    ExpectOneErrorLine(Cli({"render-all", mFolder / "nowhere", "-o", out}), kExitBadFile, "not a folder");
}

// An object whose catalog table holds only its name: the browser completes it, and so
// does info; every other command, and info with --no-write, leaves every byte alone.
TEST_F(CliOnFiles, ViewingLeavesFilesAloneWhileInfoCompletesTheCatalog) {
    const std::string path = mFolder / "fern.iff";
    {
        IffResourceFile file;
        ASSERT_EQ(file.Create(FileNameText(path)), 0);
        ASSERT_EQ(file.Open(FileNameText(path)), 0);
        ObjectDefinition d;
        d.price = 45;
        d.catalogId = 130;
        Add(file, restype::kOBJD, 128, "Fern", EncodeObjectDefinition(d));
        Add(file, restype::kCTSS, 130, "", EncodeLanguageStrings({{1, "Potted Fern", ""}}));
        ASSERT_EQ(file.Close(), 0);
    }
    // A writable version 1.0 wall file without a label table, as the game's tools left
    // many; reading it must not add one. Header, then chunks of a 16-byte header (type,
    // size with the header, ID, flags 0x0010 library order, label number none) and body.
    const std::string wall = mFolder / "stripe.wll";
    {
        testing::ByteBuilder bytes;
        bytes.Text("IFF FILE 1.0:TYPE FOLLOWED BY SIZE").U8(0).Text(" KOREL VANSTRAT & MAXIS 1996").U8(0);
        auto chunk = [&bytes](const char* type, uint16_t id, const std::vector<uint8_t>& body) {
            bytes.Text(type).U32BE(16 + static_cast<uint32_t>(body.size())).U16BE(id).U16BE(0x0010);
            bytes.U32BE(0xFFFFFFFF).Append(body);
        };
        SpriteImage frame(2, 2);
        std::fill(frame.alpha.begin(), frame.alpha.end(), 255);
        chunk("PALT", 7, EncodePalette(std::vector<PaletteEntry>(256, {1, 2, 3, 0})));
        chunk("SPR#", 1, EncodeSprHash({frame}, 7));
        chunk("STR#", 0, EncodePlainStrings({"Stripe", "12", "Sage stripes"}));
        std::ofstream(wall, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.Bytes().data()), static_cast<std::streamsize>(bytes.Size()));
    }
    const std::string png = mFolder / "look.png";
    for (const std::string& file : {path, wall}) {
        const std::vector<uint8_t> before = test::ReadFileBytes(file);
        const std::string id = file == wall ? "1" : "300";
        const std::vector<std::vector<std::string>> looks = {{"ls", file},
                                                             {"strings", file},
                                                             {"render", file, "-o", png},
                                                             {"sprite", file, "--id", id, "-o", png},
                                                             {"info", file, "--no-write"}};
        for (const auto& args : looks) {
            SCOPED_TRACE(::testing::PrintToString(args));
            Cli(args);
            EXPECT_EQ(test::ReadFileBytes(file), before);
        }
    }
    ASSERT_EQ(Cli({"sprite", wall, "--id", "1", "-o", png}).code, kExitOk);  // the wall file really was read
    const std::vector<uint8_t> before = test::ReadFileBytes(path);
    const CliRun quiet = Cli({"info", path, "--json", "--no-write"});
    ASSERT_EQ(quiet.code, kExitOk) << quiet.err;
    EXPECT_EQ(quiet.out,
              "{\"name\": \"Potted Fern\", \"price\": \"45\", \"description\": \"\", \"objects\": ["
              "{\"id\": 128, \"label\": \"Fern\", \"name\": \"Potted Fern\", \"description\": \"\", "
              "\"price\": 45, \"catalog_found\": true, \"master_id\": 0, \"sub_index\": 0, \"display_index\": 0, "
              "\"tiles\": []}], \"sprites\": [], \"draw_groups\": [], \"palettes\": []}\n");
    const CliRun stringsBefore = Cli({"strings", path, "--id", "130", "--json"});
    ASSERT_EQ(stringsBefore.code, kExitOk) << stringsBefore.err;
    EXPECT_EQ(stringsBefore.out.find("\"value\": \"\""), std::string::npos) << stringsBefore.out;

    ASSERT_EQ(Cli({"info", path}).code, kExitOk);
    EXPECT_NE(test::ReadFileBytes(path), before);
    const CliRun stringsAfter = Cli({"strings", path, "--id", "130", "--json"});
    EXPECT_EQ(stringsAfter.out,
              "{\"type\": \"CTSS\", \"id\": 130, \"label\": \"\", \"languages\": [{\"code\": 1, \"strings\": ["
              "{\"value\": \"Potted Fern\", \"comment\": \"\"}, {\"value\": \"\", \"comment\": \"\"}]}]}\n");
}

TEST_F(CliOnFiles, StringsShowsEveryLanguageThatHasItsOwnStrings) {
    const std::string path = mFolder / "two.iff";
    {
        IffResourceFile file;
        ASSERT_EQ(file.Create(FileNameText(path)), 0);
        ASSERT_EQ(file.Open(FileNameText(path)), 0);
        Add(file, restype::kCTSS, 5, "cat",
            EncodeLanguageStrings({{1, "Lamp", ""}, {1, "Bright", "note"}, {3, "Lampe", ""}}));
        Add(file, restype::kSTR, 2, "list", EncodePlainStrings({"one"}));
        ASSERT_EQ(file.Close(), 0);
    }
    const std::string ctss = "CTSS 5 \"cat\"\nlanguage 1:\n  1: Lamp\n  2: Bright   (note)\nlanguage 3:\n  1: Lampe\n";
    const CliRun r = Cli({"strings", path, "--id", "5"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, ctss);
    ExpectOneErrorLine(Cli({"strings", path, "--id", "6"}), kExitBadFile, "no string table 6");
    // Without --id: every table, string lists first.
    const CliRun all = Cli({"strings", path});
    ASSERT_EQ(all.code, kExitOk) << all.err;
    EXPECT_EQ(all.out, "STR# 2 \"list\"\nlanguage 1:\n  1: one\n\n" + ctss);
    const CliRun json = Cli({"strings", path, "--json"});
    EXPECT_EQ(json.out.rfind("[{\"type\": \"STR#\", \"id\": 2, ", 0), 0u) << json.out;
    EXPECT_EQ(json.out.substr(json.out.size() - 3), "}]\n");
}

TEST_F(CliOnFiles, InfoOfFilesTheViewDoesNotOpen) {
    const std::string other = mFolder / "x.dat";
    std::ofstream(other) << "anything";
    const CliRun r = Cli({"info", other});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("shows nothing"), std::string::npos);
    // A sprite file is opened as the view shows it: a broken one says so.
    const std::string spf = mFolder / "x.spf";
    std::ofstream(spf) << "anything";
    ExpectOneErrorLine(Cli({"info", spf}), kExitBadFile, "the file ends too early");
    ExpectOneErrorLine(Cli({"info", mFolder / "gone.bmp"}), kExitBadFile, "no such file");
    const std::string fake = mFolder / "fake.bmp";
    std::ofstream(fake) << "BM";  // cut off inside its header
    ExpectOneErrorLine(Cli({"info", fake}), kExitBadFile, "not a bitmap");
}

TEST(JsonOutput, EscapesControlAndHighBytes) {
    EXPECT_EQ(JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\n\"");
    EXPECT_EQ(JsonString(std::string("caf\xE9\x01", 5)), "\"caf\\u00e9\\u0001\"");
}

TEST(JsonOutput, CommasBetweenMembersAndElements) {
    std::ostringstream out;
    JsonWriter j(out);
    j.BeginObject().Key("a").Number(1).Key("b").BeginArray().Number(2).BeginObject().Key("c").Bool(true).EndObject();
    j.EndArray().Key("d").String("e").EndObject();
    EXPECT_EQ(out.str(), "{\"a\": 1, \"b\": [2, {\"c\": true}], \"d\": \"e\"}");
}

}  // namespace
}  // namespace tambrix::tools
