// A decoded PNG image as the command-line host keeps it: interleaved
// samples, row by row, without padding. 8-bit images hold 0..255 in each
// sample, 16-bit images 0..65535.
#pragma once

#include <cstdint>
#include <vector>

struct PngImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;  // 1 gray, 2 gray + alpha, 3 RGB, 4 RGB + alpha
    int32_t bitDepth = 8;  // 8 or 16
    std::vector<uint16_t> samples;
};

inline bool PngHasAlpha(const PngImage& image) {
    return image.channels == 2 || image.channels == 4;
}

inline uint16_t PngMaxSample(const PngImage& image) {
    return image.bitDepth == 16 ? 65535 : 255;
}
