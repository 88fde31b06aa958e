// Where the host finds the filter's entry point: the native host has the
// plug-in linked in; the Win32 host loads a .8bf and reads its property
// list first, as image editors do.
#pragma once

#include "testhost/HostSession.h"
#include "testhost/PiplReader.h"

#include <string>
#include <vector>

struct FilterEntry {
    PluginEntryProc entry = nullptr;
    void* module = nullptr;
    bool haveProperties = false;  // false: no property list was read
    PiplProperties properties;
};

// pluginPath empty: the default plug-in.
bool OpenFilterEntry(const std::string& pluginPath, FilterEntry* filter, std::string* error);
void CloseFilterEntry(FilterEntry* filter);

// After the last call of a run: the blocks the plug-in leaves with the host
// for its next call (the instance record in the data slot, the parameter
// block) are released, as unloading the plug-in would release them. The
// native host, which has the plug-in linked in, frees them with the
// plug-in's own allocator; the Win32 host leaves them to FreeLibrary and
// process exit, as image editors do.
void ReleasePluginData(HostSession* session);

// Every property list of a plug-in file, for --list.
bool ReadFilterProperties(const std::string& path, std::vector<PiplProperties>* lists,
                          std::string* error);

// How far the plug-in has come in building its labyrinth: lattice points
// turned into walls so far out of those it can reach. Only the native
// host, which has the plug-in linked in, can see it; the Win32 host
// answers false.
bool LabyrinthBuildCount(int64_t* done, int64_t* total);
