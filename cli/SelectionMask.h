// The selection given as a mask image: one byte per pixel, 0 unselected,
// any other value selected to that degree (255 fully). Any format the host
// reads; decoded once, straight into the host's mask rows.
#pragma once

#include "cli/ImageCodec.h"
#include "host/HostInterface.h"
#include "testhost/HostSession.h"

#include <string>

// The mask's header against the image's size (before anything is decoded).
bool CheckMaskSize(const ImageInfo& mask, int32 width, int32 height, std::string* error);

// Converts one decoded row of a mask image into mask bytes. 16-bit values
// are scaled to 0..255 with every non-zero value staying non-zero. An RGB
// mask is accepted when every pixel is gray; an alpha channel only when
// every pixel is opaque.
bool MaskRowFromSamples(const ImageInfo& mask, const uint8_t* samples, uint8_t* row,
                        std::string* error);

// Reads the mask file into image->mask (rows padded like the image's);
// errors name the file.
bool ReadSelectionMask(FILE* file, const std::string& name, HostImage* image, RowProgress progress,
                       std::string* error);

// The bounding box of the selected (non-zero) pixels, bottom and right
// exclusive; false when nothing is selected.
bool MaskBounds(const uint8_t* mask, size_t rowBytes, int32 width, int32 height, Rect* bounds);
