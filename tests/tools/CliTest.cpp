#include <gtest/gtest.h>

#include <filesystem>

#include "ToolsTestSupport.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "cli/CliCommon.h"
#include "cli/Json.h"
#include "graphics/DrawGroup.h"
#include "graphics/Palette.h"
#include "graphics/PngFile.h"
#include "graphics/SpriteEncoder.h"
#include "core/AsciiCase.h"
#include "platform/PlatformFile.h"
#include "support/ByteBuilder.h"
#include "support/HostTest.h"

namespace tambrix::tools {
namespace {

TEST(CliArguments, BadCommandLinesGiveOneLineAndExitTwo) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "no command"},
        {{"frobnicate", "x"}, "unknown command"},
        {{"ls"}, "exactly one file"},
        {{"ls", "a", "b"}, "exactly one file"},
        {{"ls", "a", "--frame", "1"}, "unknown option --frame"},
        {{"info", "a", "--json", "--json"}, "given twice"},
        {{"render", "a", "-o"}, "needs a value"},
        {{"render", "a.iff", "--view", "12", "-o", "x.png"}, "--view must be a number from 0 to 11"},
        {{"render", "a.iff", "--view", "3x", "-o", "x.png"}, "--view"},
        {{"render", "a.iff", "--background", "FFF", "-o", "x.png"}, "RRGGBB"},
        {{"render", "a.iff", "--background", "GG0000", "-o", "x.png"}, "RRGGBB"},
        {{"render", "a.iff", "-o", "x.gif"}, ".bmp or .png"},
        {{"render", "a.iff"}, "render needs -o OUT"},
        {{"render", "a.iff", "--all-views", "--view", "3", "-o", "d"}, "exclude each other"},
        {{"render-all", "d"}, "render-all needs -o DIR"},
        {{"render-all", "d", "e", "-o", "x"}, "exactly one folder"},
        {{"sprite", "a.iff", "-o", "x.png"}, "needs --id"},
        {{"sprite", "a.iff", "--id", "70000", "-o", "x.png"}, "--id"},
        {{"sprite", "a.iff", "--id", "1", "--mode", "sepia", "-o", "x.png"}, "--mode"},
        {{"strings", "a.iff", "--id", "one"}, "--id"},
        {{"demo", "d", "--scale", "-3"}, "--scale"},
        {{"far"}, "far needs ls or extract"},
        {{"far", "cat", "a.far"}, "far needs ls or extract"},
        {{"far", "ls"}, "far ls needs an archive"},
        {{"far", "ls", "a.far", "more"}, "far ls takes exactly one archive"},
        {{"far", "ls", "a.far", "-o", "x"}, "far ls takes no -o"},
        {{"far", "extract", "a.far"}, "far extract needs -o DIR"},
        {{"far", "extract", "a.far", "-o", "x", "--json"}, "far extract takes no --json"},
        {{"find", "d", "--index", "x"}, "find takes a folder and a text"},
        {{"find", "d", "x", "--limit", "0"}, "--limit must be a number"},
        {{"installs", "d"}, "installs takes no file or folder"},
        {{"installs", "--limit", "3"}, "unknown option --limit"},
    };
    for (const auto& [args, mentions] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        ExpectOneErrorLine(Cli(args), kExitBadArgument, mentions);
    }
    const CliRun help = Cli({"--help"});
    EXPECT_EQ(help.code, kExitOk);
    EXPECT_TRUE(Has(help.out, "tambrix-cli COMMAND"));
    EXPECT_EQ(help.err, "");
}

SpriteImage Opaque(int width, int height) {
    SpriteImage frame(width, height);
    for (size_t i = 0; i < frame.alpha.size(); ++i) {
        frame.alpha[i] = 255;
        frame.color[i] = static_cast<uint8_t>(i + 1);
        frame.depth[i] = 9;
    }
    return frame;
}

