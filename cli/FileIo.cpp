#include "cli/FileIo.h"

#include "cli/CliPlatform.h"
#include "cli/PathText.h"

#include <cerrno>
#include <cstring>

namespace {

std::string SystemReason() { return strerror(errno); }

bool WriteFailure(const OutputTarget& target, const std::string& reason, std::string* error) {
    *error = "cannot write " + QuotePath(target.path) + ": " + reason;
    return false;
}

void ResetTarget(OutputTarget* target) {
    target->file = nullptr;
    target->temporary.clear();
    target->direct = false;
}

}  // namespace

bool OpenInputFile(const std::string& path, FILE** file, std::string* error) {
    if (path == "-") {
        UseBinaryMode(stdin);
        *file = stdin;
        return true;
    }
    // A FIFO blocks here until a writer comes; Ctrl-C ends the wait (EINTR).
    *file = fopen(path.c_str(), "rb");
    if (*file != nullptr) return true;
    *error = "cannot read " + QuotePath(path) + ": " + SystemReason();
    return false;
}

void CloseInputFile(FILE* file) {
    if (file != nullptr && file != stdin) fclose(file);
}

bool BeginOutput(const std::string& path, OutputTarget* target, std::string* error) {
    target->path = path;
    ResetTarget(target);
    if (path == "-") {
        UseBinaryMode(stdout);
        target->finalPath = path;
        target->file = stdout;
        target->direct = true;
        return true;
    }
    OutputKind kind;
    std::string reason;
    if (!InspectOutput(path, &target->finalPath, &kind, &reason))
        return WriteFailure(*target, reason, error);
    if (kind == outputDevice) {
        target->file = OpenExistingForWriting(target->finalPath, &reason);
        if (target->file == nullptr) return WriteFailure(*target, reason, error);
        target->direct = true;
        return true;
    }
    target->file = CreateTemporaryBeside(target->finalPath, kind == outputRegularFile,
                                         &target->temporary, &reason);
    if (target->file == nullptr) {
        target->temporary.clear();
        return WriteFailure(*target, reason, error);
    }
    RememberTemporaryFile(target->temporary, target->file);
    return true;
}

bool OutputIsStream(const std::string& path) {
    if (path == "-") return true;
    std::string finalPath, reason;
    OutputKind kind = outputNewFile;
    return InspectOutput(path, &finalPath, &kind, &reason) && kind == outputDevice;
}

bool CommitOutput(OutputTarget* target, std::string* error) {
    if (target->file == nullptr) return WriteFailure(*target, "it was not opened", error);
    bool ok = fflush(target->file) == 0 && ferror(target->file) == 0;
    std::string reason = ok ? std::string() : SystemReason();
    if (target->file != stdout && fclose(target->file) != 0 && ok) {
        ok = false;
        reason = SystemReason();
    }
    target->file = nullptr;
    if (ok && !target->temporary.empty() &&
        !MoveFileOver(target->temporary, target->finalPath, &reason))
        ok = false;
    if (!target->temporary.empty()) {
        if (!ok) remove(target->temporary.c_str());
        ForgetTemporaryFile();
    }
    ResetTarget(target);
    return ok || WriteFailure(*target, reason, error);
}

void AbandonOutput(OutputTarget* target) {
    if (target->file != nullptr && target->file != stdout) fclose(target->file);
    if (target->file == stdout) fflush(stdout);
    if (!target->temporary.empty()) {
        remove(target->temporary.c_str());
        ForgetTemporaryFile();
    }
    ResetTarget(target);
}

bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string* error) {
    OutputTarget target;
    if (!BeginOutput(path, &target, error)) return false;
    if (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), target.file) != bytes.size()) {
        WriteFailure(target, SystemReason(), error);
        AbandonOutput(&target);
        return false;
    }
    return CommitOutput(&target, error);
}
