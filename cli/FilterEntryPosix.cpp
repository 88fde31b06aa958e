// The native host: the plug-in's core is linked in, so its entry point is
// called directly and there is no file to load or property list to read.
#include "cli/FilterEntry.h"

#include "entry/BuildCount.h"
#include "entry/ModuleState.h"
#include "entry/Selectors.h"
#include "host/GlobalMemory.h"
#include "host/Handles.h"

bool OpenFilterEntry(const std::string& pluginPath, FilterEntry* filter, std::string* error) {
    if (!pluginPath.empty()) {
        *error = "--plugin needs the Win32 host vornhost.exe; vorn has the filter built in";
        return false;
    }
    // Each run finds the plug-in as freshly loaded, as the Win32 host loads
    // the .8bf for each run: the state the plug-in carries from one run to
    // the next starts over, so a seed gives the same labyrinth whatever ran
    // before in this process.
    ResetModuleState();
    filter->entry = PluginMain;
    filter->module = nullptr;
    filter->haveProperties = false;
    return true;
}

void CloseFilterEntry(FilterEntry* filter) { filter->entry = nullptr; }

void ReleasePluginData(HostSession* session) {
    if (session->data != 0) FreeGlobalLocked(reinterpret_cast<void*>(session->data));
    session->data = 0;
    // Left alone when it is a handle of the host's own making.
    if (session->record.parameters != nullptr) DisposeOwnHandle(session->record.parameters);
    session->record.parameters = nullptr;
}

bool ReadFilterProperties(const std::string&, std::vector<PiplProperties>*, std::string* error) {
    *error = "--list needs the Win32 host vornhost.exe, which loads .8bf files";
    return false;
}

bool LabyrinthBuildCount(int64_t* done, int64_t* total) {
    ReadBuildCount(done, total);
    return true;
}
