#include "preview/PreviewRender.h"

#include <cstring>

#include "filter/FilterPass.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewSamples.h"
#include "preview/PreviewZoom.h"

namespace {

struct SourceRows {
    const uint8_t* data;
    int32_t rowBytes;
};

int16 ResultOf(const FilterInstance* instance) {
    return instance->result != nullptr ? *instance->result : noErr;
}

// Whether the host's buffers and our own are there to be read and written.
bool PreviewReady(const FilterInstance* instance) {
    const FilterRecord* filter = instance->filter;
    if (!previewImageFetched) return false;
    if (instance->previewPixels == nullptr || instance->previewMask == nullptr) return false;
    if (instance->hasTransparency != 0 && instance->transparencyPlane == nullptr) return false;
    if (filter->imageSize.v <= 0 || filter->imageSize.h <= 0) return false;
    if (PreviewColourPlanes(filter) == 0 || filter->inData == nullptr) return false;
    int64_t pixelBytes = static_cast<int64_t>(filter->planes) * BytesPerSample(filter->imageMode);
    return filter->inRowBytes >= pixelBytes * filter->imageSize.h;
}

bool FilteredOutputReadable(const FilterRecord* filter) {
    int64_t pixelBytes = static_cast<int64_t>(filter->planes) * BytesPerSample(filter->imageMode);
    return filter->outData != nullptr && filter->outRowBytes >= pixelBytes * filter->imageSize.h;
}

bool MaskReadable(const FilterRecord* filter) {
    return filter->haveMask != 0 && filter->maskData != nullptr &&
           filter->maskRowBytes >= filter->imageSize.h;
}

void ClearFrame(FilterInstance* instance) {
    size_t framePixels = static_cast<size_t>(PreviewFrameWidth(instance)) *
                         static_cast<size_t>(PreviewFrameHeight(instance));
    if (instance->previewPixels != nullptr) {
        memset(instance->previewPixels, 0, framePixels * PreviewPixelBytes(instance));
    }
    if (instance->previewMask != nullptr) memset(instance->previewMask, 0, framePixels);
}

// workRect := the visible rectangle, cut to the image and to filterRect.
void SetWorkRect(FilterInstance* instance, const Rect& visible) {
    const FilterRecord* filter = instance->filter;
    Rect image = {0, 0, filter->imageSize.v, filter->imageSize.h};
    Rect shown;
    IntersectRects(&shown, &visible, &image);
    IntersectRects(&instance->workRect, &shown, &filter->filterRect);
}

// Image index of drawn frame index i along an axis.
int64_t ImageIndex(int32_t origin, int32_t i, int16 zoomLevel) {
    if (zoomLevel <= 0) return origin + i / (2 - zoomLevel);
    return origin + static_cast<int64_t>(i) * zoomLevel;
}

// One preview pixel from image pixel (y, x): source is what is shown, input
// the unfiltered image, m the selection byte.
struct PixelJob {
    int32_t planes;
    int32_t t;
    bool blend;  // mix input and source through m
};

void ConvertPixel(const PixelJob& job, const uint8_t* source, const uint8_t* input, uint8_t m,
                  uint8_t* out) {
    double a = m * (1.0 / 255);
    for (int32_t p = 0; p < job.planes; ++p) {
        if (job.t == 1) {
            uint8_t s = source[p];
            out[p] = job.blend ? static_cast<uint8_t>(input[p] * (1.0 - a) + s * a) : s;
            continue;
        }
        uint32_t s = LoadSample(source + 2 * p, 2);
        if (!job.blend) {
            out[p] = Sample16To8(s);
            continue;
        }
        uint32_t i = LoadSample(input + 2 * p, 2);
        double mixed = (1.0 - a) * (i >> 7) + a * (s >> 7) + 0.5;
        out[p] = mixed >= 256 ? 255 : static_cast<uint8_t>(mixed);
    }
}

}  // namespace

