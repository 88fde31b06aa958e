#include "cli/CommandLine.h"

#include "cli/CliOptions.h"
#include "cli/CliPlatform.h"
#include "cli/ColorText.h"
#include "cli/FilterEntry.h"
#include "cli/HostMenu.h"
#include "cli/ImageTransfer.h"
#include "cli/PluginList.h"
#include "cli/PngRead.h"
#include "cli/PngWrite.h"
#include "cli/Progress.h"
#include "cli/ResultText.h"
#include "cli/SelectionMask.h"
#include "testhost/HostProfiles.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Largest side the host records can describe (16-bit rectangles).
const int32 maxImageSide = 32767;
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
    if (session->settings.abortPumpsMessages) PumpWindowMessages();
    if (InterruptRequested()) session->cancelRequested = true;
    PollContext* context = static_cast<PollContext*>(session->hookContext);
    ShowProgress(&context->bar, session->abortPolls);
}

int Cancelled(const CliOptions& options) {
    Note(std::string(InterruptRequested() ? "interrupted" : "cancelled") + "; " + options.output +
         " was not written");
    return exitCancelled;
}

bool ReadSelection(const CliOptions& options, const PngImage& image, std::vector<uint8_t>* mask,
                   std::string* error) {
    PngImage maskImage;
    if (!ReadPngFile(options.maskPath, &maskImage, error)) return false;
    if (!MaskFromPng(maskImage, image.width, image.height, mask, error)) {
        *error = options.maskPath + ": " + *error;
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

bool WantProgress(const CliOptions& options, const Rect& filterRect) {
    if (options.dialog || options.progress == progressNever) return false;
    if (options.progress == progressAlways) return true;
    const int64_t pixels =
        int64_t(filterRect.bottom - filterRect.top) * (filterRect.right - filterRect.left);
    return pixels >= autoProgressPixels && StderrIsTerminal();
}

// A host that keeps no parameters between runs cannot replay a step: it
// runs the filter from its menu, with the dialog.
bool RunsFromMenu(const CliOptions& options) {
    HostSettings settings;
    std::string unused;
    if (!options.hostProfile.empty()) ApplyHostProfiles(options.hostProfile, &settings, &unused);
    return options.dialog || !settings.keepParameters;
}

int FilterImage(const CliOptions& options) {
    std::string error;
    const bool fromMenu = RunsFromMenu(options);
    if (fromMenu && !HostMenuAvailable(&error)) {
        if (!options.dialog)
            error = "host profile " + options.hostProfile +
                    " keeps no parameters, so the filter runs from its dialog; " + error;
        return Fail(error);
    }
    if (SameExistingFile(options.input, options.output))
        return Fail(options.output + " is the input file; the input is never overwritten, name another OUTPUT");

    // From here on Ctrl-C ends the run cleanly, also while files are read
    // or the labyrinth is built (the plug-in notices it at its next poll).
    InstallInterruptHandler();
    PngImage image;
    if (!ReadPngFile(options.input, &image, &error)) return Fail(error);
    if (image.width > maxImageSide || image.height > maxImageSide)
        return Fail(options.input + " is " + std::to_string(image.width) + "x" +
                    std::to_string(image.height) + "; the filter interface takes at most " +
                    std::to_string(maxImageSide) + " pixels a side");

    Rect filterRect = {0, 0, int16(image.height), int16(image.width)};
    std::vector<uint8_t> mask;
    if (!options.maskPath.empty()) {
        if (!ReadSelection(options, image, &mask, &error)) return Fail(error);
        if (!MaskBounds(mask, image.width, image.height, &filterRect)) {
            Note("the mask selects nothing, so there is nothing to filter; " + options.output +
                 " is a copy of " + options.input);
            return WritePngFile(options.output, image, &error) ? exitSuccess : Fail(error);
        }
    }

    FilterEntry filter;
    if (!OpenFilterEntry(options.pluginPath, &filter, &error)) return Fail(error);
    const int16 mode = HostModeOf(image);
    if (filter.haveProperties && !PiplEnablesMode(filter.properties, mode)) {
        CloseFilterEntry(&filter);
        return Fail("the plug-in is not enabled for " + ImageModeName(mode) + " images");
    }

    // The plug-in draws from the C runtime's generator without seeding it;
    // the host seeds it on the thread that calls the plug-in.
    srand(options.seedGiven ? options.seed : FreshSeed());
    if (InterruptRequested()) {
        CloseFilterEntry(&filter);
        return Cancelled(options);
    }

    HostImage hostImage = HostImageFromPng(image);
    hostImage.mask = mask;
    std::unique_ptr<HostSession> session(new HostSession());
    OpenHostSession(session.get(), hostImage, SettingsFor(options, image, filterRect));
    hostImage = HostImage();
    // A replayed script step: the descriptor carries Amount, and the
    // host's scripting says not to display the dialog.
    SetScriptDescriptor(session.get(), {ScriptItem{keyAmount, typeInteger, options.amount}});

    PollContext context;
    context.bar.enabled = WantProgress(options, filterRect);
    context.bar.totalPolls = ExpectedPolls(int16(image.channels), filterRect.right - filterRect.left,
                                           filterRect.bottom - filterRect.top);
    context.bar.stream = stderr;
    context.bar.label = programName;
    session->onAbortPoll = OnAbortPoll;
    session->hookContext = &context;

    const int16 result = fromMenu ? RunFilterFromMenu(session.get(), filter.entry)
                                  : RunFilterSession(session.get(), filter.entry, false);
    EndProgress(&context.bar);
    PngImage output;
    if (result == noErr) output = PngFromHostResult(image, session->source, session->result);
    CloseHostSession(session.get());
    session.reset();
    CloseFilterEntry(&filter);

    if (InterruptRequested() || result == userCanceledErr) return Cancelled(options);
    if (result != noErr) return Fail(ResultText(result, options.amount));
    // A Ctrl-C that comes while the file is written no longer stops
    // anything: the file is complete when the rename makes it appear.
    if (!WritePngFile(options.output, output, &error)) return Fail(error);
    return exitSuccess;
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
    return FilterImage(options);
}
