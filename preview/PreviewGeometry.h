// Where the preview frame looks into the image: the visible image
// rectangle, the placement of a small image inside the frame, panning by
// mouse drags, and rectangle intersection.
#pragma once

#include <cstdint>

#include "entry/FilterInstance.h"

// Width and height of previewFrame; a frame with reversed edges counts as
// empty.
int32_t PreviewFrameWidth(const FilterInstance* instance);
int32_t PreviewFrameHeight(const FilterInstance* instance);

// Number of image rows (columns) a frame of frameSize preview pixels spans
// at scale s: ceiling(frameSize * s).
int64_t PreviewViewSpan(int32_t frameSize, double s);

// The image rectangle the frame shows at the current zoom and pan. Its
// height and width are the view spans; along an axis where the image is
// smaller than the view it is centred on the image and sticks out on both
// sides, otherwise it lies inside the image. Edges beyond the 16-bit range
// (only at the far zoom-out levels) are held at the range's ends.
Rect VisibleImageRect(const FilterInstance* instance);

// Frame rows and columns that show image pixels. Along an axis where the
// image is smaller than the view the image is drawn at its own scaled size,
// centred (the odd blank pixel going to the bottom or right); otherwise it
// fills the frame.
struct FramePlacement {
    int32_t drawnRows;
    int32_t top;  // first frame row drawn
    int32_t drawnColumns;
    int32_t left;  // first frame column drawn
};
FramePlacement PreviewPlacement(double s, int32_t frameWidth, int32_t frameHeight, int32_t rows,
                                int32_t cols);

// One drag step of dx, dy preview pixels (x to the right, y downward): the
// pan position moves against the mouse by dx * s, dy * s image pixels,
// truncated, and stays within half a view of the image edges. Along an axis
// where the view is larger than the image it sits at the image's middle.
void PanPreview(FilterInstance* instance, int32_t dx, int32_t dy);

// destination := a ∩ b, each source's edges put in order first. An axis
// without overlap is set to 0, 0 on its own, so the result is empty then.
// destination may be one of the sources.
void IntersectRects(Rect* destination, const Rect* a, const Rect* b);