void RenderPreview(FilterInstance* instance, bool runFilter) {
    if (instance == nullptr || instance->filter == nullptr) return;
    if (!PreviewReady(instance)) {
        ClearFrame(instance);
        return;
    }
    FilterRecord* filter = instance->filter;
    int32_t rows = filter->imageSize.v;
    int32_t cols = filter->imageSize.h;
    int32_t t = BytesPerSample(filter->imageMode);
    int32_t planes = PreviewColourPlanes(filter);
    int32_t nP = PreviewPixelBytes(instance);
    int32_t frameWidth = PreviewFrameWidth(instance);
    int32_t frameHeight = PreviewFrameHeight(instance);
    int16 zoomLevel = instance->zoomLevel;
    double s = ZoomScale(zoomLevel);
    Rect visible = VisibleImageRect(instance);

    if (runFilter && !FilteredOutputReadable(filter)) runFilter = false;
    if (runFilter) {
        SetWorkRect(instance, visible);
        RunFilterPass(instance);
        if (ResultOf(instance) != noErr) runFilter = false;
        // The pass lets the host dispatch messages: look at the record anew.
        if (!PreviewReady(instance)) {
            ClearFrame(instance);
            return;
        }
        if (runFilter && !FilteredOutputReadable(filter)) runFilter = false;
    }
    SourceRows input = {static_cast<const uint8_t*>(filter->inData), filter->inRowBytes};
    SourceRows source =
        runFilter ? SourceRows{static_cast<const uint8_t*>(filter->outData), filter->outRowBytes}
                  : input;
    bool haveMask = MaskReadable(filter);
    const uint8_t* mask = static_cast<const uint8_t*>(filter->maskData);
    PixelJob job = {planes, t, t == 1 ? haveMask && filter->autoMask != 0 : haveMask};

    FramePlacement placement = PreviewPlacement(s, frameWidth, frameHeight, rows, cols);
    ClearFrame(instance);
    if (placement.drawnRows == 0 || placement.drawnColumns == 0) return;

    int32_t rowOrigin = PreviewViewSpan(frameHeight, s) > rows ? 0 : visible.top;
    int32_t columnOrigin = PreviewViewSpan(frameWidth, s) > cols ? 0 : visible.left;
    size_t pixelBytes = static_cast<size_t>(planes) * t;

    for (int32_t r = 0; r < placement.drawnRows; ++r) {
        int64_t y = ImageIndex(rowOrigin, r, zoomLevel);
        if (y < 0 || y >= rows) continue;
        size_t frameRow = static_cast<size_t>(placement.top + r) * frameWidth + placement.left;
        uint8_t* outPixels = instance->previewPixels + frameRow * nP;
        uint8_t* outMask = instance->previewMask + frameRow;
        const uint8_t* sourceRow = source.data + static_cast<ptrdiff_t>(y) * source.rowBytes;
        const uint8_t* inputRow = input.data + static_cast<ptrdiff_t>(y) * input.rowBytes;
        const uint8_t* maskRow =
            haveMask ? mask + static_cast<ptrdiff_t>(y) * filter->maskRowBytes : nullptr;
        const uint8_t* transparencyRow =
            instance->hasTransparency != 0
                ? instance->transparencyPlane + static_cast<size_t>(y) * cols
                : nullptr;
        for (int32_t c = 0; c < placement.drawnColumns; ++c) {
            int64_t x = ImageIndex(columnOrigin, c, zoomLevel);
            if (x < 0 || x >= cols) continue;
            uint8_t m = maskRow != nullptr ? maskRow[x] : 255;
            uint8_t* out = outPixels + static_cast<size_t>(c) * nP;
            ConvertPixel(job, sourceRow + x * pixelBytes, inputRow + x * pixelBytes, m, out);
            outMask[c] = maskRow != nullptr ? m : 1;
            if (transparencyRow != nullptr) out[planes] = transparencyRow[x];
        }
    }
}
