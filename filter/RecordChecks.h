// Checks of the host's record before the filter reads or writes a pixel.
// Hosts differ, and a record that does not describe its buffers truthfully
// must be refused rather than trusted: a read or write past a host buffer
// would take the user's image, or the host itself, down with it.
#pragma once

#include "entry/FilterInstance.h"

// The image modes the filter works on: Grayscale, RGB, 16-bit Grayscale
// and 48-bit RGB, the ones the property list enables.
bool ImageModeFiltered(int16 imageMode);

// noErr for an image the filter can work on; filterBadMode for any other
// mode (samples of another size or colour space), filterBadParameters when
// the host reports no planes.
OSErr CheckImageFormat(const FilterRecord* filter);

// noErr when a pass over workRect stays inside what the host delivered:
// the image format passes the check above; input and output are there,
// and the mask when haveMask is set; workRect lies inside the requested
// inRect, outRect (and maskRect), whose origin is its origin; every row of
// it, from workRect.left x column bytes on at the pass's pixel step
// (planes x bytes per sample), fits in the buffer's row bytes, which must
// be positive. Column bytes must be positive (the pass gives them their
// defaults first). Otherwise the code of the check above, or
// filterBadParameters.
OSErr CheckPassRecord(const FilterInstance* instance);
