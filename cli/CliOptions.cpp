#include "cli/CliOptions.h"

#include "cli/ColorText.h"
#include "cli/Seeds.h"
#include "testhost/Failure.h"
#include "testhost/HostProfiles.h"

#include <cctype>
#include <vector>

namespace {

// Options that take a value, in the form "--name VALUE" or "--name=VALUE".
bool TakesValue(const std::string& name) {
    return name == "--amount" || name == "--fg" || name == "--bg" || name == "--mask" ||
           name == "--seed" || name == "--plugin" || name == "--list" || name == "-o" ||
           name == "--output-dir" || name == "--format" || name == "--host-profile" ||
           name == "--quality" || name == "--compression";
}

bool ApplyValue(const std::string& name, const std::string& value, CliOptions* options,
                std::string* error) {
    if (value.empty()) return Fail(error, name + " needs a value");
    if (name == "--amount") {
        int64_t amount;
        if (!ParseWholeNumber(value, -32768, 32767, &amount))
            return Fail(error,
                        "--amount needs a whole number from -32768 to 32767, not '" + value + "'");
        options->amount = int16(amount);
    } else if (name == "--fg" || name == "--bg") {
        RGBColor colour;
        if (!ParseColor(value, &colour))
            return Fail(error, name +
                                   " needs a colour such as #rrggbb, #rrrrggggbbbb or a name "
                                   "(black, white, red, ...), not '" +
                                   value + "'");
        (name == "--fg" ? options->foreground : options->background) = colour;
    } else if (name == "--mask") {
        options->maskPath = value;
    } else if (name == "--seed") {
        int64_t seed;
        if (!ParseWholeNumber(value, 0, maxSeed, &seed))
            return Fail(error, "--seed needs a whole number from 0 to " + std::to_string(maxSeed) +
                                   ", not '" + value + "'");
        options->seed = uint32_t(seed);
        options->seedGiven = true;
    } else if (name == "--quality") {
        int64_t quality;
        if (!ParseWholeNumber(value, 1, 100, &quality))
            return Fail(error, "--quality needs a whole number from 1 to 100, not '" + value + "'");
        options->jpegQuality = int32_t(quality);
    } else if (name == "--compression") {
        int64_t level;
        if (!ParseWholeNumber(value, 0, 9, &level))
            return Fail(error,
                        "--compression needs a whole number from 0 to 9, not '" + value + "'");
        options->pngCompression = int32_t(level);
    } else if (name == "--plugin") {
        options->pluginPath = value;
    } else if (name == "--list") {
        options->list = true;
        options->listPath = value;
    } else if (name == "--host-profile") {
        HostSettings scratch;
        std::string why;
        if (!ApplyHostProfiles(value, &scratch, &why)) return Fail(error, "--host-profile: " + why);
        options->hostProfile = value;
    } else if (name == "-o" || name == "--output-dir") {
        options->outputDir = value;
    } else if (name == "--format") {
        options->format = value[0] == '.' ? value.substr(1) : value;
        if (options->format.empty() || options->format.find_first_of("/\\") != std::string::npos)
            return Fail(error, "--format needs an extension such as png, not '" + value + "'");
    }
    return true;
}

}  // namespace

bool ParseWholeNumber(const std::string& text, int64_t low, int64_t high, int64_t* value) {
    size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    if (at == text.size() || text.size() - at > 12) return false;
    int64_t magnitude = 0;
    for (; at < text.size(); ++at) {
        if (!isdigit(static_cast<unsigned char>(text[at]))) return false;
        magnitude = magnitude * 10 + (text[at] - '0');
    }
    const int64_t result = negative ? -magnitude : magnitude;
    if (result < low || result > high) return false;
    *value = result;
    return true;
}

bool ParseCliOptions(int argc, char** argv, CliOptions* options, std::string* error) {
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = argument, value;
        const size_t equals = argument.find('=');
        const bool inlineValue = argument.compare(0, 2, "--") == 0 && equals != std::string::npos;
        if (inlineValue) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (TakesValue(name)) {
            if (!inlineValue) {
                if (i + 1 >= argc) return Fail(error, name + " needs a value");
                value = argv[++i];
            }
            if (!ApplyValue(name, value, options, error)) return false;
            continue;
        }
        if (inlineValue) return Fail(error, name + " takes no value");
        if (name == "--help" || name == "-h") {
            options->help = true;
        } else if (name == "--version") {
            options->version = true;
        } else if (name == "--about") {
            options->about = true;
        } else if (name == "--dialog") {
            options->dialog = true;
        } else if (name == "--progress") {
            options->progress = progressAlways;
        } else if (name == "--no-progress") {
            options->progress = progressNever;
        } else {
            return Fail(error, "unknown option " + name + " (see --help)");
        }
    }
    if (options->help || options->version) return true;
    if (options->list || options->about) {
        if (!positional.empty()) return Fail(error, "unexpected argument " + positional[0]);
        if (options->list && options->about)
            return Fail(error, "--list and --about exclude each other");
        return true;
    }
    if (!options->outputDir.empty()) {
        if (positional.empty())
            return Fail(error, "INPUT... are needed before -o DIR (see --help)");
        options->inputs = positional;
        return true;
    }
    if (positional.size() != 2)
        return Fail(error, positional.size() < 2
                               ? "INPUT.png and OUTPUT.png are needed (see --help)"
                               : "unexpected argument " + positional[2]);
    options->input = positional[0];
    options->output = positional[1];
    return true;
}
