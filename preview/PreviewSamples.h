// Sample sizes of the host's buffers and of the preview pixels.
#pragma once

#include <cstdint>

#include "entry/FilterInstance.h"
#include "host/HostSamples.h"

// Colour planes as the host counts them; a nonsensical count counts as none.
inline int32_t PreviewColourPlanes(const FilterRecord* filter) {
    return filter->planes > 0 ? filter->planes : 0;
}

// Bytes of one preview pixel: a byte per colour plane, then the
// transparency byte when the layer has one.
inline int32_t PreviewPixelBytes(const FilterInstance* instance) {
    return PreviewColourPlanes(instance->filter) + (instance->hasTransparency != 0 ? 1 : 0);
}

// 16-bit host samples run from 0 to 32768: 32768 and above show as 255,
// anything else loses its low seven bits.
inline uint8_t Sample16To8(uint32_t sample) {
    return sample >= 32768 ? 255 : static_cast<uint8_t>(sample >> 7);
}
