// Reading PNG files of every kind: gray, gray + alpha, RGB, RGB + alpha at
// 8 or 16 bits; palette and 1/2/4-bit images come out as 8-bit RGB(A) or
// gray. A colour key (tRNS) in a gray or RGB image becomes an alpha
// channel.
#pragma once

#include "cli/PngChunks.h"
#include "cli/PngImage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Answers false with a one-line reason when the bytes are no complete,
// intact PNG or cannot be decoded.
bool DecodePng(const uint8_t* bytes, size_t size, PngImage* image, std::string* error);

bool ReadPngFile(const std::string& path, PngImage* image, std::string* error);
