// The command line: options, colours and numbers.
#include "cli/CliOptions.h"
#include "cli/ColorText.h"
#include "cli/ResultText.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool Parse(std::vector<std::string> words, CliOptions* options, std::string* error,
           CliProgram program = programVorn) {
    words.insert(words.begin(), "vorn");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    return ParseCliOptions(int(argv.size()), argv.data(), options, error, program);
}

TEST(CliColours, HexAndNamesBecomeSixteenBitComponents) {
    RGBColor c;
    ASSERT_TRUE(ParseColor("#ff8000", &c));
    EXPECT_EQ(c.red, 65535);
    EXPECT_EQ(c.green, 0x80 * 257);
    EXPECT_EQ(c.blue, 0);
    ASSERT_TRUE(ParseColor("#0A0b0C", &c));
    EXPECT_EQ(c.red, 10 * 257);
    EXPECT_EQ(c.green, 11 * 257);
    EXPECT_EQ(c.blue, 12 * 257);
    ASSERT_TRUE(ParseColor("#123456789abc", &c));
    EXPECT_EQ(c.red, 0x1234);
    EXPECT_EQ(c.green, 0x5678);
    EXPECT_EQ(c.blue, 0x9ABC);
    ASSERT_TRUE(ParseColor("White", &c));
    EXPECT_EQ(c.red, 65535);
    EXPECT_EQ(c.blue, 65535);
    ASSERT_TRUE(ParseColor("black", &c));
    EXPECT_EQ(c.green, 0);
    ASSERT_TRUE(ParseColor("grey", &c));
    EXPECT_EQ(c.red, 128 * 257);
    ASSERT_TRUE(ParseColor("MAGENTA", &c));
    EXPECT_EQ(c.green, 0);
    EXPECT_EQ(c.blue, 65535);
    for (const char* bad : {"", "#", "#12345", "#1234567", "#gg0000", "ff0000", "purpel",
                            "#12345678", "# 12345", "rgb(256,0,0)", "rgb(1,2)", "rgb(1,2,3,4)",
                            "rgb(-1,0,0)", "rgb(1,2,3", "rgb 1,2,3", "rgb(1.5,2,3)"}) {
        EXPECT_FALSE(ParseColor(bad, &c)) << bad;
    }
}

// As CSS writes colours: every CSS/X11 name in any case, #rgb, rgb().
TEST(CliColours, CssNamesShortHexAndRgb) {
    struct Case {
        const char* text;
        int red, green, blue;  // 8-bit
    };
    const Case cases[] = {
        {"navy", 0, 0, 128},
        {"rebeccapurple", 102, 51, 153},
        {"LightGoldenrodYellow", 250, 250, 210},
        {"purple", 128, 0, 128},
        {"Gray", 128, 128, 128},
        {"darkslategrey", 47, 79, 79},
        {"#234", 0x22, 0x33, 0x44},
        {"#FFF", 255, 255, 255},
        {"rgb(10,20,30)", 10, 20, 30},
        {"rgb( 0 , 128 , 255 )", 0, 128, 255},
        {"RGB(255,255,255)", 255, 255, 255},
    };
    for (const Case& c : cases) {
        RGBColor colour;
        ASSERT_TRUE(ParseColor(c.text, &colour)) << c.text;
        EXPECT_EQ(colour.red, c.red * 257) << c.text;
        EXPECT_EQ(colour.green, c.green * 257) << c.text;
        EXPECT_EQ(colour.blue, c.blue * 257) << c.text;
    }
}

TEST(CliColours, GrayValueUsesLumaWeights) {
    EXPECT_EQ(GrayOf(RGBColor{65535, 65535, 65535}).red, 65535);
    EXPECT_EQ(GrayOf(RGBColor{0, 0, 0}).green, 0);
    EXPECT_EQ(GrayOf(RGBColor{1000, 1000, 1000}).blue, 1000);
    const RGBColor red = GrayOf(RGBColor{65535, 0, 0});
    EXPECT_EQ(red.red, 19595);  // 0.299 x 65535, rounded
    EXPECT_EQ(red.green, red.red);
    EXPECT_EQ(GrayOf(RGBColor{0, 65535, 0}).red, 38469);
    EXPECT_EQ(GrayOf(RGBColor{0, 0, 65535}).red, 7471);
}

