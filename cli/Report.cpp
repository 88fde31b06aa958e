#include "cli/Report.h"

#include "cli/CliPlatform.h"
#include "cli/PathText.h"

#include <cstdio>

int ReportError(const char* message, int code) {
    // Whatever a message quotes, it stays one line.
    fprintf(stderr, "%s: error: %s\n", programName, EscapeControls(message).c_str());
    return code;
}

void ReportNote(const std::string& message) {
    fprintf(stderr, "%s: %s\n", programName, EscapeControls(message).c_str());
}
