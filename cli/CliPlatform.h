// What the command-line host needs from the operating system; one
// implementation in CliPlatformPosix.cpp, one in CliPlatformWin32.cpp.
#pragma once

#include <cstdint>
#include <string>

// "vorn" or "vornhost", for messages.
extern const char* const programName;

uint32_t CurrentProcessId();

// A seed that differs from run to run (time, process, clock).
uint32_t FreshSeed();

// Renames from over to (replacing to when it exists).
bool MoveFileOver(const std::string& from, const std::string& to, std::string* error);

// True when both names lead to the same existing file.
bool SameExistingFile(const std::string& a, const std::string& b);

bool StderrIsTerminal();

// Ctrl-C: the first one is noted (the filter then stops at its next poll);
// the handler stays installed for the rest of the run.
void InstallInterruptHandler();
bool InterruptRequested();

// Lets windows of the plug-in stay responsive while the host polls (Win32);
// nothing to do elsewhere.
void PumpWindowMessages();