// The transparent PNG's alpha at (x, y), read back; -1 when it does not read.
int AlphaAt(const std::string& png, int x, int y, int* width = nullptr) {
    PngImage image;
    if (!ReadPngFile(png, 4, image).Ok()) return -1;
    if (width) *width = image.width;
    return image.At(x, y)[3];
}

class CliOnFiles : public ::testing::Test {
protected:
    // An object file, types first seen in the order PALT, SPR2, OBJD, DGRP: object 0 draws
    // sprite 300 (3 x 2, two frames) at (0, 0) in every view; object 1 names a missing sprite.
    void SetUp() override {
        const SpriteImage frame = Opaque(3, 2);
        WriteIff(mLamp, {{restype::kPALT, 7, "pal", EncodePalette(std::vector<PaletteEntry>(256, {10, 20, 30, 0}))},
                         {restype::kSPR2, 300, "sprite", EncodeSpr2({frame, frame}, 7)},
                         {restype::kOBJD, 128, "Thing", EncodeObjectDefinition({.baseGraphic = 1000})},
                         {restype::kSPR2, 301, "", EncodeSpr2({frame}, 7)},
                         {restype::kDGRP, 1000, "", EncodeDrawGroup(DrawGroupImages(kViewCount, {{.spriteId = 300}}))},
                         {restype::kOBJD, 129, "Ghost", EncodeObjectDefinition({.baseGraphic = 2000})},
                         {restype::kDGRP, 2000, "", EncodeDrawGroup(DrawGroupImages(kViewCount, {{.spriteId = 999}}))}});
        WriteIff(mTwo, {{restype::kCTSS, 5, "cat",
                         EncodeLanguageStrings({{1, "Lamp", ""}, {1, "Bright", "note"}, {3, "Lampe", ""}})},
                        {restype::kSTR, 2, "list", EncodePlainStrings({"one"})}});
    }
    std::string P(const std::string& name) const { return mDir.File(name); }

    Folder mDir;
    const std::string mLamp = mDir.File("lamp.iff"), mTwo = mDir.File("two.iff");
};

