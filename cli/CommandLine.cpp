#include "cli/CommandLine.h"

#include "cli/CliOptions.h"
#include "cli/CliPlatform.h"
#include "cli/ColorText.h"
#include "cli/FileIo.h"
#include "cli/FilterEntry.h"
#include "cli/HostMenu.h"
#include "cli/ImageCodec.h"
#include "cli/ImageTransfer.h"
#include "cli/PluginList.h"
#include "cli/Progress.h"
#include "cli/ResultText.h"
#include "cli/SelectionMask.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Below this many pixels a pass is quick, and a bar would only flash by.
const int64_t autoProgressPixels = 4000000;

void Note(const std::string& message) { fprintf(stderr, "%s: %s\n", programName, message.c_str()); }

int Fail(const std::string& message, int code = exitFailure) {
    return ReportError(message.c_str(), code);
}

struct PollContext {
    ProgressBar bar;
};

// Called on every abortProc poll of the plug-in.
void OnAbortPoll(HostSession* session) {
    PumpWindowMessages();
    if (InterruptRequested()) session->cancelRequested = true;
    PollContext* context = static_cast<PollContext*>(session->hookContext);
    ShowProgress(&context->bar, session->abortPolls);
}

int Cancelled(const std::string& output) {
    Note(std::string(InterruptRequested() ? "interrupted" : "cancelled") + "; " + output +
         " was not written");
    return exitCancelled;
}

HostSettings SettingsFor(const CliOptions& options, const ImageInfo& info, const Rect& filterRect) {
    HostSettings settings;
    DescribeImage(info, filterRect.right - filterRect.left, &settings);
    settings.filterRect = filterRect;
    const bool gray = info.channels < 3;
    settings.foreground = gray ? GrayOf(options.foreground) : options.foreground;
    settings.background = gray ? GrayOf(options.background) : options.background;
    settings.playInfo = plugInDialogDontDisplay;
    // The plug-in works on the host's own rows: no copies of the image.
    settings.deliverInPlace = true;
    return settings;
}

bool WantProgress(const CliOptions& options, const Rect& filterRect) {
    if (options.dialog || options.progress == progressNever) return false;
    if (options.progress == progressAlways) return true;
    const int64_t pixels =
        int64_t(filterRect.bottom - filterRect.top) * (filterRect.right - filterRect.left);
    return pixels >= autoProgressPixels && StderrIsTerminal();
}

// Reads the input straight into the host's image.
bool ReadInput(const std::string& input, ImageFormat outputFormat, const std::string& output,
               HostImage* image, HostTransfer* transfer, std::string* error) {
    FILE* file = nullptr;
    if (!OpenInputFile(input, &file, error)) return false;
    ImageDecoder* decoder = nullptr;
    ImageInfo info;
    bool ok = OpenImageDecoder(file, input, &decoder, &info, error);
    if (ok && outputFormat == imageFormatJpeg && InfoHasAlpha(info)) {
        *error = output + ": JPEG holds no alpha channel, and " + input +
                 " has one; name a .png or .tif output";
        ok = false;
    }
    if (ok) ok = DecodeIntoHost(decoder, info, image, transfer, RowProgress(), error);
    CloseImageDecoder(decoder);
    CloseInputFile(file);
    return ok;
}

bool ReadMask(const std::string& path, HostImage* image, std::string* error) {
    FILE* file = nullptr;
    if (!OpenInputFile(path, &file, error)) return false;
    const bool ok = ReadSelectionMask(file, path, image, RowProgress(), error);
    CloseInputFile(file);
    return ok;
}

// Encodes the host's result into output through a temporary file.
bool WriteResult(const CliOptions& options, const std::string& output, ImageFormat format,
                 const HostImage& before, const HostImage& after, const HostTransfer& transfer,
                 std::string* error) {
    ImageInfo info = transfer.info;
    info.format = format;
    if (format == imageFormatJpeg) info.bitDepth = 8;
    ResultRows rows;
    PrepareResultRows(&rows, before, after, transfer, info.bitDepth);
    EncodeOptions encoding;
    encoding.jpegQuality = options.jpegQuality;
    encoding.pngCompression = options.pngCompression;
    OutputTarget target;
    if (!BeginOutput(output, &target, error)) return false;
    if (!EncodeImage(target.file, output, info, format, ResultRowAt, &rows, encoding, RowProgress(),
                     error)) {
        AbandonOutput(&target);
        return false;
    }
    return CommitOutput(&target, error);
}

}  // namespace

