// The selection given as a mask image: one byte per pixel, 0 unselected,
// any other value selected to that degree (255 fully). Any format the host
// reads; decoded once, straight into the host's mask rows.
#pragma once

#include "cli/image/ImageCodec.h"
#include "host/HostInterface.h"
#include "testhost/HostSession.h"

#include <string>

// The mask's header against the image's size (before anything is decoded).
bool CheckMaskSize(const ImageInfo& mask, int32 width, int32 height, std::string* error);
// The same, also taking a mask drawn on the image as shown: width and
// height swapped, explained by an EXIF orientation of 5 to 8.
bool CheckMaskSizeTurned(const ImageInfo& mask, int32 width, int32 height, int32_t orientation,
                         std::string* error);
bool MaskIsTurned(const ImageInfo& mask, int32 width, int32 height, int32_t orientation);
// Mask bytes drawn on the shown image (height x width, packed) into the
// stored image's mask rows (width x height).
void TurnMaskIntoStored(const uint8_t* shown, int32 width, int32 height, int32_t orientation,
                        uint8_t* stored, size_t storedRowBytes);

// Converts one decoded row of a mask image into mask bytes. 16-bit values
// are scaled to 0..255 with every non-zero value staying non-zero. A mask
// with alpha selects by its alpha, a colour mask by its luminance.
bool MaskRowFromSamples(const ImageInfo& mask, const uint8_t* samples, uint8_t* row,
                        std::string* error);

// Reads the mask file into image->mask (rows padded like the image's),
// turned by the image's EXIF orientation when it was drawn on the image
// as shown; errors name the file.
bool ReadSelectionMask(FILE* file, const std::string& name, HostImage* image, int32_t orientation,
                       RowProgress progress, std::string* error);
// The selection from the image's own alpha channel (the last of its
// channels); false when it has none.
bool SelectionFromAlpha(HostImage* image, std::string* error);

// The bounding box of the selected (non-zero) pixels, bottom and right
// exclusive; false when nothing is selected.
bool MaskBounds(const uint8_t* mask, size_t rowBytes, int32 width, int32 height, Rect* bounds);
