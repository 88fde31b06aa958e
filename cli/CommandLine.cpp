#include "cli/CommandLine.h"

#include "cli/CliOptions.h"
#include "cli/CliPlatform.h"
#include "cli/ColorText.h"
#include "cli/FileIo.h"
#include "cli/FilterEntry.h"
#include "cli/HostMenu.h"
#include "cli/ImageTransfer.h"
#include "cli/PluginList.h"
#include "cli/PngRead.h"
#include "cli/PngWrite.h"
#include "cli/PathText.h"
#include "cli/Progress.h"
#include "cli/ResultText.h"
#include "cli/Seeds.h"
#include "cli/SelectionMask.h"
#include "testhost/HostProfiles.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Largest side the host records can describe (16-bit rectangles).
const int32 maxImageSide = 32767;
// Unless asked for, the progress line appears only once a run has lasted
// this long: a quick run would only flash it by.
const double autoProgressDelay = 0.5;
// Streams are read and written in pieces this large, so that Ctrl-C is
// noticed between them.
const size_t streamPiece = size_t(1) << 20;

// Several files at once: "[k/n] INPUT" names the file being filtered in its
// lines; empty for a single file.
std::string batchLabel;

void Note(const std::string& message) { fprintf(stderr, "%s: %s\n", programName, message.c_str()); }

int Fail(const std::string& message, int code = exitFailure) {
    return ReportError(message.c_str(), code);
}

struct RunContext {
    PhaseProgress progress;
    int32 totalPolls = 0;
};

// Called on every abortProc poll of the plug-in: the labyrinth is built,
// painting has begun.
void OnAbortPoll(HostSession* session) {
    if (session->settings.abortPumpsMessages) PumpWindowMessages();
    if (InterruptRequested()) session->cancelRequested = true;
    RunContext* run = static_cast<RunContext*>(session->hookContext);
    if (session->abortPolls == 1) SetPhase(&run->progress, phasePainting, run->totalPolls);
    AdvancePhase(&run->progress, session->abortPolls);
}

int Cancelled(const std::string& output, std::string* message) {
    *message = std::string(InterruptRequested() ? "interrupted" : "cancelled") + "; " +
               QuotePath(output) + " was not written";
    return exitCancelled;
}

// The whole stream for the PNG decoder, read in pieces so that Ctrl-C stops
// it (a read cut short by the signal fails with EINTR).
bool ReadPngStream(FILE* file, const std::string& name, PngImage* image, std::string* error) {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> piece(streamPiece);
    size_t got;
    while (!InterruptRequested() && (got = fread(piece.data(), 1, piece.size(), file)) > 0)
        bytes.insert(bytes.end(), piece.begin(), piece.begin() + std::ptrdiff_t(got));
    if (InterruptRequested() || ferror(file)) {
        *error = "cannot read " + name + ": " + strerror(errno);
        return false;
    }
    std::vector<uint8_t>().swap(piece);
    if (!DecodePng(bytes.data(), bytes.size(), image, error)) {
        *error = name + ": " + *error;
        return false;
    }
    return true;
}

// Encodes and writes into the target's file in pieces, counting them in the
// writing phase; stops when Ctrl-C asks.
bool WritePngInto(OutputTarget* target, const PngImage& image, PhaseProgress* progress,
                  std::string* error) {
    SetPhase(progress, phaseWriting, 0);
    std::vector<uint8_t> bytes;
    if (!EncodePng(image, &bytes, error)) return false;
    const int32_t pieces = int32_t((bytes.size() + streamPiece - 1) / streamPiece);
    for (int32_t i = 0; i < pieces; ++i) {
        const size_t at = size_t(i) * streamPiece;
        const size_t size = bytes.size() - at < streamPiece ? bytes.size() - at : streamPiece;
        if (fwrite(bytes.data() + at, 1, size, target->file) != size) {
            *error = "cannot write " + QuotePath(target->path) + ": " + strerror(errno);
            return false;
        }
        if (!OnPhaseRows(progress, i + 1, pieces)) {
            *error = "interrupted";
            return false;
        }
    }
    return true;
}