int FilterImage(const CliOptions& options, const std::string& input, const std::string& output) {
    std::string error;
    if (options.dialog && !HostMenuAvailable(&error)) return Fail(error);
    ImageFormat format = imageFormatPng;
    if (!OutputFormatFor(output, &format, &error)) return Fail(error);
    if (SameExistingFile(input, output))
        return Fail(output + " is the input file; the input is never overwritten, name another OUTPUT");

    // From here on Ctrl-C ends the run cleanly, also while files are read
    // or the labyrinth is built (the plug-in notices it at its next poll).
    InstallInterruptHandler();
    HostImage image;
    HostTransfer transfer;
    if (!ReadInput(input, format, output, &image, &transfer, &error)) return Fail(error);
    const ImageInfo info = transfer.info;

    Rect filterRect = {0, 0, int16(info.height), int16(info.width)};
    if (!options.maskPath.empty()) {
        if (!ReadMask(options.maskPath, &image, &error)) return Fail(error);
        if (!MaskBounds(image.mask.data(), HostMaskRowBytes(image), info.width, info.height, &filterRect)) {
            Note("the mask selects nothing, so there is nothing to filter; " + output +
                 " is a copy of " + input);
            return WriteResult(options, output, format, image, image, transfer, &error) ? exitSuccess
                                                                                       : Fail(error);
        }
    }

    FilterEntry filter;
    if (!OpenFilterEntry(options.pluginPath, &filter, &error)) return Fail(error);
    const int16 mode = HostModeOf(info);
    if (filter.haveProperties && !PiplEnablesMode(filter.properties, mode)) {
        CloseFilterEntry(&filter);
        return Fail("the plug-in is not enabled for " + ImageModeName(mode) + " images");
    }

    // The plug-in draws from the C runtime's generator without seeding it;
    // the host seeds it on the thread that calls the plug-in.
    srand(options.seedGiven ? options.seed : FreshSeed());
    if (InterruptRequested()) {
        CloseFilterEntry(&filter);
        return Cancelled(output);
    }

    std::unique_ptr<HostSession> session(new HostSession());
    OpenHostSessionTaking(session.get(), &image, SettingsFor(options, info, filterRect));
    // A replayed script step: the descriptor carries Amount, and the
    // host's scripting says not to display the dialog.
    SetScriptDescriptor(session.get(), {ScriptItem{keyAmount, typeInteger, options.amount}});

    PollContext context;
    context.bar.enabled = WantProgress(options, filterRect);
    context.bar.totalPolls = ExpectedPolls(int16(info.channels), filterRect.right - filterRect.left,
                                           filterRect.bottom - filterRect.top);
    context.bar.stream = stderr;
    context.bar.label = programName;
    session->onAbortPoll = OnAbortPoll;
    session->hookContext = &context;

    const int16 result = options.dialog ? RunFilterFromMenu(session.get(), filter.entry)
                                        : RunFilterSession(session.get(), filter.entry, false);
    EndProgress(&context.bar);
    CloseFilterEntry(&filter);
    bool written = false;
    // A Ctrl-C that comes while the file is written no longer stops
    // anything: the file is complete when the rename makes it appear.
    const bool stopped = InterruptRequested() || result == userCanceledErr;
    if (!stopped && result == noErr)
        written = WriteResult(options, output, format, session->source, session->result, transfer, &error);
    CloseHostSession(session.get());
    session.reset();

    if (stopped) return Cancelled(output);
    if (result != noErr) return Fail(ResultText(result, options.amount));
    return written ? exitSuccess : Fail(error);
}

namespace {

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
    return Fail(options.listPath + " holds no filter (no property list of kind 8BFM)");
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
    return FilterImage(options, options.input, options.output);
}
