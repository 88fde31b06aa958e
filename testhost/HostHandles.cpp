// The host's handle suite: a handle is the address of a master pointer,
// which holds the address of the data.
#include "testhost/HostCallbacks.h"

#include <cstdlib>
#include <cstring>

namespace {

const uint32 hostHandleMagic = 0x48444C45;  // marks blocks this host made

struct HostHandleBlock {
    char* data;  // master pointer: must be the first word
    int32 size;
    uint32 magic;
};

HostHandleBlock* BlockOf(Handle handle) {
    HostHandleBlock* block = reinterpret_cast<HostHandleBlock*>(handle);
    return block != nullptr && block->magic == hostHandleMagic ? block : nullptr;
}

void CountHandle(int32 delta) {
    if (HostSession* session = ActiveHostSession()) session->liveHandles += delta;
}

Handle PI_CDECL NewEntry(int32 size) { return HostNewHandle(size); }
void PI_CDECL DisposeEntry(Handle handle) { HostDisposeHandle(handle); }
int32 PI_CDECL GetSizeEntry(Handle handle) {
    HostHandleBlock* block = BlockOf(handle);
    return block != nullptr ? block->size : 0;
}
OSErr PI_CDECL SetSizeEntry(Handle handle, int32 size) {
    HostHandleBlock* block = BlockOf(handle);
    if (block == nullptr || size < 0) return -109;  // nilHandleErr
    char* grown = static_cast<char*>(realloc(block->data, size == 0 ? 1 : size));
    if (grown == nullptr) return memFullErr;
    if (size > block->size) memset(grown + block->size, 0, size - block->size);
    block->data = grown;
    block->size = size;
    return noErr;
}
Ptr PI_CDECL LockEntry(Handle handle, Boolean) {
    HostHandleBlock* block = BlockOf(handle);
    return block != nullptr ? block->data : nullptr;
}
void PI_CDECL UnlockEntry(Handle) {}
void PI_CDECL RecoverSpaceEntry(int32) {}

}  // namespace

Handle HostNewHandle(int32 size) {
    if (size < 0) return nullptr;
    HostHandleBlock* block = static_cast<HostHandleBlock*>(calloc(1, sizeof(HostHandleBlock)));
    if (block == nullptr) return nullptr;
    block->data = static_cast<char*>(calloc(1, size == 0 ? 1 : size));
    if (block->data == nullptr) {
        free(block);
        return nullptr;
    }
    block->size = size;
    block->magic = hostHandleMagic;
    CountHandle(1);
    return reinterpret_cast<Handle>(block);
}

void HostDisposeHandle(Handle handle) {
    HostHandleBlock* block = BlockOf(handle);
    if (block == nullptr) return;  // not one of ours: a host leaves it alone
    block->magic = 0;
    free(block->data);
    free(block);
    CountHandle(-1);
}

Handle HostParametersHandle(int16 amount) {
    Handle handle = HostNewHandle(2);
    if (handle != nullptr) memcpy(*handle, &amount, 2);
    return handle;
}

void InstallHandleSuite(HostSession* session) {
    HandleProcs& procs = session->handleProcs;
    memset(&procs, 0, sizeof(procs));
    procs.handleProcsVersion = kCurrentHandleProcsVersion;
    procs.numHandleProcs = 8;
    procs.newProc = NewEntry;
    procs.disposeProc = DisposeEntry;
    procs.getSizeProc = GetSizeEntry;
    procs.setSizeProc = SetSizeEntry;
    procs.lockProc = LockEntry;
    procs.unlockProc = UnlockEntry;
    procs.recoverSpaceProc = RecoverSpaceEntry;
    procs.disposeRegularHandleProc = DisposeEntry;
    session->record.handleProcs = session->settings.haveHandleSuite ? &procs : nullptr;
}
