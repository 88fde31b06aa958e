// The preview's own buffers: the rendered frame, its mask, and the layer's
// transparency as one byte per image pixel.
#pragma once

#include "entry/FilterInstance.h"

// Allocates each of previewPixels (planes + 1 bytes per frame pixel),
// previewMask (a byte per frame pixel) and, when the layer has
// transparency, transparencyPlane (a byte per image pixel) that is still
// null; a buffer that exists stays as it is. Contents are left
// uninitialised. Answers memFullErr when any needed buffer is missing
// afterwards (the others are kept; the preview then shows an empty frame),
// noErr otherwise.
OSErr AllocatePreviewBuffers(FilterInstance* instance);

// Frees the three buffers and sets their pointers to null. The fetched
// preview image is forgotten as well: the host's buffers end with the
// dialog.
void ReleasePreviewBuffers(FilterInstance* instance);
