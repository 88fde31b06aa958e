#include "cli/SelectionMask.h"

namespace {

bool Fail(std::string* error, const std::string& reason) {
    *error = reason;
    return false;
}

std::string SizeText(int32 width, int32 height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

bool MaskFromPng(const PngImage& png, int32 width, int32 height, std::vector<uint8_t>* mask,
                 std::string* error) {
    if (png.width != width || png.height != height)
        return Fail(error, "the mask is " + SizeText(png.width, png.height) + " but the image is " +
                               SizeText(width, height));
    const int32 channels = png.channels;
    const bool colour = channels >= 3;
    const bool alpha = PngHasAlpha(png);
    const uint16 full = PngMaxSample(png);
    const size_t pixels = size_t(width) * size_t(height);
    mask->assign(pixels, 0);
    for (size_t i = 0; i < pixels; ++i) {
        const uint16* pixel = &png.samples[i * size_t(channels)];
        if (colour && (pixel[0] != pixel[1] || pixel[1] != pixel[2]))
            return Fail(error, "the mask must be grayscale, but it has coloured pixels");
        if (alpha && pixel[channels - 1] != full)
            return Fail(error, "the mask must not be transparent; give a grayscale mask without alpha");
        uint32 value = pixel[0];
        if (png.bitDepth == 16) {
            const uint32 scaled = (value * 255u + 32767u) / 65535u;
            value = (value != 0 && scaled == 0) ? 1 : scaled;
        }
        (*mask)[i] = uint8_t(value);
    }
    return true;
}

bool MaskBounds(const std::vector<uint8_t>& mask, int32 width, int32 height, Rect* bounds) {
    int32 top = height, left = width, bottom = 0, right = 0;
    for (int32 y = 0; y < height; ++y) {
        const uint8_t* row = mask.data() + size_t(y) * size_t(width);
        for (int32 x = 0; x < width; ++x) {
            if (row[x] == 0) continue;
            if (y < top) top = y;
            if (y + 1 > bottom) bottom = y + 1;
            if (x < left) left = x;
            if (x + 1 > right) right = x + 1;
        }
    }
    if (bottom == 0) return false;
    *bounds = Rect{int16(top), int16(left), int16(bottom), int16(right)};
    return true;
}
