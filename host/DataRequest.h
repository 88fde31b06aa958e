// The host's data request: which rectangle of which planes the next
// advanceState delivers into inData, outData and maskData. Every request
// the plug-in makes is set here; Start and the preview only choose which.
// "Every plane, 1:1" below is: inputRate and maskRate 1.0, planes 0 ..
// planes - 1 for input and output, input, output and mask padding 255.
#pragma once

#include "host/HostInterface.h"

// The filter rectangle alone: inRect, outRect and maskRect are filterRect,
// every plane, 1:1. What Start asks for to filter.
void RequestFilterRect(FilterRecord* filter);

// The whole image: inRect, outRect and maskRect are (0, 0) to imageSize,
// every plane, 1:1. What the preview asks for.
void RequestWholeImage(FilterRecord* filter);

// On a request of every plane: the input reaches one plane beyond the
// `colourPlanes` colour planes, where the host delivers the layer's
// transparency (planes and inHiPlane raised by one). Undone by
// RequestColourPlanes.
void RequestTransparencyPlane(FilterRecord* filter, int16 colourPlanes);

// Back to the `colourPlanes` colour planes after RequestTransparencyPlane.
void RequestColourPlanes(FilterRecord* filter, int16 colourPlanes);

// Ends the host's data requests: inRect, outRect and maskRect all zero.
void ClearRequestRects(FilterRecord* filter);
