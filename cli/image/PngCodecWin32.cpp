// PNG for the Win32 host: decoded through stb_image's public API (reading
// through a callback that checks every chunk's CRC with zlib's crc32, and
// with allocations bounded by what the header declares), written with
// zlib's deflate.
#include "cli/image/CodecParts.h"

#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// No single allocation of the decoder beyond this (set before each decode
// from the header's dimensions); a stream that inflates beyond it stops.
size_t stbLimit = 0;
bool stbLimitHit = false;

void* LimitedMalloc(size_t size) {
    if (size > stbLimit) {
        stbLimitHit = true;
        return nullptr;
    }
    return malloc(size);
}

void* LimitedRealloc(void* block, size_t size) {
    if (size > stbLimit) {
        stbLimitHit = true;
        return nullptr;
    }
    return realloc(block, size);
}

}  // namespace

#define STBI_MALLOC(size) LimitedMalloc(size)
#define STBI_REALLOC(block, size) LimitedRealloc(block, size)
#define STBI_FREE(block) free(block)
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"

namespace {

uint32_t Big32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

void PutBig32(uint8_t* bytes, uint32_t value) {
    bytes[0] = uint8_t(value >> 24);
    bytes[1] = uint8_t(value >> 16);
    bytes[2] = uint8_t(value >> 8);
    bytes[3] = uint8_t(value);
}

// The stream as stb reads it: the bytes already read first, then the
// file, with each chunk's CRC checked as its last byte goes by.
struct CheckedStream {
    FILE* file = nullptr;
    uint8_t head[33] = {};  // signature and IHDR
    size_t headSize = 0, headAt = 0;
    bool ended = false, readFailed = false, crcFailed = false;
    // Chunk tracking: position inside the current chunk's 12 + length bytes.
    uint8_t header[8] = {};
    uint64_t chunkAt = 0, chunkLength = 0;
    uint32_t crc = 0;
    uint8_t stored[4] = {};
    char badChunk[5] = {};
    uint64_t offset = 0;  // bytes given so far
};

// Follows one byte through the chunk structure (after the signature).
void TrackByte(CheckedStream* stream, uint8_t byte) {
    if (stream->offset++ < 8) return;
    const uint64_t at = stream->chunkAt++;
    if (at < 8) {
        stream->header[at] = byte;
        if (at == 7) {
            stream->chunkLength = Big32(stream->header);
            stream->crc = uint32_t(crc32(0, stream->header + 4, 4));
        }
        return;
    }
    if (at < 8 + stream->chunkLength) {
        stream->crc = uint32_t(crc32(stream->crc, &byte, 1));
        return;
    }
    stream->stored[at - 8 - stream->chunkLength] = byte;
    if (at == 8 + stream->chunkLength + 3) {
        if (Big32(stream->stored) != stream->crc && !stream->crcFailed) {
            stream->crcFailed = true;
            memcpy(stream->badChunk, stream->header + 4, 4);
        }
        stream->chunkAt = 0;
    }
}

int ReadCallback(void* user, char* data, int size) {
    CheckedStream* stream = static_cast<CheckedStream*>(user);
    if (stream->crcFailed) return 0;
    int given = 0;
    while (given < size && stream->headAt < stream->headSize)
        data[given++] = char(stream->head[stream->headAt++]);
    if (given < size) {
        const size_t got = fread(data + given, 1, size_t(size - given), stream->file);
        if (got < size_t(size - given)) {
            stream->ended = true;
            if (ferror(stream->file)) stream->readFailed = true;
        }
        given += int(got);
    }
    for (int i = 0; i < given; ++i) TrackByte(stream, uint8_t(data[i]));
    return given;
}

void SkipCallback(void* user, int count) {
    char scrap[4096];
    while (count > 0) {
        const int step = count < int(sizeof scrap) ? count : int(sizeof scrap);
        const int got = ReadCallback(user, scrap, step);
        if (got <= 0) return;
        count -= got;
    }
}

int EofCallback(void* user) {
    CheckedStream* stream = static_cast<CheckedStream*>(user);
    if (stream->headAt < stream->headSize) return 0;
    if (stream->ended || stream->crcFailed) return 1;
    const int next = fgetc(stream->file);
    if (next == EOF) {
        stream->ended = true;
        return 1;
    }
    ungetc(next, stream->file);
    return 0;
}

struct StbState {
    stbi_uc* pixels = nullptr;
};

void CloseStb(ImageDecoder* decoder) {
    StbState* state = static_cast<StbState*>(decoder->state);
    if (state == nullptr) return;
    stbi_image_free(state->pixels);
    delete state;
    decoder->state = nullptr;
}

// stb has decoded the whole image; rows are copied where the caller wants.
bool CopyRows(ImageDecoder* decoder, const RowTarget& target, std::string* error) {
    StbState* state = static_cast<StbState*>(decoder->state);
    const ImageInfo& info = decoder->info;
    const size_t rowBytes = InfoRowBytes(info);
    for (int32_t y = 0; y < info.height; ++y) {
        const uint8_t* from = state->pixels + rowBytes * size_t(y);
        if (target.firstRow != nullptr)
            memcpy(target.firstRow + target.rowStride * size_t(y), from, rowBytes);
        if (!FinishRow(target, y, info.height, from, error)) return false;
    }
    stbi_image_free(state->pixels);
    state->pixels = nullptr;
    return true;
}

std::string StbReason(const CheckedStream& stream, const std::string& name) {
    if (stream.crcFailed) return name + ": corrupt PNG: CRC mismatch in chunk " + stream.badChunk;
    if (stream.readFailed) return "cannot read " + name + ": " + strerror(errno);
    if (stbLimitHit) return name + ": corrupt PNG: more image data than the header declares";
    const char* reason = stbi_failure_reason();
    if (reason != nullptr && strcmp(reason, "outofmem") == 0)
        return name + ": out of memory while decoding the PNG";
    if (stream.ended) return name + ": truncated PNG: the file ends before IEND";
    return name + ": corrupt PNG: " + (reason != nullptr ? reason : "undecodable");
}

bool OpenPngDecoder(ImageDecoder* decoder, std::string* error) {
    CheckedStream stream;
    stream.file = decoder->file;
    memcpy(stream.head, decoder->signature, 8);
    stream.headSize = 8 + fread(stream.head + 8, 1, 25, decoder->file);
    const std::string& name = decoder->name;
    if (stream.headSize < 33) {
        *error = name + ": truncated PNG: the file ends before IEND";
        return false;
    }
    if (memcmp(stream.head + 12, "IHDR", 4) != 0 || Big32(stream.head + 8) != 13) {
        *error = name + ": corrupt PNG: the first chunk is not IHDR";
        return false;
    }
    if (uint32_t(crc32(0, stream.head + 12, 17)) != Big32(stream.head + 29)) {
        *error = name + ": corrupt PNG: CRC mismatch in chunk IHDR";
        return false;
    }
    // The header's claim, checked before stb allocates anything: at most
    // four channels of the declared depth.
    const uint32_t width = Big32(stream.head + 16), height = Big32(stream.head + 20);
    const int depth = stream.head[24];
    ImageInfo claimed;
    claimed.format = imageFormatPng;
    claimed.width = width > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(width);
    claimed.height = height > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(height);
    claimed.channels = 4;
    claimed.bitDepth = depth == 16 ? 16 : 8;
    if (!CheckImageHeader(claimed, name, error)) return false;
    const size_t rawBytes =
        size_t(claimed.height) * (1 + size_t(claimed.width) * 4 * (claimed.bitDepth / 8));
    stbLimit = 2 * rawBytes + (size_t(1) << 20);
    stbLimitHit = false;

    stbi_io_callbacks callbacks = {ReadCallback, SkipCallback, EofCallback};
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = depth == 16
                          ? reinterpret_cast<stbi_uc*>(stbi_load_16_from_callbacks(
                                &callbacks, &stream, &w, &h, &channels, 0))
                          : stbi_load_from_callbacks(&callbacks, &stream, &w, &h, &channels, 0);
    // The chunks after the image data are checked too.
    if (pixels != nullptr) SkipCallback(&stream, 0x7FFFFFFF);
    if (pixels == nullptr || stream.crcFailed || stream.readFailed) {
        *error = StbReason(stream, name);
        stbi_image_free(pixels);
        return false;
    }
    StbState* state = AttachDecoderState<StbState>(decoder, CopyRows, CloseStb, error);
    if (state == nullptr) {
        stbi_image_free(pixels);
        return false;
    }
    state->pixels = pixels;
    decoder->info = claimed;
    decoder->info.channels = channels;
    return true;
}

}  // namespace

