// Stand-in for Windows global memory on other platforms: the runtime heap
// gives zero-filled blocks that never move and are released by address.
// Locking has nothing to do here.
#include "host/GlobalMemory.h"

#include <cstdlib>

void* AllocGlobalLocked(size_t size) { return calloc(1, size == 0 ? 1 : size); }

void FreeGlobalLocked(void* address) { free(address); }

void LockGlobalAddress(void*) {}

void UnlockGlobalAddress(void*) {}