bool ReadSelection(const CliOptions& options, const PngImage& image, std::vector<uint8_t>* mask,
                   std::string* error) {
    PngImage maskImage;
    FILE* file = nullptr;
    if (!OpenInputFile(options.maskPath, &file, error)) return false;
    const bool read = ReadPngStream(file, QuotePath(options.maskPath), &maskImage, error);
    CloseInputFile(file);
    if (!read) return false;
    if (!MaskFromPng(maskImage, image.width, image.height, mask, error)) {
        *error = QuotePath(options.maskPath) + ": " + *error;
        return false;
    }
    return true;
}

HostSettings SettingsFor(const CliOptions& options, const PngImage& image, const Rect& filterRect) {
    HostSettings settings;
    DescribeImage(image, filterRect.right - filterRect.left, &settings);
    settings.filterRect = filterRect;
    const bool gray = image.channels < 3;
    settings.foreground = gray ? GrayOf(options.foreground) : options.foreground;
    settings.background = gray ? GrayOf(options.background) : options.background;
    settings.playInfo = plugInDialogDontDisplay;
    std::string unused;
    if (!options.hostProfile.empty()) ApplyHostProfiles(options.hostProfile, &settings, &unused);
    return settings;
}

bool WantProgress(const CliOptions& options) {
    if (options.dialog || options.progress == progressNever) return false;
    return options.progress == progressAlways || StderrIsTerminal();
}

// A host that keeps no parameters between runs cannot replay a step: it
// runs the filter from its menu, with the dialog.
bool RunsFromMenu(const CliOptions& options) {
    HostSettings settings;
    std::string unused;
    if (!options.hostProfile.empty()) ApplyHostProfiles(options.hostProfile, &settings, &unused);
    return options.dialog || !settings.keepParameters;
}

// From the input stream to the output target: reading, the filter (building
// the labyrinth, painting), writing. message: the error, or a note.
int FilterStream(const CliOptions& options, FILE* in, const std::string& input,
                 OutputTarget* target, RunContext* run, std::string* message) {
    std::string& error = *message;
    PngImage image;
    if (!ReadPngStream(in, QuotePath(input), &image, &error)) return exitFailure;
    if (image.width > maxImageSide || image.height > maxImageSide) {
        error = QuotePath(input) + " is " + std::to_string(image.width) + "x" +
                std::to_string(image.height) + "; the filter interface takes at most " +
                std::to_string(maxImageSide) + " pixels a side";
        return exitFailure;
    }

    Rect filterRect = {0, 0, int16(image.height), int16(image.width)};
    std::vector<uint8_t> mask;
    if (!options.maskPath.empty()) {
        if (!ReadSelection(options, image, &mask, &error)) return exitFailure;
        if (!MaskBounds(mask, image.width, image.height, &filterRect)) {
            if (!WritePngInto(target, image, &run->progress, &error)) return exitFailure;
            error = "the mask selects nothing, so there is nothing to filter; " +
                    QuotePath(target->path) + " is a copy of " + QuotePath(input);
            return exitSuccess;
        }
    }

    FilterEntry filter;
    if (!OpenFilterEntry(options.pluginPath, &filter, &error)) return exitFailure;
    const int16 mode = HostModeOf(image);
    if (filter.haveProperties && !PiplEnablesMode(filter.properties, mode)) {
        CloseFilterEntry(&filter);
        error = "the plug-in is not enabled for " + ImageModeName(mode) + " images";
        return exitFailure;
    }

    // The plug-in draws from the C runtime's generator without seeding it;
    // the host seeds it on the thread that calls the plug-in.
    srand(options.seedGiven ? RuntimeSeedFor(options.seed) : FreshSeed());
    if (InterruptRequested()) {
        CloseFilterEntry(&filter);
        return Cancelled(target->path, message);
    }

    SetPhase(&run->progress, phaseBuilding, 0);
    HostImage hostImage = HostImageFromPng(image);
    hostImage.mask = mask;
    std::unique_ptr<HostSession> session(new HostSession());
    OpenHostSession(session.get(), hostImage, SettingsFor(options, image, filterRect));
    hostImage = HostImage();
    // A replayed script step: the descriptor carries Amount, and the
    // host's scripting says not to display the dialog.
    SetScriptDescriptor(session.get(), {ScriptItem{keyAmount, typeInteger, options.amount}});

    run->totalPolls = ExpectedPolls(int16(image.channels), filterRect.right - filterRect.left,
                                    filterRect.bottom - filterRect.top);
    session->onAbortPoll = OnAbortPoll;
    session->hookContext = run;

    const int16 result = RunsFromMenu(options) ? RunFilterFromMenu(session.get(), filter.entry)
                                               : RunFilterSession(session.get(), filter.entry, false);
    SetPhase(&run->progress, phaseWriting, 0);
    PngImage output;
    if (result == noErr) output = PngFromHostResult(image, session->source, session->result);
    ReleasePluginData(session.get());
    CloseHostSession(session.get());
    session.reset();
    CloseFilterEntry(&filter);

    if (InterruptRequested() || result == userCanceledErr) return Cancelled(target->path, message);
    if (result != noErr) {
        error = ResultText(result, options.amount);
        return exitFailure;
    }
    if (!WritePngInto(target, output, &run->progress, &error)) return exitFailure;
    return exitSuccess;
}

