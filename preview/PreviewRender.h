// Resampling the host's whole-image buffers into the preview frame.
#pragma once

#include "entry/FilterInstance.h"

// Fills previewPixels and previewMask with the visible part of the image,
// nearest-neighbour, 8 bits per sample, inside a blank (zero) border. With
// runFilter the filter pass first runs over the visible part of filterRect
// (workRect) and the filtered output is shown, blended with the unfiltered
// input through the selection; a pass that leaves a non-zero result shows
// the unfiltered input instead. Without the fetched image or any of the
// buffers it needs, whatever buffers exist are cleared and nothing else is
// done.
void RenderPreview(FilterInstance* instance, bool runFilter);
