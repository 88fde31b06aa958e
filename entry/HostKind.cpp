#include "entry/HostKind.h"

#include <cstring>

int32_t HostKind = hostKindOther;

void ResetHostKind() { HostKind = hostKindOther; }

int32_t ClassifyHost(const char* fileName) {
    struct KnownHost {
        const char* executable;
        int32_t kind;
    };
    // Compared exactly, letter case included, first match wins.
    static const KnownHost knownHosts[] = {
        {"Photoshp.exe", hostKindPhotoshop},  {"Photoshop.exe", hostKindPhotoshop},
        {"Fireworks.exe", hostKindFireworks}, {"AfterFX.exe", hostKindAfterEffects},
        {"premiere.exe", hostKindPremiere},
    };
    if (fileName == nullptr) return hostKindOther;
    for (const KnownHost& host : knownHosts) {
        if (strcmp(fileName, host.executable) == 0) return host.kind;
    }
    return hostKindOther;
}
