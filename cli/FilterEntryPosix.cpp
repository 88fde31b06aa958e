// The native host: the plug-in's core is linked in, so its entry point is
// called directly and there is no file to load or property list to read.
#include "cli/FilterEntry.h"

#include "entry/Selectors.h"
#include "filter/ResolutionFactor.h"
#include "labyrinth/LabyrinthParts.h"
#include "host/GlobalMemory.h"
#include "host/Handles.h"

#include <cstring>

namespace {

// The direction order as the plug-in starts with it. It is a constant
// initializer, set before any code runs, so this copy, made while the
// program starts, is the order of a freshly loaded plug-in.
struct DirectionOrderCopy {
    char order[4];
};
const DirectionOrderCopy orderAtLoad = {{directionOrder[0], directionOrder[1], directionOrder[2],
                                         directionOrder[3]}};

}  // namespace

bool OpenFilterEntry(const std::string& pluginPath, FilterEntry* filter, std::string* error) {
    if (!pluginPath.empty()) {
        *error = "--plugin needs the Win32 host vornhost.exe; vorn has the filter built in";
        return false;
    }
    // Each run finds the plug-in as freshly loaded, as the Win32 host loads
    // the .8bf for each run: the module-level state the labyrinth carries
    // from one run to the next starts over, so a seed gives the same
    // labyrinth whatever ran before in this process.
    memcpy(directionOrder, orderAtLoad.order, sizeof directionOrder);
    resolutionWidth = 0;
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
