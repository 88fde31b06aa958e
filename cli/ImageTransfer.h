// Handing a PNG image to the plug-in as a host holds it, and taking the
// result back: image mode, planes, the transparency plane, and 16-bit
// samples on the host's 0..32768 scale.
#pragma once

#include "cli/PngImage.h"
#include "testhost/HostSession.h"

// 16-bit PNG samples (0..65535) to the host's scale (0..32768) and back,
// each rounded to the nearest value. Host values above 32768 count as 32768.
// Every host value survives the way out and back; PNG values come back
// within 1.
uint16 HostFromPng16(uint16 value);
uint16 Png16FromHost(uint16 value);

// Image mode (1, 3, 10 or 11) of a PNG image of this kind.
int16 HostModeOf(const PngImage& png);

// The host's copy of the image.
HostImage HostImageFromPng(const PngImage& png);

// Mode, planes and transparency fields a host reports for this image, and
// row padding that keeps every delivered row a multiple of 4 bytes long
// with at least 4 bytes after the pixels.
void DescribeImage(const PngImage& png, int32 filterWidth, HostSettings* settings);

// The image as the host shows it after the run, in the PNG's kind. A
// sample the host left unchanged keeps the PNG's own value, so pixels
// outside the selection and the alpha channel come back bit for bit also at
// 16 bits, where the host's scale is coarser than the file's.
PngImage PngFromHostResult(const PngImage& original, const HostImage& before,
                           const HostImage& after);
