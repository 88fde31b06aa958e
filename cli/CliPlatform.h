// What the command-line host needs from the operating system; one
// implementation in CliPlatformPosix.cpp, one in CliPlatformWin32.cpp.
#pragma once

#include "cli/CliOptions.h"

#include <cstdint>
#include <cstdio>
#include <string>

// "vorn" or "vornhost", for messages.
extern const char* const programName;
// Which program this is, for the options it takes and its help.
extern const CliProgram thisProgram;

// The characters that end a folder's part of a path ("/"; "\\/:" on Win32).
extern const char* const pathSeparators;

uint32_t CurrentProcessId();

bool IsFolder(const std::string& path);

// A seed that differs from run to run (time, process, clock).
uint32_t FreshSeed();

// Renames from over to (replacing to when it exists); reason: why not.
bool MoveFileOver(const std::string& from, const std::string& to, std::string* reason);

// What an output name leads to, after following symbolic links (a dangling
// link leads to where its target would be made).
enum OutputKind { outputNewFile, outputRegularFile, outputDevice };
// Refuses a folder and an existing file its owner made read-only.
bool InspectOutput(const std::string& path, std::string* finalPath, OutputKind* kind,
                   std::string* reason);
// An existing device or FIFO opened for writing, as it is (never truncated
// or replaced).
FILE* OpenExistingForWriting(const std::string& path, std::string* reason);
// A new file with a short name of its own (".vorn-<process>-<n>.tmp") in
// the folder of path, opened for writing; keepMode: it gets the permissions
// of the existing file at path.
FILE* CreateTemporaryBeside(const std::string& path, bool keepMode, std::string* temporary,
                            std::string* reason);
// Standard input and output carry image bytes unchanged (Win32: no text
// mode).
void UseBinaryMode(FILE* stream);

// True when both names lead to the same existing file.
bool SameExistingFile(const std::string& a, const std::string& b);
// True when the file read (a name, or "-" for standard input) is the file
// written (a name, or "-" for standard output), however each is named:
// links, /dev/fd/N, the shell's redirections.
bool ReadFileIsWritten(const std::string& read, const std::string& written);

// Makes the folder (one level) unless it exists; reason: why not.
bool MakeFolder(const std::string& path, std::string* reason);

// Descriptors 0, 1 and 2 closed at start are opened on the null device,
// so that no file the run opens takes their place; answers which were
// closed (bit fd set), so that - as INPUT or OUTPUT can be refused there.
int KeepStandardStreamsOpen();

bool StderrIsTerminal();

// Ctrl-C and SIGTERM: the first one is noted, and the run stops at the next
// point where it can (a blocking open or read is cut short, the filter
// stops at its next poll); a second one ends the process at once, after
// removing the temporary file named below. Every other signal that would
// end the process ends it at once, also after removing the temporary; a
// file-size limit makes the write fail instead. Signals ignored at start
// stay ignored. The handlers stay installed for the rest of the run.
void InstallInterruptHandler();
bool InterruptRequested();
// A line the first Ctrl-C prints at once on standard error, while the run
// cannot stop at once (the labyrinth is being built); empty: none.
void SetInterruptNotice(const std::string& text);
// file: the temporary's open stream (Win32 cannot delete an open file, so
// the handler closes it first).
void RememberTemporaryFile(const std::string& path, FILE* file);
void ForgetTemporaryFile();

// While blocked, Ctrl-C goes to other threads of the process; threads made
// meanwhile keep it blocked (the progress ticker never takes it).
void BlockInterrupts(bool block);

// Lets windows of the plug-in stay responsive while the host polls (Win32);
// nothing to do elsewhere.
void PumpWindowMessages();
