// Float planes of the work rectangle, and their conversion from the host's
// interleaved input buffer and selection mask and back into its output
// buffer, for 8-bit and 16-bit images.
#pragma once

#include "entry/FilterInstance.h"

#include <cstddef>
#include <cstdint>

// No pass works on more than this many channels of an image.
const int32_t maxPlaneCount = 8;

// One float array per image channel, in the host's channel order, each
// width x height values of the work rectangle, row by row (index
// (row - top) * width + (column - left)). Values run 0..1: 0 none, 1 full.
// Unused entries are null.
struct PlaneSet {
    float* planes[maxPlaneCount];
};

// 2 for the 16-bit modes (Gray16, RGB48), else 1.
int32_t BytesPerSample(int16 imageMode);

// Channels a pass converts: the host's `planes`, at most maxPlaneCount,
// 0 when the host reports none.
int32_t PlaneCountOf(int16 planes);

// Gives inColumnBytes and outColumnBytes, when the host left them at 0 or
// below, the size of one interleaved pixel (planes x bytesPerSample).
// Positive values are the host's and stay.
void DefaultColumnBytes(FilterInstance* instance);

// Fills planes 0 .. planeCount - 1 from the input buffer over workRect
// (8-bit samples x 1/255, 16-bit samples x 1/32768), and maskCopy, when
// given, with the host's mask bytes (zeros when the host has no mask).
// The first pixel of a row is found through inColumnBytes, the following
// ones `planes` x bytesPerSample bytes apart. Changes no record field.
void ReadPlanes(FilterInstance* instance, int32_t bytesPerSample, int32_t planeCount,
                PlaneSet* planes, uint8_t* maskCopy);

// Writes planes 0 .. planeCount - 1 into the output buffer over workRect:
// scaled by 255 or 32768, rounded half away from zero, clamped to 0..255
// or 0..32768. Channels from planeCount on are not touched.
void WritePlanes(FilterInstance* instance, int32_t bytesPerSample, int32_t planeCount,
                 const PlaneSet* planes);

// One sample from a plane value (the rounding and clamping above); the
// largest sample is 255 or 32768.
int32_t SampleOf(float value, int32_t largestSample);

// Allocates planeCount planes of pixelCount floats each through the heap
// buffers. On failure every plane already made is released again, the set
// is all null and the answer is false.
bool AllocPlaneSet(PlaneSet* planes, int32_t planeCount, size_t pixelCount);

// Releases every plane of the set and nulls it; a null set or an empty
// entry is fine.
void FreePlaneSet(PlaneSet* planes);
