// One run of the command-line host: the input read straight into the
// host's image, the selection, the plug-in run as a replayed script step,
// the result encoded straight from the host's buffers into the output.
#include "cli/FilterRun.h"

#include "cli/CliOptions.h"
#include "cli/CliPlatform.h"
#include "cli/ColorText.h"
#include "cli/FileIo.h"
#include "cli/FilterEntry.h"
#include "cli/HostMenu.h"
#include "cli/ImageTransfer.h"
#include "cli/PathText.h"
#include "cli/Progress.h"
#include "cli/Report.h"
#include "cli/ResultText.h"
#include "cli/ScaledRun.h"
#include "cli/Seeds.h"
#include "cli/SelectionMask.h"
#include "cli/image/ImageCodec.h"
#include "testhost/HostProfiles.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

// What the first Ctrl-C says while the labyrinth is built, which nothing
// can interrupt.
const char* const buildingNotice =
    "stopping once the labyrinth is built; press Ctrl-C again to stop at once";

struct RunContext {
    PhaseProgress progress;
    int32 totalPolls = 0;
    std::string interruptNotice;  // what the first Ctrl-C prints while building
};

// What one run reads, holds and writes.
struct FilterJob {
    const CliOptions* options = nullptr;
    std::string input, output;
    ImageFormat format = imageFormatPng;
    HostImage image;  // decoded straight into the host's rows
    HostTransfer transfer;
    ImageMetadata* metadata = nullptr;  // the input's, carried to the output
    Rect filterRect = {0, 0, 0, 0};
    RunContext* run = nullptr;
    std::string message;  // the error, or a note
};

RowProgress PhaseRows(RunContext* run) {
    RowProgress rows;
    rows.onRows = OnPhaseRows;
    rows.context = &run->progress;
    return rows;
}

// Called on every abortProc poll of the plug-in: the labyrinth is built,
// painting has begun.
void OnAbortPoll(HostSession* session) {
    if (session->settings.abortPumpsMessages) PumpWindowMessages();
    if (InterruptRequested()) session->cancelRequested = true;
    RunContext* run = static_cast<RunContext*>(session->hookContext);
    if (session->abortPolls == 1) {
        SetInterruptNotice(std::string());
        SetPhase(&run->progress, phasePainting, run->totalPolls);
    }
    AdvancePhase(&run->progress, session->abortPolls);
}

int Cancelled(FilterJob* job) {
    job->message = std::string(InterruptRequested() ? "interrupted" : "cancelled") + "; " +
                   QuotePath(job->output) + " was not written";
    return exitCancelled;
}

int Failed(FilterJob* job) { return InterruptRequested() ? Cancelled(job) : exitFailure; }

// A host that keeps no parameters between runs cannot replay a step: it
// runs the filter from its menu, with the dialog.
bool RunsFromMenu(const CliOptions& options) {
    HostSettings settings;
    std::string unused;
    if (!options.hostProfile.empty()) ApplyHostProfiles(options.hostProfile, &settings, &unused);
    return options.dialog || !settings.keepParameters;
}

// Whether OUTPUT names a file the run reads: the input or the mask,
// however either is named.
bool WritesWhatItReads(FilterJob* job) {
    const CliOptions& options = *job->options;
    std::string& error = job->message;
    if (ReadFileIsWritten(job->input, job->output)) {
        error = QuotePath(job->output) + " is the input file" +
                (job->input == "-" ? std::string(" (standard input)") : std::string()) +
                "; the input is never overwritten, name another OUTPUT";
        return true;
    }
    if (!options.maskPath.empty() && ReadFileIsWritten(options.maskPath, job->output)) {
        error = QuotePath(job->output) + " is the --mask file; the mask is never overwritten, " +
                "name another OUTPUT";
        return true;
    }
    return false;
}

// An output name without a format, in a batch: most often the input is no
// image at all (a text file among the pictures), and that is the problem
// to name; otherwise the name wants --format.
void NoFormatInBatch(FilterJob* job) {
    std::string& error = job->message;
    FILE* in = nullptr;
    if (!OpenInputFile(job->input, &in, &error)) return;
    ImageDecoder* decoder = nullptr;
    ImageInfo info;
    const bool image = OpenImageDecoder(in, QuotePath(job->input), &decoder, &info, &error);
    CloseImageDecoder(decoder);
    CloseInputFile(in);
    if (image)
        error = QuotePath(job->input) + " is an image, but its name gives no output format; " +
                "add --format png (or jpg, tif)";
}

