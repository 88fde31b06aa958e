#include "filter/ResolutionFactor.h"

#include <cmath>

int32_t resolutionWidth = 0;

void ResetResolutionFactor() { resolutionWidth = 0; }

double ResolutionFactor(int32_t wholeWidth) {
    if (wholeWidth == resolutionWidth) return 1.0;
    if (std::ceil(resolutionWidth * 0.25) == wholeWidth) return 0.25;
    if (std::ceil(resolutionWidth * 0.5) == wholeWidth) return 0.5;
    resolutionWidth = wholeWidth;
    return 1.0;
}
