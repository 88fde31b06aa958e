// Image files of the command-line host: the format of an input is found
// from its first bytes, the format of an output from its name. Decoding
// reads the header first and refuses sizes the host cannot take before any
// image-sized allocation; rows then go straight into the caller's buffer.
// Encoding takes rows one at a time from the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

enum ImageFormat {
    imageFormatPng,
    imageFormatJpeg,
    imageFormatTiff,
    imageFormatWebp,
    imageFormatHeic,
    imageFormatAvif,
    imageFormatGif,
    imageFormatJxl,
    imageFormatOther  // read only: another format the native build's library reads
};

// From the output's extension, case-insensitively: .png, .jpg/.jpeg,
// .tif/.tiff, .webp, .heic, .avif, .gif, .jxl.
bool FormatFromExtension(const std::string& path, ImageFormat* format);

// "PNG", "JPEG", "TIFF", "WebP", "HEIC", "AVIF", "GIF", "JPEG XL", "image".
const char* FormatName(ImageFormat format);

// The format for an output name, or a one-line reason: an unknown
// extension, or a format this program does not write.
bool OutputFormatFor(const std::string& path, ImageFormat* format, std::string* error);

struct ImageInfo {
    int32_t width = 0, height = 0;
    int32_t channels = 0;  // 1 gray, 2 gray+alpha, 3 RGB, 4 RGBA
    int32_t bitDepth = 8;  // 8 or 16 (16-bit samples native-endian uint16, 0..65535)
    ImageFormat format = imageFormatPng;
};

inline bool InfoHasAlpha(const ImageInfo& info) { return info.channels == 2 || info.channels == 4; }

// Bytes of one unpadded row of decoded samples.
inline size_t InfoRowBytes(const ImageInfo& info) {
    return size_t(info.width) * size_t(info.channels) * size_t(info.bitDepth / 8);
}

// Called after each band of rows while decoding or encoding; answers false to stop
// (Ctrl-C). rowsDone of rowsTotal lets the caller show a percentage.
struct RowProgress {
    bool (*onRows)(void* context, int32_t rowsDone, int32_t rowsTotal) = nullptr;
    void* context = nullptr;
};

struct ImageDecoder;  // opaque
// Reads the signature and the header only (format found from the content); refuses,
// with one line and before any image-sized allocation, dimensions above the host
// interface's limit or beyond what can be allocated.
bool OpenImageDecoder(FILE* file, const std::string& name, ImageDecoder** decoder, ImageInfo* info,
                      std::string* error);
// Decodes every row straight into the caller's rows (rowStride bytes apart).
bool DecodeImageRows(ImageDecoder* decoder, uint8_t* firstRow, size_t rowStride,
                     RowProgress progress, std::string* error);
// Decodes row after row and hands each to rowDone (row number, its
// samples); answers false when rowDone does (rowDone sets the error) or the
// file is damaged. Needs one row of memory, except for interlaced files.
typedef bool (*RowSink)(void* context, int32_t row, const uint8_t* samples, std::string* error);
bool DecodeImageRowsEach(ImageDecoder* decoder, RowSink rowDone, void* rowContext,
                         RowProgress progress, std::string* error);
void CloseImageDecoder(ImageDecoder* decoder);

// What a decoder read beside the pixels (colour profile, EXIF, XMP,
// resolution, orientation), for the output to carry on; opaque, and
// only the native build keeps any.
struct ImageMetadata;

// The metadata of an opened decoder (null when its module keeps none),
// valid after the decoder is closed; freed with FreeImageMetadata.
ImageMetadata* TakeImageMetadata(ImageDecoder* decoder);
void FreeImageMetadata(ImageMetadata* metadata);
// The EXIF orientation the metadata records (1..8); 1 without metadata.
int32_t MetadataOrientation(const ImageMetadata* metadata);

// The default zlib level for PNG output. Levels 1 to 5 go with the UP row
// filter, 6 to 9 with libpng's choice per row: on a 12-megapixel labyrinth
// level 3 with UP encodes in about 90 ms to 0.38 MB, level 6 adaptive in
// 730 ms to 0.17 MB, level 1 with SUB in 90 ms to 0.90 MB
// (bench/pngencode.cpp).
const int32_t defaultPngCompression = 3;
// The default zlib level of TIFF output (Deflate with the horizontal
// predictor).
const int32_t defaultTiffCompression = 6;
// The default quality of JPEG, WebP, HEIC and AVIF output.
const int32_t defaultQuality = 92;

struct EncodeOptions {
    int32_t jpegQuality = defaultQuality;     // also WebP, HEIC and AVIF
    int32_t pngCompression = -1;              // -1: the format's default
    const ImageMetadata* metadata = nullptr;  // null: none
    // Written as the image's description beside Software "Vorn <version>"
    // where the format has a place for them; empty: none.
    std::string description;
};
// rowAt answers a pointer to row `row` (width*channels samples, as in ImageInfo).
typedef const uint8_t* (*RowSource)(void* context, int32_t row);
bool EncodeImage(FILE* file, const std::string& name, const ImageInfo& info, ImageFormat format,
                 RowSource rowAt, void* rowContext, const EncodeOptions& options,
                 RowProgress progress, std::string* error);
