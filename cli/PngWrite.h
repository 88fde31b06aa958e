// Writing PNG files: gray, gray + alpha, RGB or RGB + alpha at 8 or 16
// bits, non-interlaced, each row with the filter that suits it best.
#pragma once

#include "cli/PngImage.h"

#include <cstdint>
#include <string>
#include <vector>

// Answers false with a reason when the image cannot be encoded (too large
// for the compressor, or out of memory inside it).
bool EncodePng(const PngImage& image, std::vector<uint8_t>* bytes, std::string* error);

// Encodes and writes through a temporary file (FileIo.h).
bool WritePngFile(const std::string& path, const PngImage& image, std::string* error);
