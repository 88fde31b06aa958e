// Several files at once: INPUT... -o DIR [--format EXT].
#include "cli/SeveralFiles.h"

#include "cli/CliOptions.h"
#include "cli/CliPlatform.h"
#include "cli/FilterRun.h"
#include "cli/PathText.h"
#include "cli/Report.h"
#include "cli/Seeds.h"
#include "cli/image/ImageCodec.h"

#include <cstring>
#include <vector>

namespace {

// Where INPUT goes in DIR: its own name, with the extension of --format
// when that is given.
std::string OutputNameFor(const CliOptions& options, const std::string& input) {
    const size_t separator = input.find_last_of(pathSeparators);
    std::string name = separator == std::string::npos ? input : input.substr(separator + 1);
    if (!options.format.empty()) {
        const size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && dot > 0) name.resize(dot);
        name += "." + options.format;
    }
    const std::string& folder = options.outputDir;
    const bool ended = strchr(pathSeparators, folder.back()) != nullptr;
    return folder + (ended ? "" : "/") + name;
}

// Every output's name, or a reason (exit status 2) why they cannot all be
// written: no name for standard input, two inputs landing on one name.
bool OutputNames(const CliOptions& options, std::vector<std::string>* outputs, std::string* error) {
    for (const std::string& input : options.inputs) {
        if (input == "-") {
            *error = "- (standard input) has no name to write under in " +
                     QuotePath(options.outputDir) + "; give one INPUT and OUTPUT";
            return false;
        }
        const std::string output = OutputNameFor(options, input);
        for (size_t i = 0; i < outputs->size(); ++i) {
            if ((*outputs)[i] == output) {
                *error = QuotePath(options.inputs[i]) + " and " + QuotePath(input) +
                         " would both be written to " + QuotePath(output);
                return false;
            }
        }
        outputs->push_back(output);
    }
    // A file written before a later one is read would feed that one the
    // result instead of the picture; each file's own input and the mask
    // are refused file by file, when that file comes.
    for (size_t i = 0; i < outputs->size(); ++i) {
        for (size_t j = i + 1; j < options.inputs.size(); ++j) {
            if (ReadFileIsWritten(options.inputs[j], (*outputs)[i])) {
                *error = QuotePath((*outputs)[i]) + ", the output of " +
                         QuotePath(options.inputs[i]) + ", is the input " +
                         QuotePath(options.inputs[j]) +
                         "; no file is overwritten before it is read, choose another DIR";
                return false;
            }
        }
    }
    return true;
}

// DIR, made when it does not exist yet (one level: its parent must exist).
bool MakeOutputFolder(const std::string& folder, std::string* error) {
    if (IsFolder(folder)) return true;
    std::string reason;
    if (MakeFolder(folder, &reason)) return true;
    *error = "cannot make the folder " + QuotePath(folder) + " for -o: " + reason +
             " (its parent folder must exist)";
    return false;
}

}  // namespace

int FilterSeveralFiles(const CliOptions& options) {
    ImageFormat format;
    std::string error;
    if (!options.format.empty() && !OutputFormatFor("." + options.format, &format, &error))
        return ReportError("--format " + QuotePath(options.format) + ": " + error, exitUsage);
    std::vector<std::string> outputs;
    if (!OutputNames(options, &outputs, &error)) return ReportError(error, exitUsage);
    if (!MakeOutputFolder(options.outputDir, &error)) return ReportError(error);

    InstallInterruptHandler();
    const size_t count = options.inputs.size();
    size_t written = 0;
    std::vector<std::string> failed;
    bool interrupted = false;
    for (size_t i = 0; i < count && !InterruptRequested(); ++i) {
        CliOptions fileOptions = options;
        fileOptions.seed = FileSeed(options.seed, uint32_t(i));
        const std::string label = "[" + std::to_string(i + 1) + "/" + std::to_string(count) + "] " +
                                  QuotePath(options.inputs[i]);
        const int status = FilterImage(fileOptions, options.inputs[i], outputs[i], label);
        if (status == exitSuccess) {
            ++written;
        } else if (status == exitCancelled) {
            interrupted = true;
        } else {
            failed.push_back(QuotePath(options.inputs[i]));
        }
    }
    interrupted = interrupted || InterruptRequested();

    std::string summary = std::to_string(written) + " of " + std::to_string(count) +
                          (count == 1 ? " file" : " files") + " written";
    if (!failed.empty()) {
        summary += ", " + std::to_string(failed.size()) + " failed:";
        for (const std::string& name : failed) summary += " " + name;
    }
    if (interrupted)
        summary +=
            "; interrupted, " + std::to_string(count - written - failed.size()) + " not written";
    if (options.seedDrawn && count > 1 && written > 0)
        summary += "; seeds from " + std::to_string(options.seed) + " (--seed " +
                   std::to_string(options.seed) + " makes them again)";
    ReportNote(summary);
    if (interrupted) return exitCancelled;
    return failed.empty() ? exitSuccess : exitFailure;
}
