// Handles in the host interface's sense (the address of a word that holds
// the data address): the host's own, made through its handle suite, or the
// plug-in's own kind built on global memory when the suite is not usable.
#pragma once

#include "host/HostInterface.h"

#include <cstdint>

// The plug-in's own handle. Hosts receive these as ordinary handles, so the
// layout is fixed: the data address first, then the tag word.
struct OwnHandle {
    void* dataBlock;
    uint32_t tag;
};

const uint32_t ownHandleTag = 0x464F544F;

void* AllocLockedBlock(size_t size);
bool HandleSuiteUsable(const HandleProcs* procs);
Handle NewHostHandle(const HandleProcs* procs, int32 size);
void DisposeHostHandle(const HandleProcs* procs, Handle handle);
Ptr LockHostHandle(const HandleProcs* procs, Handle handle, Boolean moveHigh);
void UnlockHostHandle(const HandleProcs* procs, Handle handle);
Handle NewOwnHandle(int32 size);
// Releases a handle made by NewOwnHandle; any other handle (its tag word
// differs) is left alone.
void DisposeOwnHandle(Handle handle);
