// Handing an image file to the plug-in as a host holds it, and taking the
// result back: image mode, planes, the transparency plane, and 16-bit
// samples on the host's 0..32768 scale. The file is decoded straight into
// the host's image; the result is encoded straight from the host's rows.
#pragma once

#include "cli/image/ImageCodec.h"
#include "testhost/HostSession.h"

#include <string>
#include <vector>

// 16-bit file samples (0..65535) to the host's scale (0..32768) and back,
// each rounded to the nearest value. Host values above 32768 count as 32768.
// Every host value survives the way out and back; file values come back
// within 1.
uint16 HostFromPng16(uint16 value);
uint16 Png16FromHost(uint16 value);
// The smallest file value that HostFromPng16 takes to this host value; the
// file values that go to it are this one and at most the next.
uint16 LowestFileValueFor(uint16 host);

// Image mode (1, 3, 10 or 11) of an image of this kind.
int16 HostModeOf(const ImageInfo& info);

// Mode, planes and transparency fields a host reports for this image, and
// row padding that keeps every delivered row a multiple of 4 bytes long
// with at least 4 bytes after the pixels.
void DescribeImage(const ImageInfo& info, int32 filterWidth, HostSettings* settings);

// What the host keeps beside its image to give back 16-bit files exactly:
// one bit a sample, the part of the file's value that the host's scale
// drops. Empty for 8-bit images.
struct HostTransfer {
    ImageInfo info;
    std::vector<uint8_t> lowBits;
};

// Allocates the host's image for info, rows padded as DescribeImage pads
// them, and decodes the file into it.
bool DecodeIntoHost(ImageDecoder* decoder, const ImageInfo& info, HostImage* image,
                    HostTransfer* transfer, RowProgress progress, std::string* error);

// Converts decoded 16-bit rows (file values) on the host's scale in place,
// noting the dropped bits; used by DecodeIntoHost.
void HostScaleRows(HostImage* image, HostTransfer* transfer);

// Rows of the image as the host shows it after the run, in the file's kind
// (or at 8 bits, outputDepth 8, for formats that hold no more). A sample
// the host left unchanged keeps the file's own value, so pixels outside
// the selection and the alpha channel come back bit for bit also at 16
// bits, where the host's scale is coarser than the file's.
struct ResultRows {
    const HostImage* before = nullptr;  // the image as read
    const HostImage* after = nullptr;   // the host's result
    const HostTransfer* transfer = nullptr;
    int32 outputDepth = 8;
    std::vector<uint8_t> scratch;
};
void PrepareResultRows(ResultRows* rows, const HostImage& before, const HostImage& after,
                       const HostTransfer& transfer, int32 outputDepth);
const uint8_t* ResultRowAt(void* context, int32_t row);  // a RowSource over ResultRows
