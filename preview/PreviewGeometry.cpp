#include "preview/PreviewGeometry.h"

#include <cmath>

#include "preview/PreviewZoom.h"

namespace {

int16 ClampToInt16(int64_t value) {
    if (value < INT16_MIN) return INT16_MIN;
    if (value > INT16_MAX) return INT16_MAX;
    return static_cast<int16>(value);
}

// Truncates toward zero and holds the result inside the int16 range.
double TruncateToInt16(double value) {
    double whole = std::trunc(value);
    if (whole < INT16_MIN) return INT16_MIN;
    if (whole > INT16_MAX) return INT16_MAX;
    return whole;
}

// One axis of the visible rectangle: first and last (exclusive) image index.
void VisibleAxis(int64_t size, int64_t span, int64_t pan, int64_t* first, int64_t* last) {
    if (span > size) {
        *first = (size - span) / 2;
        *last = *first + span;
        return;
    }
    *first = pan - span / 2;
    *last = *first + span;
    if (*first < 0) {
        *first = 0;
        *last = span;
    }
    if (*last > size) {
        *last = size;
        *first = size - span;
    }
}

void PlaceAxis(double s, int32_t frame, int32_t size, int32_t* drawn, int32_t* offset) {
    if (PreviewViewSpan(frame, s) > size) {
        double scaled = size / s + 0.5;
        int64_t count = scaled > frame ? frame : static_cast<int64_t>(scaled);
        if (count < 0) count = 0;
        *drawn = static_cast<int32_t>(count);
        *offset = (frame - *drawn) / 2;
    } else {
        *drawn = frame;
        *offset = 0;
    }
}

int32_t PanAxis(int32_t pan, int32_t delta, double s, int32_t frame, int32_t size) {
    double extent = frame * s;
    if (extent > size) return size / 2;
    double lowest = TruncateToInt16(extent / 2);
    double highest = TruncateToInt16(size - extent / 2);
    double moved = std::trunc(pan - delta * s);
    if (moved < lowest) moved = lowest;
    if (moved > highest) moved = highest;
    return static_cast<int32_t>(moved);
}

void OrderEdges(int16* low, int16* high) {
    if (*low > *high) {
        int16 swap = *low;
        *low = *high;
        *high = swap;
    }
}

}  // namespace

int32_t PreviewFrameWidth(const FilterInstance* instance) {
    int32_t width = instance->previewFrame.right - instance->previewFrame.left;
    return width > 0 ? width : 0;
}

int32_t PreviewFrameHeight(const FilterInstance* instance) {
    int32_t height = instance->previewFrame.bottom - instance->previewFrame.top;
    return height > 0 ? height : 0;
}

int64_t PreviewViewSpan(int32_t frameSize, double s) {
    return static_cast<int64_t>(std::ceil(frameSize * s));
}

Rect VisibleImageRect(const FilterInstance* instance) {
    const FilterRecord* filter = instance->filter;
    double s = ZoomScale(instance->zoomLevel);
    int64_t top, bottom, left, right;
    VisibleAxis(filter->imageSize.v, PreviewViewSpan(PreviewFrameHeight(instance), s),
                instance->panRow, &top, &bottom);
    VisibleAxis(filter->imageSize.h, PreviewViewSpan(PreviewFrameWidth(instance), s),
                instance->panColumn, &left, &right);
    Rect visible;
    visible.top = ClampToInt16(top);
    visible.left = ClampToInt16(left);
    visible.bottom = ClampToInt16(bottom);
    visible.right = ClampToInt16(right);
    return visible;
}

FramePlacement PreviewPlacement(double s, int32_t frameWidth, int32_t frameHeight, int32_t rows,
                                int32_t cols) {
    FramePlacement placement;
    PlaceAxis(s, frameHeight, rows, &placement.drawnRows, &placement.top);
    PlaceAxis(s, frameWidth, cols, &placement.drawnColumns, &placement.left);
    return placement;
}

void PanPreview(FilterInstance* instance, int32_t dx, int32_t dy) {
    const FilterRecord* filter = instance->filter;
    double s = ZoomScale(instance->zoomLevel);
    instance->panRow =
        PanAxis(instance->panRow, dy, s, PreviewFrameHeight(instance), filter->imageSize.v);
    instance->panColumn =
        PanAxis(instance->panColumn, dx, s, PreviewFrameWidth(instance), filter->imageSize.h);
}

void IntersectRects(Rect* destination, const Rect* a, const Rect* b) {
    Rect first = *a;
    Rect second = *b;
    OrderEdges(&first.left, &first.right);
    OrderEdges(&first.top, &first.bottom);
    OrderEdges(&second.left, &second.right);
    OrderEdges(&second.top, &second.bottom);

    Rect meet;
    meet.left = first.left > second.left ? first.left : second.left;
    meet.right = first.right < second.right ? first.right : second.right;
    if (meet.left >= meet.right) meet.left = meet.right = 0;
    meet.top = first.top > second.top ? first.top : second.top;
    meet.bottom = first.bottom < second.bottom ? first.bottom : second.bottom;
    if (meet.top >= meet.bottom) meet.top = meet.bottom = 0;
    *destination = meet;
}
