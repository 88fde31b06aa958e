// Loading a filter plug-in library and finding its entry point (Win32).
#pragma once

#include "testhost/HostSession.h"

#include <string>

struct LoadedPlugin {
    void* module = nullptr;  // HMODULE
    PluginEntryProc entry = nullptr;
    std::string entryName;
};

// Answers false with a one-line reason in *error when the file cannot be
// loaded or is no filter plug-in.
bool LoadFilterPlugin(const char* path, LoadedPlugin* plugin, std::string* error);
void UnloadFilterPlugin(LoadedPlugin* plugin);