// What can be refused before any file is opened.
bool CheckRequest(FilterJob* job, bool inBatch) {
    const CliOptions& options = *job->options;
    std::string& error = job->message;
    if (RunsFromMenu(options) && !HostMenuAvailable(&error)) {
        if (!options.dialog)
            error = "host profile " + options.hostProfile +
                    " keeps no parameters, so the filter runs from its dialog; " + error;
        return false;
    }
    if (job->input == "-" && (options.closedStreams & 1) != 0) {
        error = "standard input is closed, so - cannot be the INPUT; name an input file";
        return false;
    }
    if (job->output == "-" && (options.closedStreams & 2) != 0) {
        error = "standard output is closed, so - cannot be the OUTPUT; name an output file";
        return false;
    }
    if (job->output != "-" && IsFolder(job->output)) {
        error = QuotePath(job->output) + " is a folder: to filter into it, use -o " +
                QuotePath(job->output) + ", or name a file in it as OUTPUT";
        return false;
    }
    // --format names the format whatever the name; otherwise standard
    // output, a device or a FIFO without a format in its name gets PNG, and
    // any other name must say its format.
    if (!options.format.empty()) {
        if (!OutputFormatFor("." + options.format, &job->format, &error)) {
            error = "--format " + QuotePath(options.format) + ": " + error;
            return false;
        }
    } else if (!FormatFromExtension(job->output, &job->format) && OutputIsStream(job->output)) {
        job->format = imageFormatPng;
    } else if (!OutputFormatFor(job->output, &job->format, &error)) {
        if (inBatch) NoFormatInBatch(job);
        return false;
    }
    return !WritesWhatItReads(job);
}

bool ReadInput(FilterJob* job, FILE* in) {
    std::string& error = job->message;
    const std::string name = QuotePath(job->input);
    ImageDecoder* decoder = nullptr;
    ImageInfo info;
    bool ok = OpenImageDecoder(in, name, &decoder, &info, &error);
    if (ok) job->metadata = TakeImageMetadata(decoder);
    if (ok && job->format == imageFormatJpeg && InfoHasAlpha(info)) {
        error = QuotePath(job->output) + ": JPEG holds no alpha channel, and " + name +
                " has one; name a .png or .tif output";
        ok = false;
    }
    if (ok)
        ok =
            DecodeIntoHost(decoder, info, &job->image, &job->transfer, PhaseRows(job->run), &error);
    CloseImageDecoder(decoder);
    job->filterRect = Rect{0, 0, int16(info.height), int16(info.width)};
    return ok;
}

// Reads --mask into the host's mask rows and narrows the filter rectangle
// to what it selects; selectsAnything is false for an empty selection.
bool ReadSelection(FilterJob* job, bool* selectsAnything) {
    *selectsAnything = true;
    const CliOptions& options = *job->options;
    if (options.maskPath.empty()) return true;
    if (options.maskPath == "alpha") {
        // The input's own transparency is the selection.
        if (!SelectionFromAlpha(&job->image, &job->message)) return false;
    } else {
        FILE* file = nullptr;
        if (!OpenInputFile(options.maskPath, &file, &job->message)) return false;
        const bool read = ReadSelectionMask(file, QuotePath(options.maskPath), &job->image,
                                            MetadataOrientation(job->metadata), PhaseRows(job->run),
                                            &job->message);
        CloseInputFile(file);
        if (!read) return false;
    }
    const ImageInfo& info = job->transfer.info;
    *selectsAnything = MaskBounds(job->image.mask.data(), HostMaskRowBytes(job->image), info.width,
                                  info.height, &job->filterRect);
    return true;
}

// Encodes what the host shows after the run (before: the image as read).
bool WriteResult(FilterJob* job, OutputTarget* target, const HostImage& before,
                 const HostImage& after) {
    SetPhase(&job->run->progress, phaseWriting, 0);
    ImageInfo info = job->transfer.info;
    info.format = job->format;
    // Only PNG and TIFF hold 16 bits a sample.
    if (job->format != imageFormatPng && job->format != imageFormatTiff) info.bitDepth = 8;
    ResultRows rows;
    PrepareResultRows(&rows, before, after, job->transfer, info.bitDepth);
    EncodeOptions encoding;
    encoding.jpegQuality = job->options->jpegQuality;
    encoding.pngCompression = job->options->pngCompression;
    encoding.metadata = job->metadata;
    // What made the file, in its own words: the settings of the run.
    // With the seed, given or drawn, --seed makes the file again.
    const CliOptions& options = *job->options;
    encoding.description = "Labyrinth by Vorn, Amount " + std::to_string(options.amount);
    if (options.scale != defaultScale)
        encoding.description += ", scale " + std::to_string(options.scale);
    if (options.seedGiven || options.seedDrawn)
        encoding.description += ", seed " + std::to_string(options.seed);
    return EncodeImage(target->file, QuotePath(target->path), info, job->format, ResultRowAt, &rows,
                       encoding, PhaseRows(job->run), &job->message);
}

