// The command line of the host: options, their defaults and the help text.
#pragma once

#include "host/HostInterface.h"

#include <cstdint>
#include <string>

enum ProgressMode { progressAuto, progressAlways, progressNever };

struct CliOptions {
    bool help = false;
    bool about = false;   // host menu: the plug-in's About box
    bool dialog = false;  // host menu: the filter with its dialog
    bool list = false;    // print the plug-in's property list
    std::string listPath;
    std::string pluginPath;  // empty: the default plug-in
    std::string maskPath;
    std::string input;
    std::string output;
    int16 amount = 10;
    RGBColor foreground = {0, 0, 0};
    RGBColor background = {65535, 65535, 65535};
    bool seedGiven = false;
    uint32_t seed = 0;
    ProgressMode progress = progressAuto;
    int32_t jpegQuality = 92;     // --quality, 1..100
    int32_t pngCompression = -1;  // --compression, 0..9; -1: the default
};

// Answers false with a one-line reason for anything it cannot accept.
bool ParseCliOptions(int argc, char** argv, CliOptions* options, std::string* error);

// Parses a whole decimal number in [low, high]; no other text allowed.
bool ParseWholeNumber(const std::string& text, int64_t low, int64_t high, int64_t* value);

// The --help text for the given program name.
std::string HelpText(const char* program);
