#include "cli/SelectionMask.h"
#include "testhost/Failure.h"

#include <cstring>
#include <new>
#include <vector>

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
    return CheckMaskSizeTurned(mask, width, height, 1, error);
}

bool MaskIsTurned(const ImageInfo& mask, int32 width, int32 height, int32_t orientation) {
    return width != height && mask.width == height && mask.height == width && orientation >= 5 &&
           orientation <= 8;
}

bool CheckMaskSizeTurned(const ImageInfo& mask, int32 width, int32 height, int32_t orientation,
                         std::string* error) {
    if (mask.width == width && mask.height == height) return true;
    if (MaskIsTurned(mask, width, height, orientation)) return true;
    std::string text = "the mask is " + SizeText(mask.width, mask.height) + " but the image is " +
                       SizeText(width, height);
    if (mask.width == height && mask.height == width)
        text +=
            ": the mask looks rotated, and the image records no turn (EXIF orientation) that "
            "explains it; turn the mask to the image as stored";
    return Fail(error, text);
}

void TurnMaskIntoStored(const uint8_t* shown, int32 width, int32 height, int32_t orientation,
                        uint8_t* stored, size_t storedRowBytes) {
    // The shown mask is height wide and width tall; stored pixel (x, y) is
    // shown at (sx, sy).
    const int32 shownWidth = height;
    for (int32 y = 0; y < height; ++y) {
        for (int32 x = 0; x < width; ++x) {
            int32 sx = y, sy = x;  // 5: transposed
            if (orientation == 6) {
                sx = height - 1 - y;
                sy = x;
            } else if (orientation == 7) {
                sx = height - 1 - y;
                sy = width - 1 - x;
            } else if (orientation == 8) {
                sx = y;
                sy = width - 1 - x;
            }
            stored[size_t(y) * storedRowBytes + x] = shown[size_t(sy) * shownWidth + sx];
        }
    }
}

bool MaskRowFromSamples(const ImageInfo& mask, const uint8_t* samples, uint8_t* row,
                        std::string* error) {
    (void)error;
    const int32 channels = mask.channels;
    const bool colour = channels >= 3;
    const bool alpha = InfoHasAlpha(mask);
    const bool deep = mask.bitDepth == 16;
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
        // A cut-out selects by its alpha; a colour mask by its luminance.
        uint32 value = pixel[0];
        if (alpha) {
            value = pixel[channels - 1];
        } else if (colour) {
            value = (299u * pixel[0] + 587u * pixel[1] + 114u * pixel[2] + 500u) / 1000u;
        }
        if (deep) {
            const uint32 scaled = (value * 255u + 32767u) / 65535u;
            value = (value != 0 && scaled == 0) ? 1 : scaled;
        }
        row[x] = uint8_t(value);
    }
    return true;
}

namespace {

struct ShownRows {
    ImageInfo info;
    std::vector<uint8_t> bytes;
};

bool TakeShownRow(void* context, int32_t row, const uint8_t* samples, std::string* error) {
    ShownRows* rows = static_cast<ShownRows*>(context);
    return MaskRowFromSamples(rows->info, samples,
                              rows->bytes.data() + size_t(row) * rows->info.width, error);
}

}  // namespace

bool ReadSelectionMask(FILE* file, const std::string& name, HostImage* image, int32_t orientation,
                       RowProgress progress, std::string* error) {
    ImageDecoder* decoder = nullptr;
    ImageInfo info;
    if (!OpenImageDecoder(file, name, &decoder, &info, error)) return false;
    bool ok = CheckMaskSizeTurned(info, image->width, image->height, orientation, error);
    const bool turned = ok && MaskIsTurned(info, image->width, image->height, orientation);
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
    if (ok && turned) {
        // Drawn on the image as shown: read as it is, then turned back.
        ShownRows rows;
        rows.info = info;
        rows.bytes.assign(size_t(info.width) * size_t(info.height), 0);
        ok = DecodeImageRowsEach(decoder, TakeShownRow, &rows, progress, error);
        if (ok)
            TurnMaskIntoStored(rows.bytes.data(), image->width, image->height, orientation,
                               image->mask.data(), HostMaskRowBytes(*image));
    } else if (ok && info.channels == 1 && info.bitDepth == 8) {
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

bool SelectionFromAlpha(HostImage* image, std::string* error) {
    if (image->channels != 2 && image->channels != 4)
        return Fail(error, "--mask alpha: the image has no alpha channel to select with");
    image->maskRowBytes = image->width + 4 + (4 - image->width % 4) % 4;
    image->mask.assign(size_t(image->maskRowBytes) * size_t(image->height), 0);
    const size_t rowBytes = HostRowBytes(*image);
    for (int32 y = 0; y < image->height; ++y) {
        const uint8_t* row = image->samples.data() + size_t(y) * rowBytes;
        uint8_t* to = image->mask.data() + size_t(y) * size_t(image->maskRowBytes);
        for (int32 x = 0; x < image->width; ++x) {
            const size_t at = size_t(x) * image->channels + size_t(image->channels - 1);
            if (image->bytesPerSample == 2) {
                // The host's 16-bit scale runs to 32768.
                uint16 value;
                memcpy(&value, row + at * 2, 2);
                const uint32 scaled = (uint32(value) * 255u + 16384u) / 32768u;
                to[x] = uint8_t(value != 0 && scaled == 0 ? 1 : (scaled > 255 ? 255 : scaled));
            } else {
                to[x] = row[at];
            }
        }
    }
    return true;
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