TEST(CliOptions, DefaultsAndEveryOption) {
    CliOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"in.png", "out.png"}, &options, &error)) << error;
    EXPECT_EQ(options.input, "in.png");
    EXPECT_EQ(options.output, "out.png");
    EXPECT_EQ(options.amount, 10);
    EXPECT_EQ(options.foreground.red, 0);
    EXPECT_EQ(options.background.red, 65535);
    EXPECT_FALSE(options.seedGiven);
    EXPECT_EQ(options.progress, progressAuto);
    EXPECT_FALSE(options.dialog);

    CliOptions all;
    ASSERT_TRUE(Parse(
        {"--amount", "25", "--fg=#010203", "--bg", "red", "--mask", "m.png", "--seed=2147483647",
         "--progress", "--plugin", "P.8bf", "--dialog", "a.png", "--", "-b.png"},
        &all, &error, programVornhost))
        << error;
    EXPECT_EQ(all.amount, 25);
    EXPECT_EQ(all.foreground.blue, 3 * 257);
    EXPECT_EQ(all.background.red, 65535);
    EXPECT_EQ(all.background.green, 0);
    EXPECT_EQ(all.maskPath, "m.png");
    EXPECT_TRUE(all.seedGiven);
    EXPECT_EQ(all.seed, 2147483647u);
    EXPECT_EQ(all.progress, progressAlways);
    EXPECT_EQ(all.pluginPath, "P.8bf");
    EXPECT_TRUE(all.dialog);
    EXPECT_EQ(all.input, "a.png");
    EXPECT_EQ(all.output, "-b.png");

    CliOptions several;
    ASSERT_TRUE(Parse({"a.png", "-o", "out", "b/c.png", "--format=.PNG", "-"}, &several, &error))
        << error;
    EXPECT_EQ(several.inputs, std::vector<std::string>({"a.png", "b/c.png", "-"}));
    EXPECT_EQ(several.outputDir, "out");
    EXPECT_EQ(several.format, "PNG");
    EXPECT_TRUE(several.input.empty());
    CliOptions one;
    ASSERT_TRUE(Parse({"--output-dir", "out", "a.png"}, &one, &error)) << error;
    EXPECT_EQ(one.inputs, std::vector<std::string>({"a.png"}));
    EXPECT_TRUE(one.format.empty());

    CliOptions quiet;
    ASSERT_TRUE(Parse({"--no-progress", "--amount=-3", "x", "y"}, &quiet, &error)) << error;
    EXPECT_EQ(quiet.progress, progressNever);
    EXPECT_EQ(quiet.amount, -3);  // the plug-in decides about it

    CliOptions list;
    ASSERT_TRUE(Parse({"--list", "V.8bf"}, &list, &error, programVornhost)) << error;
    EXPECT_TRUE(list.list);
    EXPECT_EQ(list.listPath, "V.8bf");
    CliOptions about;
    ASSERT_TRUE(Parse({"--about"}, &about, &error, programVornhost)) << error;
    EXPECT_TRUE(about.about);
    CliOptions help;
    ASSERT_TRUE(Parse({"-h"}, &help, &error)) << error;
    EXPECT_TRUE(help.help);
    CliOptions version;
    ASSERT_TRUE(Parse({"--version"}, &version, &error)) << error;
    EXPECT_TRUE(version.version);
    EXPECT_FALSE(version.help);
    CliOptions versionValue;
    EXPECT_FALSE(Parse({"--version=2"}, &versionValue, &error));
}