bool FormatAvailable(ImageFormat format) { return format == imageFormatPng; }

bool OpenFormatDecoder(ImageDecoder* decoder, std::string* error) {
    ImageFormat format = imageFormatPng;
    if (!FormatFromSignature(decoder->signature, decoder->signatureSize, &format)) {
        *error = decoder->name + ": not a PNG file";
        return false;
    }
    if (format != imageFormatPng) {
        *error = decoder->name + ": a " + FormatName(format) + " file; this program reads PNG only";
        return false;
    }
    return OpenPngDecoder(decoder, error);
}

namespace {

struct PngWriter {
    FILE* file = nullptr;
    bool failed = false;
    int failedErrno = 0;
};

void WriteChunk(PngWriter* writer, const char* type, const uint8_t* data, size_t size) {
    if (writer->failed) return;
    uint8_t head[8];
    PutBig32(head, uint32_t(size));
    memcpy(head + 4, type, 4);
    uint32_t crc = uint32_t(crc32(0, head + 4, 4));
    if (size > 0) crc = uint32_t(crc32(crc, data, uInt(size)));
    uint8_t tail[4];
    PutBig32(tail, crc);
    if (fwrite(head, 1, 8, writer->file) != 8 ||
        (size > 0 && fwrite(data, 1, size, writer->file) != size) ||
        fwrite(tail, 1, 4, writer->file) != 4) {
        writer->failed = true;
        writer->failedErrno = errno;
    }
}

bool EncodePng(FILE* file, const std::string& name, const ImageInfo& info, RowSource rowAt,
               void* rowContext, const EncodeOptions& options, RowProgress progress,
               std::string* error) {
    static const uint8_t colourTypes[5] = {0, 0, 4, 2, 6};
    const int level = options.pngCompression >= 0 ? options.pngCompression : defaultPngCompression;
    const size_t sampleBytes = size_t(info.bitDepth / 8);
    const size_t rowBytes = InfoRowBytes(info);
    PngWriter writer;
    writer.file = file;
    if (fwrite(pngSignature, 1, 8, file) != 8) {
        *error = "cannot write " + name + ": " + strerror(errno);
        return false;
    }
    uint8_t header[13];
    PutBig32(header, uint32_t(info.width));
    PutBig32(header + 4, uint32_t(info.height));
    header[8] = uint8_t(info.bitDepth);
    header[9] = colourTypes[info.channels];
    header[10] = header[11] = header[12] = 0;
    WriteChunk(&writer, "IHDR", header, 13);

    z_stream zs = {};
    const size_t outSize = 1 << 16;
    uint8_t* line = static_cast<uint8_t*>(malloc(rowBytes + 1));
    uint8_t* above = static_cast<uint8_t*>(calloc(rowBytes + 1, 1));
    uint8_t* packed = static_cast<uint8_t*>(malloc(outSize));
    if (line == nullptr || above == nullptr || packed == nullptr ||
        deflateInit(&zs, level) != Z_OK) {
        free(line);
        free(above);
        free(packed);
        *error = "cannot write " + name + ": out of memory";
        return false;
    }
    bool stopped = false;
    for (int32_t y = 0; y <= info.height && !writer.failed && !stopped; ++y) {
        const bool last = y == info.height;
        if (!last) {
            // Filter byte, then the row: UP (difference to the row above)
            // when compressing, none when storing. Samples big-endian.
            const uint8_t* from = rowAt(rowContext, y);
            uint8_t* to = line + 1;
            for (size_t i = 0; i < rowBytes; i += sampleBytes) {
                if (sampleBytes == 2) {
                    uint16_t value;
                    memcpy(&value, from + i, 2);
                    to[i] = uint8_t(value >> 8);
                    to[i + 1] = uint8_t(value);
                } else {
                    to[i] = from[i];
                }
            }
            line[0] = level == 0 ? 0 : 2;
            if (level != 0) {
                for (size_t i = 0; i < rowBytes; ++i) {
                    const uint8_t value = to[i];
                    to[i] = uint8_t(value - above[i]);
                    above[i] = value;
                }
            }
            zs.next_in = line;
            zs.avail_in = uInt(rowBytes + 1);
        }
        const int flush = last ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            zs.next_out = packed;
            zs.avail_out = uInt(outSize);
            result = deflate(&zs, flush);
            const size_t produced = outSize - zs.avail_out;
            if (produced > 0) WriteChunk(&writer, "IDAT", packed, produced);
        } while ((zs.avail_out == 0 || (last && result != Z_STREAM_END)) && !writer.failed &&
                 result != Z_STREAM_ERROR);
        if (!last && !EncodedRow(progress, y, info.height, error)) stopped = true;
    }
    deflateEnd(&zs);
    free(line);
    free(above);
    free(packed);
    if (stopped) return false;
    WriteChunk(&writer, "IEND", nullptr, 0);
    if (writer.failed) {
        *error = "cannot write " + name + ": " + strerror(writer.failedErrno);
        return false;
    }
    return true;
}

}  // namespace

bool EncodeImage(FILE* file, const std::string& name, const ImageInfo& info, ImageFormat format,
                 RowSource rowAt, void* rowContext, const EncodeOptions& options,
                 RowProgress progress, std::string* error) {
    if (format != imageFormatPng) {
        *error = "cannot write " + name + ": this program writes PNG only";
        return false;
    }
    return EncodePng(file, name, info, rowAt, rowContext, options, progress, error);
}
