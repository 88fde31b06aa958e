#include "cli/CliPlatform.h"

#include <windows.h>

const char* const programName = "vornhost";

namespace {

volatile LONG interruptRequested = 0;

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    InterlockedExchange(&interruptRequested, 1);
    return TRUE;
}

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(file, info) != 0;
    CloseHandle(file);
    return ok;
}

}  // namespace

uint32_t CurrentProcessId() { return uint32_t(GetCurrentProcessId()); }

uint32_t FreshSeed() {
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    return uint32_t(GetTickCount()) ^ (uint32_t(counter.QuadPart) * 2654435761u) ^
           (CurrentProcessId() << 16);
}

bool MoveFileOver(const std::string& from, const std::string& to, std::string* error) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    *error = "cannot write " + to + " (error " + std::to_string(GetLastError()) + ")";
    return false;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    if (!FileIdentity(a, &first) || !FileIdentity(b, &second)) return false;
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

// The console runs the handler on a thread of its own; it only notes the
// request, which the plug-in's thread picks up at its next abortProc poll.
void InstallInterruptHandler() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

bool InterruptRequested() { return InterlockedCompareExchange(&interruptRequested, 0, 0) != 0; }

void PumpWindowMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
