#include "filter/PixelPlanes.h"

#include <cstring>

namespace {

const double eightBitScale = 0.00392156862745098;  // 1/255
const double sixteenBitScale = 1.0 / 32768.0;      // 2^-15: 32768 is full intensity

double SampleAt(const uint8_t* sample, int32_t bytesPerSample) {
    if (bytesPerSample == 1) return *sample * eightBitScale;
    uint16_t wide;
    memcpy(&wide, sample, sizeof wide);  // host rows need not be 2-byte aligned
    return wide * sixteenBitScale;
}

void ReadMaskRow(const FilterRecord* filter, const Rect& work, int32_t row, uint8_t* maskRow) {
    const size_t width = size_t(int32_t(work.right) - work.left);
    if (!filter->haveMask || filter->maskData == nullptr) {
        memset(maskRow, 0, width);
        return;
    }
    const uint8_t* source = static_cast<const uint8_t*>(filter->maskData) +
                            ptrdiff_t(row) * filter->maskRowBytes + work.left;
    memcpy(maskRow, source, width);
}

}  // namespace

void ReadPlanes(FilterInstance* instance, int32_t bytesPerSample, int32_t planeCount,
                PlaneSet* planes, uint8_t* maskCopy) {
    if (instance == nullptr || instance->filter == nullptr || planes == nullptr) return;
    const FilterRecord* filter = instance->filter;
    const Rect work = instance->workRect;
    const int32_t width = int32_t(work.right) - work.left;
    if (width <= 0 || work.bottom <= work.top) return;
    if (planeCount > maxPlaneCount) planeCount = maxPlaneCount;
    const ptrdiff_t pixelStep = ptrdiff_t(filter->planes) * bytesPerSample;

    size_t j = 0;
    for (int32_t row = work.top; row < work.bottom; ++row) {
        if (maskCopy != nullptr) ReadMaskRow(filter, work, row, maskCopy + j);
        if (planeCount <= 0 || filter->inData == nullptr) {
            j += size_t(width);
            continue;
        }
        const uint8_t* pixel = static_cast<const uint8_t*>(filter->inData) +
                               ptrdiff_t(row) * filter->inRowBytes +
                               ptrdiff_t(work.left) * filter->inColumnBytes;
        for (int32_t column = 0; column < width; ++column, ++j, pixel += pixelStep) {
            for (int32_t l = 0; l < planeCount; ++l) {
                planes->planes[l][j] = float(SampleAt(pixel + l * bytesPerSample, bytesPerSample));
            }
        }
    }
}
