#include "cli/image/ImageCodec.h"

#include "cli/MemoryLimit.h"
#include "cli/image/CodecParts.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

std::string LowerExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = char(tolower(static_cast<unsigned char>(c)));
    return extension;
}

std::string SizeText(const ImageInfo& info) {
    return std::to_string(info.width) + "x" + std::to_string(info.height);
}

}  // namespace

bool FormatFromExtension(const std::string& path, ImageFormat* format) {
    const std::string extension = LowerExtension(path);
    if (extension == "png") {
        *format = imageFormatPng;
    } else if (extension == "jpg" || extension == "jpeg") {
        *format = imageFormatJpeg;
    } else if (extension == "tif" || extension == "tiff") {
        *format = imageFormatTiff;
    } else if (extension == "webp") {
        *format = imageFormatWebp;
    } else if (extension == "heic") {
        *format = imageFormatHeic;
    } else if (extension == "avif") {
        *format = imageFormatAvif;
    } else if (extension == "gif") {
        *format = imageFormatGif;
    } else if (extension == "jxl") {
        *format = imageFormatJxl;
    } else {
        return false;
    }
    return true;
}

const char* FormatName(ImageFormat format) {
    switch (format) {
        case imageFormatJpeg: return "JPEG";
        case imageFormatTiff: return "TIFF";
        case imageFormatWebp: return "WebP";
        case imageFormatHeic: return "HEIC";
        case imageFormatAvif: return "AVIF";
        case imageFormatGif: return "GIF";
        case imageFormatJxl: return "JPEG XL";
        case imageFormatOther: return "image";
        default: return "PNG";
    }
}

bool OutputFormatFor(const std::string& path, ImageFormat* format, std::string* error) {
    if (!FormatFromExtension(path, format)) {
        *error = path +
                 ": unknown output format; name the output .png, .jpg, .jpeg, .tif, .tiff, .webp, "
                 ".avif, .heic or .gif";
        if (!FormatAvailable(imageFormatJpeg))
            *error = path + ": unknown output format; name the output .png";
        return false;
    }
    if (!FormatAvailable(*format)) {
        *error = path + ": this program writes PNG only, not " + FormatName(*format);
        if (FormatAvailable(imageFormatJpeg))
            *error = path + ": " + FormatName(*format) +
                     " is not written: the image library here marks its coder as not safe for "
                     "untrusted files";
        return false;
    }
    return true;
}

bool FormatFromSignature(const uint8_t* bytes, size_t size, ImageFormat* format) {
    if (size >= 8 && memcmp(bytes, pngSignature, 8) == 0) {
        *format = imageFormatPng;
    } else if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        *format = imageFormatJpeg;
    } else if (size >= 4 && ((bytes[0] == 'I' && bytes[1] == 'I' &&
                              (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0) ||
                             (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 &&
                              (bytes[3] == 42 || bytes[3] == 43)))) {
        *format = imageFormatTiff;  // classic or BigTIFF, either byte order
    } else {
        return false;
    }
    return true;
}

bool CheckImageHeader(const ImageInfo& info, const std::string& name, std::string* error) {
    if (info.width <= 0 || info.height <= 0) {
        *error = name + ": corrupt " + FormatName(info.format) + ": the image is " + SizeText(info);
        return false;
    }
    if (info.width > maxImageSide || info.height > maxImageSide) {
        *error = name + " is " + SizeText(info) + "; the filter interface takes at most " +
                 std::to_string(maxImageSide) + " pixels a side";
        return false;
    }
    if (info.channels < 1 || info.channels > 4 || (info.bitDepth != 8 && info.bitDepth != 16)) {
        *error = name + ": unsupported " + std::string(FormatName(info.format)) + ": " +
                 std::to_string(info.channels) + " channels of " + std::to_string(info.bitDepth) +
                 " bits";
        return false;
    }
    // The host keeps the image and the filter's output (each the decoded
    // size), and the filter a byte a pixel of its own.
    const uint64_t pixels = uint64_t(info.width) * uint64_t(info.height);
    const uint64_t needed =
        2 * pixels * uint64_t(info.channels) * uint64_t(info.bitDepth / 8) + pixels;
    const uint64_t available = AvailableMemoryBytes();
    if (needed > available || needed > uint64_t(SIZE_MAX) / 2) {
        const uint64_t mebibyte = 1024 * 1024;
        *error = name + ": out of memory: a " + SizeText(info) + " image needs about " +
                 std::to_string((needed + mebibyte - 1) / mebibyte) + " MiB, and " +
                 std::to_string(available / mebibyte) + " MiB are available";
        return false;
    }
    return true;
}

