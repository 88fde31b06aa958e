// A hostile host for the fuzzer: the records, handle and descriptor suites
// of the test host, but an advanceState that delivers real buffers with the
// row and column bytes the fuzz input chooses (too small, zero, negative,
// huge), and record fields that the input may spoil between selectors.
#pragma once

#include "entry/FilterInstance.h"
#include "fuzz/FuzzInput.h"
#include "testhost/HostSession.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// How the host lays out the rows and columns of one delivered buffer.
struct BufferPolicy {
    uint8_t rowKind;     // natural, padded, short, zero, negative, any
    int32 rowValue;      // the padding, shortfall or value the kind uses
    uint8_t columnKind;  // natural, zero, negative, any
    int32 columnValue;
};

// A buffer the host handed over: `size` bytes of real memory (a 1-byte
// block when the host claims rows of no or negative length).
struct DeliveredBuffer {
    uint8_t* bytes;
    size_t size;
};

struct FuzzHost {
    HostSession session;
    int32 channels;        // planes the host holds: asking for more fails
    int32 bytesPerSample;  // the host's own sample size
    BufferPolicy in, out, mask;
    bool deliverMask;  // with haveMask set, whether mask data comes
    uint8_t fill;      // seed of the pixel values
    int32 advanceCalls;
    int32 failAtAdvance;  // this call of advanceState fails (0: none)
    OSErr failCode;
    int32 polls;
    int32 cancelAtPoll;  // abortProc says stop from this poll on (0: never)
    DeliveredBuffer inBuffer, outBuffer, maskBuffer;
    Handle hostParameters;  // the parameter handle the host passed in, or null
    bool handleSuite;       // whether the record carries the usable suite
    // Without a usable handle suite the plug-in cannot release the host's
    // descriptors; the host keeps them here and releases them at the end.
    std::vector<Handle> heldDescriptors;
};

// The host whose callbacks run: set by OpenFuzzHost.
extern FuzzHost* activeFuzzHost;

// Sets up records and suites from the input's first decisions: image size,
// mode, planes, filter rectangle, mask, buffer layouts, parameter handle,
// descriptor and suites.
void OpenFuzzHost(FuzzHost* host, FuzzInput* input);

// One hostile change to the record or the host's behaviour.
void SpoilFuzzHost(FuzzHost* host, FuzzInput* input);

// Notes a descriptor the record now holds, when the plug-in could not
// release it itself (no usable handle suite). Called after every call.
void NoteHostDescriptor(FuzzHost* host);

// Releases the buffers, the plug-in's instance and parameter block and
// the session; afterwards nothing the run made is left.
void CloseFuzzHost(FuzzHost* host);

// What a plug-in call may have left: the instance record behind the data
// slot (null before the first call made one).
FilterInstance* FuzzInstance(FuzzHost* host);
