#include "cli/Report.h"

#include "cli/CliPlatform.h"

#include <cstdio>

int ReportError(const char* message, int code) {
    fprintf(stderr, "%s: error: %s\n", programName, message);
    return code;
}

void ReportNote(const std::string& message) {
    fprintf(stderr, "%s: %s\n", programName, message.c_str());
}