// One command on one file: its exit and a text it must print (on stderr for a failure).
// Every command opens through one entry: a file that does not open gets the same words
// from each of them, and exit 1.
TEST_F(CliOnFiles, CommandsAnswerWithTheirExitAndWords) {
    const std::vector<uint8_t> lamp = ReadFileBytes(mLamp);
    std::vector<uint8_t> noise(3000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 7919 >> 3);
    const std::string empty = mDir.Write("empty.iff", ""), noisy = mDir.Write("noise.iff", noise),
                      ten = mDir.Write("ten.iff", std::vector<uint8_t>(lamp.begin(), lamp.begin() + 10)),
                      folder = mDir.MakeDir("folder.iff"), gone = P("gone.iff");
    const std::string cut = mDir.Write("cut.iff", std::vector<uint8_t>(lamp.begin(), lamp.begin() + 100));
    const std::string png = P("x.png"), none = P("none.bmp");
    const std::string cutBody = mDir.Write("body.iff", std::vector<uint8_t>(lamp.begin(), lamp.begin() + 200));
    mDir.Write("x.spf", "anything");
    mDir.Write("fake.bmp", "BM");  // cut off inside its header
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string text;
    } cases[] = {
        {{"ls", empty}, kExitBadFile, empty + ": not an IFF file: the header is missing"},
        {{"info", noisy}, kExitBadFile, noisy + ": not an IFF file: the header is missing"},
        {{"strings", ten}, kExitBadFile, ten + ": not an IFF file"},
        {{"render", folder, "-o", png}, kExitBadFile, folder + ": is a directory"},
        {{"sprite", gone, "--id", "300", "-o", png}, kExitBadFile, gone + ": no such file"},
        {{"ls", mLamp}, kExitOk, "version 2.5, 7 resources"},
        {{"ls", P("LAMP.IFF")}, kExitOk, "version 2.5, 7 resources"},  // found in other capitals
        {{"ls", cut}, kExitOk, "version 2.5, 0 resources"},             // a sound header still opens
        {{"info", cut}, kExitOk, cut + ": the file ends inside its first chunk\n"},
        {{"strings", cut}, kExitOk, cut + ": the file ends inside its first chunk\n"},
        {{"sprite", mLamp, "--id", "300", "--frame", "2", "-o", png}, kExitBadFile, "bad index"},
        {{"sprite", mLamp, "--id", "999", "-o", png}, kExitBadFile, "not found"},
        {{"render", mLamp, "--object", "1", "-o", none}, kExitBadFile, mLamp + ": no sprite to draw in this view"},
        {{"render", mLamp, "--object", "2", "-o", none}, kExitBadFile, "no object 2"},
        {{"strings", mTwo, "--id", "6"}, kExitBadFile, "no string table 6"},
        {{"info", P("x.spf")}, kExitBadFile, "the file ends too early"},
        {{"info", P("gone.bmp")}, kExitBadFile, "no such file"},
        {{"info", P("fake.bmp")}, kExitBadFile, "not a bitmap"},
        {{"far", "ls", mDir.MakeDir("dir.far")}, kExitBadFile, "dir.far: is a directory"},
        {{"render-all", P("nowhere"), "-o", P("out")}, kExitBadFile, "not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliRun r = Cli(c.args);
        if (c.code != kExitOk) {
            ExpectOneErrorLine(r, c.code, c.text);
        } else {
            EXPECT_EQ(r.code, kExitOk) << r.err;
            EXPECT_TRUE(Has(r.out + r.err, c.text)) << r.out << r.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(none) || std::filesystem::exists(png));  // no blank stand-in picture
    // The palette chunk starts at 64 and needs its 76-byte header and 784 bytes.
    EXPECT_TRUE(Has(Cli({"ls", cutBody}).err, cutBody + ": the file ends inside its first chunk (200 bytes, "
                                                         "the chunk needs 924)\n"));
}

TEST_F(CliOnFiles, ListingsAndStringsInTextAndJson) {
    // A palette is 16 + 3 x 256 bytes; an SPR2 frame of 3 x 2 opaque pixels is a 16-byte
    // header and 22 bytes of stream, after 12 bytes of chunk header and 4 per frame offset.
    CliRun r = Cli({"ls", mLamp, "--json"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out.rfind("{\"version\": \"2.5\", \"resources\": ["
              "{\"type\": \"PALT\", \"id\": 7, \"label\": \"pal\", \"size\": 784, \"flags\": 16}, "
              "{\"type\": \"SPR2\", \"id\": 300, \"label\": \"sprite\", \"size\": 96, \"flags\": 16}, "
              "{\"type\": \"SPR2\", \"id\": 301, \"label\": \"\", \"size\": 54, \"flags\": 16}, "
              "{\"type\": \"OBJD\", \"id\": 128, \"label\": \"Thing\", \"size\": 216, \"flags\": 16}, ", 0), 0u) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 4), "}]}\n");
    // Every language that has strings of its own; without --id every table, lists first.
    const std::string ctss = "CTSS 5 \"cat\"\nlanguage 1:\n  1: Lamp\n  2: Bright   (note)\nlanguage 3:\n  1: Lampe\n";
    EXPECT_EQ(Cli({"strings", mTwo, "--id", "5"}).out, ctss);
    EXPECT_EQ(Cli({"strings", mTwo}).out, "STR# 2 \"list\"\nlanguage 1:\n  1: one\n\n" + ctss);
    r = Cli({"strings", mTwo, "--json"});
    EXPECT_EQ(r.out.rfind("[{\"type\": \"STR#\", \"id\": 2, ", 0), 0u) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 3), "}]\n");
}

