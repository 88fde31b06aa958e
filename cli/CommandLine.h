// The command-line host: everything main() does, with its exit status.
#pragma once

#include <string>

const int exitSuccess = 0;
const int exitFailure = 1;
const int exitUsage = 2;
const int exitCancelled = 130;

int RunCommandLine(int argc, char** argv);

// Prints "<program>: error: message" on one line; answers code.
int ReportError(const char* message, int code);

struct CliOptions;
// One run: filters input into output with the options' settings; answers
// the exit status.
int FilterImage(const CliOptions& options, const std::string& input, const std::string& output);
