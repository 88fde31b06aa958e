// Images and settings for the test host, shared by the unit tests, the
// Win32 test drivers and the fuzz host.
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

// width x height RGB pixels: red is the column, green the row, blue 77
// (columns and rows past 255 wrap).
inline HostImage GradientImage(int32 width, int32 height) {
    HostImage image = UniformImage(width, height, 3, 77);
    for (int32 y = 0; y < height; ++y) {
        for (int32 x = 0; x < width; ++x) {
            uint8_t* pixel = &image.samples[(static_cast<size_t>(y) * width + x) * 3];
            pixel[0] = static_cast<uint8_t>(x);
            pixel[1] = static_cast<uint8_t>(y);
        }
    }
    return image;
}

// An RGB host that shows the dialog, with these colours.
inline HostSettings RgbDialogSettings(RGBColor foreground, RGBColor background) {
    HostSettings settings;
    settings.imageMode = plugInModeRGBColor;
    settings.planes = 3;
    settings.playInfo = plugInDialogDisplay;
    settings.foreground = foreground;
    settings.background = background;
    return settings;
}
