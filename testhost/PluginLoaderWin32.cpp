#include "testhost/PluginLoader.h"

#include <windows.h>

bool LoadFilterPlugin(const char* path, LoadedPlugin* plugin, std::string* error) {
    HMODULE module = LoadLibraryA(path);
    if (module == nullptr) {
        *error = std::string("cannot load ") + path + " (error " +
                 std::to_string(GetLastError()) + ")";
        return false;
    }
    plugin->entryName = "PluginMain";
    FARPROC entry = GetProcAddress(module, plugin->entryName.c_str());
    if (entry == nullptr) {
        FreeLibrary(module);
        *error = std::string(path) + " has no entry point " + plugin->entryName;
        return false;
    }
    plugin->module = module;
    plugin->entry = reinterpret_cast<PluginEntryProc>(reinterpret_cast<void*>(entry));
    return true;
}

void UnloadFilterPlugin(LoadedPlugin* plugin) {
    if (plugin->module != nullptr) FreeLibrary(static_cast<HMODULE>(plugin->module));
    plugin->module = nullptr;
    plugin->entry = nullptr;
}
