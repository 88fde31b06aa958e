// A host's record for one filter pass over buffers the caller owns, made
// by hand the way the unit tests, the reference test and the benchmark
// need it: no host behind it, only the fields a pass reads.
#pragma once

#include "entry/FilterInstance.h"
#include "entry/Parameters.h"

#include <cstdint>

// The record, the instance bound to it, the host's result and the
// parameter block behind the record's `parameters` handle.
struct PassRecord {
    FilterRecord record;
    FilterInstance instance;
    int16 result;
    FilterParameters parameters;
    char* parameterBlock;
};

// The image a pass works on: width x height pixels of `planes`
// interleaved channels in both buffers.
struct PassImage {
    int16 imageMode;
    int16 planes;
    int32_t width;
    int32_t height;
    uint8_t* in;
    int32_t inRowBytes;
    uint8_t* out;
    int32_t outRowBytes;
};

// Clears the record and the instance and binds them to each other, to the
// result and to the parameter block (Amount `amount`). The whole image is
// the filter rectangle, the request the buffers answer (as Start asks)
// and the work rectangle; column bytes are one interleaved pixel; black
// walls on white; no mask and no abortProc. The result is 0.
inline void SetUpPassRecord(PassRecord* pass, const PassImage& image, int16 amount) {
    pass->record = FilterRecord{};
    pass->instance = FilterInstance{};
    pass->result = 0;
    pass->parameters.Amount = amount;
    pass->parameterBlock = reinterpret_cast<char*>(&pass->parameters);
    const int32_t bytesPerSample =
        image.imageMode == plugInModeGray16 || image.imageMode == plugInModeRGB48 ? 2 : 1;
    const Rect whole = Rect{0, 0, int16(image.height), int16(image.width)};
    FilterRecord& record = pass->record;
    record.parameters = &pass->parameterBlock;
    record.imageMode = image.imageMode;
    record.planes = image.planes;
    record.imageSize = Point{int16(image.height), int16(image.width)};
    record.filterRect = whole;
    record.inRect = whole;
    record.outRect = whole;
    record.maskRect = whole;
    record.foreground = RGBColor{0, 0, 0};
    record.background = RGBColor{65535, 65535, 65535};
    record.inData = image.in;
    record.inRowBytes = image.inRowBytes;
    record.outData = image.out;
    record.outRowBytes = image.outRowBytes;
    record.inColumnBytes = image.planes * bytesPerSample;
    record.outColumnBytes = image.planes * bytesPerSample;
    pass->instance.result = &pass->result;
    pass->instance.filter = &pass->record;
    pass->instance.workRect = whole;
}

// The selection: `rowBytes` bytes per row, null for none.
inline void SetPassMask(PassRecord* pass, const uint8_t* mask, int32_t rowBytes) {
    pass->record.haveMask = mask != nullptr ? 1 : 0;
    pass->record.maskData = const_cast<uint8_t*>(mask);
    pass->record.maskRowBytes = rowBytes;
}
