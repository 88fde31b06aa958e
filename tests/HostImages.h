// Images for the test host, shared by the unit tests, the Win32 test
// drivers and the fuzz host.
#pragma once

#include "testhost/HostSession.h"

#include <cstdint>

// width x height pixels of `channels` 8-bit samples, every one `value`.
inline HostImage UniformImage(int32 width, int32 height, int32 channels, uint8_t value) {
    HostImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.bytesPerSample = 1;
    image.samples.assign(static_cast<size_t>(width) * height * channels, value);
    return image;
}
