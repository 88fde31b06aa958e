// The chunk structure of a PNG file: signature, chunk lengths, CRCs and
// the order of the critical chunks. The pixel decoder trusts its input, so
// every file is walked here first and refused when anything is off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colourType = 0;  // 0 gray, 2 RGB, 3 palette, 4 gray + alpha, 6 RGBA
    uint8_t interlace = 0;
};

extern const uint8_t pngSignature[8];

// CRC-32 as PNG uses it (polynomial 0xEDB88320); pass the previous value to
// continue a running CRC.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

// Big-endian 32-bit value at bytes.
uint32_t ReadBigEndian32(const uint8_t* bytes);

// Answers true when bytes hold a complete, well-formed PNG stream; fills
// header from IHDR. Otherwise a short reason in *error.
bool CheckPngStructure(const uint8_t* bytes, size_t size, PngHeader* header, std::string* error);
