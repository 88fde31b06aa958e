// The command-line host: everything main() does, with its exit status.
#pragma once

#include <string>

const int exitSuccess = 0;
const int exitFailure = 1;
const int exitUsage = 2;
const int exitCancelled = 130;

int RunCommandLine(int argc, char** argv);

// Prints "<program>: error: message" on one line; answers code.
int ReportError(const char* message, int code = exitFailure);
inline int ReportError(const std::string& message, int code = exitFailure) {
    return ReportError(message.c_str(), code);
}
// Prints "<program>: message" on one line.
void ReportNote(const std::string& message);

struct CliOptions;
// One run: filters input into output with the options' settings; answers
// the exit status. label, when not empty, names the file in its lines
// ("[2/5] b.png" when several files run).
int FilterImage(const CliOptions& options, const std::string& input, const std::string& output,
                const std::string& label = std::string());

// INPUT... -o DIR: each file in turn into DIR; one that fails is reported
// and the others still run; a summary at the end.
int FilterSeveralFiles(const CliOptions& options);
