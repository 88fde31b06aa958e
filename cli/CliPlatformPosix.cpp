#include "cli/CliPlatform.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>

const char* const programName = "vorn";
const char* const pathSeparators = "/";

namespace {

// Symbolic links followed for one output name before giving up (as the
// kernel's own limit).
const int maxLinkHops = 40;

volatile sig_atomic_t interruptCount = 0;
// The temporary file a second signal removes; written only while
// temporaryKnown is 0, so the handler never sees half a name.
char temporaryName[4096];
volatile sig_atomic_t temporaryKnown = 0;

// Only async-signal-safe calls here. The first signal is noted; the second
// removes the temporary and ends the process by the signal itself (its
// default action runs once the handler returns and the signal is unblocked).
void OnInterrupt(int signal) {
    if (interruptCount == 0) {
        interruptCount = 1;
        return;
    }
    if (temporaryKnown) unlink(temporaryName);
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}

// /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N name a descriptor
// this process holds; writing to them means writing to that descriptor (at
// its offset, as the shell set it up), not replacing whatever it leads to.
int DescriptorNamed(const std::string& path) {
    if (path == "/dev/stdout") return STDOUT_FILENO;
    if (path == "/dev/stderr") return STDERR_FILENO;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const size_t length = strlen(prefix);
        if (path.compare(0, length, prefix) != 0 || path.size() == length ||
            path.size() > length + 6)
            continue;
        int fd = 0;
        for (size_t at = length; at < path.size(); ++at) {
            if (path[at] < '0' || path[at] > '9') return -1;
            fd = fd * 10 + (path[at] - '0');
        }
        return fd;
    }
    return -1;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

uint32_t CurrentProcessId() { return uint32_t(getpid()); }

uint32_t FreshSeed() {
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return uint32_t(now.tv_sec) ^ (uint32_t(now.tv_nsec) * 2654435761u) ^
           (CurrentProcessId() << 16);
}

bool MoveFileOver(const std::string& from, const std::string& to, std::string* reason) {
    // rename() would quietly replace a file its owner made read-only (the
    // folder's permission is all it asks for); such a file is refused, as
    // Windows refuses it.
    if (access(to.c_str(), F_OK) == 0 && access(to.c_str(), W_OK) != 0) {
        *reason = strerror(errno);
        return false;
    }
    if (rename(from.c_str(), to.c_str()) == 0) return true;
    *reason = strerror(errno);
    return false;
}

bool InspectOutput(const std::string& path, std::string* finalPath, OutputKind* kind,
                   std::string* reason) {
    std::string current = path;
    for (int hops = 0;; ++hops) {
        if (DescriptorNamed(current) >= 0) {
            *finalPath = current;
            *kind = outputDevice;
            return true;
        }
        struct stat info;
        if (lstat(current.c_str(), &info) != 0) {
            if (errno != ENOENT) {
                *reason = strerror(errno);
                return false;
            }
            *finalPath = current;
            *kind = outputNewFile;
            return true;
        }
        if (S_ISLNK(info.st_mode)) {
            if (hops >= maxLinkHops) {
                *reason = strerror(ELOOP);
                return false;
            }
            char target[4096];
            const ssize_t length = readlink(current.c_str(), target, sizeof target - 1);
            if (length < 0) {
                *reason = strerror(errno);
                return false;
            }
            const std::string next(target, size_t(length));
            current = !next.empty() && next[0] == '/' ? next : FolderOf(current) + next;
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            *reason = strerror(EISDIR);
            return false;
        }
        *finalPath = current;
        *kind = S_ISREG(info.st_mode) ? outputRegularFile : outputDevice;
        if (*kind == outputRegularFile && access(current.c_str(), W_OK) != 0) {
            *reason = strerror(errno);
            return false;
        }
        return true;
    }
}

FILE* OpenExistingForWriting(const std::string& path, std::string* reason) {
    // Neither created nor truncated: a device or FIFO stays what it is. A
    // FIFO waits here for its reader; a signal ends the wait.
    const int named = DescriptorNamed(path);
    const int fd = named >= 0 ? fcntl(named, F_DUPFD_CLOEXEC, 3)
                              : open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    FILE* file = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (file == nullptr) {
        *reason = strerror(errno);
        if (fd >= 0) close(fd);
    }
    return file;
}

FILE* CreateTemporaryBeside(const std::string& path, bool keepMode, std::string* temporary,
                            std::string* reason) {
    static uint32_t counter = 0;
    const std::string folder = FolderOf(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = folder + ".vorn-" + std::to_string(CurrentProcessId()) + "-" +
                     std::to_string(counter++) + ".tmp";
        const int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            *reason = strerror(errno);
            return nullptr;
        }
        struct stat existing;
        if (keepMode && stat(path.c_str(), &existing) == 0) fchmod(fd, existing.st_mode & 07777);
        FILE* file = fdopen(fd, "wb");
        if (file != nullptr) return file;
        *reason = strerror(errno);
        close(fd);
        unlink(temporary->c_str());
        return nullptr;
    }
    *reason = strerror(EEXIST);
    return nullptr;
}

void UseBinaryMode(FILE*) {}

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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
    // No SA_RESTART: a blocking open or read (a FIFO with no writer yet)
    // returns EINTR, and the run stops there.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return interruptCount != 0; }

void RememberTemporaryFile(const std::string& path, FILE*) {
    temporaryKnown = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (path.size() >= sizeof temporaryName) return;
    memcpy(temporaryName, path.c_str(), path.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    temporaryKnown = 1;
}

void ForgetTemporaryFile() { temporaryKnown = 0; }

void BlockInterrupts(bool block) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(block ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

void PumpWindowMessages() {}
