// Loading a filter plug-in library and finding its entry point (Win32).
#pragma once

#include "testhost/HostSession.h"
#include "testhost/PiplReader.h"

#include <string>
#include <vector>

struct LoadedPlugin {
    void* module = nullptr;  // HMODULE
    PluginEntryProc entry = nullptr;
    std::string entryName;
};

// Reads every property list (PiPL resource) of the library without running
// any of its code. Answers false when the file is no Windows library or has
// no readable property list.
bool ReadPluginProperties(const char* path, std::vector<PiplProperties>* lists, std::string* error);

// Loads the library the way hosts do: reads its property lists first,
// takes the first that describes a filter ('kind' 8BFM), then loads the
// code and finds the entry point that list names for this host's
// architecture. Refuses anything that is no filter without running it;
// the one-line reason is in *error.
bool LoadFilterByProperties(const char* path, LoadedPlugin* plugin, PiplProperties* properties,
                            std::string* error);
void UnloadFilterPlugin(LoadedPlugin* plugin);
