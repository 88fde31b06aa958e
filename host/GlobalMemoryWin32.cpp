// Global memory on Windows: movable, zero-filled blocks locked at creation.
#include "host/GlobalMemory.h"

#include <windows.h>

void* AllocGlobalLocked(size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr) return nullptr;
    void* address = GlobalLock(block);
    if (address == nullptr) GlobalFree(block);
    return address;
}

void FreeGlobalLocked(void* address) {
    if (address == nullptr) return;
    GlobalUnlock(GlobalHandle(address));
    GlobalFree(GlobalHandle(address));
}

void LockGlobalAddress(void* address) { GlobalLock(address); }

void UnlockGlobalAddress(void* address) { GlobalUnlock(address); }
