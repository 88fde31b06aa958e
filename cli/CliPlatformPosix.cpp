#include "cli/CliPlatform.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

const char* const programName = "vorn";

namespace {

volatile sig_atomic_t interruptRequested = 0;

void OnInterrupt(int) { interruptRequested = 1; }

}  // namespace

uint32_t CurrentProcessId() { return uint32_t(getpid()); }

uint32_t FreshSeed() {
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return uint32_t(now.tv_sec) ^ (uint32_t(now.tv_nsec) * 2654435761u) ^ (CurrentProcessId() << 16);
}

bool MoveFileOver(const std::string& from, const std::string& to, std::string* error) {
    // rename() would quietly replace a file its owner made read-only (the
    // folder's permission is all it asks for); such a file is refused, as
    // Windows refuses it.
    if (access(to.c_str(), F_OK) == 0 && access(to.c_str(), W_OK) != 0) {
        *error = "cannot write " + to + ": " + strerror(errno);
        return false;
    }
    if (rename(from.c_str(), to.c_str()) == 0) return true;
    *error = "cannot write " + to + ": " + strerror(errno);
    return false;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

void InstallInterruptHandler() {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return interruptRequested != 0; }

void PumpWindowMessages() {}
