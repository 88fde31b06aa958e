// Formats of the native host: PNG, JPEG and TIFF, told apart by their first
// bytes when reading and by the output's name when writing.
#include "cli/CodecParts.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace {

const uint8_t pngMagic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool IsTiff(const uint8_t* bytes, size_t size) {
    if (size < 4) return false;
    return (bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0) ||
           (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43));
}

}  // namespace

bool FormatAvailable(ImageFormat) { return true; }

bool OpenImageDecoder(FILE* file, const std::string& name, ImageDecoder** decoder,
                      ImageInfo* info, std::string* error) {
    *decoder = nullptr;
    ImageDecoder* opened = new (std::nothrow) ImageDecoder();
    if (opened == nullptr) {
        *error = name + ": out of memory";
        return false;
    }
    opened->file = file;
    opened->name = name;
    opened->signatureSize = fread(opened->signature, 1, sizeof opened->signature, file);
    const uint8_t* magic = opened->signature;
    const size_t size = opened->signatureSize;
    bool ok = false;
    if (ferror(file)) {
        *error = "cannot read " + name + ": " + strerror(errno);
    } else if (size == 8 && memcmp(magic, pngMagic, 8) == 0) {
        opened->info.format = imageFormatPng;
        ok = OpenPngDecoder(opened, error);
    } else if (size >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
        opened->info.format = imageFormatJpeg;
        ok = OpenJpegDecoder(opened, error);
    } else if (IsTiff(magic, size)) {
        opened->info.format = imageFormatTiff;
        ok = OpenTiffDecoder(opened, error);
    } else {
        *error = name + ": not a PNG file, nor a JPEG or TIFF file";
    }
    if (ok) ok = CheckImageHeader(opened->info, name, error);
    if (!ok) {
        CloseImageDecoder(opened);
        KeepOnOneLine(error);
        return false;
    }
    *info = opened->info;
    *decoder = opened;
    return true;
}

bool EncodeImage(FILE* file, const std::string& name, const ImageInfo& info, ImageFormat format,
                 RowSource rowAt, void* rowContext, const EncodeOptions& options,
                 RowProgress progress, std::string* error) {
    bool ok = false;
    switch (format) {
        case imageFormatJpeg:
            ok = EncodeJpeg(file, name, info, rowAt, rowContext, options, progress, error);
            break;
        case imageFormatTiff:
            ok = EncodeTiff(file, name, info, rowAt, rowContext, options, progress, error);
            break;
        default:
            ok = EncodePng(file, name, info, rowAt, rowContext, options, progress, error);
            break;
    }
    if (!ok) KeepOnOneLine(error);
    return ok;
}
