#include "cli/PngWrite.h"

#include "cli/FileIo.h"
#include "cli/PngChunks.h"
#include "cli/StbConfig.h"

#include "stb_image_write.h"

// stb's zlib compressor: defined by the writer's implementation (StbCodec.cpp)
// but not declared by its header.
extern "C" unsigned char* stbi_zlib_compress(unsigned char* data, int dataLength, int* outLength,
                                             int quality);

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

const size_t maxDataChunk = 1 << 20;

void PutBigEndian32(std::vector<uint8_t>* out, uint32_t value) {
    out->push_back(uint8_t(value >> 24));
    out->push_back(uint8_t(value >> 16));
    out->push_back(uint8_t(value >> 8));
    out->push_back(uint8_t(value));
}

void PutChunk(std::vector<uint8_t>* out, const char* type, const uint8_t* data, size_t length) {
    PutBigEndian32(out, uint32_t(length));
    const size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    if (length > 0) out->insert(out->end(), data, data + length);
    PutBigEndian32(out, Crc32(out->data() + start, length + 4));
}

uint8_t ColourTypeOf(int32_t channels) {
    switch (channels) {
        case 1: return 0;
        case 2: return 4;
        case 3: return 2;
        default: return 6;
    }
}

uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
    if (pa <= pb && pa <= pc) return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// Filters one row with filter type into out (rowBytes bytes).
void FilterRow(int type, const uint8_t* row, const uint8_t* above, size_t rowBytes, size_t bpp,
               uint8_t* out) {
    for (size_t i = 0; i < rowBytes; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0;
        const int b = above != nullptr ? above[i] : 0;
        const int c = (i >= bpp && above != nullptr) ? above[i - bpp] : 0;
        int predicted = 0;
        switch (type) {
            case 1: predicted = a; break;
            case 2: predicted = b; break;
            case 3: predicted = (a + b) / 2; break;
            case 4: predicted = Paeth(a, b, c); break;
            default: break;
        }
        out[i] = uint8_t(row[i] - predicted);
    }
}

// Sum of the filtered bytes taken as signed values: the usual measure of
// how well a filter will compress.
uint64_t FilterCost(const uint8_t* filtered, size_t rowBytes) {
    uint64_t cost = 0;
    for (size_t i = 0; i < rowBytes; ++i) cost += uint64_t(abs(int(int8_t(filtered[i]))));
    return cost;
}

// Rows of big-endian samples, each behind its filter type byte.
std::vector<uint8_t> FilteredScanlines(const PngImage& image) {
    const size_t bytesPerSample = image.bitDepth == 16 ? 2 : 1;
    const size_t bpp = size_t(image.channels) * bytesPerSample;
    const size_t rowBytes = size_t(image.width) * bpp;
    std::vector<uint8_t> raw(rowBytes * 2), trial(rowBytes), best(rowBytes);
    std::vector<uint8_t> out;
    out.reserve((rowBytes + 1) * size_t(image.height));
    uint8_t* current = raw.data();
    uint8_t* previous = raw.data() + rowBytes;
    const size_t rowSamples = size_t(image.width) * size_t(image.channels);
    for (int32_t y = 0; y < image.height; ++y) {
        const uint16_t* samples = image.samples.data() + size_t(y) * rowSamples;
        for (size_t i = 0; i < rowSamples; ++i) {
            if (bytesPerSample == 1) {
                current[i] = uint8_t(samples[i]);
            } else {
                current[2 * i] = uint8_t(samples[i] >> 8);
                current[2 * i + 1] = uint8_t(samples[i]);
            }
        }
        const uint8_t* above = y > 0 ? previous : nullptr;
        int bestType = 0;
        uint64_t bestCost = UINT64_MAX;
        for (int type = 0; type <= 4; ++type) {
            FilterRow(type, current, above, rowBytes, bpp, trial.data());
            const uint64_t cost = FilterCost(trial.data(), rowBytes);
            if (cost < bestCost) {
                bestCost = cost;
                bestType = type;
                best.swap(trial);
            }
        }
        out.push_back(uint8_t(bestType));
        out.insert(out.end(), best.begin(), best.end());
        uint8_t* swap = previous;
        previous = current;
        current = swap;
    }
    return out;
}

}  // namespace

bool EncodePng(const PngImage& image, std::vector<uint8_t>* bytes, std::string* error) {
    if (image.width <= 0 || image.height <= 0 || image.channels < 1 || image.channels > 4 ||
        (image.bitDepth != 8 && image.bitDepth != 16) ||
        image.samples.size() != size_t(image.width) * size_t(image.height) * size_t(image.channels)) {
        *error = "internal error: inconsistent image for the PNG writer";
        return false;
    }
    std::vector<uint8_t> scanlines = FilteredScanlines(image);
    if (scanlines.size() > size_t(INT_MAX)) {
        *error = "the image is too large to compress";
        return false;
    }
    int compressedLength = 0;
    unsigned char* compressed =
        stbi_zlib_compress(scanlines.data(), int(scanlines.size()), &compressedLength, 8);
    if (compressed == nullptr) {
        *error = "out of memory while compressing the PNG";
        return false;
    }

    uint8_t header[13];
    const uint32_t size[2] = {uint32_t(image.width), uint32_t(image.height)};
    for (int k = 0; k < 2; ++k) {
        header[4 * k] = uint8_t(size[k] >> 24);
        header[4 * k + 1] = uint8_t(size[k] >> 16);
        header[4 * k + 2] = uint8_t(size[k] >> 8);
        header[4 * k + 3] = uint8_t(size[k]);
    }
    header[8] = uint8_t(image.bitDepth);
    header[9] = ColourTypeOf(image.channels);
    header[10] = header[11] = header[12] = 0;

    bytes->clear();
    bytes->reserve(size_t(compressedLength) + 128);
    bytes->insert(bytes->end(), pngSignature, pngSignature + 8);
    PutChunk(bytes, "IHDR", header, sizeof header);
    for (size_t at = 0; at < size_t(compressedLength); at += maxDataChunk) {
        const size_t length = size_t(compressedLength) - at < maxDataChunk
                                  ? size_t(compressedLength) - at
                                  : maxDataChunk;
        PutChunk(bytes, "IDAT", compressed + at, length);
    }
    PutChunk(bytes, "IEND", nullptr, 0);
    free(compressed);
    return true;
}

bool WritePngFile(const std::string& path, const PngImage& image, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!EncodePng(image, &bytes, error)) return false;
    return WriteFileReplacing(path, bytes, error);
}
