// The Win32 host: loads a filter .8bf by its property list; by default the
// plug-in that sits beside the program.
#include "cli/FilterEntry.h"

#include "cli/PathText.h"
#include "testhost/ErrorText.h"
#include "testhost/PluginLoader.h"

#include <windows.h>

namespace {

std::string DefaultPluginPath() {
    char path[MAX_PATH] = {0};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const size_t slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    return folder + (sizeof(void*) == 8 ? "Vorn64.8bf" : "Vorn.8bf");
}

}  // namespace

bool OpenFilterEntry(const std::string& pluginPath, FilterEntry* filter, std::string* error) {
    const std::string path = pluginPath.empty() ? DefaultPluginPath() : pluginPath;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        *error = "no plug-in " + QuotePath(path) + " (" + WindowsErrorText(code) + "): " +
                 (pluginPath.empty() ? "put it beside this program, or name one with --plugin PATH"
                                     : "name an existing .8bf file with --plugin");
        return false;
    }
    LoadedPlugin plugin;
    if (!LoadFilterByProperties(path.c_str(), &plugin, &filter->properties, error)) return false;
    filter->entry = plugin.entry;
    filter->module = plugin.module;
    filter->haveProperties = true;
    return true;
}

void CloseFilterEntry(FilterEntry* filter) {
    LoadedPlugin plugin;
    plugin.module = filter->module;
    plugin.entry = filter->entry;
    UnloadFilterPlugin(&plugin);
    filter->module = nullptr;
    filter->entry = nullptr;
}

void ReleasePluginData(HostSession*) {}

bool ReadFilterProperties(const std::string& path, std::vector<PiplProperties>* lists,
                          std::string* error) {
    return ReadPluginProperties(path.c_str(), lists, error);
}

// The labyrinth is built inside the loaded .8bf, which shows nothing of it.
bool LabyrinthBuildCount(int64_t*, int64_t*) { return false; }