HostSettings SettingsFor(const FilterJob& job) {
    const CliOptions& options = *job.options;
    const ImageInfo& info = job.transfer.info;
    HostSettings settings;
    DescribeImage(info, job.filterRect.right - job.filterRect.left, &settings);
    settings.filterRect = job.filterRect;
    const bool gray = info.channels < 3;
    settings.foreground = gray ? GrayOf(options.foreground) : options.foreground;
    settings.background = gray ? GrayOf(options.background) : options.background;
    settings.playInfo = plugInDialogDontDisplay;
    // The plug-in works on the host's own rows: no copies of the image.
    settings.deliverInPlace = true;
    std::string unused;
    if (!options.hostProfile.empty()) ApplyHostProfiles(options.hostProfile, &settings, &unused);
    return settings;
}

// The plug-in, enabled for the image's mode, and the generator seeded on
// the thread that calls it (the plug-in draws from the C runtime's
// generator without seeding it).
bool OpenPlugin(FilterJob* job, FilterEntry* filter) {
    const CliOptions& options = *job->options;
    if (!OpenFilterEntry(options.pluginPath, filter, &job->message)) return false;
    const int16 mode = HostModeOf(job->transfer.info);
    if (filter->haveProperties && !PiplEnablesMode(filter->properties, mode)) {
        CloseFilterEntry(filter);
        job->message = "the plug-in is not enabled for " + ImageModeName(mode) + " images";
        return false;
    }
    srand(options.seedGiven || options.seedDrawn ? RuntimeSeedFor(options.seed) : FreshSeed());
    return true;
}

// Painted planes: all but the transparency plane of a 2- or 4-channel
// image.
int32 PaintedChannels(int32 channels) {
    return channels == 2 || channels == 4 ? channels - 1 : channels;
}

// The plug-in over the host's image, which the session takes over.
int16 RunPlugin(FilterJob* job, const FilterEntry& filter, HostSession* session) {
    const CliOptions& options = *job->options;
    SetPhase(&job->run->progress, phaseBuilding, 0);
    // The labyrinth is built without any call back to the host: a Ctrl-C
    // then can only stop the run once it is built, and says so at once.
    SetInterruptNotice(job->run->interruptNotice);
    OpenHostSessionTaking(session, &job->image, SettingsFor(*job));
    // A replayed script step: the descriptor carries Amount, and the
    // host's scripting says not to display the dialog.
    SetScriptDescriptor(session, {ScriptItem{keyAmount, typeInteger, options.amount}});
    const Rect& rect = job->filterRect;
    job->run->totalPolls = ExpectedPolls(int16(job->transfer.info.channels), rect.right - rect.left,
                                         rect.bottom - rect.top);
    session->onAbortPoll = OnAbortPoll;
    session->hookContext = job->run;
    const int16 result = RunsFromMenu(options) ? RunFilterFromMenu(session, filter.entry)
                                               : RunFilterSession(session, filter.entry, false);
    SetInterruptNotice(std::string());
    ReleasePluginData(session);
    return result;
}

// The plug-in's run, and the result written, at --scale 1: over the image
// itself. At a larger scale: over the image reduced, whose result is then
// enlarged into a copy of the image.
int RunAndWrite(FilterJob* job, const FilterEntry& filter, OutputTarget* target) {
    const int32 scale = job->options->scale;
    HostImage whole;
    Rect wholeRect = job->filterRect;
    if (scale > 1) {
        whole = std::move(job->image);
        job->image = HostImage();
        ReduceForScale(whole, wholeRect, scale, &job->image, &job->filterRect);
    }
    std::unique_ptr<HostSession> session(new HostSession());
    int16 result = userCanceledErr;
    if (!InterruptRequested()) result = RunPlugin(job, filter, session.get());
    int status = exitSuccess;
    if (InterruptRequested() || result == userCanceledErr) {
        status = Cancelled(job);
    } else if (result != noErr) {
        job->message = ResultText(result, job->options->amount);
        status = exitFailure;
    } else if (scale > 1) {
        HostImage enlarged = whole;
        enlarged.mask.clear();
        EnlargeResult(whole, session->result, scale, PaintedChannels(whole.channels), wholeRect,
                      &enlarged);
        CloseHostSession(session.get());
        if (!WriteResult(job, target, whole, enlarged)) status = Failed(job);
        return status;
    } else if (!WriteResult(job, target, session->source, session->result)) {
        status = Failed(job);
    }
    CloseHostSession(session.get());
    return status;
}

