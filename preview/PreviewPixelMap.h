// Handing the rendered preview to the host's displayPixels.
#pragma once

#include "entry/FilterInstance.h"

// Describes previewPixels as an 8-bit pixel map of the frame's size. When a
// mask applies, *mask is filled and attached: previewMask for a floating
// selection, otherwise the transparency byte of each preview pixel when the
// host reports layer planes with transparency. Answers false, with nothing
// to draw, when previewPixels (or the mask it needs) is missing.
bool FillPreviewPixelMap(const FilterInstance* instance, PSPixelMap* map, PSPixelMask* mask);

// Draws the whole frame through displayPixels at dstRow, dstCol of the
// platform context (an HDC on Windows). Answers whether the host was
// called: not when it offers no displayPixels or there is nothing to draw.
// The callback's own result is not used.
bool DrawPreviewPixels(const FilterInstance* instance, void* platformContext, int32 dstRow,
                       int32 dstCol);
