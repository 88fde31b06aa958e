#include "testhost/PluginLoader.h"

#include "testhost/ErrorText.h"

#include <windows.h>

void UnloadFilterPlugin(LoadedPlugin* plugin) {
    if (plugin->module != nullptr) FreeLibrary(static_cast<HMODULE>(plugin->module));
    plugin->module = nullptr;
    plugin->entry = nullptr;
}

namespace {

struct ResourceNames {
    std::vector<std::string> names;  // "#id" for numbered resources
};

BOOL CALLBACK CollectResourceName(HMODULE, LPCSTR, LPSTR name, LONG_PTR context) {
    ResourceNames* found = reinterpret_cast<ResourceNames*>(context);
    if (IS_INTRESOURCE(name)) {
        found->names.push_back("#" + std::to_string(reinterpret_cast<uintptr_t>(name)));
    } else {
        found->names.push_back(name);
    }
    return TRUE;
}

}  // namespace

bool ReadPluginProperties(const char* path, std::vector<PiplProperties>* lists,
                          std::string* error) {
    lists->clear();
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        *error = std::string("cannot open ") + path + ": " + WindowsErrorText(GetLastError());
        return false;
    }
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        *error = std::string(path) + " is not a Windows library, so it is no filter plug-in";
        return false;
    }
    ResourceNames found;
    EnumResourceNamesA(module, "PIPL", CollectResourceName, reinterpret_cast<LONG_PTR>(&found));
    std::string firstProblem;
    for (const std::string& name : found.names) {
        HRSRC info = FindResourceA(module, name.c_str(), "PIPL");
        HGLOBAL loaded = info != nullptr ? LoadResource(module, info) : nullptr;
        const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (bytes == nullptr) continue;
        PiplProperties properties;
        std::string problem;
        if (ParsePipl(static_cast<const uint8_t*>(bytes), SizeofResource(module, info), &properties,
                      &problem)) {
            lists->push_back(properties);
        } else if (firstProblem.empty()) {
            firstProblem = problem;
        }
    }
    FreeLibrary(module);
    if (lists->empty()) {
        *error = std::string(path) +
                 (firstProblem.empty()
                      ? " has no plug-in property list (PiPL), so it is no filter plug-in"
                      : ": " + firstProblem);
        return false;
    }
    return true;
}

bool LoadFilterByProperties(const char* path, LoadedPlugin* plugin, PiplProperties* properties,
                            std::string* error) {
    std::vector<PiplProperties> lists;
    if (!ReadPluginProperties(path, &lists, error)) return false;
    const PiplProperties* filter = nullptr;
    for (const PiplProperties& list : lists) {
        if (list.kind == piplKindFilter) {
            filter = &list;
            break;
        }
    }
    if (filter == nullptr) {
        *error = std::string(path) + " is a plug-in of kind '" + FourCharText(lists[0].kind) +
                 "', not a filter (8BFM)";
        return false;
    }
    const std::string entryName = PiplEntryForThisHost(*filter);
    if (entryName.empty()) {
        *error = std::string(path) + " names no entry point for " +
                 (sizeof(void*) == 8 ? "64-bit hosts ('8664')" : "32-bit hosts ('wx86')");
        return false;
    }
    HMODULE module = LoadLibraryA(path);
    if (module == nullptr) {
        *error = std::string("cannot load ") + path + ": " + WindowsErrorText(GetLastError());
        return false;
    }
    FARPROC entry = GetProcAddress(module, entryName.c_str());
    if (entry == nullptr) {
        FreeLibrary(module);
        *error = std::string(path) + " has no entry point " + entryName +
                 " although its property list names it";
        return false;
    }
    plugin->module = module;
    plugin->entry = reinterpret_cast<PluginEntryProc>(reinterpret_cast<void*>(entry));
    plugin->entryName = entryName;
    *properties = *filter;
    return true;
}
