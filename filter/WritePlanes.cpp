#include "filter/PixelPlanes.h"

#include <cstring>

int32_t SampleOf(float value, int32_t largestSample) {
    const double scaled = double(value) * largestSample;
    const double rounded = scaled >= 0 ? scaled + 0.5 : scaled - 0.5;
    // Truncation toward zero, then the clamp; tested before converting so
    // that no out-of-range (or NaN) value is ever cast to an integer.
    if (!(rounded >= 1.0)) return 0;
    if (rounded >= largestSample) return largestSample;
    return int32_t(rounded);
}

void WritePlanes(FilterInstance* instance, int32_t bytesPerSample, int32_t planeCount,
                 const PlaneSet* planes) {
    if (instance == nullptr || instance->filter == nullptr || planes == nullptr) return;
    const FilterRecord* filter = instance->filter;
    if (filter->outData == nullptr) return;
    const Rect work = instance->workRect;
    const int32_t width = int32_t(work.right) - work.left;
    if (width <= 0 || work.bottom <= work.top) return;
    if (planeCount > maxPlaneCount) planeCount = maxPlaneCount;
    const ptrdiff_t pixelStep = ptrdiff_t(filter->planes) * bytesPerSample;
    const int32_t largestSample = bytesPerSample == 1 ? 255 : 32768;

    size_t j = 0;
    for (int32_t row = work.top; row < work.bottom; ++row) {
        uint8_t* pixel = static_cast<uint8_t*>(filter->outData) +
                         ptrdiff_t(row) * filter->outRowBytes +
                         ptrdiff_t(work.left) * filter->outColumnBytes;
        for (int32_t column = 0; column < width; ++column, ++j, pixel += pixelStep) {
            for (int32_t l = 0; l < planeCount; ++l) {
                const int32_t sample = SampleOf(planes->planes[l][j], largestSample);
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
