// Zoom levels of the preview: how many image pixels one preview pixel spans,
// the percentage shown next to the zoom buttons, and the zoom button step.
#pragma once

#include <cstdint>

#include "entry/FilterInstance.h"

// Level 1 shows every pixel, 2 every second one, and so on; level 0 and
// below repeat each image pixel 2 - level times along each axis.
const int16 zoomLevelMin = -10;    // 1200 %: "+" stops here
const int16 zoomLevelMax = 32767;  // the largest level the record can hold

// Image pixels per preview pixel along each axis.
double ZoomScale(int16 zoomLevel);

// "%d%%" of 100 / ZoomScale, rounded to the nearest integer (halves away
// from zero); levels from 201 on read "0%".
struct ZoomLabel {
    char text[12];
};
ZoomLabel ZoomLabelText(int16 zoomLevel);

// Moves zoomLevel by delta ("+" is -1, "-" is +1), held between
// zoomLevelMin and zoomLevelMax. Answers whether the level changed; when it
// did not, the caller leaves label and preview as they are.
bool StepZoom(FilterInstance* instance, int32_t delta);
