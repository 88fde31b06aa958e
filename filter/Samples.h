// Output samples of the host's 8-bit and 16-bit buffers: from a plane
// value (0..1), or from an input sample that goes back as it came.
#pragma once

#include <cstdint>

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
