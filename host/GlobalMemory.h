// Long-lived, zero-filled memory blocks at stable addresses: movable global
// memory locked once on Windows, a plain allocator elsewhere. The handles
// code and the instance record are built on these four operations. The
// unit tests and the fuzz target link a replacement that can make an
// allocation fail on purpose (tests/support/FailingGlobalMemory.cpp); that
// is why each platform's file defines these four and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

// A new zero-filled block of the given size, locked at a fixed address;
// null when none can be had (GlobalAlloc with GMEM_MOVEABLE | GMEM_ZEROINIT,
// then GlobalLock, on Windows).
void* AllocGlobalLocked(size_t size);

// Undoes the lock of the block at this address and releases it
// (GlobalUnlock and GlobalFree of GlobalHandle(address) on Windows).
void FreeGlobalLocked(void* address);

// GlobalLock / GlobalUnlock called with a locked block's address: on such an
// address they change nothing, and the block stays where it is.
void LockGlobalAddress(void* address);
void UnlockGlobalAddress(void* address);
