// The command line of the hosts: options, their defaults and the help text.
#pragma once

#include "cli/image/ImageCodec.h"
#include "entry/DefaultAmount.h"
#include "host/HostInterface.h"

#include <cstdint>
#include <string>
#include <vector>

enum ProgressMode { progressAuto, progressAlways, progressNever };

// Which of the two hosts reads the command line: vorn has the filter built
// in; vornhost loads a .8bf and has the options that go with that.
enum CliProgram { programVorn, programVornhost };

// Defaults, printed by the help from here.
const int32_t defaultScale = 1;
const int32_t maxScale = 256;
// Unless asked for, the progress line appears only once a run has lasted
// this long (seconds): a quick run would only flash it by.
const double autoProgressDelay = 0.5;

struct CliOptions {
    bool help = false;
    bool version = false;   // --version: the program and its version, nothing else
    bool verbose = false;   // a line for each file written, with its seed and time
    int closedStreams = 0;  // standard streams closed at start: bit 0 input, bit 1 output
    bool about = false;     // host menu: the plug-in's About box
    bool dialog = false;    // host menu: the filter with its dialog
    bool list = false;      // print the plug-in's property list
    std::string listPath;
    std::string pluginPath;  // empty: the default plug-in
    std::string maskPath;
    std::string input;
    std::string output;
    // Several files at once: INPUT... -o DIR [--format EXT]; inputs then
    // holds every INPUT (input and output stay empty).
    std::vector<std::string> inputs;
    std::string outputDir;
    std::string format;  // without the dot; empty: each input's own extension
    int16 amount = VORN_DEFAULT_AMOUNT;
    int32_t scale = defaultScale;  // labyrinth cells of scale x scale pixels
    RGBColor foreground = {0, 0, 0};
    RGBColor background = {65535, 65535, 65535};
    // The seed of the run: given with --seed, or drawn before the run
    // (seedDrawn) so that it can be reported and the result made again.
    bool seedGiven = false;
    bool seedDrawn = false;
    uint32_t seed = 0;
    ProgressMode progress = progressAuto;
    std::string hostProfile;               // empty: Photoshop-like (testhost/HostProfiles.h)
    int32_t jpegQuality = defaultQuality;  // --quality, 1..100
    int32_t pngCompression = -1;           // --compression, 0..9; -1: the default
};

// Answers false with a one-line reason for anything it cannot accept.
// Options that only the other program has are refused with a word on
// where they belong; an unknown option gets the nearest known one
// suggested.
bool ParseCliOptions(int argc, char** argv, CliOptions* options, std::string* error,
                     CliProgram program = programVorn);

// Parses a whole decimal number in [low, high]; no other text allowed.
bool ParseWholeNumber(const std::string& text, int64_t low, int64_t high, int64_t* value);

// The known option nearest to an unknown one (a few typing slips away),
// or empty.
std::string NearestOption(const std::string& unknown, CliProgram program);

// The --help and --version texts of each program.
std::string HelpText(CliProgram program);
std::string VersionText(CliProgram program);
