#include "filter/Samples.h"

int32_t SampleOf(float value, int32_t largestSample) {
    const double scaled = double(value) * largestSample;
    const double rounded = scaled >= 0 ? scaled + 0.5 : scaled - 0.5;
    // Truncation toward zero, then the clamp; tested before converting so
    // that no out-of-range (or NaN) value is ever cast to an integer.
    if (!(rounded >= 1.0)) return 0;
    if (rounded >= largestSample) return largestSample;
    return int32_t(rounded);
}