// One INPUT to one OUTPUT, endpoints opened and closed here.
int FilterOne(const CliOptions& options, const std::string& input, const std::string& output,
              RunContext* run, std::string* message) {
    std::string& error = *message;
    if (RunsFromMenu(options) && !HostMenuAvailable(&error)) {
        if (!options.dialog)
            error = "host profile " + options.hostProfile +
                    " keeps no parameters, so the filter runs from its dialog; " + error;
        return exitFailure;
    }
    if (input != "-" && output != "-" && SameExistingFile(input, output)) {
        error = QuotePath(output) +
                " is the input file; the input is never overwritten, name another OUTPUT";
        return exitFailure;
    }
    FILE* in = nullptr;
    if (!OpenInputFile(input, &in, &error))
        return InterruptRequested() ? Cancelled(output, message) : exitFailure;
    OutputTarget target;
    if (!BeginOutput(output, &target, &error)) {
        CloseInputFile(in);
        return InterruptRequested() ? Cancelled(output, message) : exitFailure;
    }
    // The host keeps images in standard containers; running out of memory
    // there still closes both ends (no temporary stays behind).
    int status;
    try {
        status = FilterStream(options, in, input, &target, run, message);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        status = exitFailure;
    }
    CloseInputFile(in);
    if (status == exitSuccess && InterruptRequested()) status = Cancelled(output, message);
    if (status != exitSuccess) {
        AbandonOutput(&target);
        if (status == exitFailure && InterruptRequested()) status = Cancelled(output, message);
        return status;
    }
    // A Ctrl-C that comes now no longer stops anything: the file is
    // complete when the rename makes it appear. (message may hold a note.)
    return CommitOutput(&target, &error) ? exitSuccess : exitFailure;
}

