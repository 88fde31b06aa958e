// A very small checking kit for the Win32 test drivers, which run under Wine
// where GoogleTest is not available: each failed check prints one line, and
// the driver ends with a summary line and a non-zero exit on failure.
#pragma once

#include "testhost/PluginLoader.h"

#include <cstdio>
#include <cstdlib>
#include <string>

struct WinCheckTally {
    int passed = 0;
    int failed = 0;
};

inline WinCheckTally& Tally() {
    static WinCheckTally tally;
    return tally;
}

#define WIN_CHECK(condition)                                              \
    do {                                                                  \
        if (condition) {                                                  \
            ++Tally().passed;                                             \
        } else {                                                          \
            ++Tally().failed;                                             \
            printf("FAILED %s:%d: %s\n", __FILE__, __LINE__, #condition); \
        }                                                                 \
    } while (0)

#define WIN_CHECK_EQ(actual, expected)                                                           \
    do {                                                                                         \
        long long a_ = static_cast<long long>(actual);                                           \
        long long e_ = static_cast<long long>(expected);                                         \
        if (a_ == e_) {                                                                          \
            ++Tally().passed;                                                                    \
        } else {                                                                                 \
            ++Tally().failed;                                                                    \
            printf("FAILED %s:%d: %s is %lld, expected %lld\n", __FILE__, __LINE__, #actual, a_, \
                   e_);                                                                          \
        }                                                                                        \
    } while (0)

inline int FinishChecks(const char* name) {
    printf("%s: %d checks passed, %d failed\n", name, Tally().passed, Tally().failed);
    fflush(stdout);
    return Tally().failed == 0 ? 0 : 1;
}

// The plug-in to test: the first argument, or Vorn.8bf beside the driver.
inline std::string PluginPathArgument(int argc, char** argv) {
    if (argc > 1) return argv[1];
    return "Vorn.8bf";
}

// Loads the plug-in under test; says why when it cannot.
inline bool LoadPluginUnderTest(int argc, char** argv, LoadedPlugin* plugin) {
    const std::string path = PluginPathArgument(argc, argv);
    std::string error;
    PiplProperties properties;
    if (LoadFilterByProperties(path.c_str(), plugin, &properties, &error)) return true;
    printf("FAILED: %s\n", error.c_str());
    return false;
}
