#include "cli/MemoryLimit.h"

#include <sys/resource.h>
#include <cstdio>
#include <cstring>

namespace {

// A field of /proc/meminfo in bytes, or 0 when absent.
uint64_t MemInfoField(const char* text, const char* field) {
    const char* at = strstr(text, field);
    if (at == nullptr) return 0;
    unsigned long long kib = 0;
    if (sscanf(at + strlen(field), " %llu", &kib) != 1) return 0;
    return uint64_t(kib) * 1024u;
}

uint64_t Smaller(uint64_t a, uint64_t b) { return a < b ? a : b; }

}  // namespace

uint64_t AvailableMemoryBytes() {
    uint64_t available = UINT64_MAX;
    if (FILE* file = fopen("/proc/meminfo", "r")) {
        char text[8192];
        const size_t got = fread(text, 1, sizeof text - 1, file);
        fclose(file);
        text[got] = 0;
        const uint64_t physical = MemInfoField(text, "MemAvailable:");
        if (physical > 0) available = physical + MemInfoField(text, "SwapFree:");
    }
    rlimit limit = {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        // What the process has mapped already counts against the limit.
        uint64_t mapped = 0;
        if (FILE* file = fopen("/proc/self/status", "r")) {
            char text[8192];
            const size_t got = fread(text, 1, sizeof text - 1, file);
            fclose(file);
            text[got] = 0;
            mapped = MemInfoField(text, "VmSize:");
        }
        const uint64_t total = uint64_t(limit.rlim_cur);
        available = Smaller(available, total > mapped ? total - mapped : 0);
    }
    if (getrlimit(RLIMIT_DATA, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        available = Smaller(available, uint64_t(limit.rlim_cur));
    return available;
}
