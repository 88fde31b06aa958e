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
const CliProgram thisProgram = programVorn;
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
// What the first Ctrl-C prints at once (see SetInterruptNotice); read by
// the handler only while noticeKnown is 1.
char noticeText[512];
size_t noticeLength = 0;
volatile sig_atomic_t noticeKnown = 0;

// Signals whose default action ends the process, other than the two that
// ask the run to stop (SIGINT, SIGTERM): the terminal closing (SIGHUP),
// SIGQUIT, a closed pipe, timers, the user signals, a CPU limit, and the
// real-time signals. They end the run as before, but first remove the
// temporary file. SIGXFSZ (a file-size limit) is ignored instead, so that
// the write that passes the limit fails with EFBIG and is reported.
const int endingSignals[] = {
    SIGHUP,    SIGQUIT,   SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,
    SIGXCPU,   SIGVTALRM, SIGPROF, SIGIO,   SIGABRT,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGSYS
    SIGSYS,
#endif
#ifdef SIGTRAP
    SIGTRAP,
#endif
};

void WriteAll(int fd, const char* text, size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, text, length);
        if (written <= 0) return;
        text += written;
        length -= size_t(written);
    }
}

// Ends the process by the signal itself (its default action runs once the
// handler returns and the signal is unblocked), after removing the
// temporary.
void EndBySignal(int signal) {
    if (temporaryKnown) unlink(temporaryName);
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}

// Only async-signal-safe calls here. The first signal is noted (and
// acknowledged at once when a notice is set); the second ends the process.
void OnInterrupt(int signal) {
    if (interruptCount == 0) {
        interruptCount = 1;
        if (noticeKnown) WriteAll(STDERR_FILENO, noticeText, noticeLength);
        return;
    }
    EndBySignal(signal);
}

void OnEndingSignal(int signal) { EndBySignal(signal); }

// Installs handler for signal unless the signal is ignored (nohup, a
// parent that ignores SIGPIPE): an ignored signal stays ignored.
void HandleUnlessIgnored(int signal, void (*handler)(int)) {
    struct sigaction current = {};
    if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) return;
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking open or read (a FIFO with no writer yet)
    // returns EINTR, and the run stops there.
    action.sa_flags = 0;
    sigaction(signal, &action, nullptr);
}

bool SameIdentity(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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

// Why an existing regular file may not be replaced, or empty. rename()
// would quietly replace a read-only file (the folder's permission is all it
// asks for), and root may write any file; a file without any write
// permission is refused for every user, as Windows refuses a read-only
// file, and one this user may not write for this user.
std::string ReplaceRefusal(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::string();
    if ((info.st_mode & 0222) == 0)
        return "the file is read-only; make it writable (chmod u+w) to replace it";
    if (access(path.c_str(), W_OK) != 0) return strerror(errno);
    return std::string();
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
    *reason = ReplaceRefusal(to);
    if (!reason->empty()) return false;
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
        if (*kind == outputRegularFile) *reason = ReplaceRefusal(current);
        return reason->empty();
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
    return SameIdentity(first, second);
}

bool ReadFileIsWritten(const std::string& read, const std::string& written) {
    struct stat from, to;
    const bool haveFrom =
        read == "-" ? fstat(STDIN_FILENO, &from) == 0 : stat(read.c_str(), &from) == 0;
    const bool haveTo =
        written == "-" ? fstat(STDOUT_FILENO, &to) == 0 : stat(written.c_str(), &to) == 0;
    // Only files can be both: a terminal, pipe or device read and written
    // is a stream in each direction.
    return haveFrom && haveTo && S_ISREG(from.st_mode) && S_ISREG(to.st_mode) &&
           SameIdentity(from, to);
}

bool MakeFolder(const std::string& path, std::string* reason) {
    if (mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && IsFolder(path))) return true;
    *reason = strerror(errno);
    return false;
}

int KeepStandardStreamsOpen() {
    // A descriptor 0, 1 or 2 closed at start would be handed to the next
    // file opened (the output's temporary), and messages or the progress
    // line would land in the image: each closed one is held by /dev/null.
    int closed = 0;
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        closed |= 1 << fd;
        const int opened = open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
    return closed;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

void InstallInterruptHandler() {
    HandleUnlessIgnored(SIGINT, OnInterrupt);
    HandleUnlessIgnored(SIGTERM, OnInterrupt);
    for (int signal : endingSignals) HandleUnlessIgnored(signal, OnEndingSignal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        HandleUnlessIgnored(signal, OnEndingSignal);
    signal(SIGXFSZ, SIG_IGN);
}

void SetInterruptNotice(const std::string& text) {
    noticeKnown = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (text.empty() || text.size() >= sizeof noticeText) return;
    memcpy(noticeText, text.data(), text.size());
    noticeLength = text.size();
    std::atomic_signal_fence(std::memory_order_seq_cst);
    noticeKnown = 1;
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
