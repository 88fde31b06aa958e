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
#include "cli/SeveralFiles.h"

#include "VornVersion.h"

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
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, &options, &error)) return ReportError(error, exitUsage);
    if (options.help) {
        fputs(HelpText(programName).c_str(), stdout);
        return exitSuccess;
    }
    if (options.version) {
        // "NAME VERSION" first, as tools that read versions (help2man among
        // them) expect.
        printf("%s %s\n", programName, VORN_VERSION_TEXT);
        return exitSuccess;
    }
    if (options.list) return ListPlugin(options);
    if (options.about) return ShowAbout(options);
    if (!options.outputDir.empty()) return FilterSeveralFiles(options);
    return FilterImage(options, options.input, options.output);
}
