// The resolution step that every filter pass takes on After Effects: the
// host's whole width is compared with the width remembered from earlier
// passes, which tells a full-, half- or quarter-resolution render apart.
// Nothing is scaled by the factor; the pass works it out and lets it be.
#pragma once

#include <cstdint>

// Width of the last full-resolution render seen; 0 when the library loads.
extern int32_t resolutionWidth;

// resolutionWidth back to 0: no render seen yet.
void ResetResolutionFactor();

// 1 when wholeWidth equals the remembered width; 0.25 when it is the
// remembered width x 0.25 rounded up, 0.5 when it is the remembered width
// x 0.5 rounded up; otherwise wholeWidth becomes the remembered width and
// the answer is 1.
double ResolutionFactor(int32_t wholeWidth);
