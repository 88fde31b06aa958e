#include "cli/ScaledRun.h"

#include <cstring>

namespace {

// Rows of the image the filter runs on are padded like the host's own: a
// multiple of 4 bytes, at least 4 bytes after the pixels.
size_t PaddedRowBytes(size_t rowBytes) { return rowBytes + 4 + (4 - rowBytes % 4) % 4; }

int32 DivideUp(int32 value, int32 by) { return (value + by - 1) / by; }

uint8_t* PixelAt(HostImage* image, int32 row, int32 column) {
    return image->samples.data() + size_t(row) * HostRowBytes(*image) +
           size_t(column) * size_t(image->channels) * size_t(image->bytesPerSample);
}

const uint8_t* PixelAt(const HostImage& image, int32 row, int32 column) {
    return image.samples.data() + size_t(row) * HostRowBytes(image) +
           size_t(column) * size_t(image.channels) * size_t(image.bytesPerSample);
}

uint8_t MaskValue(const HostImage& image, int32 row, int32 column) {
    return image.mask[size_t(row) * HostMaskRowBytes(image) + size_t(column)];
}

uint32 LoadSample(const uint8_t* at, int32 bytes) {
    if (bytes == 1) return *at;
    uint16 value;
    memcpy(&value, at, 2);
    return value;
}

void StoreSample(uint8_t* at, int32 bytes, uint32 value) {
    if (bytes == 1) {
        *at = uint8_t(value);
        return;
    }
    const uint16 wide = uint16(value);
    memcpy(at, &wide, 2);
}

}  // namespace

void ReduceForScale(const HostImage& image, const Rect& rect, int32 scale, HostImage* small,
                    Rect* smallRect) {
    small->width = DivideUp(image.width, scale);
    small->height = DivideUp(image.height, scale);
    small->channels = image.channels;
    small->bytesPerSample = image.bytesPerSample;
    const size_t pixelBytes = size_t(image.channels) * size_t(image.bytesPerSample);
    small->rowBytes = int32(PaddedRowBytes(size_t(small->width) * pixelBytes));
    small->samples.assign(size_t(small->rowBytes) * size_t(small->height), 0);
    for (int32 row = 0; row < small->height; ++row) {
        for (int32 column = 0; column < small->width; ++column)
            memcpy(PixelAt(small, row, column), PixelAt(image, row * scale, column * scale),
                   pixelBytes);
    }
    *smallRect = Rect{int16(rect.top / scale), int16(rect.left / scale),
                      int16(DivideUp(rect.bottom, scale)), int16(DivideUp(rect.right, scale))};
    small->mask.clear();
    small->maskRowBytes = 0;
    if (image.mask.empty()) return;
    small->mask.assign(size_t(small->width) * size_t(small->height), 0);
    for (int32 row = 0; row < image.height; ++row) {
        uint8_t* cells = small->mask.data() + size_t(row / scale) * size_t(small->width);
        for (int32 column = 0; column < image.width; ++column) {
            if (MaskValue(image, row, column) != 0) cells[column / scale] = 255;
        }
    }
}

void EnlargeResult(const HostImage& image, const HostImage& smallResult, int32 scale, int32 painted,
                   const Rect& rect, HostImage* result) {
    const int32 bytes = image.bytesPerSample;
    const bool masked = !image.mask.empty();
    for (int32 row = rect.top; row < rect.bottom; ++row) {
        for (int32 column = rect.left; column < rect.right; ++column) {
            const uint32 m = masked ? MaskValue(image, row, column) : 255;
            if (m == 0) continue;
            const uint8_t* cell = PixelAt(smallResult, row / scale, column / scale);
            const uint8_t* original = PixelAt(image, row, column);
            uint8_t* out = PixelAt(result, row, column);
            for (int32 channel = 0; channel < painted; ++channel) {
                const uint32 filtered = LoadSample(cell + channel * bytes, bytes);
                const uint32 was = LoadSample(original + channel * bytes, bytes);
                StoreSample(out + channel * bytes, bytes,
                            m == 255 ? filtered : (was * (255 - m) + filtered * m + 127) / 255);
            }
        }
    }
}
