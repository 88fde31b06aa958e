// Whole-file reading, and writing that never leaves a half-written file:
// the bytes go to a temporary file beside the target, which is renamed over
// the target only once it is complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

// The name of the temporary file used for path by this process.
std::string TemporaryPathFor(const std::string& path);

// On failure the target is as it was and no temporary file is left behind.
bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string* error);
