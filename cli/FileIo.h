// File endpoints of the command line. An input is read as a stream, never
// whole; "-" is standard input. An output never appears half-written: a
// regular file (or a name that does not exist yet) is written to a short
// temporary name in the same folder and renamed over the target once it is
// complete; "-" is standard output, and an existing device or FIFO is
// written into directly and stays what it is. A symbolic link is followed:
// its target is replaced and the link stays.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// An input opened for streaming: a path, or "-" for standard input.
bool OpenInputFile(const std::string& path, FILE** file, std::string* error);
void CloseInputFile(FILE* file);  // does not close stdin

struct OutputTarget {
    std::string path;       // as given by the user
    std::string finalPath;  // after following symlinks
    std::string temporary;  // empty when written directly
    FILE* file = nullptr;
    bool direct = false;
};

// Refuses a folder and an existing file that may not be written. While the
// target is open, a second Ctrl-C removes its temporary before the process
// ends.
bool BeginOutput(const std::string& path, OutputTarget* target, std::string* error);
// Flushes and closes the file and renames the temporary over the target;
// on failure the target is as it was and no temporary is left.
bool CommitOutput(OutputTarget* target, std::string* error);
// Closes the file and removes the temporary (what was written into a device
// or FIFO stays written).
void AbandonOutput(OutputTarget* target);

// True for "-" and for an existing device or FIFO (after links): outputs
// written into directly, whose names need not say a format.
bool OutputIsStream(const std::string& path);

// Writing a whole encoded file through an output target.
bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string* error);
