// PNG written with zlib's deflate, for what the system's PNG encoder (WIC)
// cannot write right: gray with alpha, a layout WIC does not have, and
// 16-bit samples, which Wine's encoder stores in the wrong byte order.
// Everything else the Win32 host writes goes through WIC.
#include "cli/image/CodecParts.h"

#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

void PutBig32(uint8_t* bytes, uint32_t value) {
    bytes[0] = uint8_t(value >> 24);
    bytes[1] = uint8_t(value >> 16);
    bytes[2] = uint8_t(value >> 8);
    bytes[3] = uint8_t(value);
}

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

}  // namespace

bool EncodeZlibPng(FILE* file, const std::string& name, const ImageInfo& info, RowSource rowAt,
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
