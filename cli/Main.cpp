#include "cli/CliPlatform.h"
#include "cli/CommandLine.h"
#include "cli/Report.h"

#include <new>

int main(int argc, char** argv) {
    // The host keeps images in standard containers; running out of memory
    // there ends the run with a message instead of an abort.
    try {
        return RunCommandLine(argc, argv);
    } catch (const std::bad_alloc&) { return ReportError("out of memory", exitFailure); }
}
