// AllocGlobalLocked and its companions for the tests: blocks from the
// runtime heap, as natively, with any allocation made to fail on demand.
#include "tests/support/FailingGlobalMemory.h"

#include <cstdlib>

int32_t globalAllocFailAt = 0;

void* AllocGlobalLocked(size_t size) {
    if (globalAllocFailAt > 0 && --globalAllocFailAt == 0) return nullptr;
    return calloc(1, size == 0 ? 1 : size);
}

void FreeGlobalLocked(void* address) { free(address); }

void LockGlobalAddress(void*) {}

void UnlockGlobalAddress(void*) {}
