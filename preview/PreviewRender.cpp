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

// What a render takes from the record before the pass (which lets the
// host dispatch messages): the image and frame sizes, the sample layout,
// the zoom and the visible rectangle.
struct FrameLayout {
    int32_t rows;
    int32_t cols;
    int32_t bytesPerSample;
    int32_t planes;  // colour planes shown
    int32_t previewPixelBytes;
    int32_t frameWidth;
    int32_t frameHeight;
    int16 zoomLevel;
    double scale;
    Rect visible;
};

FrameLayout LayoutOf(FilterInstance* instance) {
    const FilterRecord* filter = instance->filter;
    FrameLayout layout;
    layout.rows = filter->imageSize.v;
    layout.cols = filter->imageSize.h;
    layout.bytesPerSample = BytesPerSample(filter->imageMode);
    layout.planes = PreviewColourPlanes(filter);
    layout.previewPixelBytes = PreviewPixelBytes(instance);
    layout.frameWidth = PreviewFrameWidth(instance);
    layout.frameHeight = PreviewFrameHeight(instance);
    layout.zoomLevel = instance->zoomLevel;
    layout.scale = ZoomScale(layout.zoomLevel);
    layout.visible = VisibleImageRect(instance);
    return layout;
}

// With runFilter, runs the pass over the visible part of filterRect.
// Answers whether the filtered output is shown: not when it was not asked
// for, when the output cannot be read before or after the pass, or when
// the pass left a non-zero result.
bool RunVisiblePass(FilterInstance* instance, const Rect& visible, bool runFilter) {
    if (!runFilter || !FilteredOutputReadable(instance->filter)) return false;
    SetWorkRect(instance, visible);
    RunFilterPass(instance);
    return ResultOf(instance) == noErr && FilteredOutputReadable(instance->filter);
}

// The layout and, when asked, the pass. False when there is nothing to
// draw from, before the pass or after it.
bool PrepareFrame(FilterInstance* instance, bool runFilter, FrameLayout* layout, bool* filtered) {
    if (!PreviewReady(instance)) return false;
    *layout = LayoutOf(instance);
    *filtered = RunVisiblePass(instance, layout->visible, runFilter);
    // The pass lets the host dispatch messages: look at the record anew.
    return PreviewReady(instance);
}

// Where the pixels of one render come from: the rows shown (filtered
// output or input), the input they are blended with, the selection.
struct FrameSources {
    SourceRows input;
    SourceRows shown;
    const uint8_t* mask;  // null without a readable mask
    int32_t maskRowBytes;
    PixelJob job;
};

FrameSources SourcesOf(const FilterRecord* filter, const FrameLayout& layout, bool filtered) {
    FrameSources sources;
    sources.input = {static_cast<const uint8_t*>(filter->inData), filter->inRowBytes};
    sources.shown =
        filtered ? SourceRows{static_cast<const uint8_t*>(filter->outData), filter->outRowBytes}
                 : sources.input;
    const bool haveMask = MaskReadable(filter);
    sources.mask = haveMask ? static_cast<const uint8_t*>(filter->maskData) : nullptr;
    sources.maskRowBytes = filter->maskRowBytes;
    const int32_t t = layout.bytesPerSample;
    sources.job = {layout.planes, t, t == 1 ? haveMask && filter->autoMask != 0 : haveMask};
    return sources;
}

// Frame row r from image row y.
void DrawRow(FilterInstance* instance, const FrameLayout& layout, const FrameSources& sources,
             const FramePlacement& placement, int32_t r, int64_t y, int32_t columnOrigin) {
    const int32_t nP = layout.previewPixelBytes;
    const size_t pixelBytes = static_cast<size_t>(layout.planes) * layout.bytesPerSample;
    size_t frameRow = static_cast<size_t>(placement.top + r) * layout.frameWidth + placement.left;
    uint8_t* outPixels = instance->previewPixels + frameRow * nP;
    uint8_t* outMask = instance->previewMask + frameRow;
    const uint8_t* sourceRow =
        sources.shown.data + static_cast<ptrdiff_t>(y) * sources.shown.rowBytes;
    const uint8_t* inputRow =
        sources.input.data + static_cast<ptrdiff_t>(y) * sources.input.rowBytes;
    const uint8_t* maskRow = sources.mask != nullptr
                                 ? sources.mask + static_cast<ptrdiff_t>(y) * sources.maskRowBytes
                                 : nullptr;
    const uint8_t* transparencyRow =
        instance->hasTransparency != 0
            ? instance->transparencyPlane + static_cast<size_t>(y) * layout.cols
            : nullptr;
    for (int32_t c = 0; c < placement.drawnColumns; ++c) {
        int64_t x = ImageIndex(columnOrigin, c, layout.zoomLevel);
        if (x < 0 || x >= layout.cols) continue;
        uint8_t m = maskRow != nullptr ? maskRow[x] : 255;
        uint8_t* out = outPixels + static_cast<size_t>(c) * nP;
        ConvertPixel(sources.job, sourceRow + x * pixelBytes, inputRow + x * pixelBytes, m, out);
        outMask[c] = maskRow != nullptr ? m : 1;
        if (transparencyRow != nullptr) out[layout.planes] = transparencyRow[x];
    }
}

// The visible part of the image into the cleared frame.
void DrawFrame(FilterInstance* instance, const FrameLayout& layout, bool filtered) {
    const FrameSources sources = SourcesOf(instance->filter, layout, filtered);
    const FramePlacement placement = PreviewPlacement(layout.scale, layout.frameWidth,
                                                      layout.frameHeight, layout.rows, layout.cols);
    if (placement.drawnRows == 0 || placement.drawnColumns == 0) return;
    const int32_t rowOrigin =
        PreviewViewSpan(layout.frameHeight, layout.scale) > layout.rows ? 0 : layout.visible.top;
    const int32_t columnOrigin =
        PreviewViewSpan(layout.frameWidth, layout.scale) > layout.cols ? 0 : layout.visible.left;
    for (int32_t r = 0; r < placement.drawnRows; ++r) {
        int64_t y = ImageIndex(rowOrigin, r, layout.zoomLevel);
        if (y < 0 || y >= layout.rows) continue;
        DrawRow(instance, layout, sources, placement, r, y, columnOrigin);
    }
}

}  // namespace

void RenderPreview(FilterInstance* instance, bool runFilter) {
    if (instance == nullptr || instance->filter == nullptr) return;
    FrameLayout layout = {};
    bool filtered = false;
    const bool ready = PrepareFrame(instance, runFilter, &layout, &filtered);
    ClearFrame(instance);
    if (ready) DrawFrame(instance, layout, filtered);
}
