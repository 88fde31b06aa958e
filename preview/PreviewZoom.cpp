#include "preview/PreviewZoom.h"

#include <cstdio>

double ZoomScale(int16 zoomLevel) {
    if (zoomLevel >= 1) return zoomLevel;
    return 1.0 / (2 - zoomLevel);
}

ZoomLabel ZoomLabelText(int16 zoomLevel) {
    double percent = 100.0 / ZoomScale(zoomLevel);
    int32_t rounded = static_cast<int32_t>(percent >= 0 ? percent + 0.5 : percent - 0.5);
    ZoomLabel label;
    snprintf(label.text, sizeof label.text, "%d%%", static_cast<int>(rounded));
    return label;
}

bool StepZoom(FilterInstance* instance, int32_t delta) {
    int64_t level = static_cast<int64_t>(instance->zoomLevel) + delta;
    if (level < zoomLevelMin) level = zoomLevelMin;
    if (level > zoomLevelMax) level = zoomLevelMax;
    if (level == instance->zoomLevel) return false;
    instance->zoomLevel = static_cast<int16>(level);
    return true;
}
