// Labyrinths drawn larger (--scale N): the filter runs on an image N times
// smaller, and each of its pixels, a labyrinth cell, becomes a block of
// N x N pixels of the result: walls N pixels thick, corridors N x Amount
// pixels wide. Nothing else changes: the selection is followed at the
// smaller size, and every pixel is blended by its own selection value, as
// a host blends a filter's result.
#pragma once

#include "testhost/HostSession.h"

// The image the filter runs on for scale (>= 2): each side divided by the
// scale and rounded up. Each pixel takes the samples of the top-left pixel
// of its block (the filter paints the colour planes without reading them;
// the transparency plane keeps a value of its block). With a selection,
// a pixel is fully selected when any pixel of its block is selected at
// all, so that every selected pixel of the image lies in a cell the
// labyrinth covers. rect: the image's filter rectangle; smallRect: the
// one that covers the same blocks.
void ReduceForScale(const HostImage& image, const Rect& rect, int32 scale, HostImage* small,
                    Rect* smallRect);

// Into result (a copy of image, the same layout): over rect, every pixel
// of image whose selection value is not 0 (every pixel without a
// selection) takes the painted samples of its block's pixel in smallResult
// (the first `painted` channels), blended by its selection value as
// HostSession's commit blends: (original x (255 - m) + filtered x m + 127)
// / 255.
void EnlargeResult(const HostImage& image, const HostImage& smallResult, int32 scale, int32 painted,
                   const Rect& rect, HostImage* result);