// A file's bytes never reach the terminal as they are: a type code or label with an
// escape sequence is shown escaped, and the game's 8-bit letters read as letters.
TEST_F(CliOnFiles, FileTextsArePrintedEscapedAndInUtf8) {
    const std::string hostile = P("hostile.iff");
    WriteIff(hostile, {{MakeResType("\x1b[2J"), 1, "\x1b[31mred", {1, 2}},
                       {restype::kCTSS, 5, "cat", EncodeLanguageStrings({{1, "No\xe9mie's Nursery", ""}})}});
    CliRun r = Cli({"ls", hostile});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << r.out;
    EXPECT_TRUE(Has(r.out, "\\x1b[2J      1        2 0x0010  \\x1b[31mred\n")) << r.out;
    r = Cli({"ls", hostile, "--json"});
    EXPECT_TRUE(Has(r.out, "\"type\": \"\\u001b[2J\", \"id\": 1, \"label\": \"\\u001b[31mred\"")) << r.out;
    EXPECT_TRUE(Has(Cli({"strings", hostile}).out, "1: No\xc3\xa9mie's Nursery\n"));
    EXPECT_TRUE(Has(Cli({"strings", hostile, "--json"}).out, "No\\u00e9mie's Nursery"));
}

// All twelve views of one file, and the previews of a folder: a file without a picture
// is said on stderr, the others are still written, and the exit says something failed.
TEST_F(CliOnFiles, RenderAllViewsAndRenderAllWriteTransparentPictures) {
    if (!kPngOutput) GTEST_SKIP() << test::kNoPngInBuild;
    std::filesystem::remove(mTwo);
    const std::string views = P("views");
    CliRun r = Cli({"render", mLamp, "--all-views", "-o", views});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), kViewCount);
    for (int view : {0, 5, 11}) {
        const std::string png = views + "/lamp-view" + std::to_string(view) + ".png";
        int width = 0;
        EXPECT_EQ(AlphaAt(png, 0, 0, &width), 0) << png;  // the background
        EXPECT_EQ(AlphaAt(png, 16, 16), 255) << png;      // the sprite
        EXPECT_EQ(width, 35);
    }
    mDir.Write("broken.iff", "not a container");
    const std::string out = P("out");
    r = Cli({"render-all", mDir.Path(), "-o", out, "--view", "3"});
    EXPECT_EQ(r.code, kExitBadFile);
    EXPECT_TRUE(Has(r.out, "lamp.iff -> " + out + "/lamp.png\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "1 picture of 2 object files written to " + out)) << r.out;
    EXPECT_TRUE(Has(r.err, "broken.iff: ")) << r.err;
    EXPECT_TRUE(Has(r.err, "1 of 2 object files gave no picture")) << r.err;
    EXPECT_EQ(AlphaAt(out + "/lamp.png", 16, 16), 255);
    // On a terminal one progress line stands for the files; an opaque background on request.
    std::filesystem::remove(P("broken.iff"));
    std::ostringstream terminal, errors;
    EXPECT_EQ(RunCli({"render-all", mDir.Path(), "-o", out, "--background", "FFFFFF"}, terminal, errors, true),
              kExitOk);
    EXPECT_EQ(terminal.str(), "\r[1/1] lamp.iff\033[K\n1 picture of 1 object file written to " + out + "\n");
    EXPECT_EQ(AlphaAt(out + "/lamp.png", 0, 0), 255);
    // A .bmp name gets a bitmap: 35 x 34 pixels of 24 bits on the background asked for, rows of 108 bytes.
    ASSERT_EQ(Cli({"render", mLamp, "--background", "102030", "-o", P("lamp.bmp")}).code, kExitOk);
    const std::vector<uint8_t> b = ReadFileBytes(P("lamp.bmp"));
    ASSERT_EQ(b.size(), 54u + 108u * 34u);
    EXPECT_EQ((std::vector<uint8_t>(b.begin() + 54, b.begin() + 57)), (std::vector<uint8_t>{0x30, 0x20, 0x10}));
    EXPECT_EQ(b[54 + 108 * 16 + 3 * 16 + 2], 10);  // the sprite's red at (16, 16)
}

// A picture named like an existing file in another case (one name to the game) is refused
// without --force, which replaces that file rather than add a second spelling beside it.
TEST_F(CliOnFiles, PicturesNeverTakeOverAFileNamedInAnotherCaseUnasked) {
    if (!kPngOutput) GTEST_SKIP() << test::kNoPngInBuild;
    mDir.Write("out/SOFA.BMP", "their picture");
    mDir.Write("out/Frame.PNG", "their frame");
    const struct {
        std::vector<std::string> args;
        std::string existing;
    } cases[] = {
        {{"render", mLamp, "-o", P("out/sofa.bmp")}, "out/SOFA.BMP"},
        {{"render", mLamp, "-o", P("OUT/sofa.bmp")}, "out/SOFA.BMP"},  // the folder is found, whatever its case
        {{"render", mLamp, "-o", P("out/sofa.png")}, ""},
        {{"sprite", mLamp, "--id", "300", "-o", P("out/frame.png")}, "out/Frame.PNG"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        const std::vector<uint8_t> before = c.existing.empty() ? std::vector<uint8_t>() : mDir.Read(c.existing);
        CliRun r = Cli(args);
        if (c.existing.empty()) {
            EXPECT_EQ(r.code, kExitOk) << r.err;
            continue;
        }
        EXPECT_EQ(r.code, kExitBadFile) << args.back();
        // Windows keeps the folder as it was asked for (it ignores case); the file is named as stored.
        const std::string said =
            args.back() + ": the file " + P(c.existing) + " has the same name in another case (--force replaces it)";
        if (test::kWindowsHost)
            EXPECT_TRUE(Has(FoldedAscii(r.err), FoldedAscii(said)) && Has(r.err, c.existing.substr(4))) << r.err;
        else
            EXPECT_TRUE(Has(r.err, said)) << r.err;
        EXPECT_EQ(mDir.Read(c.existing), before);
        EXPECT_FALSE(mDir.Exists(args.back().substr(mDir.Path().size() + 1)));
        args.push_back("--force");
        r = Cli(args);
        EXPECT_EQ(r.code, kExitOk) << r.err;
        EXPECT_GT(mDir.Read(c.existing).size(), 50u) << c.existing;  // a picture now, under its own spelling
        mDir.Write(c.existing, "their picture");
    }
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(P("out"))) ++files;
    EXPECT_EQ(files, 3u);  // SOFA.BMP, Frame.PNG and the new sofa.png: no second spelling
}

// An object whose catalog table holds only its name: the browser completes it, and so
// does info; every other command, and info with --no-write, leaves every byte alone.
TEST_F(CliOnFiles, ViewingLeavesFilesAloneWhileInfoCompletesTheCatalog) {
    const std::string fern =
        WriteIff(P("fern.iff"), {{restype::kOBJD, 128, "Fern", EncodeObjectDefinition({.price = 45, .catalogId = 130})},
                                 {restype::kCTSS, 130, "", EncodeLanguageStrings({{1, "Potted Fern", ""}})}});
    // A writable version 1.0 wall file without a label table, as the game's tools left
    // many; reading it must not add one. Chunks: type, size with the 16-byte header, ID,
    // flags 0x0010, label number none, body.
    testing::ByteBuilder bytes;
    bytes.Text("IFF FILE 1.0:TYPE FOLLOWED BY SIZE").U8(0).Text(" KOREL VANSTRAT & MAXIS 1996").U8(0);
    auto chunk = [&bytes](const char* type, uint16_t id, const std::vector<uint8_t>& body) {
        bytes.Text(type).U32BE(16 + static_cast<uint32_t>(body.size())).U16BE(id).U16BE(0x0010);
        bytes.U32BE(0xFFFFFFFF).Append(body);
    };
    chunk("PALT", 7, EncodePalette(std::vector<PaletteEntry>(256, {1, 2, 3, 0})));
    chunk("SPR#", 1, EncodeSprHash({Opaque(2, 2)}, 7));
    chunk("STR#", 0, EncodePlainStrings({"Stripe", "12", "Sage stripes"}));
    const std::string wall = mDir.Write("stripe.wll", bytes);
    const std::string png = P(kPngOutput ? "look.png" : "look.bmp");
    for (const std::string& file : {fern, wall}) {
        const std::vector<uint8_t> before = ReadFileBytes(file);
        const std::string id = file == wall ? "1" : "300";
        for (const std::vector<std::string>& args : {std::vector<std::string>{"ls", file},
                                                     {"strings", file},
                                                     {"render", file, "-o", png},
                                                     {"sprite", file, "--id", id, "-o", png},
                                                     {"info", file, "--no-write"}}) {
            SCOPED_TRACE(::testing::PrintToString(args));
            Cli(args);
            EXPECT_EQ(ReadFileBytes(file), before);
        }
    }
    EXPECT_EQ(Cli({"sprite", wall, "--id", "1", "-o", png}).code, kExitOk);  // the wall file really was read
    EXPECT_TRUE(Has(Cli({"info", wall, "--no-write"}).out, "sprite list:\n  1 \"Far\": 1 frame (Left)\n"));
    const std::vector<uint8_t> before = ReadFileBytes(fern);
    EXPECT_EQ(Cli({"info", fern, "--json", "--no-write"}).out,
              "{\"name\": \"Potted Fern\", \"price\": \"45\", \"description\": \"\", \"objects\": ["
              "{\"id\": 128, \"label\": \"Fern\", \"guid\": \"0x00000000\", \"name\": \"Potted Fern\", \"description\": \"\", "
              "\"price\": 45, \"catalog_found\": true, \"master_id\": 0, \"sub_index\": 0, \"display_index\": 0, "
              "\"tiles\": []}], \"sprites\": [], \"draw_groups\": [], \"palettes\": []}\n");
    EXPECT_FALSE(Has(Cli({"strings", fern, "--id", "130", "--json"}).out, "\"value\": \"\""));
    // A file that cannot be opened for writing is described all the same, and left alone.
    platform::Hooks().refuseWriteOpens = true;
    const CliRun readOnly = Cli({"info", fern});
    platform::Hooks().refuseWriteOpens = false;
    EXPECT_EQ(readOnly.code, kExitOk);
    EXPECT_EQ(readOnly.err, "tambrix-cli: " + fern + ": catalog not completed: the file is read-only\n");
    EXPECT_TRUE(Has(readOnly.out, "name: Potted Fern\n"));
    EXPECT_EQ(ReadFileBytes(fern), before);
    const CliRun completed = Cli({"info", fern});
    ASSERT_EQ(completed.code, kExitOk);
    EXPECT_EQ(completed.err, "tambrix-cli: " + fern + ": catalog completed: fern.iff was changed\n");
    EXPECT_NE(ReadFileBytes(fern), before);
    EXPECT_EQ(Cli({"info", fern}).err, "");  // complete now: nothing more to say
    EXPECT_EQ(Cli({"strings", fern, "--id", "130", "--json"}).out,
              "{\"type\": \"CTSS\", \"id\": 130, \"label\": \"\", \"languages\": [{\"code\": 1, \"strings\": ["
              "{\"value\": \"Potted Fern\", \"comment\": \"\"}, {\"value\": \"\", \"comment\": \"\"}]}]}\n");
}

TEST(JsonOutput, EscapesAndCommas) {
    EXPECT_EQ(JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\n\"");
    EXPECT_EQ(JsonString(std::string("caf\xE9\x01", 5)), "\"caf\\u00e9\\u0001\"");
    // The game's set has its own characters at 0x80..0x9F; an undefined byte stays itself.
    EXPECT_EQ(JsonString("\x80 \x93x\x94 \x99 \x81"), "\"\\u20ac \\u201cx\\u201d \\u2122 \\u0081\"");
    std::ostringstream out;
    JsonWriter j(out);
    j.BeginObject().Key("a").Number(1).Key("b").BeginArray().Number(2).BeginObject().Key("c").Bool(true).EndObject();
    j.EndArray().Key("d").String("e").EndObject();
    EXPECT_EQ(out.str(), "{\"a\": 1, \"b\": [2, {\"c\": true}], \"d\": \"e\"}");
}

}  // namespace
}  // namespace tambrix::tools
