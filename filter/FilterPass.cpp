#include "filter/FilterPass.h"

#include "entry/Parameters.h"
#include "filter/PaintLabyrinth.h"
#include "filter/PixelPlanes.h"
#include "filter/RecordChecks.h"
#include "filter/ResolutionFactor.h"
#include "host/HeapMemory.h"
#include "labyrinth/Labyrinth.h"

namespace {

// Everything one pass allocates; null until made, released together.
struct PassBuffers {
    PlaneSet planes;
    uint8_t* maskCopy;
    uint8_t* grid;
};

void SetResult(FilterInstance* instance, OSErr code) {
    if (instance->result != nullptr) *instance->result = code;
}

OSErr FilterWorkRect(FilterInstance* instance, int16 amount, int32_t width, int32_t height,
                     PassBuffers* buffers) {
    FilterRecord* filter = instance->filter;
    const int32_t bytesPerSample = BytesPerSample(filter->imageMode);
    const int32_t planeCount = PlaneCountOf(filter->planes);

    size_t pixelCount = 0;
    if (!BufferBytes(size_t(width), size_t(height), &pixelCount)) return memFullErr;
    if (!AllocPlaneSet(&buffers->planes, planeCount, pixelCount)) return memFullErr;
    if (filter->haveMask) {
        buffers->maskCopy = static_cast<uint8_t*>(AllocBuffer(pixelCount));
        if (buffers->maskCopy == nullptr) return memFullErr;
    }

    const PlaneColour wall = PlaneColourOf(filter->foreground, HostKind);
    const PlaneColour corridor = PlaneColourOf(filter->background, HostKind);
    ReadPlanes(instance, bytesPerSample, planeCount, &buffers->planes, buffers->maskCopy);

    buffers->grid = static_cast<uint8_t*>(AllocBuffer(pixelCount));
    if (buffers->grid == nullptr) return memFullErr;
    if (!BuildLabyrinth(buffers->grid, int32_t(amount) + 1, width, height, buffers->maskCopy)) {
        return memFullErr;
    }

    if (!PaintLabyrinth(&buffers->planes, PaintedPlaneCount(filter->planes), buffers->grid,
                        pixelCount, wall, corridor, filter->abortProc)) {
        return userCanceledErr;
    }
    FreeBuffer(buffers->grid);
    buffers->grid = nullptr;
    WritePlanes(instance, bytesPerSample, planeCount, &buffers->planes);
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

    PassBuffers buffers = {};
    const OSErr code = FilterWorkRect(instance, parameters->Amount, width, height, &buffers);
    FreeBuffer(buffers.grid);
    FreeBuffer(buffers.maskCopy);
    FreePlaneSet(&buffers.planes);
    SetResult(instance, code);
}