std::string SecondsText(double seconds) {
    char text[32];
    snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

int FilterImage(const CliOptions& options, const std::string& input, const std::string& output) {
    // From here on Ctrl-C ends the run cleanly, also while files are opened
    // and read or the labyrinth is built.
    InstallInterruptHandler();
    RunContext run;
    run.progress.enabled = WantProgress(options);
    run.progress.delaySeconds = options.progress == progressAlways ? 0 : autoProgressDelay;
    run.progress.stream = stderr;
    run.progress.label = batchLabel.empty() ? std::string(programName)
                                            : std::string(programName) + ": " + batchLabel;
    BeginProgress(&run.progress);
    std::string message;
    const int status = FilterOne(options, input, output, &run, &message);
    const std::string written =
        batchLabel.empty() ? std::string()
                           : run.progress.label + " -> " + QuotePath(output) + "  " +
                                 SecondsText(ProgressSeconds(&run.progress));
    // A drawn progress line ends as the file's one line: written (several
    // files), as it stood (one file), or the error or interruption.
    std::string last = written;
    if (status == exitFailure) last = std::string(programName) + ": error: " + message;
    if (status == exitCancelled) last = std::string(programName) + ": " + message;
    if (EndProgress(&run.progress, last)) {
        if (status == exitSuccess && !message.empty()) Note(message);
        return status;
    }
    if (status == exitSuccess && !written.empty()) fprintf(stderr, "%s\n", written.c_str());
    if (status == exitFailure) return Fail(message);
    if (!message.empty()) Note(message);
    return status;
}

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

// The extensions the writer knows (the file is written in the format its
// name says).
bool KnownOutputFormat(const std::string& extension) {
    std::string lower;
    for (char c : extension) lower += char(tolower(static_cast<unsigned char>(c)));
    return lower == "png";
}

// INPUT... -o DIR: each file in turn; one that fails is reported and the
// others still run; a summary at the end.
int FilterSeveralFiles(const CliOptions& options) {
    if (!options.format.empty() && !KnownOutputFormat(options.format))
        return Fail("--format " + QuotePath(options.format) + " is no format the writer knows (png)",
                    exitUsage);
    if (!IsFolder(options.outputDir))
        return Fail("cannot write into " + QuotePath(options.outputDir) + ": no such folder");
    std::vector<std::string> outputs;
    for (const std::string& input : options.inputs) {
        if (input == "-")
            return Fail("- (standard input) has no name to write under in " +
                            QuotePath(options.outputDir) + "; give one INPUT and OUTPUT",
                        exitUsage);
        const std::string output = OutputNameFor(options, input);
        for (size_t i = 0; i < outputs.size(); ++i) {
            if (outputs[i] == output)
                return Fail(QuotePath(options.inputs[i]) + " and " + QuotePath(input) +
                                " would both be written to " + QuotePath(output),
                            exitUsage);
        }
        outputs.push_back(output);
    }

    InstallInterruptHandler();
    const size_t count = options.inputs.size();
    size_t written = 0;
    size_t started = 0;
    std::vector<std::string> failed;
    bool interrupted = false;
    for (size_t i = 0; i < count && !InterruptRequested(); ++i) {
        CliOptions fileOptions = options;
        fileOptions.seed = FileSeed(options.seed, uint32_t(i));
        batchLabel = "[" + std::to_string(i + 1) + "/" + std::to_string(count) + "] " +
                     QuotePath(options.inputs[i]);
        const int status = FilterImage(fileOptions, options.inputs[i], outputs[i]);
        ++started;
        if (status == exitSuccess) {
            ++written;
        } else if (status == exitCancelled) {
            interrupted = true;
        } else {
            failed.push_back(QuotePath(options.inputs[i]));
        }
    }
    batchLabel.clear();
    interrupted = interrupted || InterruptRequested();

    std::string summary = std::to_string(written) + " of " + std::to_string(count) +
                          (count == 1 ? " file" : " files") + " written";
    if (!failed.empty()) {
        summary += ", " + std::to_string(failed.size()) + " failed:";
        for (const std::string& name : failed) summary += " " + name;
    }
    if (interrupted) summary += "; interrupted, " + std::to_string(count - written - failed.size()) +
                                " not written";
    Note(summary);
    if (interrupted) return exitCancelled;
    return failed.empty() ? exitSuccess : exitFailure;
}

int ShowAbout(const CliOptions& options) {
    std::string error;
    if (!HostMenuAvailable(&error)) return Fail(error);
    FilterEntry filter;
    if (!OpenFilterEntry(options.pluginPath, &filter, &error)) return Fail(error);
    const int16 result = ShowPluginAbout(filter.entry);
    CloseFilterEntry(&filter);
    return result == noErr ? exitSuccess : Fail(ResultText(result, options.amount));
}

int ListPlugin(const CliOptions& options) {
    std::vector<PiplProperties> lists;
    std::string error;
    if (!ReadFilterProperties(options.listPath, &lists, &error)) return Fail(error);
    fputs(DescribePropertyLists(options.listPath, lists).c_str(), stdout);
    for (const PiplProperties& list : lists) {
        if (list.kind == piplKindFilter) return exitSuccess;
    }
    return Fail(QuotePath(options.listPath) + " holds no filter (no property list of kind 8BFM)");
}

}  // namespace

int ReportError(const char* message, int code) {
    fprintf(stderr, "%s: error: %s\n", programName, message);
    return code;
}

int RunCommandLine(int argc, char** argv) {
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, &options, &error)) return Fail(error, exitUsage);
    if (options.help) {
        fputs(HelpText(programName).c_str(), stdout);
        return exitSuccess;
    }
    if (options.list) return ListPlugin(options);
    if (options.about) return ShowAbout(options);
    if (!options.outputDir.empty()) return FilterSeveralFiles(options);
    return FilterImage(options, options.input, options.output);
}