// From the opened input to the output target: reading, the filter
// (building the labyrinth, painting), writing.
int FilterStream(FilterJob* job, FILE* in, OutputTarget* target) {
    if (!ReadInput(job, in)) return Failed(job);
    bool selectsAnything = true;
    if (!ReadSelection(job, &selectsAnything)) return Failed(job);
    if (!selectsAnything) {
        if (!WriteResult(job, target, job->image, job->image)) return Failed(job);
        job->message = "the mask selects nothing, so there is nothing to filter; " +
                       QuotePath(target->path) + " is a copy of " + QuotePath(job->input);
        return exitSuccess;
    }
    FilterEntry filter;
    if (!OpenPlugin(job, &filter)) return Failed(job);
    const int status = RunAndWrite(job, filter, target);
    CloseFilterEntry(&filter);
    return status;
}

// Opens both ends, runs, and commits or abandons the output.
int FilterOne(FilterJob* job, bool inBatch) {
    if (!CheckRequest(job, inBatch)) return exitFailure;
    FILE* in = nullptr;
    if (!OpenInputFile(job->input, &in, &job->message)) return Failed(job);
    OutputTarget target;
    if (!BeginOutput(job->output, &target, &job->message)) {
        CloseInputFile(in);
        return Failed(job);
    }
    // The host keeps images in standard containers; running out of memory
    // there still closes both ends (no temporary stays behind).
    int status;
    try {
        status = FilterStream(job, in, &target);
    } catch (const std::bad_alloc&) {
        job->message = "out of memory";
        status = exitFailure;
    }
    CloseInputFile(in);
    FreeImageMetadata(job->metadata);
    job->metadata = nullptr;
    if (status == exitSuccess && InterruptRequested()) status = Cancelled(job);
    if (status != exitSuccess) {
        AbandonOutput(&target);
        return status;
    }
    // A Ctrl-C that comes now no longer stops anything: the file is
    // complete when the rename makes it appear. (message may hold a note.)
    return CommitOutput(&target, &job->message) ? exitSuccess : exitFailure;
}

std::string SecondsText(double seconds) {
    char text[32];
    snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

bool WantProgress(const CliOptions& options) {
    if (options.dialog || options.progress == progressNever) return false;
    return options.progress == progressAlways || StderrIsTerminal();
}

}  // namespace

int FilterImage(const CliOptions& options, const std::string& input, const std::string& output,
                const std::string& label) {
    // From here on Ctrl-C ends the run cleanly, also while files are opened
    // and read or the labyrinth is built.
    InstallInterruptHandler();
    RunContext run;
    run.progress.enabled = WantProgress(options);
    run.progress.delaySeconds = options.progress == progressAlways ? 0 : autoProgressDelay;
    run.progress.stream = stderr;
    run.progress.label =
        label.empty() ? std::string(programName) : std::string(programName) + ": " + label;
    run.progress.buildCount = LabyrinthBuildCount;
    run.progress.buildingNotice = buildingNotice;
    BeginProgress(&run.progress);
    // Without a ticker, the signal handler itself says it.
    if (!ProgressTicks(&run.progress))
        run.interruptNotice = std::string(programName) + ": " + buildingNotice + "\n";
    FilterJob job;
    job.options = &options;
    job.input = input;
    job.output = output;
    job.run = &run;
    const int status = FilterOne(&job, !label.empty());
    const std::string& message = job.message;
    // The file's line: always with several files; for one file with
    // --verbose, and when the seed was drawn and someone may be watching
    // (a terminal, or a progress line drawn), so that the seed that made
    // the file can be given again.
    const bool showWritten =
        !label.empty() || options.verbose ||
        (options.seedDrawn && (StderrIsTerminal() || ProgressShown(&run.progress)));
    const std::string written =
        !showWritten
            ? std::string()
            : (label.empty() ? std::string(programName) + ": " + QuotePath(input)
                             : run.progress.label) +
                  " -> " + QuotePath(output) + "  " + SecondsText(ProgressSeconds(&run.progress)) +
                  ", seed " + std::to_string(options.seed);
    // A drawn progress line ends as the file's one line: written, as it
    // stood (one file, nothing to report), or the error or interruption.
    std::string last = written;
    if (status == exitFailure) last = std::string(programName) + ": error: " + message;
    if (status == exitCancelled) last = std::string(programName) + ": " + message;
    if (EndProgress(&run.progress, EscapeControls(last))) {
        if (status == exitSuccess && !message.empty()) ReportNote(message);
        return status;
    }
    if (status == exitSuccess && !written.empty())
        fprintf(stderr, "%s\n", EscapeControls(written).c_str());
    if (status == exitFailure) return ReportError(message, status);
    if (!message.empty()) ReportNote(message);
    return status;
}
