// Samples of the host's interleaved 8-bit and 16-bit buffers: their size,
// the channels a pass works on, the column strides, and the conversions
// that take a plane value (0..1) or an input sample to an output sample.
#pragma once

#include "entry/FilterInstance.h"
#include "host/HostSamples.h"

#include <cstddef>
#include <cstdint>

// No pass works on more than this many channels of an image.
const int32_t maxPlaneCount = 8;

// Channels a pass converts: the host's `planes`, at most maxPlaneCount,
// 0 when the host reports none.
int32_t PlaneCountOf(int16 planes);

// Gives inColumnBytes and outColumnBytes, when the host left them at 0 or
// below, the size of one interleaved pixel (planes x bytesPerSample).
// Positive values are the host's and stay.
void DefaultColumnBytes(FilterInstance* instance);

// One output sample from a plane value on the 0..1 scale: scaled by 255
// or 32768 (largestSample), rounded half away from zero, clamped to
// 0..largestSample.
int32_t SampleOf(float value, int32_t largestSample);

// The output sample of a channel that goes back as it came: what the
// sample becomes when taken to the 0..1 scale as a float (x 1/255, or
// x 1/32768) and brought back by SampleOf. That is the sample itself for
// 8-bit images, and the sample clamped to 32768 for 16-bit ones.
inline int32_t PassThroughSample(int32_t sample, int32_t bytesPerSample) {
    return bytesPerSample == 1 || sample <= 32768 ? sample : 32768;
}
