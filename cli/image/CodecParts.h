// What the format modules of ImageCodec share (libvips in the native
// build, WIC in the Win32 host): the decoder record each
// fills, where decoded rows go, and the checks every header goes through.
#pragma once

#include "cli/image/ImageCodec.h"

#include <new>
#include <string>

// Where decoded rows go: into the caller's rows, or one at a time to a sink.
struct RowTarget {
    uint8_t* firstRow = nullptr;  // null: hand rows to sink
    size_t rowStride = 0;
    RowSink sink = nullptr;
    void* sinkContext = nullptr;
    RowProgress progress;
};

struct ImageDecoder {
    ImageInfo info;
    std::string name;
    FILE* file = nullptr;
    uint8_t signature[8] = {};  // the first bytes, already read from file
    size_t signatureSize = 0;
    void* state = nullptr;  // the format module's own
    bool (*decode)(ImageDecoder* decoder, const RowTarget& target, std::string* error) = nullptr;
    void (*close)(ImageDecoder* decoder) = nullptr;
    // What the file holds beside the pixels; null when the module keeps none.
    ImageMetadata* (*takeMetadata)(ImageDecoder* decoder) = nullptr;
};

// Metadata as a format module keeps it: its own state and how to free it.
struct ImageMetadata {
    void* state = nullptr;
    void (*free)(void* state) = nullptr;
    int32_t orientation = 1;  // EXIF orientation, 1..8
};

// Gives the decoder a new State of its format module, with the module's
// decode and close; null (error set) when out of memory.
template <typename State>
State* AttachDecoderState(ImageDecoder* decoder,
                          bool (*decode)(ImageDecoder*, const RowTarget&, std::string*),
                          void (*close)(ImageDecoder*), std::string* error) {
    State* state = new (std::nothrow) State();
    if (state == nullptr) {
        *error = decoder->name + ": out of memory";
        return nullptr;
    }
    decoder->state = state;
    decoder->decode = decode;
    decoder->close = close;
    return state;
}

// The eight bytes every PNG file begins with.
const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Largest side the host records can describe (16-bit rectangles).
const int32_t maxImageSide = 32767;

// Checks a header's dimensions, channels and depth: within the host's
// limits, and an image of this size can be allocated. On failure the
// error is "NAME: reason".
bool CheckImageHeader(const ImageInfo& info, const std::string& name, std::string* error);

// Where row `row` goes; with a sink, a scratch row (scratch must hold a row).
inline uint8_t* TargetRow(const RowTarget& target, int32_t row, uint8_t* scratch) {
    return target.firstRow != nullptr ? target.firstRow + size_t(row) * target.rowStride : scratch;
}

// After row `row` is complete: the sink, and progress every few rows.
// Answers false to stop (error set).
bool FinishRow(const RowTarget& target, int32_t row, int32_t rows, const uint8_t* samples,
               std::string* error);

// Progress after encoding row `row`; false when asked to stop.
bool EncodedRow(const RowProgress& progress, int32_t row, int32_t rows, std::string* error);

// Control characters in a reason (a damaged chunk name, a file name with a
// line break) become '?', so that every error stays one line.
void KeepOnOneLine(std::string* text);

// The format the first bytes of a file show; false when they show none
// this build knows.
bool FormatFromSignature(const uint8_t* bytes, size_t size, ImageFormat* format);

// Per build: opens the format module that reads the signature in
// decoder->signature (which sets decoder->info), or says why this build
// cannot read the file.
bool OpenFormatDecoder(ImageDecoder* decoder, std::string* error);

// The Win32 host's PNG writer on zlib, for gray with alpha and 16-bit
// samples, which the system's encoder does not write right.
bool EncodeZlibPng(FILE* file, const std::string& name, const ImageInfo& info, RowSource rowAt,
                   void* rowContext, const EncodeOptions& options, RowProgress progress,
                   std::string* error);

// Which formats this build reads and writes (the Win32 host: PNG only).
bool FormatAvailable(ImageFormat format);
