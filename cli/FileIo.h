// File endpoints of the command-line host: inputs opened for streaming, and
// outputs that never leave a half-written file: the bytes go to a temporary
// file beside the target, which is renamed over the target only once it is
// complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// An input opened for streaming: a path, or "-" for standard input.
// Never reads the whole file into memory.
bool OpenInputFile(const std::string& path, FILE** file, std::string* error);
void CloseInputFile(FILE* file);  // does not close stdin

// Where an output goes. A regular file (or a name that does not exist yet)
// is written to a temporary name beside it and renamed over it on commit.
struct OutputTarget {
    std::string path;        // as given by the user
    std::string finalPath;   // after following symlinks
    std::string temporary;   // empty when written directly
    FILE* file = nullptr;
    bool direct = false;
};
bool BeginOutput(const std::string& path, OutputTarget* target, std::string* error);
bool CommitOutput(OutputTarget* target, std::string* error);  // flush, close, rename
void AbandonOutput(OutputTarget* target);                      // close, remove the temporary

// The name of the temporary file used for path by this process.
std::string TemporaryPathFor(const std::string& path);
