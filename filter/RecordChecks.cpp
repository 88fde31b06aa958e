#include "filter/RecordChecks.h"

#include "host/HostSamples.h"

namespace {

// Whether a buffer delivered for `delivered`, rows `rowBytes` apart, holds
// every pixel of `work` (in the buffer's own coordinates) when a row's
// first pixel is `columnBytes` x left bytes in and the next ones follow
// `pixelStep` bytes apart. The buffer is `delivered`'s height x rowBytes.
bool BufferCovers(const Rect& delivered, int32 rowBytes, int32 columnBytes, int64_t pixelStep,
                  const Rect& work) {
    const int32_t deliveredRows = int32_t(delivered.bottom) - delivered.top;
    const int32_t deliveredColumns = int32_t(delivered.right) - delivered.left;
    if (work.top < 0 || work.left < 0) return false;
    if (work.bottom > deliveredRows || work.right > deliveredColumns) return false;
    if (rowBytes <= 0 || columnBytes <= 0) return false;
    const int64_t rowEnd =
        int64_t(work.left) * columnBytes + (int64_t(work.right) - work.left) * pixelStep;
    return rowEnd <= rowBytes;
}

}  // namespace

bool ImageModeFiltered(int16 imageMode) {
    return imageMode == plugInModeGrayScale || imageMode == plugInModeRGBColor ||
           imageMode == plugInModeGray16 || imageMode == plugInModeRGB48;
}

OSErr CheckImageFormat(const FilterRecord* filter) {
    if (filter == nullptr) return filterBadParameters;
    if (!ImageModeFiltered(filter->imageMode)) return filterBadMode;
    if (filter->planes <= 0) return filterBadParameters;
    return noErr;
}

OSErr CheckPassRecord(const FilterInstance* instance) {
    if (instance == nullptr) return filterBadParameters;
    const FilterRecord* filter = instance->filter;
    const OSErr format = CheckImageFormat(filter);
    if (format != noErr) return format;
    if (filter->inData == nullptr || filter->outData == nullptr) return filterBadParameters;
    if (filter->haveMask && filter->maskData == nullptr) return filterBadParameters;

    const Rect& work = instance->workRect;
    const int64_t pixelStep = int64_t(filter->planes) * BytesPerSample(filter->imageMode);
    if (!BufferCovers(filter->inRect, filter->inRowBytes, filter->inColumnBytes, pixelStep, work))
        return filterBadParameters;
    if (!BufferCovers(filter->outRect, filter->outRowBytes, filter->outColumnBytes, pixelStep,
                      work))
        return filterBadParameters;
    if (filter->haveMask && !BufferCovers(filter->maskRect, filter->maskRowBytes, 1, 1, work))
        return filterBadParameters;
    return noErr;
}
