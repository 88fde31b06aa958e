// PluginMain: finds or makes the instance record in the host's data slot,
// binds it to this call and hands the call to the selector's handler.
#include "entry/Selectors.h"

#include "entry/HostKind.h"
#include "host/GlobalMemory.h"
#include "host/Handles.h"

#include <cstring>

namespace {

void Bind(FilterInstance* instance, int16* result, FilterRecord* filter) {
    instance->result = result;
    instance->filter = filter;
}

// Every host but Fireworks: the slot holds the address of a locked block.
FilterInstance* AcquireFromBlock(FilterRecord* filter, intptr_t* data, int16* result) {
    FilterInstance* instance = reinterpret_cast<FilterInstance*>(*data);
    OSErr initCode = noErr;
    if (instance != nullptr) {
        Bind(instance, result, filter);
    } else {
        instance = static_cast<FilterInstance*>(AllocLockedBlock(sizeof(FilterInstance)));
        if (instance == nullptr) {
            *result = memFullErr;
            return nullptr;
        }
        *data = reinterpret_cast<intptr_t>(instance);
        Bind(instance, result, filter);
        // The result is cleared first so that a failure reported by the
        // initialisation (no parameter block) reaches the host.
        *result = noErr;
        InitializeInstance(instance);
        initCode = *result;
    }
    LockGlobalAddress(instance);
    *result = initCode;
    return instance;
}

// Fireworks: the slot holds a handle whose block holds the record.
FilterInstance* AcquireFromHandle(FilterRecord* filter, intptr_t* data, int16* result) {
    const HandleProcs* procs = filter->handleProcs;
    Handle held = reinterpret_cast<Handle>(*data);
    if (held != nullptr) {
        FilterInstance* instance =
            reinterpret_cast<FilterInstance*>(LockHostHandle(procs, held, true));
        if (instance == nullptr) {
            *result = memFullErr;
            return nullptr;
        }
        instance->result = result;
        *result = noErr;
        instance->filter = filter;
        return instance;
    }
    Handle made = NewHostHandle(procs, static_cast<int32>(sizeof(FilterInstance)));
    if (made == nullptr) {
        *result = memFullErr;
        return nullptr;
    }
    FilterInstance* instance = reinterpret_cast<FilterInstance*>(LockHostHandle(procs, made, true));
    if (instance == nullptr) {
        DisposeHostHandle(procs, made);
        *result = memFullErr;
        return nullptr;
    }
    // A host's newProc need not clear the block; start from a known record.
    memset(instance, 0, sizeof(FilterInstance));
    instance->result = result;
    *result = noErr;
    instance->filter = filter;
    InitializeInstance(instance);
    *data = reinterpret_cast<intptr_t>(made);
    return instance;
}

void Release(FilterInstance* instance, FilterRecord* filter, const intptr_t* data) {
    if (HostKind == hostKindFireworks) {
        if (*data != 0) UnlockHostHandle(filter->handleProcs, reinterpret_cast<Handle>(*data));
    } else {
        UnlockGlobalAddress(instance);
    }
}

}  // namespace

extern "C" VORN_EXPORT void PI_CDECL PluginMain(int16 selector, void* paramBlock, intptr_t* data,
                                                int16* result) {
    if (result == nullptr) return;  // nowhere to report anything
    if (paramBlock == nullptr || data == nullptr) {
        *result = filterBadParameters;
        return;
    }
    if (selector == filterSelectorAbout) {
        // The About selector brings an AboutRecord, far smaller than a
        // FilterRecord: no filter field is read or written for it, and the
        // About box needs nothing from the instance.
        *result = noErr;
        OnAbout(static_cast<const AboutRecord*>(paramBlock));
        return;
    }

    FilterRecord* filter = static_cast<FilterRecord*>(paramBlock);
    FilterInstance* instance = HostKind == hostKindFireworks
                                   ? AcquireFromHandle(filter, data, result)
                                   : AcquireFromBlock(filter, data, result);
    if (instance == nullptr) return;

    if (HostKind == hostKindPremiere) filter->wholeSize = filter->imageSize;

    switch (selector) {
        case filterSelectorParameters: OnParameters(instance); break;
        case filterSelectorPrepare: OnPrepare(instance); break;
        case filterSelectorStart: OnStart(instance); break;
        case filterSelectorContinue: OnContinue(instance); break;
        case filterSelectorFinish: OnFinish(instance); break;
        default: *result = filterBadParameters; break;
    }

    Release(instance, filter, data);
}
