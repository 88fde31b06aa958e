// A whole decoded image in memory, for the test tools and unit tests:
// interleaved samples, row by row, without padding. 8-bit images hold
// 0..255 in each sample, 16-bit images 0..65535.
#pragma once

#include "cli/image/ImageCodec.h"

#include <cstdint>
#include <string>
#include <vector>

struct WholeImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;  // 1 gray, 2 gray + alpha, 3 RGB, 4 RGB + alpha
    int32_t bitDepth = 8;  // 8 or 16
    std::vector<uint16_t> samples;
};

inline ImageInfo InfoOf(const WholeImage& image) {
    ImageInfo info;
    info.width = image.width;
    info.height = image.height;
    info.channels = image.channels;
    info.bitDepth = image.bitDepth;
    return info;
}

// An image of this size and kind with every sample 0.
inline WholeImage BlankImage(int32_t width, int32_t height, int32_t channels, int32_t depth) {
    WholeImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.bitDepth = depth;
    image.samples.assign(size_t(width) * size_t(height) * size_t(channels), 0);
    return image;
}

bool ReadImageFile(const std::string& path, WholeImage* image, std::string* error);
bool DecodeImageBytes(const std::vector<uint8_t>& bytes, WholeImage* image, std::string* error);
// Written straight to path (not through a temporary file).
bool WriteImageFile(const std::string& path, const WholeImage& image, ImageFormat format,
                    const EncodeOptions& options, std::string* error);
bool EncodeImageBytes(const WholeImage& image, ImageFormat format, const EncodeOptions& options,
                      std::vector<uint8_t>* bytes, std::string* error);

// The selection bytes of a mask image (width x height, unpadded), as the
// host converts them row by row; false with a reason for a mask of the
// wrong size or kind.
bool MaskFromWhole(const WholeImage& image, int32_t width, int32_t height,
                   std::vector<uint8_t>* mask, std::string* error);
