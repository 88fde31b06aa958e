#include "cli/MemoryLimit.h"

#include <windows.h>

uint64_t AvailableMemoryBytes() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return UINT64_MAX;
    const uint64_t system = uint64_t(status.ullAvailPageFile);  // commit charge left
    const uint64_t space = uint64_t(status.ullAvailVirtual);
    return space < system ? space : system;
}
