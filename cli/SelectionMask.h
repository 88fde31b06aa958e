// The selection given as a mask image: one byte per pixel, 0 unselected,
// any other value selected to that degree (255 fully).
#pragma once

#include "cli/PngImage.h"
#include "host/HostInterface.h"

#include <string>
#include <vector>

// Converts a grayscale PNG of the image's size into mask bytes. 16-bit
// values are scaled to 0..255 with every non-zero value staying non-zero.
// An RGB mask is accepted when every pixel is gray; an alpha channel only
// when every pixel is opaque.
bool MaskFromPng(const PngImage& png, int32 width, int32 height, std::vector<uint8_t>* mask,
                 std::string* error);

// The bounding box of the selected (non-zero) pixels, bottom and right
// exclusive; false when nothing is selected.
bool MaskBounds(const std::vector<uint8_t>& mask, int32 width, int32 height, Rect* bounds);
