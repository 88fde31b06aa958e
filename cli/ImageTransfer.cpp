#include "cli/ImageTransfer.h"

#include <cstring>

namespace {

uint16 HostSampleAt(const HostImage& image, size_t index) {
    if (image.bytesPerSample == 1) return image.samples[index];
    uint16 value;
    memcpy(&value, &image.samples[index * 2], 2);
    return value;
}

}  // namespace

uint16 HostFromPng16(uint16 value) { return uint16((uint32(value) * 32768u + 32767u) / 65535u); }

uint16 Png16FromHost(uint16 value) {
    const uint32 clamped = value > 32768 ? 32768u : value;
    return uint16((clamped * 65535u + 16384u) / 32768u);
}

int16 HostModeOf(const PngImage& png) {
    const bool colour = png.channels >= 3;
    if (png.bitDepth == 16) return colour ? plugInModeRGB48 : plugInModeGray16;
    return colour ? plugInModeRGBColor : plugInModeGrayScale;
}

HostImage HostImageFromPng(const PngImage& png) {
    HostImage image;
    image.width = png.width;
    image.height = png.height;
    image.channels = png.channels;
    image.bytesPerSample = png.bitDepth == 16 ? 2 : 1;
    const size_t count = png.samples.size();
    image.samples.resize(count * size_t(image.bytesPerSample));
    if (image.bytesPerSample == 1) {
        for (size_t i = 0; i < count; ++i) image.samples[i] = uint8_t(png.samples[i]);
    } else {
        for (size_t i = 0; i < count; ++i) {
            const uint16 value = HostFromPng16(png.samples[i]);
            memcpy(&image.samples[i * 2], &value, 2);
        }
    }
    return image;
}

void DescribeImage(const PngImage& png, int32 filterWidth, HostSettings* settings) {
    settings->imageMode = HostModeOf(png);
    settings->planes = int16(png.channels);
    const bool alpha = PngHasAlpha(png);
    settings->inLayerPlanes = int16(alpha ? png.channels - 1 : png.channels);
    settings->inTransparencyMask = int16(alpha ? 1 : 0);
    const int32 pixelBytes = png.channels * (png.bitDepth == 16 ? 2 : 1);
    const int32 rowBytes = filterWidth * pixelBytes;
    settings->rowPadding = 4 + (4 - rowBytes % 4) % 4;
    settings->reportColumnBytes = true;
}

PngImage PngFromHostResult(const PngImage& original, const HostImage& before,
                           const HostImage& after) {
    PngImage png = original;
    const size_t count = original.samples.size();
    for (size_t i = 0; i < count; ++i) {
        const uint16 was = HostSampleAt(before, i);
        const uint16 now = HostSampleAt(after, i);
        if (now == was) continue;
        png.samples[i] = after.bytesPerSample == 1 ? now : Png16FromHost(now);
    }
    return png;
}
