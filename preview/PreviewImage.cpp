#include "preview/PreviewImage.h"

#include "host/DataRequest.h"
#include "preview/PreviewSamples.h"

bool previewImageFetched = false;

void ResetPreviewImage() { previewImageFetched = false; }

namespace {

void StoreResult(FilterInstance* instance, OSErr code) {
    if (instance->result != nullptr) *instance->result = code;
}

// Copies the sample just past the colour planes of every delivered pixel
// (the host's transparency plane) into transparencyPlane. False, with
// nothing read, when the delivered rows are too short to hold a whole image
// row of the raised plane count.
bool CopyTransparency(FilterInstance* instance, int32_t colourPlanes) {
    const FilterRecord* filter = instance->filter;
    const uint8_t* data = static_cast<const uint8_t*>(filter->inData);
    if (data == nullptr || instance->transparencyPlane == nullptr) return true;
    int32_t rows = filter->imageSize.v;
    int32_t cols = filter->imageSize.h;
    int32_t t = BytesPerSample(filter->imageMode);
    size_t pixelBytes = static_cast<size_t>(filter->planes) * t;
    if (filter->inRowBytes <= 0 ||
        static_cast<int64_t>(filter->inRowBytes) <
            static_cast<int64_t>(cols) * static_cast<int64_t>(pixelBytes))
        return false;
    size_t sampleOffset = static_cast<size_t>(colourPlanes) * t;
    uint8_t* plane = instance->transparencyPlane;
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* row = data + static_cast<ptrdiff_t>(y) * filter->inRowBytes;
        uint8_t* out = plane + static_cast<size_t>(y) * cols;
        for (int32_t x = 0; x < cols; ++x) {
            const uint8_t* sample = row + x * pixelBytes + sampleOffset;
            out[x] = t == 1 ? *sample : Sample16To8(LoadSample(sample, 2));
        }
    }
    return true;
}

// The transparency request: the input reaches one plane beyond the colour
// planes, where the host delivers the layer's transparency.
OSErr FetchTransparency(FilterInstance* instance) {
    FilterRecord* filter = instance->filter;
    int16 colourPlanes = filter->planes;
    RequestTransparencyPlane(filter, colourPlanes);
    OSErr code = filter->advanceState();
    if (code == noErr && !CopyTransparency(instance, colourPlanes)) code = filterBadParameters;
    StoreResult(instance, code);
    RequestColourPlanes(filter, colourPlanes);
    return code;
}

}  // namespace

OSErr FetchPreviewImage(FilterInstance* instance) {
    FilterRecord* filter = instance->filter;
    previewImageFetched = false;

    RequestWholeImage(filter);
    const Rect& area = filter->filterRect;
    instance->panRow = area.top + (area.bottom - area.top) / 2;
    instance->panColumn = area.left + (area.right - area.left) / 2;
    instance->zoomLevel = 1;

    if (filter->advanceState == nullptr) {
        StoreResult(instance, filterBadParameters);
        return filterBadParameters;
    }
    // Without a place to keep it the transparency is not asked for; the
    // preview stays empty then anyway.
    if (instance->hasTransparency != 0 && instance->transparencyPlane != nullptr) {
        OSErr code = FetchTransparency(instance);
        if (code != noErr) return code;
    }
    OSErr code = filter->advanceState();
    StoreResult(instance, code);
    previewImageFetched = code == noErr;
    return code;
}
