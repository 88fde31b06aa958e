#include "cli/CliOptions.h"

#include "cli/ColorText.h"
#include "cli/PathText.h"
#include "cli/Seeds.h"
#include "testhost/Failure.h"
#include "testhost/HostProfiles.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// Every option, whether it takes a value, and which programs have it.
enum OptionHosts { bothHosts, vornOnly, vornhostOnly };
struct OptionInfo {
    const char* name;
    bool takesValue;
    OptionHosts hosts;
};

const OptionInfo knownOptions[] = {
    {"--amount", true, bothHosts},
    {"--scale", true, bothHosts},
    {"--fg", true, bothHosts},
    {"--bg", true, bothHosts},
    {"--seed", true, bothHosts},
    {"--mask", true, bothHosts},
    {"-o", true, bothHosts},
    {"--output-dir", true, bothHosts},
    {"--format", true, bothHosts},
    {"--quality", true, bothHosts},
    {"--compression", true, bothHosts},
    {"--progress", false, bothHosts},
    {"--no-progress", false, bothHosts},
    {"--verbose", false, bothHosts},
    {"-h", false, bothHosts},
    {"--help", false, bothHosts},
    {"--version", false, bothHosts},
    {"--plugin", true, vornhostOnly},
    {"--list", true, vornhostOnly},
    {"--dialog", false, vornhostOnly},
    {"--about", false, vornhostOnly},
    {"--host-profile", true, bothHosts},
};

