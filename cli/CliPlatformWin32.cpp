#include "cli/CliPlatform.h"

#include "testhost/ErrorText.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstring>

const char* const programName = "vornhost";
const CliProgram thisProgram = programVornhost;
const char* const pathSeparators = "\\/:";

namespace {

volatile LONG interruptCount = 0;
// The temporary file a second Ctrl-C removes; written only while
// temporaryKnown is 0.
char temporaryName[MAX_PATH * 4];
HANDLE temporaryHandle = INVALID_HANDLE_VALUE;
volatile LONG temporaryKnown = 0;
// What the first Ctrl-C prints at once; read only while noticeKnown is 1.
char noticeText[512];
DWORD noticeLength = 0;
volatile LONG noticeKnown = 0;

// The console runs the handler on a thread of its own. The first Ctrl-C is
// noted (the plug-in's thread picks it up at its next poll); the second
// removes the temporary and ends the process at once.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (InterlockedExchange(&interruptCount, 1) == 0) {
        if (InterlockedCompareExchange(&noticeKnown, 0, 0) != 0) {
            DWORD written = 0;
            WriteFile(GetStdHandle(STD_ERROR_HANDLE), noticeText, noticeLength, &written, nullptr);
        }
        return TRUE;
    }
    if (InterlockedCompareExchange(&temporaryKnown, 0, 0) != 0) {
        // The main thread may still be writing into it; it ends with the
        // process right after.
        CloseHandle(temporaryHandle);
        DeleteFileA(temporaryName);
    }
    ExitProcess(130);
    return TRUE;
}

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& first,
                  const BY_HANDLE_FILE_INFORMATION& second) {
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

// The identity of a disk file held open by a handle; false for consoles,
// pipes and devices.
bool HandleIdentity(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
    return file != INVALID_HANDLE_VALUE && file != nullptr && GetFileType(file) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(file, info) != 0;
}

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(file, info) != 0;
    CloseHandle(file);
    return ok;
}

std::string ErrorReason(DWORD code) { return WindowsErrorText(code); }

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

uint32_t CurrentProcessId() { return uint32_t(GetCurrentProcessId()); }

uint32_t FreshSeed() {
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    return uint32_t(GetTickCount()) ^ (uint32_t(counter.QuadPart) * 2654435761u) ^
           (CurrentProcessId() << 16);
}

bool MoveFileOver(const std::string& from, const std::string& to, std::string* reason) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    *reason = ErrorReason(GetLastError());
    return false;
}

// No links are followed here: a name is a disk file, a folder, or a device
// (NUL, CON, a pipe).
bool InspectOutput(const std::string& path, std::string* finalPath, OutputKind* kind,
                   std::string* reason) {
    *finalPath = path;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *reason = "is a folder";
        return false;
    }
    HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *kind = outputNewFile;
        return true;
    }
    const DWORD type = GetFileType(file);
    CloseHandle(file);
    *kind = type == FILE_TYPE_DISK ? outputRegularFile : outputDevice;
    if (*kind == outputRegularFile && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY)) {
        *reason = "the file is read-only; make it writable to replace it";
        return false;
    }
    return true;
}

FILE* OpenExistingForWriting(const std::string& path, std::string* reason) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) *reason = strerror(errno);
    return file;
}

FILE* CreateTemporaryBeside(const std::string& path, bool, std::string* temporary,
                            std::string* reason) {
    static uint32_t counter = 0;
    const std::string folder = FolderOf(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = folder + ".vorn-" + std::to_string(CurrentProcessId()) + "-" +
                     std::to_string(counter++) + ".tmp";
        const int fd = _open(temporary->c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                             _S_IREAD | _S_IWRITE);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            *reason = strerror(errno);
            return nullptr;
        }
        FILE* file = _fdopen(fd, "wb");
        if (file != nullptr) return file;
        *reason = strerror(errno);
        _close(fd);
        DeleteFileA(temporary->c_str());
        return nullptr;
    }
    *reason = strerror(EEXIST);
    return nullptr;
}

void UseBinaryMode(FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    if (!FileIdentity(a, &first) || !FileIdentity(b, &second)) return false;
    return SameIdentity(first, second);
}

bool ReadFileIsWritten(const std::string& read, const std::string& written) {
    BY_HANDLE_FILE_INFORMATION from, to;
    const bool haveFrom = read == "-" ? HandleIdentity(GetStdHandle(STD_INPUT_HANDLE), &from)
                                      : FileIdentity(read, &from);
    const bool haveTo = written == "-" ? HandleIdentity(GetStdHandle(STD_OUTPUT_HANDLE), &to)
                                       : FileIdentity(written, &to);
    return haveFrom && haveTo && SameIdentity(from, to);
}

bool MakeFolder(const std::string& path, std::string* reason) {
    if (CreateDirectoryA(path.c_str(), nullptr) || IsFolder(path)) return true;
    *reason = ErrorReason(GetLastError());
    return false;
}

int KeepStandardStreamsOpen() {
    // A closed standard stream is held by the null device, so that nothing
    // written to it lands elsewhere.
    int closed = 0;
    for (int fd = 0; fd <= 2; ++fd) {
        if (_get_osfhandle(fd) != -1) continue;
        closed |= 1 << fd;
        const int opened = _open("NUL", _O_RDWR | _O_BINARY);
        if (opened >= 0 && opened != fd) {
            _dup2(opened, fd);
            _close(opened);
        }
    }
    return closed;
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void InstallInterruptHandler() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

void SetInterruptNotice(const std::string& text) {
    InterlockedExchange(&noticeKnown, 0);
    if (text.empty() || text.size() >= sizeof noticeText) return;
    memcpy(noticeText, text.data(), text.size());
    noticeLength = DWORD(text.size());
    InterlockedExchange(&noticeKnown, 1);
}

bool InterruptRequested() { return InterlockedCompareExchange(&interruptCount, 0, 0) != 0; }

void RememberTemporaryFile(const std::string& path, FILE* file) {
    InterlockedExchange(&temporaryKnown, 0);
    if (path.size() >= sizeof temporaryName) return;
    memcpy(temporaryName, path.c_str(), path.size() + 1);
    temporaryHandle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    InterlockedExchange(&temporaryKnown, 1);
}

void ForgetTemporaryFile() { InterlockedExchange(&temporaryKnown, 0); }

// Console control events arrive on a thread of the console's own.
void BlockInterrupts(bool) {}

void PumpWindowMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
