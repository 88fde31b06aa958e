#include "filter/FilterPass.h"

#include "entry/HostKind.h"
#include "entry/Parameters.h"
#include "filter/ColumnBytes.h"
#include "filter/PaintLabyrinth.h"
#include "filter/RecordChecks.h"
#include "filter/ResolutionFactor.h"
#include "host/HeapMemory.h"
#include "labyrinth/Labyrinth.h"

namespace {

void SetResult(FilterInstance* instance, OSErr code) {
    if (instance->result != nullptr) *instance->result = code;
}

// The pass needs one buffer of its own, the grid (and the frontier list
// inside BuildLabyrinth). The mask is read where the host keeps it; painted
// planes are not read at all, since what they get depends on the grid and
// the colours alone; the output is written once, after the last poll of
// abortProc has passed, so that a cancel leaves it untouched.
OSErr FilterWorkRect(FilterInstance* instance, int16 amount, int32_t width, int32_t height,
                     uint8_t** grid) {
    const FilterRecord* filter = instance->filter;
    size_t pixelCount = 0;
    if (!BufferBytes(size_t(width), size_t(height), &pixelCount)) return memFullErr;
    const LabyrinthSamples samples = LabyrinthSamplesOf(filter, HostKind);

    *grid = static_cast<uint8_t*>(AllocBuffer(pixelCount));
    if (*grid == nullptr) return memFullErr;
    const uint8_t* mask = nullptr;
    if (filter->haveMask) {
        mask = static_cast<const uint8_t*>(filter->maskData) +
               ptrdiff_t(instance->workRect.top) * filter->maskRowBytes + instance->workRect.left;
    }
    if (!BuildLabyrinth(*grid, int32_t(amount) + 1, width, height, mask, filter->maskRowBytes)) {
        return memFullErr;
    }
    if (!PollPaintedPlanes(filter->abortProc, samples.paintedCount, pixelCount)) {
        return userCanceledErr;
    }
    WriteLabyrinth(instance, *grid, samples);
    return noErr;
}

}  // namespace

void RunFilterPass(FilterInstance* instance) {
    if (instance == nullptr) return;
    if (instance->filter == nullptr) {
        SetResult(instance, filterBadParameters);
        return;
    }
    const FilterRecord* filter = instance->filter;
    DefaultColumnBytes(instance);

    const int32_t width = int32_t(instance->workRect.right) - instance->workRect.left;
    const int32_t height = int32_t(instance->workRect.bottom) - instance->workRect.top;
    if (width <= 0 || height <= 0) return;
    if (HostKind == hostKindAfterEffects) (void)ResolutionFactor(filter->wholeSize.h);

    // A negative Amount gives a lattice pitch below 1, on which wall growth
    // would never end.
    const FilterParameters* parameters = ParametersOf(filter);
    if (parameters == nullptr || parameters->Amount < 0) {
        SetResult(instance, filterBadParameters);
        return;
    }
    const OSErr recordCode = CheckPassRecord(instance);
    if (recordCode != noErr) {
        SetResult(instance, recordCode);
        return;
    }

    uint8_t* grid = nullptr;
    const OSErr code = FilterWorkRect(instance, parameters->Amount, width, height, &grid);
    FreeBuffer(grid);
    SetResult(instance, code);
}
