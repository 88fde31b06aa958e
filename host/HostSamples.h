// Samples of the host's interleaved pixel buffers: 8-bit in modes 1 and 3,
// 16-bit (0..32768, native byte order) in modes 10 and 11. Host rows need
// not keep 16-bit samples aligned, so they are read and written bytewise.
#pragma once

#include "host/HostInterface.h"

#include <cstdint>
#include <cstring>

// 2 for the 16-bit modes (Gray16, RGB48), else 1.
inline int32_t BytesPerSample(int16 imageMode) {
    return imageMode == plugInModeGray16 || imageMode == plugInModeRGB48 ? 2 : 1;
}

inline uint32_t LoadSample(const uint8_t* at, int32_t bytesPerSample) {
    if (bytesPerSample == 1) return *at;
    uint16_t wide;
    memcpy(&wide, at, sizeof wide);
    return wide;
}

inline void StoreSample(uint8_t* at, int32_t bytesPerSample, uint32_t sample) {
    if (bytesPerSample == 1) {
        *at = uint8_t(sample);
    } else {
        const uint16_t wide = uint16_t(sample);
        memcpy(at, &wide, sizeof wide);
    }
}
