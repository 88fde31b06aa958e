// The library entry. The C runtime's DLL start-up calls DllMain by that exact
// name; it hands every notification to DLLMain, which starts the lasting
// state from its list when the library is attached, keeps the module
// handle and classifies the host from its executable's file name.
#include "entry/HostKind.h"
#include "entry/ModuleHandle.h"
#include "entry/ModuleState.h"

#include <windows.h>

#include <cstring>

BOOL DLLMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ResetModuleState();
        moduleHandle = module;
    }
    char path[256] = {0};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length >= sizeof(path)) length = sizeof(path) - 1;
    path[length] = '\0';
    const char* name = strrchr(path, '\\');
    HostKind = ClassifyHost(name != nullptr ? name + 1 : path);
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    return DLLMain(module, reason, reserved);
}
