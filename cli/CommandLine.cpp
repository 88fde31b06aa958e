#include "cli/CommandLine.h"

#include "cli/CliOptions.h"
#include "cli/CliPlatform.h"
#include "cli/FilterEntry.h"
#include "cli/FilterRun.h"
#include "cli/HostMenu.h"
#include "cli/PathText.h"
#include "cli/PluginList.h"
#include "cli/Report.h"
#include "cli/ResultText.h"
#include "cli/Seeds.h"
#include "cli/SeveralFiles.h"

#include <cstdio>

namespace {

int ShowAbout(const CliOptions& options) {
    std::string error;
    if (!HostMenuAvailable(&error)) return ReportError(error);
    FilterEntry filter;
    if (!OpenFilterEntry(options.pluginPath, &filter, &error)) return ReportError(error);
    const int16 result = ShowPluginAbout(filter.entry);
    CloseFilterEntry(&filter);
    return result == noErr ? exitSuccess : ReportError(ResultText(result, options.amount));
}

int ListPlugin(const CliOptions& options) {
    std::vector<PiplProperties> lists;
    std::string error;
    if (!ReadFilterProperties(options.listPath, &lists, &error)) return ReportError(error);
    fputs(DescribePropertyLists(options.listPath, lists).c_str(), stdout);
    for (const PiplProperties& list : lists) {
        if (list.kind == piplKindFilter) return exitSuccess;
    }
    return ReportError(QuotePath(options.listPath) +
                       " holds no filter (no property list of kind 8BFM)");
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    const int closedStreams = KeepStandardStreamsOpen();
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, &options, &error, thisProgram))
        return ReportError(error, exitUsage);
    options.closedStreams = closedStreams;
    if (options.help || options.version) {
        const std::string text = options.help ? HelpText(thisProgram) : VersionText(thisProgram);
        fputs(text.c_str(), stdout);
        return fflush(stdout) == 0 && !ferror(stdout)
                   ? exitSuccess
                   : ReportError("cannot write the text to standard output");
    }
    if (options.list) return ListPlugin(options);
    if (options.about) return ShowAbout(options);
    // A run without --seed draws its seed here, so that it can be
    // reported and the result made again with --seed.
    if (!options.seedGiven) {
        options.seed = FreshSeed() & maxSeed;
        options.seedDrawn = true;
    }
    if (!options.outputDir.empty()) return FilterSeveralFiles(options);
    return FilterImage(options, options.input, options.output);
}
