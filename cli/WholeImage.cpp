#include "cli/WholeImage.h"

#include "cli/SelectionMask.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct WholeRows {
    WholeImage* image = nullptr;
    std::vector<uint8_t> row;
};

bool TakeRow(void* context, int32_t y, const uint8_t* samples, std::string*) {
    WholeRows* rows = static_cast<WholeRows*>(context);
    WholeImage* image = rows->image;
    const size_t count = size_t(image->width) * size_t(image->channels);
    uint16_t* to = image->samples.data() + size_t(y) * count;
    for (size_t i = 0; i < count; ++i) {
        if (image->bitDepth == 16) {
            memcpy(&to[i], samples + i * 2, 2);
        } else {
            to[i] = samples[i];
        }
    }
    return true;
}

const uint8_t* GiveRow(void* context, int32_t y) {
    WholeRows* rows = static_cast<WholeRows*>(context);
    const WholeImage* image = rows->image;
    const size_t count = size_t(image->width) * size_t(image->channels);
    const uint16_t* from = image->samples.data() + size_t(y) * count;
    rows->row.resize(count * size_t(image->bitDepth / 8));
    for (size_t i = 0; i < count; ++i) {
        if (image->bitDepth == 16) {
            memcpy(rows->row.data() + i * 2, &from[i], 2);
        } else {
            rows->row[i] = uint8_t(from[i]);
        }
    }
    return rows->row.data();
}

bool ReadFrom(FILE* file, const std::string& name, WholeImage* image, std::string* error) {
    ImageDecoder* decoder = nullptr;
    ImageInfo info;
    if (!OpenImageDecoder(file, name, &decoder, &info, error)) return false;
    image->width = info.width;
    image->height = info.height;
    image->channels = info.channels;
    image->bitDepth = info.bitDepth;
    image->samples.assign(size_t(info.width) * info.height * info.channels, 0);
    WholeRows rows;
    rows.image = image;
    const bool ok = DecodeImageRowsEach(decoder, TakeRow, &rows, RowProgress(), error);
    CloseImageDecoder(decoder);
    return ok;
}

bool WriteTo(FILE* file, const std::string& name, const WholeImage& image, ImageFormat format,
             const EncodeOptions& options, std::string* error) {
    WholeRows rows;
    rows.image = const_cast<WholeImage*>(&image);
    ImageInfo info = InfoOf(image);
    info.format = format;
    return EncodeImage(file, name, info, format, GiveRow, &rows, options, RowProgress(), error);
}

}  // namespace

bool ReadImageFile(const std::string& path, WholeImage* image, std::string* error) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot read " + path + ": " + strerror(errno);
        return false;
    }
    const bool ok = ReadFrom(file, path, image, error);
    fclose(file);
    return ok;
}

bool DecodeImageBytes(const std::vector<uint8_t>& bytes, WholeImage* image, std::string* error) {
    FILE* file = tmpfile();
    if (file == nullptr) {
        *error = "cannot make a temporary file";
        return false;
    }
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), file);
    rewind(file);
    const bool ok = ReadFrom(file, "image", image, error);
    fclose(file);
    return ok;
}

bool WriteImageFile(const std::string& path, const WholeImage& image, ImageFormat format,
                    const EncodeOptions& options, std::string* error) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot write " + path + ": " + strerror(errno);
        return false;
    }
    bool ok = WriteTo(file, path, image, format, options, error);
    if (fclose(file) != 0 && ok) {
        *error = "cannot write " + path + ": " + strerror(errno);
        ok = false;
    }
    if (!ok) remove(path.c_str());
    return ok;
}

bool EncodeImageBytes(const WholeImage& image, ImageFormat format, const EncodeOptions& options,
                      std::vector<uint8_t>* bytes, std::string* error) {
    FILE* file = tmpfile();
    if (file == nullptr) {
        *error = "cannot make a temporary file";
        return false;
    }
    bool ok = WriteTo(file, "image", image, format, options, error);
    if (ok) {
        fflush(file);
        fseek(file, 0, SEEK_END);  // TIFF is written out of order
        const long size = ftell(file);
        rewind(file);
        bytes->resize(size_t(size));
        ok = size == 0 || fread(bytes->data(), 1, size_t(size), file) == size_t(size);
    }
    fclose(file);
    return ok;
}

bool MaskFromWhole(const WholeImage& image, int32_t width, int32_t height,
                   std::vector<uint8_t>* mask, std::string* error) {
    const ImageInfo info = InfoOf(image);
    if (!CheckMaskSize(info, width, height, error)) return false;
    mask->assign(size_t(width) * height, 0);
    const size_t count = size_t(width) * image.channels;
    std::vector<uint8_t> row(count * 2);
    for (int32_t y = 0; y < height; ++y) {
        for (size_t i = 0; i < count; ++i) {
            const uint16_t value = image.samples[size_t(y) * count + i];
            if (image.bitDepth == 16) {
                memcpy(&row[i * 2], &value, 2);
            } else {
                row[i] = uint8_t(value);
            }
        }
        if (!MaskRowFromSamples(info, row.data(), mask->data() + size_t(y) * width, error))
            return false;
    }
    return true;
}
