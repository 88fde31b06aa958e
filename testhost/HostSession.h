// A filter host in miniature: it holds an image in memory, fills a
// FilterRecord for it with working callbacks (advanceState, abortProc,
// displayPixels, a handle suite, descriptor suites) and drives a plug-in's
// entry point selector by selector, as an image editor does. The native
// build calls the linked PluginMain; the Win32 build calls the entry point
// of a .8bf it has loaded.
#pragma once

#include "host/HostInterface.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

typedef void(PI_CDECL* PluginEntryProc)(int16 selector, void* paramBlock, intptr_t* data,
                                        int16* result);

// Image-sized buffers are not filled when they are made: a header that
// claims a huge image costs address space, not the time and memory of
// writing every byte, until rows are actually decoded into it.
template <typename T>
struct UnfilledAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UnfilledAllocator<U>;
    };
    UnfilledAllocator() = default;
    template <typename U>
    UnfilledAllocator(const UnfilledAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* at) noexcept {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};
using HostBytes = std::vector<uint8_t, UnfilledAllocator<uint8_t>>;

// Samples are interleaved, rows rowBytes apart (0: packed without padding).
// 16-bit samples are on the host's scale (0..32768 full intensity), native
// byte order.
struct HostImage {
    int32 width = 0;
    int32 height = 0;
    int32 channels = 0;        // samples per pixel held by the host
    int32 bytesPerSample = 1;  // 1 or 2
    HostBytes samples;
    HostBytes mask;          // selection bytes, width a row; empty: none
    int32 rowBytes = 0;      // bytes from a row of samples to the next; 0: packed
    int32 maskRowBytes = 0;  // the same for the mask; 0: width
};

// Bytes from one row to the next.
inline size_t HostRowBytes(const HostImage& image) {
    return image.rowBytes > 0
               ? size_t(image.rowBytes)
               : size_t(image.width) * size_t(image.channels) * size_t(image.bytesPerSample);
}
inline size_t HostMaskRowBytes(const HostImage& image) {
    return image.maskRowBytes > 0 ? size_t(image.maskRowBytes) : size_t(image.width);
}

struct ScriptItem {
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32 value;
};

struct HostSettings {
    int16 imageMode = plugInModeRGBColor;
    int16 planes = 3;  // planes reported to the plug-in (may be < channels)
    int16 inLayerPlanes = 0;
    int16 inTransparencyMask = 0;
    Rect filterRect = {0, 0, 0, 0};  // all zero: the whole image
    RGBColor foreground = {0, 0, 0};
    RGBColor background = {65535, 65535, 65535};
    int32 rowPadding = 3;           // bytes added at the end of each delivered row
    bool reportColumnBytes = true;  // false: inColumnBytes/outColumnBytes stay 0
    bool haveAdvanceState = true;
    bool haveDisplayPixels = true;
    bool haveHandleSuite = true;
    bool haveDescriptorSuites = true;
    int16 playInfo = plugInDialogDontDisplay;
    Boolean autoMask = 1;
    Boolean isFloating = 0;
    int32 cancelAtPoll = 0;  // abortProc answers true from this poll on (1 = first); 0: never
    intptr_t parentWindow = 0;
    // Host conventions (testhost/HostProfiles.h). The defaults are
    // Photoshop's.
    bool colourFieldsHoldBytes = false;  // foreground/background as 8-bit values (0..255)
    bool keepParameters = true;          // false: every run starts with no parameter block,
                                         // from Parameters
    bool maxSpaceInKilobytes = false;
    bool abortPumpsMessages = true;     // abortProc hooks may dispatch window messages
    bool wholeImageFilterRect = false;  // filterRect the whole image, whatever the selection
    // Hand the plug-in pointers into the host's own image (input and mask)
    // and into the result (output) whenever the rectangle lies inside the
    // image and takes every plane, as editors do, instead of copies; rows
    // are then the image's rows.
    bool deliverInPlace = false;
};

struct HostSession;
typedef void (*AbortPollHook)(HostSession* session);

struct HostSession {
    HostSettings settings;
    HostImage source;  // as the user left it; never written
    HostImage result;  // what the host shows after the filter

    FilterRecord record{};
    AboutRecord about{};
    PlatformData platform{};
    HandleProcs handleProcs{};
    PIDescriptorParameters descriptorParameters{};
    ReadDescriptorProcs readProcs{};
    WriteDescriptorProcs writeProcs{};
    intptr_t data = 0;  // the plug-in's data slot

    std::vector<uint8_t> inBuffer, outBuffer, maskBuffer;
    Rect deliveredOut = {0, 0, 0, 0};
    bool deliveredInPlace = false;  // the output rectangle lies in result itself
    int16 deliveredOutLo = 0;
    int16 deliveredOutHi = -1;

    // What the host saw.
    int32 advanceCalls = 0;
    int32 abortPolls = 0;
    int32 displayCalls = 0;
    int32 liveHandles = 0;
    PSPixelMap lastPixelMap{};
    std::vector<uint8_t> lastDisplayed;  // rows of the last pixel map, as drawn
    bool cancelRequested = false;        // set from outside (Ctrl-C)
    OSErr callbackError = 0;             // memFullErr once a callback ran out of memory
    AbortPollHook onAbortPoll = nullptr;
    void* hookContext = nullptr;

    std::vector<ScriptItem> scriptIn;        // what the descriptor holds on Start
    Handle scriptGiven = nullptr;            // the descriptor handle handed over
    std::vector<ScriptItem> scriptRecorded;  // what the plug-in wrote on Finish
};

// Prepares the records for this image; the session must stay at its address
// while the plug-in is called (callbacks find it through a module pointer).
void OpenHostSession(HostSession* session, const HostImage& image, const HostSettings& settings);
// The same, taking the image over instead of copying it (the image is left
// empty): the session then holds the image and one result of its size.
void OpenHostSessionTaking(HostSession* session, HostImage* image, const HostSettings& settings);
void CloseHostSession(HostSession* session);

// One call of the entry point; answers the plug-in's result. Selector 0
// passes the AboutRecord. The session becomes the active one.
int16 CallSelector(HostSession* session, PluginEntryProc entry, int16 selector);

// A whole run as from the host's menu (withParameters: Parameters first,
// which asks for the dialog) or as a replayed script step. Continue is
// repeated while the plug-in still requests data. The output is kept only
// when every selector answered 0 and no callback ran out of memory; a run
// in which one did answers memFullErr, whatever the plug-in made of it.
int16 RunFilterSession(HostSession* session, PluginEntryProc entry, bool withParameters);

// Puts a descriptor holding these items into the record before Start.
void SetScriptDescriptor(HostSession* session, const std::vector<ScriptItem>& items);

// Host handle suite helpers, shared with the descriptor code.
Handle HostNewHandle(int32 size);
void HostDisposeHandle(Handle handle);

// A handle holding the given Amount, as a host that kept a parameter block
// from an earlier run passes it.
Handle HostParametersHandle(int16 amount);

HostSession* ActiveHostSession();
