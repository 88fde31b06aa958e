#include "cli/ImageTransfer.h"

#include <cstring>
#include <new>

namespace {

int32 PaddingFor(int32 rowBytes) { return 4 + (4 - rowBytes % 4) % 4; }

uint8_t Eight(uint16 file) { return uint8_t((uint32(file) * 255u + 32767u) / 65535u); }

}  // namespace

uint16 HostFromPng16(uint16 value) { return uint16((uint32(value) * 32768u + 32767u) / 65535u); }

uint16 Png16FromHost(uint16 value) {
    const uint32 clamped = value > 32768 ? 32768u : value;
    return uint16((clamped * 65535u + 16384u) / 32768u);
}

uint16 LowestFileValueFor(uint16 host) {
    const uint32 clamped = host > 32768 ? 32768u : host;
    if (clamped == 0) return 0;
    // The least v with v * 32768 + 32767 >= host * 65535, rounded up.
    return uint16((clamped * 65535u) / 32768u);
}

int16 HostModeOf(const ImageInfo& info) {
    const bool colour = info.channels >= 3;
    if (info.bitDepth == 16) return colour ? plugInModeRGB48 : plugInModeGray16;
    return colour ? plugInModeRGBColor : plugInModeGrayScale;
}

void DescribeImage(const ImageInfo& info, int32 filterWidth, HostSettings* settings) {
    settings->imageMode = HostModeOf(info);
    settings->planes = int16(info.channels);
    const bool alpha = InfoHasAlpha(info);
    settings->inLayerPlanes = int16(alpha ? info.channels - 1 : info.channels);
    settings->inTransparencyMask = int16(alpha ? 1 : 0);
    const int32 pixelBytes = info.channels * (info.bitDepth == 16 ? 2 : 1);
    settings->rowPadding = PaddingFor(filterWidth * pixelBytes);
    settings->reportColumnBytes = true;
}

void HostScaleRows(HostImage* image, HostTransfer* transfer) {
    const size_t perRow = size_t(image->width) * size_t(image->channels);
    transfer->lowBits.assign((perRow * size_t(image->height) + 7) / 8, 0);
    const size_t stride = HostRowBytes(*image);
    size_t index = 0;
    for (int32 y = 0; y < image->height; ++y) {
        uint8_t* row = image->samples.data() + size_t(y) * stride;
        for (size_t i = 0; i < perRow; ++i, ++index) {
            uint16 file;
            memcpy(&file, row + i * 2, 2);
            const uint16 host = HostFromPng16(file);
            if (file != LowestFileValueFor(host))
                transfer->lowBits[index / 8] |= uint8_t(1u << (index % 8));
            memcpy(row + i * 2, &host, 2);
        }
    }
}

bool DecodeIntoHost(ImageDecoder* decoder, const ImageInfo& info, HostImage* image,
                    HostTransfer* transfer, RowProgress progress, std::string* error) {
    image->width = info.width;
    image->height = info.height;
    image->channels = info.channels;
    image->bytesPerSample = info.bitDepth == 16 ? 2 : 1;
    const int32 rowBytes = int32(InfoRowBytes(info));
    image->rowBytes = rowBytes + PaddingFor(rowBytes);
    transfer->info = info;
    try {
        image->samples.resize(size_t(image->rowBytes) * size_t(info.height));
        if (info.bitDepth == 16)
            transfer->lowBits.reserve((size_t(rowBytes / 2) * size_t(info.height) + 7) / 8);
    } catch (const std::bad_alloc&) {
        *error = "out of memory for a " + std::to_string(info.width) + "x" +
                 std::to_string(info.height) + " image";
        return false;
    }
    if (!DecodeImageRows(decoder, image->samples.data(), size_t(image->rowBytes), progress, error))
        return false;
    if (info.bitDepth == 16) HostScaleRows(image, transfer);
    return true;
}

void PrepareResultRows(ResultRows* rows, const HostImage& before, const HostImage& after,
                       const HostTransfer& transfer, int32 outputDepth) {
    rows->before = &before;
    rows->after = &after;
    rows->transfer = &transfer;
    rows->outputDepth = outputDepth;
    const size_t samples = size_t(before.width) * size_t(before.channels);
    if (before.bytesPerSample == 2) rows->scratch.assign(samples * size_t(outputDepth / 8), 0);
}

const uint8_t* ResultRowAt(void* context, int32_t row) {
    ResultRows* rows = static_cast<ResultRows*>(context);
    const HostImage& after = *rows->after;
    const uint8_t* now = after.samples.data() + size_t(row) * HostRowBytes(after);
    if (after.bytesPerSample == 1) return now;
    const HostImage& before = *rows->before;
    const uint8_t* was = before.samples.data() + size_t(row) * HostRowBytes(before);
    const size_t perRow = size_t(after.width) * size_t(after.channels);
    size_t index = size_t(row) * perRow;
    const std::vector<uint8_t>& bits = rows->transfer->lowBits;
    uint8_t* out = rows->scratch.data();
    for (size_t i = 0; i < perRow; ++i, ++index) {
        uint16 host, original;
        memcpy(&host, now + i * 2, 2);
        memcpy(&original, was + i * 2, 2);
        uint16 file;
        if (host == original) {
            const bool low = !bits.empty() && (bits[index / 8] >> (index % 8)) & 1u;
            file = uint16(LowestFileValueFor(host) + (low ? 1 : 0));
        } else {
            file = Png16FromHost(host);
        }
        if (rows->outputDepth == 8) {
            out[i] = Eight(file);
        } else {
            memcpy(out + i * 2, &file, 2);
        }
    }
    return out;
}
