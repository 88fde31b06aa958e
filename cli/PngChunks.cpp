#include "cli/PngChunks.h"

#include <cstring>

const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

namespace {

struct CrcTable {
    uint32_t entries[256];
};

CrcTable MakeCrcTable() {
    CrcTable table;
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table.entries[n] = c;
    }
    return table;
}

bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool ValidDepth(uint8_t colourType, uint8_t depth) {
    switch (colourType) {
        case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case 2:
        case 4:
        case 6: return depth == 8 || depth == 16;
        default: return false;
    }
}

bool Fail(std::string* error, const std::string& reason) {
    *error = reason;
    return false;
}

bool CheckHeader(const uint8_t* data, uint32_t length, PngHeader* header, std::string* error) {
    if (length != 13) return Fail(error, "corrupt PNG: IHDR chunk of the wrong length");
    header->width = ReadBigEndian32(data);
    header->height = ReadBigEndian32(data + 4);
    header->bitDepth = data[8];
    header->colourType = data[9];
    header->interlace = data[12];
    if (header->width == 0 || header->height == 0 || header->width > 0x7FFFFFFFu ||
        header->height > 0x7FFFFFFFu)
        return Fail(error, "corrupt PNG: impossible image size in IHDR");
    if (!ValidDepth(header->colourType, header->bitDepth))
        return Fail(error, "corrupt PNG: invalid bit depth and colour type in IHDR");
    if (data[10] != 0 || data[11] != 0 || header->interlace > 1)
        return Fail(error, "corrupt PNG: unknown compression, filter or interlace method");
    return true;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
    static const CrcTable table = MakeCrcTable();
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = table.entries[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t ReadBigEndian32(const uint8_t* bytes) {
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) |
           uint32_t(bytes[3]);
}

bool CheckPngStructure(const uint8_t* bytes, size_t size, PngHeader* header, std::string* error) {
    if (size < 8 || memcmp(bytes, pngSignature, 8) != 0) return Fail(error, "not a PNG file");
    size_t offset = 8;
    bool seenHeader = false, seenPalette = false, seenData = false, dataEnded = false;
    while (true) {
        if (size - offset < 12) return Fail(error, "truncated PNG: the file ends before IEND");
        const uint32_t length = ReadBigEndian32(bytes + offset);
        const uint8_t* type = bytes + offset + 4;
        const std::string name(reinterpret_cast<const char*>(type), 4);
        if (!IsLetter(type[0]) || !IsLetter(type[1]) || !IsLetter(type[2]) || !IsLetter(type[3]))
            return Fail(error, "corrupt PNG: invalid chunk type");
        if (length > 0x7FFFFFFFu) return Fail(error, "corrupt PNG: chunk length out of range");
        if (size - offset - 12 < length)
            return Fail(error, "truncated PNG: the file ends inside chunk " + name);
        const uint8_t* data = type + 4;
        if (Crc32(type, size_t(length) + 4) != ReadBigEndian32(data + length))
            return Fail(error, "corrupt PNG: CRC mismatch in chunk " + name);
        offset += size_t(length) + 12;

        const bool isData = name == "IDAT";
        if (!seenHeader) {
            if (name != "IHDR") return Fail(error, "corrupt PNG: the first chunk is not IHDR");
            if (!CheckHeader(data, length, header, error)) return false;
            seenHeader = true;
            continue;
        }
        if (seenData && !isData) dataEnded = true;
        if (name == "IHDR") return Fail(error, "corrupt PNG: more than one IHDR chunk");
        if (name == "PLTE") {
            if (seenPalette || seenData || length == 0 || length % 3 != 0 || length > 768)
                return Fail(error, "corrupt PNG: invalid PLTE chunk");
            if (header->colourType == 0 || header->colourType == 4)
                return Fail(error, "corrupt PNG: palette in a grayscale image");
            seenPalette = true;
        } else if (isData) {
            if (dataEnded) return Fail(error, "corrupt PNG: IDAT chunks are not consecutive");
            if (header->colourType == 3 && !seenPalette)
                return Fail(error, "corrupt PNG: palette image without PLTE");
            seenData = true;
        } else if (name == "IEND") {
            if (length != 0) return Fail(error, "corrupt PNG: IEND chunk with data");
            if (!seenData) return Fail(error, "corrupt PNG: no image data (IDAT)");
            return true;
        } else if (type[0] >= 'A' && type[0] <= 'Z') {
            return Fail(error, "unsupported PNG: unknown critical chunk " + name);
        }
    }
}
