#include "cli/FileIo.h"

#include "cli/CliPlatform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string SystemReason() { return strerror(errno); }

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot read " + path + ": " + SystemReason();
        return false;
    }
    bytes->clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
    const bool failed = ferror(file) != 0;
    if (failed) *error = "cannot read " + path + ": " + SystemReason();
    fclose(file);
    return !failed;
}

std::string TemporaryPathFor(const std::string& path) {
    return path + ".vorn-" + std::to_string(CurrentProcessId()) + ".tmp";
}

bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string* error) {
    const std::string temporary = TemporaryPathFor(path);
    FILE* file = fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot write " + path + ": " + SystemReason();
        return false;
    }
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (ok && fflush(file) != 0) ok = false;
    if (!ok) *error = "cannot write " + path + ": " + SystemReason();
    if (fclose(file) != 0 && ok) {
        ok = false;
        *error = "cannot write " + path + ": " + SystemReason();
    }
    if (ok && !MoveFileOver(temporary, path, error)) ok = false;
    if (!ok) remove(temporary.c_str());
    return ok;
}
