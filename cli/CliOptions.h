// The command line of the host: options, their defaults and the help text.
#pragma once

#include "entry/DefaultAmount.h"
#include "host/HostInterface.h"

#include <cstdint>
#include <string>
#include <vector>

enum ProgressMode { progressAuto, progressAlways, progressNever };

struct CliOptions {
    bool help = false;
    bool version = false;  // --version: the program and its version, nothing else
    bool about = false;    // host menu: the plug-in's About box
    bool dialog = false;   // host menu: the filter with its dialog
    bool list = false;     // print the plug-in's property list
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
    RGBColor foreground = {0, 0, 0};
    RGBColor background = {65535, 65535, 65535};
    bool seedGiven = false;
    uint32_t seed = 0;
    ProgressMode progress = progressAuto;
    std::string hostProfile;      // empty: Photoshop-like (testhost/HostProfiles.h)
    int32_t jpegQuality = 92;     // --quality, 1..100
    int32_t pngCompression = -1;  // --compression, 0..9; -1: the default
};

// Answers false with a one-line reason for anything it cannot accept.
bool ParseCliOptions(int argc, char** argv, CliOptions* options, std::string* error);

// Parses a whole decimal number in [low, high]; no other text allowed.
bool ParseWholeNumber(const std::string& text, int64_t low, int64_t high, int64_t* value);

// The --help text for the given program name.
std::string HelpText(const char* program);
