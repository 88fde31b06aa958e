#include "preview/PreviewBuffers.h"

#include "host/HeapMemory.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewSamples.h"

namespace {

// A buffer of count × elementSize bytes, or null when the heap (or the size)
// does not allow it.
uint8_t* AllocateBytes(size_t count, size_t elementSize) {
    size_t bytes;
    if (!BufferBytes(count, elementSize, &bytes)) return nullptr;
    return static_cast<uint8_t*>(AllocBuffer(bytes));
}

void FreeAndClear(uint8_t** buffer) {
    if (*buffer != nullptr) FreeBuffer(*buffer);
    *buffer = nullptr;
}

}  // namespace

OSErr AllocatePreviewBuffers(FilterInstance* instance) {
    const FilterRecord* filter = instance->filter;
    size_t framePixels = static_cast<size_t>(PreviewFrameWidth(instance)) *
                         static_cast<size_t>(PreviewFrameHeight(instance));
    if (instance->previewPixels == nullptr) {
        instance->previewPixels =
            AllocateBytes(framePixels, static_cast<size_t>(PreviewColourPlanes(filter)) + 1);
    }
    if (instance->previewMask == nullptr) { instance->previewMask = AllocateBytes(framePixels, 1); }
    bool missing = instance->previewPixels == nullptr || instance->previewMask == nullptr;
    if (instance->hasTransparency != 0) {
        if (instance->transparencyPlane == nullptr) {
            int32_t cols = filter->imageSize.h > 0 ? filter->imageSize.h : 0;
            int32_t rows = filter->imageSize.v > 0 ? filter->imageSize.v : 0;
            instance->transparencyPlane =
                AllocateBytes(static_cast<size_t>(cols), static_cast<size_t>(rows));
        }
        missing = missing || instance->transparencyPlane == nullptr;
    }
    return missing ? memFullErr : noErr;
}

void ReleasePreviewBuffers(FilterInstance* instance) {
    FreeAndClear(&instance->previewPixels);
    FreeAndClear(&instance->previewMask);
    FreeAndClear(&instance->transparencyPlane);
    previewImageFetched = false;
}
