#include "cli/SelectionMask.h"
#include "testhost/Failure.h"

#include <cstring>
#include <new>

namespace {

std::string SizeText(int32 width, int32 height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

struct MaskRows {
    ImageInfo info;
    HostImage* image = nullptr;
};

bool TakeMaskRow(void* context, int32_t row, const uint8_t* samples, std::string* error) {
    MaskRows* rows = static_cast<MaskRows*>(context);
    uint8_t* to = rows->image->mask.data() + size_t(row) * HostMaskRowBytes(*rows->image);
    return MaskRowFromSamples(rows->info, samples, to, error);
}

}  // namespace

bool CheckMaskSize(const ImageInfo& mask, int32 width, int32 height, std::string* error) {
    if (mask.width == width && mask.height == height) return true;
    return Fail(error, "the mask is " + SizeText(mask.width, mask.height) + " but the image is " +
                           SizeText(width, height));
}

bool MaskRowFromSamples(const ImageInfo& mask, const uint8_t* samples, uint8_t* row,
                        std::string* error) {
    const int32 channels = mask.channels;
    const bool colour = channels >= 3;
    const bool alpha = InfoHasAlpha(mask);
    const bool deep = mask.bitDepth == 16;
    const uint32 full = deep ? 65535 : 255;
    for (int32 x = 0; x < mask.width; ++x) {
        uint32 pixel[4] = {0, 0, 0, 0};
        for (int32 c = 0; c < channels; ++c) {
            const size_t at = size_t(x) * channels + c;
            if (deep) {
                uint16 value;
                memcpy(&value, samples + at * 2, 2);
                pixel[c] = value;
            } else {
                pixel[c] = samples[at];
            }
        }
        if (colour && (pixel[0] != pixel[1] || pixel[1] != pixel[2]))
            return Fail(error, "the mask must be grayscale, but it has coloured pixels");
        if (alpha && pixel[channels - 1] != full)
            return Fail(error,
                        "the mask must not be transparent; give a grayscale mask without alpha");
        uint32 value = pixel[0];
        if (deep) {
            const uint32 scaled = (value * 255u + 32767u) / 65535u;
            value = (value != 0 && scaled == 0) ? 1 : scaled;
        }
        row[x] = uint8_t(value);
    }
    return true;
}

bool ReadSelectionMask(FILE* file, const std::string& name, HostImage* image, RowProgress progress,
                       std::string* error) {
    ImageDecoder* decoder = nullptr;
    ImageInfo info;
    if (!OpenImageDecoder(file, name, &decoder, &info, error)) return false;
    bool ok = CheckMaskSize(info, image->width, image->height, error);
    if (!ok) *error = name + ": " + *error;
    if (ok) {
        image->maskRowBytes = image->width + 4 + (4 - image->width % 4) % 4;
        try {
            image->mask.assign(size_t(image->maskRowBytes) * size_t(image->height), 0);
        } catch (const std::bad_alloc&) {
            *error = name + ": out of memory for the mask";
            ok = false;
        }
    }
    if (ok && info.channels == 1 && info.bitDepth == 8) {
        ok =
            DecodeImageRows(decoder, image->mask.data(), HostMaskRowBytes(*image), progress, error);
    } else if (ok) {
        MaskRows rows;
        rows.info = info;
        rows.image = image;
        ok = DecodeImageRowsEach(decoder, TakeMaskRow, &rows, progress, error);
        if (!ok && error->compare(0, name.size(), name) != 0 && error->find("cannot read") != 0 &&
            *error != "interrupted")
            *error = name + ": " + *error;
    }
    CloseImageDecoder(decoder);
    if (!ok) {
        image->mask.clear();
        image->mask.shrink_to_fit();
        image->maskRowBytes = 0;
    }
    return ok;
}

bool MaskBounds(const uint8_t* mask, size_t rowBytes, int32 width, int32 height, Rect* bounds) {
    int32 top = height, left = width, bottom = 0, right = 0;
    for (int32 y = 0; y < height; ++y) {
        const uint8_t* row = mask + size_t(y) * rowBytes;
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
