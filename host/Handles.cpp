#include "host/Handles.h"

#include "host/GlobalMemory.h"

void* AllocLockedBlock(size_t size) { return AllocGlobalLocked(size); }

bool HandleSuiteUsable(const HandleProcs* procs) {
    if (procs == nullptr) return false;
    if (procs->handleProcsVersion != kCurrentHandleProcsVersion) return false;
    if (static_cast<uint16>(procs->numHandleProcs) < 7) return false;
    if (procs->newProc == nullptr || procs->disposeProc == nullptr) return false;
    if (procs->getSizeProc == nullptr || procs->setSizeProc == nullptr) return false;
    // Every wrapper may call lock or unlock through the suite; a suite that
    // lacks them would crash the host on that call, so it is not used.
    if (procs->lockProc == nullptr || procs->unlockProc == nullptr) return false;
    return true;
}

Handle NewHostHandle(const HandleProcs* procs, int32 size) {
    if (HandleSuiteUsable(procs)) return procs->newProc(size);
    return NewOwnHandle(size);
}

void DisposeHostHandle(const HandleProcs* procs, Handle handle) {
    if (HandleSuiteUsable(procs)) {
        if (handle != nullptr) procs->disposeProc(handle);
        return;
    }
    DisposeOwnHandle(handle);
}

Ptr LockHostHandle(const HandleProcs* procs, Handle handle, Boolean moveHigh) {
    if (handle == nullptr) return nullptr;
    if (HandleSuiteUsable(procs)) return procs->lockProc(handle, moveHigh);
    return static_cast<Ptr>(reinterpret_cast<OwnHandle*>(handle)->dataBlock);
}

void UnlockHostHandle(const HandleProcs* procs, Handle handle) {
    // An own handle's blocks stay locked for the handle's whole life.
    if (handle != nullptr && HandleSuiteUsable(procs)) procs->unlockProc(handle);
}

Handle NewOwnHandle(int32 size) {
    if (size < 0) return nullptr;
    OwnHandle* record = static_cast<OwnHandle*>(AllocGlobalLocked(sizeof(OwnHandle)));
    if (record == nullptr) return nullptr;
    record->dataBlock = AllocGlobalLocked(static_cast<size_t>(size));
    if (record->dataBlock == nullptr) {
        FreeGlobalLocked(record);  // no half-made handle is left behind
        return nullptr;
    }
    record->tag = ownHandleTag;
    return reinterpret_cast<Handle>(record);
}

void DisposeOwnHandle(Handle handle) {
    if (handle == nullptr) return;
    OwnHandle* record = reinterpret_cast<OwnHandle*>(handle);
    // A host's handle that reaches here (the host offers no usable handle
    // suite to release it with) is not ours to free: it is left alone.
    if (record->tag != ownHandleTag) return;
    if (record->dataBlock != nullptr) FreeGlobalLocked(record->dataBlock);
    FreeGlobalLocked(record);
}
