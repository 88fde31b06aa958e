// The filter pass as it was first written, kept as the yardstick for the
// pass the plug-in runs: the input read into one float plane per channel,
// the mask copied, the labyrinth painted into the planes with abortProc
// asked every 1000 pixels of each painted plane, and the planes written
// back with rounding and clamping. Plain and slow on purpose; the tests
// (and the benchmark, for the figures before) compare the real pass with
// it byte for byte. Everything is inline and in its own namespace.
#pragma once

#include "entry/HostKind.h"
#include "entry/Parameters.h"
#include "filter/ColumnBytes.h"
#include "filter/PaintLabyrinth.h"
#include "filter/PlaneCount.h"
#include "filter/RecordChecks.h"
#include "filter/ResolutionFactor.h"
#include "filter/Samples.h"
#include "host/HeapMemory.h"
#include "host/HostSamples.h"
#include "labyrinth/Labyrinth.h"
#include "tests/support/LabyrinthCalls.h"
#include "tests/support/PlaneColours.h"

#include <cstring>

namespace reference {

// One float array per channel over the work rectangle, row by row; values
// 0..1. Unused entries are null.
struct PlaneSet {
    float* planes[maxPlaneCount];
};

inline void FreePlaneSet(PlaneSet* planes) {
    if (planes == nullptr) return;
    for (float*& plane : planes->planes) {
        FreeBuffer(plane);
        plane = nullptr;
    }
}

// planeCount planes of pixelCount floats; on failure all are released
// again and the answer is false.
inline bool AllocPlaneSet(PlaneSet* planes, int32_t planeCount, size_t pixelCount) {
    if (planes == nullptr) return false;
    *planes = PlaneSet{};
    if (planeCount > maxPlaneCount) return false;
    size_t bytes = 0;
    if (!BufferBytes(pixelCount, sizeof(float), &bytes)) return false;
    for (int32_t l = 0; l < planeCount; ++l) {
        planes->planes[l] = static_cast<float*>(AllocBuffer(bytes));
        if (planes->planes[l] == nullptr) {
            FreePlaneSet(planes);
            return false;
        }
    }
    return true;
}

inline double SampleAt(const uint8_t* sample, int32_t bytesPerSample) {
    if (bytesPerSample == 1) return *sample * 0.00392156862745098;
    uint16_t wide;
    memcpy(&wide, sample, sizeof wide);
    return wide * (1.0 / 32768.0);
}

// Planes 0 .. planeCount - 1 from the input over workRect (x 1/255 or
// x 1/32768, stored as floats); maskCopy, when given, from the host's mask
// (zeros when the host has none).
inline void ReadPlanes(FilterInstance* instance, int32_t bytesPerSample, int32_t planeCount,
                       PlaneSet* planes, uint8_t* maskCopy) {
    const FilterRecord* filter = instance->filter;
    const Rect work = instance->workRect;
    const int32_t width = int32_t(work.right) - work.left;
    if (width <= 0 || work.bottom <= work.top) return;
    if (planeCount > maxPlaneCount) planeCount = maxPlaneCount;
    const ptrdiff_t pixelStep = ptrdiff_t(filter->planes) * bytesPerSample;
    size_t j = 0;
    for (int32_t row = work.top; row < work.bottom; ++row) {
        if (maskCopy != nullptr) {
            if (filter->haveMask && filter->maskData != nullptr) {
                memcpy(maskCopy + j,
                       static_cast<const uint8_t*>(filter->maskData) +
                           ptrdiff_t(row) * filter->maskRowBytes + work.left,
                       size_t(width));
            } else {
                memset(maskCopy + j, 0, size_t(width));
            }
        }
        const uint8_t* pixel = static_cast<const uint8_t*>(filter->inData) +
                               ptrdiff_t(row) * filter->inRowBytes +
                               ptrdiff_t(work.left) * filter->inColumnBytes;
        for (int32_t column = 0; column < width; ++column, ++j, pixel += pixelStep) {
            for (int32_t l = 0; l < planeCount; ++l)
                planes->planes[l][j] = float(SampleAt(pixel + l * bytesPerSample, bytesPerSample));
        }
    }
}

// Planes 0 .. planeCount - 1 into the output over workRect: x 255 or
// x 32768, rounded half away from zero, clamped (SampleOf).
inline void WritePlanes(FilterInstance* instance, int32_t bytesPerSample, int32_t planeCount,
                        const PlaneSet* planes) {
    const FilterRecord* filter = instance->filter;
    const Rect work = instance->workRect;
    const int32_t width = int32_t(work.right) - work.left;
    if (width <= 0 || work.bottom <= work.top) return;
    if (planeCount > maxPlaneCount) planeCount = maxPlaneCount;
    const ptrdiff_t pixelStep = ptrdiff_t(filter->planes) * bytesPerSample;
    const int32_t largest = bytesPerSample == 1 ? 255 : 32768;
    size_t j = 0;
    for (int32_t row = work.top; row < work.bottom; ++row) {
        uint8_t* pixel = static_cast<uint8_t*>(filter->outData) +
                         ptrdiff_t(row) * filter->outRowBytes +
                         ptrdiff_t(work.left) * filter->outColumnBytes;
        for (int32_t column = 0; column < width; ++column, ++j, pixel += pixelStep) {
            for (int32_t l = 0; l < planeCount; ++l) {
                const int32_t sample = SampleOf(planes->planes[l][j], largest);
                if (bytesPerSample == 1) {
                    pixel[l] = uint8_t(sample);
                } else {
                    const uint16_t wide = uint16_t(sample);
                    memcpy(pixel + l * 2, &wide, sizeof wide);
                }
            }
        }
    }
}

// Planes 0 .. paintedCount - 1 from the grid, abortProc asked before pixels
// 0, 1000, 2000, ... of each; false as soon as it asks to stop.
inline bool PaintPlanes(PlaneSet* planes, int32_t paintedCount, const uint8_t* grid,
                        size_t pixelCount, const PlaneColour& wall, const PlaneColour& corridor,
                        TestAbortProc abortProc) {
    for (int32_t l = 0; l < paintedCount; ++l) {
        float* plane = planes->planes[l];
        const float wallValue = float(wall.components[l]);
        const float corridorValue = float(corridor.components[l]);
        for (size_t j = 0; j < pixelCount; ++j) {
            if (j % 1000 == 0 && abortProc != nullptr && abortProc() != 0) return false;
            plane[j] = grid[j] == Wall ? wallValue : corridorValue;
        }
    }
    return true;
}

struct PassBuffers {
    PlaneSet planes;
    uint8_t* maskCopy;
    uint8_t* grid;
};

inline OSErr FilterWorkRect(FilterInstance* instance, int16 amount, int32_t width, int32_t height,
                            PassBuffers* buffers) {
    const FilterRecord* filter = instance->filter;
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
    if (!BuildLabyrinth(buffers->grid, int32_t(amount) + 1, width, height, buffers->maskCopy))
        return memFullErr;
    if (!PaintPlanes(&buffers->planes, PaintedPlaneCount(filter->planes), buffers->grid, pixelCount,
                     wall, corridor, filter->abortProc))
        return userCanceledErr;
    FreeBuffer(buffers->grid);
    buffers->grid = nullptr;
    WritePlanes(instance, bytesPerSample, planeCount, &buffers->planes);
    return noErr;
}

// The whole pass, with the same checks and results as RunFilterPass.
inline void RunFilterPass(FilterInstance* instance) {
    if (instance == nullptr) return;
    auto setResult = [instance](OSErr code) {
        if (instance->result != nullptr) *instance->result = code;
    };
    if (instance->filter == nullptr) {
        setResult(filterBadParameters);
        return;
    }
    const FilterRecord* filter = instance->filter;
    DefaultColumnBytes(instance);
    const int32_t width = int32_t(instance->workRect.right) - instance->workRect.left;
    const int32_t height = int32_t(instance->workRect.bottom) - instance->workRect.top;
    if (width <= 0 || height <= 0) return;
    if (HostKind == hostKindAfterEffects) (void)ResolutionFactor(filter->wholeSize.h);
    const FilterParameters* parameters = ParametersOf(filter);
    if (parameters == nullptr || parameters->Amount < 0) {
        setResult(filterBadParameters);
        return;
    }
    const OSErr recordCode = CheckPassRecord(instance);
    if (recordCode != noErr) {
        setResult(recordCode);
        return;
    }
    PassBuffers buffers = {};
    const OSErr code = FilterWorkRect(instance, parameters->Amount, width, height, &buffers);
    FreeBuffer(buffers.grid);
    FreeBuffer(buffers.maskCopy);
    FreePlaneSet(&buffers.planes);
    setResult(code);
}

}  // namespace reference