void KeepOnOneLine(std::string* text) {
    for (char& c : *text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
}

bool FinishRow(const RowTarget& target, int32_t row, int32_t rows, const uint8_t* samples,
               std::string* error) {
    if (target.sink != nullptr && !target.sink(target.sinkContext, row, samples, error))
        return false;
    const bool band = (row + 1) % 64 == 0 || row + 1 == rows;
    if (band && target.progress.onRows != nullptr &&
        !target.progress.onRows(target.progress.context, row + 1, rows)) {
        *error = "interrupted";
        return false;
    }
    return true;
}

bool EncodedRow(const RowProgress& progress, int32_t row, int32_t rows, std::string* error) {
    const bool band = (row + 1) % 64 == 0 || row + 1 == rows;
    if (band && progress.onRows != nullptr && !progress.onRows(progress.context, row + 1, rows)) {
        *error = "interrupted";
        return false;
    }
    return true;
}

bool OpenImageDecoder(FILE* file, const std::string& name, ImageDecoder** decoder, ImageInfo* info,
                      std::string* error) {
    *decoder = nullptr;
    ImageDecoder* opened = new (std::nothrow) ImageDecoder();
    if (opened == nullptr) {
        *error = name + ": out of memory";
        return false;
    }
    opened->file = file;
    opened->name = name;
    opened->signatureSize = fread(opened->signature, 1, sizeof opened->signature, file);
    bool ok = false;
    if (ferror(file)) {
        *error = "cannot read " + name + ": " + strerror(errno);
    } else {
        ok = OpenFormatDecoder(opened, error) && CheckImageHeader(opened->info, name, error);
    }
    if (!ok) {
        CloseImageDecoder(opened);
        KeepOnOneLine(error);
        return false;
    }
    *info = opened->info;
    *decoder = opened;
    return true;
}

static bool Decode(ImageDecoder* decoder, uint8_t* firstRow, size_t rowStride, RowSink sink,
                   void* sinkContext, RowProgress progress, std::string* error) {
    RowTarget target;
    target.firstRow = firstRow;
    target.rowStride = rowStride;
    target.sink = sink;
    target.sinkContext = sinkContext;
    target.progress = progress;
    const bool ok = decoder->decode(decoder, target, error);
    if (!ok) KeepOnOneLine(error);
    return ok;
}

bool DecodeImageRows(ImageDecoder* decoder, uint8_t* firstRow, size_t rowStride,
                     RowProgress progress, std::string* error) {
    return Decode(decoder, firstRow, rowStride, nullptr, nullptr, progress, error);
}

bool DecodeImageRowsEach(ImageDecoder* decoder, RowSink rowDone, void* rowContext,
                         RowProgress progress, std::string* error) {
    return Decode(decoder, nullptr, 0, rowDone, rowContext, progress, error);
}

void CloseImageDecoder(ImageDecoder* decoder) {
    if (decoder == nullptr) return;
    if (decoder->close != nullptr) decoder->close(decoder);
    delete decoder;
}

ImageMetadata* TakeImageMetadata(ImageDecoder* decoder) {
    if (decoder == nullptr || decoder->takeMetadata == nullptr) return nullptr;
    return decoder->takeMetadata(decoder);
}

void FreeImageMetadata(ImageMetadata* metadata) {
    if (metadata == nullptr) return;
    if (metadata->free != nullptr) metadata->free(metadata->state);
    delete metadata;
}

int32_t MetadataOrientation(const ImageMetadata* metadata) {
    return metadata != nullptr ? metadata->orientation : 1;
}
