// How the command-line host reports: its exit statuses and its one-line
// messages on standard error. Every part of the run includes this; it
// includes none of them.
#pragma once

#include <string>

const int exitSuccess = 0;
const int exitFailure = 1;
const int exitUsage = 2;
const int exitCancelled = 130;

// Prints "<program>: error: message" on one line; answers code.
int ReportError(const char* message, int code = exitFailure);
inline int ReportError(const std::string& message, int code = exitFailure) {
    return ReportError(message.c_str(), code);
}
// Prints "<program>: message" on one line.
void ReportNote(const std::string& message);