const OptionInfo* FindOption(const std::string& name) {
    for (const OptionInfo& option : knownOptions) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

bool ProgramHas(const OptionInfo& option, CliProgram program) {
    if (option.hosts == vornOnly) return program == programVorn;
    if (option.hosts == vornhostOnly) return program == programVornhost;
    return true;
}

// Why the other program's option is not taken here, and where it belongs.
std::string BelongsElsewhere(const std::string& name, CliProgram program) {
    if (program == programVorn)
        return name +
               " is an option of vornhost.exe, which loads a filter .8bf under Wine; "
               "vorn has the filter built in";
    return name + " is an option of vorn: vornhost writes PNG files only";
}

// Edits (insert, delete, replace, swap two neighbours) from a to b.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t replace = d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, replace});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

const char* ProgramWord(CliProgram program) { return program == programVorn ? "vorn" : "vornhost"; }

std::string NeedsWholeNumber(const std::string& name, int64_t low, int64_t high,
                             const std::string& value) {
    return name + " needs a whole number from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not " + QuoteText(value);
}

bool ApplyValue(const std::string& name, const std::string& value, CliOptions* options,
                std::string* error) {
    if (value.empty()) return Fail(error, name + " needs a value");
    int64_t number = 0;
    if (name == "--amount") {
        if (!ParseWholeNumber(value, -32768, 32767, &number))
            return Fail(error, NeedsWholeNumber(name, -32768, 32767, value) +
                                   " (the corridor width in pixels)");
        options->amount = int16(number);
    } else if (name == "--scale") {
        if (!ParseWholeNumber(value, 1, maxScale, &number))
            return Fail(error, NeedsWholeNumber(name, 1, maxScale, value));
        options->scale = int32_t(number);
    } else if (name == "--fg" || name == "--bg") {
        RGBColor colour;
        if (!ParseColor(value, &colour))
            return Fail(error, name +
                                   " needs a colour such as navy, #234, #223344 or "
                                   "rgb(34,51,68), not " +
                                   QuoteText(value));
        (name == "--fg" ? options->foreground : options->background) = colour;
    } else if (name == "--mask") {
        options->maskPath = value;
    } else if (name == "--seed") {
        if (!ParseWholeNumber(value, 0, maxSeed, &number))
            return Fail(error, NeedsWholeNumber(name, 0, maxSeed, value));
        options->seed = uint32_t(number);
        options->seedGiven = true;
    } else if (name == "--quality") {
        if (!ParseWholeNumber(value, 1, 100, &number))
            return Fail(error, NeedsWholeNumber(name, 1, 100, value));
        options->jpegQuality = int32_t(number);
    } else if (name == "--compression") {
        if (!ParseWholeNumber(value, 0, 9, &number))
            return Fail(error, NeedsWholeNumber(name, 0, 9, value));
        options->pngCompression = int32_t(number);
    } else if (name == "--plugin") {
        options->pluginPath = value;
    } else if (name == "--list") {
        options->list = true;
        options->listPath = value;
    } else if (name == "--host-profile") {
        HostSettings scratch;
        std::string why;
        if (!ApplyHostProfiles(value, &scratch, &why))
            return Fail(error, "--host-profile: " + EscapeControls(why));
        options->hostProfile = value;
    } else if (name == "-o" || name == "--output-dir") {
        options->outputDir = value;
    } else if (name == "--format") {
        options->format = value[0] == '.' ? value.substr(1) : value;
        if (options->format.empty() || options->format.find_first_of("/\\") != std::string::npos)
            return Fail(error, "--format needs an extension such as png, not " + QuoteText(value));
    }
    return true;
}

bool ApplyFlag(const std::string& name, CliOptions* options) {
    if (name == "--help" || name == "-h") {
        options->help = true;
    } else if (name == "--version") {
        options->version = true;
    } else if (name == "--verbose") {
        options->verbose = true;
    } else if (name == "--about") {
        options->about = true;
    } else if (name == "--dialog") {
        options->dialog = true;
    } else if (name == "--progress") {
        options->progress = progressAlways;
    } else if (name == "--no-progress") {
        options->progress = progressNever;
    } else {
        return false;
    }
    return true;
}

std::string UnknownOption(const std::string& name, CliProgram program) {
    const std::string nearest = NearestOption(name, program);
    std::string text = "unknown option " + QuotePath(name);
    if (!nearest.empty()) return text + "; did you mean " + nearest + "? (see --help)";
    return text + " (see --help)";
}

// Positional arguments when there is no -o: exactly INPUT and OUTPUT.
bool TakeInputAndOutput(const std::vector<std::string>& positional, CliProgram program,
                        CliOptions* options, std::string* error) {
    if (positional.empty())
        return Fail(error, std::string("INPUT and OUTPUT are needed: ") + ProgramWord(program) +
                               " INPUT OUTPUT (see --help)");
    if (positional.size() == 1)
        return Fail(error, "OUTPUT is missing after " + QuotePath(positional[0]) +
                               ": name the file to write (see --help)");
    if (positional.size() > 2)
        return Fail(error, std::to_string(positional.size()) +
                               " files given: to filter several files into a folder, use -o DIR "
                               "(one INPUT and one OUTPUT otherwise)");
    options->input = positional[0];
    options->output = positional[1];
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

std::string NearestOption(const std::string& unknown, CliProgram program) {
    // "-amount" and "amount" slips count like any other: the distance is
    // taken on the whole text, dashes included.
    std::string best;
    size_t bestDistance = 0;
    for (const OptionInfo& option : knownOptions) {
        if (!ProgramHas(option, program)) continue;
        const std::string name = option.name;
        if (name.size() < 3) continue;  // -o and -h: too short to guess at
        const size_t distance = EditDistance(unknown, name);
        // A prefix of one option alone ("--amo") is an abbreviation.
        const bool prefix = unknown.size() >= 4 && name.compare(0, unknown.size(), unknown) == 0;
        const size_t allowed = name.size() <= 6 ? 1 : 2;
        if ((distance <= allowed || prefix) && (best.empty() || distance < bestDistance)) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

bool ParseCliOptions(int argc, char** argv, CliOptions* options, std::string* error,
                     CliProgram program) {
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
        const OptionInfo* option = FindOption(name);
        if (option == nullptr) return Fail(error, UnknownOption(name, program));
        if (!ProgramHas(*option, program)) return Fail(error, BelongsElsewhere(name, program));
        if (option->takesValue) {
            if (!inlineValue) {
                if (i + 1 >= argc) return Fail(error, name + " needs a value");
                value = argv[++i];
            }
            if (!ApplyValue(name, value, options, error)) return false;
            continue;
        }
        if (inlineValue) return Fail(error, name + " takes no value");
        ApplyFlag(name, options);
    }
    if (options->help || options->version) return true;
    if (options->list || options->about) {
        if (!positional.empty())
            return Fail(error, "unexpected argument " + QuotePath(positional[0]));
        if (options->list && options->about)
            return Fail(error, "--list and --about exclude each other");
        return true;
    }
    if (!options->outputDir.empty()) {
        if (positional.empty())
            return Fail(error, std::string("INPUT... are needed before -o DIR: ") +
                                   ProgramWord(program) + " INPUT... -o DIR (see --help)");
        options->inputs = positional;
        return true;
    }
    return TakeInputAndOutput(positional, program, options, error);
}