TEST(CliOptions, RefusalsNameTheProblem) {
    struct Case {
        std::vector<std::string> words;
        const char* expected;
    };
    const Case cases[] = {
        {{"in.png"}, "OUTPUT is missing after in.png"},
        {{"a", "b", "c"}, "3 files given: to filter several files into a folder, use -o DIR"},
        {{"--amount", "40000", "a", "b"}, "--amount needs a whole number"},
        {{"--amount", "ten", "a", "b"}, "--amount needs a whole number"},
        {{"--amount", "5x", "a", "b"}, "--amount needs a whole number"},
        {{"a", "b", "--amount"}, "--amount needs a value"},
        {{"--amount=", "a", "b"}, "--amount needs a value"},
        {{"--fg", "purpel", "a", "b"}, "--fg needs a colour"},
        {{"--scale", "0", "a", "b"}, "--scale needs a whole number from 1 to 256"},
        {{"--amout", "3", "a", "b"}, "unknown option --amout; did you mean --amount?"},
        {{"--plugin", "x.8bf", "a", "b"}, "--plugin is an option of vornhost.exe"},
        {{"--bg", "#12", "a", "b"}, "--bg needs a colour"},
        {{"--seed", "-1", "a", "b"}, "--seed needs a whole number"},
        {{"--seed", "2147483648", "a", "b"}, "--seed needs a whole number from 0 to 2147483647"},
        {{"-o", "out"}, "INPUT... are needed before -o DIR"},
        {{"--format", "", "a", "-o", "d"}, "--format needs a value"},
        {{"--format", "x/y", "a", "-o", "d"}, "--format needs an extension"},
        {{"a", "b", "-o"}, "-o needs a value"},
        {{"--frobnicate", "a", "b"}, "unknown option --frobnicate"},
        {{"--progress=yes", "a", "b"}, "--progress takes no value"},
        {{"--list", "x.8bf"}, "--list is an option of vornhost.exe"},
    };
    for (const Case& c : cases) {
        CliOptions options;
        std::string error;
        EXPECT_FALSE(Parse(c.words, &options, &error)) << c.expected;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

TEST(CliOptions, WholeNumbersAreStrict) {
    int64_t value = 0;
    EXPECT_TRUE(ParseWholeNumber("0", 0, 5, &value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(ParseWholeNumber("+5", 0, 5, &value));
    EXPECT_EQ(value, 5);
    EXPECT_TRUE(ParseWholeNumber("-32768", -32768, 32767, &value));
    EXPECT_EQ(value, -32768);
    EXPECT_FALSE(ParseWholeNumber("6", 0, 5, &value));
    EXPECT_FALSE(ParseWholeNumber("", 0, 5, &value));
    EXPECT_FALSE(ParseWholeNumber("-", 0, 5, &value));
    EXPECT_FALSE(ParseWholeNumber(" 1", 0, 5, &value));
    EXPECT_FALSE(ParseWholeNumber("1.0", 0, 5, &value));
    EXPECT_FALSE(ParseWholeNumber("99999999999999999999", 0, 5, &value));
}

TEST(CliOptions, QualityAndCompressionForTheOutputFormats) {
    CliOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"in.png", "out.jpg"}, &options, &error)) << error;
    EXPECT_EQ(options.jpegQuality, 92);
    EXPECT_EQ(options.pngCompression, -1);
    ASSERT_TRUE(
        Parse({"--quality", "1", "--compression=9", "in.png", "out.jpg"}, &options, &error));
    EXPECT_EQ(options.jpegQuality, 1);
    EXPECT_EQ(options.pngCompression, 9);
    ASSERT_TRUE(
        Parse({"--quality=100", "--compression", "0", "in.png", "out.png"}, &options, &error));
    EXPECT_EQ(options.jpegQuality, 100);
    EXPECT_EQ(options.pngCompression, 0);
    for (const char* bad : {"0", "101", "-5", "9x", ""}) {
        CliOptions fresh;
        EXPECT_FALSE(Parse({"--quality", bad, "in.png", "out.jpg"}, &fresh, &error)) << bad;
        EXPECT_NE(error.find("--quality"), std::string::npos) << error;
    }
    for (const char* bad : {"-1", "10", "fast"}) {
        CliOptions fresh;
        EXPECT_FALSE(Parse({"--compression", bad, "in.png", "out.png"}, &fresh, &error)) << bad;
        EXPECT_NE(error.find("--compression"), std::string::npos) << error;
    }
}

TEST(CliOptions, HelpDocumentsEveryOptionOfItsProgram) {
    const std::string help = HelpText(programVorn);
    for (const char* option :
         {"--amount",      "--scale",       "--fg",      "--bg",       "--mask",    "--seed",
          "--progress",    "--no-progress", "--verbose", "--help",     "--version", "--quality",
          "--compression", "--format",      "-o",        "jpg",        "tif",       "#rrggbb",
          "#rrrrggggbbbb", "rgb(r,g,b)",    "Examples:", "Exit status"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    for (const char* other : {"--plugin", "--list", "--dialog", "--about"})
        EXPECT_EQ(help.find(other), std::string::npos) << other;
    EXPECT_EQ(help.find("Usage: vorn "), 0u);
    const std::string host = HelpText(programVornhost);
    for (const char* option : {"--plugin", "--list", "--dialog", "--about", "--host-profile",
                               "--amount", "--scale", "--seed", "--mask", "Examples:"})
        EXPECT_NE(host.find(option), std::string::npos) << option;
    // vornhost reads through Windows' codecs: no libvips formats.
    EXPECT_EQ(host.find("webp"), std::string::npos);
    EXPECT_EQ(host.find("--mask alpha"), std::string::npos);
    EXPECT_EQ(host.find("Usage: vornhost "), 0u);
    for (const std::string* text : {&help, &host}) {
        size_t lines = 0, start = 0;
        for (size_t end; (end = text->find('\n', start)) != std::string::npos; start = end + 1) {
            EXPECT_LE(end - start, 80u) << text->substr(start, end - start);
            ++lines;
        }
        EXPECT_LT(lines, 60u);
    }
}

TEST(CliOptions, NearestOptionOfItsOwnProgram) {
    EXPECT_EQ(NearestOption("--amout", programVorn), "--amount");
    EXPECT_EQ(NearestOption("--colour", programVorn), "");
    EXPECT_EQ(NearestOption("--seeds", programVorn), "--seed");
    EXPECT_EQ(NearestOption("--plugn", programVornhost), "--plugin");
}

TEST(CliOptions, HostProfileByNameOrNames) {
    CliOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--host-profile", "colour-bytes,no-handles", "a.png", "b.png"}, &options,
                      &error, programVornhost))
        << error;
    EXPECT_EQ(options.hostProfile, "colour-bytes,no-handles");
    CliOptions unknown;
    EXPECT_FALSE(
        Parse({"--host-profile=gimp", "a.png", "b.png"}, &unknown, &error, programVornhost));
    EXPECT_NE(error.find("--host-profile: no host profile 'gimp'"), std::string::npos) << error;
    EXPECT_NE(HelpText(programVornhost).find("--host-profile NAME"), std::string::npos);
    EXPECT_NE(HelpText(programVornhost).find("whole-filter-rect"), std::string::npos);
}

TEST(CliOptions, ResultCodesInPlainWords) {
    EXPECT_EQ(ResultText(memFullErr, 10), "the plug-in ran out of memory (result -108)");
    EXPECT_EQ(ResultText(filterBadParameters, -4),
              "--amount -4 is refused: Amount is the corridor width in pixels, 0 or more (default "
              "10) (result -30100)");
    EXPECT_EQ(ResultText(-1, 10), "the plug-in failed with result code -1");
    EXPECT_NE(ResultText(errPlugInHostInsufficient, 10).find("-30900"), std::string::npos);
}

}  // namespace
