// Images and hand-made PNG streams for the command-line host's tests.
#pragma once

#include "cli/WholeImage.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

inline uint32_t ReadBigEndian32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// An image whose samples run through the whole range of its depth and
// differ from pixel to pixel and channel to channel (odd values included).
inline WholeImage PatternImage(int32_t width, int32_t height, int32_t channels, int32_t depth) {
    WholeImage image = BlankImage(width, height, channels, depth);
    const uint32_t modulus = depth == 16 ? 65536u : 256u;
    for (size_t i = 0; i < image.samples.size(); ++i)
        image.samples[i] = uint16_t((i * 2654435761u + (i >> 3) * 40503u) % modulus);
    return image;
}

inline void AppendBig32(std::vector<uint8_t>* out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(uint8_t(value >> shift));
}

inline void AppendChunk(std::vector<uint8_t>* out, const char* type,
                        const std::vector<uint8_t>& data) {
    AppendBig32(out, uint32_t(data.size()));
    const size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    AppendBig32(out, uint32_t(crc32(0, out->data() + start, uInt(data.size() + 4))));
}

inline std::vector<uint8_t> HeaderData(uint32_t width, uint32_t height, uint8_t depth,
                                       uint8_t colourType) {
    std::vector<uint8_t> data;
    AppendBig32(&data, width);
    AppendBig32(&data, height);
    data.push_back(depth);
    data.push_back(colourType);
    data.push_back(0);
    data.push_back(0);
    data.push_back(0);
    return data;
}

inline std::vector<uint8_t> Compressed(std::vector<uint8_t> raw) {
    uLongf length = compressBound(uLong(raw.size()));
    std::vector<uint8_t> out(length);
    compress2(out.data(), &length, raw.data(), uLong(raw.size()), 8);
    out.resize(length);
    return out;
}

// A PNG stream built chunk by chunk: IHDR, the extra chunks, one IDAT of
// the given scanlines (each beginning with its filter byte), IEND.
inline std::vector<uint8_t> HandMadePng(
    uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
    const std::vector<uint8_t>& scanlines,
    const std::vector<std::pair<std::string, std::vector<uint8_t>>>& extra = {}) {
    std::vector<uint8_t> out(pngSignature, pngSignature + 8);
    AppendChunk(&out, "IHDR", HeaderData(width, height, depth, colourType));
    for (const auto& chunk : extra) AppendChunk(&out, chunk.first.c_str(), chunk.second);
    AppendChunk(&out, "IDAT", Compressed(scanlines));
    AppendChunk(&out, "IEND", {});
    return out;
}
