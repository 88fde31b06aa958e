#include "cli/FileIo.h"

#include "cli/CliPlatform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string SystemReason() { return strerror(errno); }

}  // namespace

bool OpenInputFile(const std::string& path, FILE** file, std::string* error) {
    if (path == "-") {
        *file = stdin;
        return true;
    }
    *file = fopen(path.c_str(), "rb");
    if (*file == nullptr) {
        *error = "cannot read " + path + ": " + SystemReason();
        return false;
    }
    return true;
}

void CloseInputFile(FILE* file) {
    if (file != nullptr && file != stdin) fclose(file);
}

std::string TemporaryPathFor(const std::string& path) {
    return path + ".vorn-" + std::to_string(CurrentProcessId()) + ".tmp";
}

bool BeginOutput(const std::string& path, OutputTarget* target, std::string* error) {
    target->path = path;
    target->finalPath = path;
    target->temporary = TemporaryPathFor(path);
    target->direct = false;
    target->file = fopen(target->temporary.c_str(), "wb");
    if (target->file == nullptr) {
        *error = "cannot write " + path + ": " + SystemReason();
        return false;
    }
    return true;
}

bool CommitOutput(OutputTarget* target, std::string* error) {
    bool ok = fflush(target->file) == 0;
    if (!ok) *error = "cannot write " + target->path + ": " + SystemReason();
    if (fclose(target->file) != 0 && ok) {
        ok = false;
        *error = "cannot write " + target->path + ": " + SystemReason();
    }
    target->file = nullptr;
    if (ok && !MoveFileOver(target->temporary, target->finalPath, error)) ok = false;
    if (!ok) remove(target->temporary.c_str());
    return ok;
}

void AbandonOutput(OutputTarget* target) {
    if (target->file != nullptr) fclose(target->file);
    target->file = nullptr;
    if (!target->temporary.empty()) remove(target->temporary.c_str());
}
