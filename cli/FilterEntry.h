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

// Every property list of a plug-in file, for --list.
bool ReadFilterProperties(const std::string& path, std::vector<PiplProperties>* lists,
                          std::string* error);
