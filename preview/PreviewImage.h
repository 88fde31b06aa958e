// Asking the host once for the whole image that the preview resamples.
#pragma once

#include "entry/FilterInstance.h"

// True once FetchPreviewImage has had every buffer from the host; false
// before, after a failed request, and after ReleasePreviewBuffers. The
// preview reads the host's buffers only while it is true.
extern bool previewImageFetched;

// previewImageFetched back to false: no image fetched.
void ResetPreviewImage();

// Sets the host request to the whole image (every colour plane, the
// selection mask, 1:1), zoomLevel to 1 and the pan position to the middle
// of filterRect. When the layer has transparency, first asks for one plane
// beyond the colour planes and copies it into transparencyPlane (8 bits),
// then asks again for the colour planes alone. Answers the host's code and
// leaves it in the instance's result; after a failed request the host is
// not asked again. A host without advanceState gets filterBadParameters,
// and so does one whose transparency rows are too short for the image.
OSErr FetchPreviewImage(FilterInstance* instance);
