#include "preview/PreviewPixelMap.h"

#include <cstring>

#include "preview/PreviewGeometry.h"
#include "preview/PreviewSamples.h"

bool FillPreviewPixelMap(const FilterInstance* instance, PSPixelMap* map, PSPixelMask* mask) {
    const FilterRecord* filter = instance->filter;
    if (filter == nullptr || instance->previewPixels == nullptr) return false;
    int32 frameWidth = PreviewFrameWidth(instance);
    int32 nP = PreviewPixelBytes(instance);
    if (nP == 0) return false;

    memset(map, 0, sizeof *map);
    map->version = 1;
    map->bounds.top = 0;
    map->bounds.left = 0;
    map->bounds.bottom = PreviewFrameHeight(instance);
    map->bounds.right = frameWidth;
    // The preview holds 8-bit samples whatever the image's depth.
    map->imageMode = filter->imageMode;
    if (filter->imageMode == plugInModeGray16) map->imageMode = plugInModeGrayScale;
    if (filter->imageMode == plugInModeRGB48) map->imageMode = plugInModeRGBColor;
    // One or two target channels of a colour image have no three samples
    // per pixel to show: drawn as colour, the host would read past every
    // pixel (and past the buffer's end). They are shown as gray.
    if (map->imageMode == plugInModeRGBColor && PreviewColourPlanes(filter) < 3)
        map->imageMode = plugInModeGrayScale;
    map->rowBytes = nP * frameWidth;
    map->colBytes = nP;
    map->planeBytes = 1;
    map->baseAddr = instance->previewPixels;
    map->mat = nullptr;
    map->masks = nullptr;
    map->maskPhaseRow = 0;
    map->maskPhaseCol = 0;

    memset(mask, 0, sizeof *mask);
    mask->next = nullptr;
    mask->maskDescription = kSimplePSMask;
    if (filter->isFloating != 0) {
        if (instance->previewMask == nullptr) return false;
        mask->maskData = instance->previewMask;
        mask->rowBytes = frameWidth;
        mask->colBytes = 1;
        map->masks = mask;
    } else if (filter->inLayerPlanes != 0 && filter->inTransparencyMask != 0) {
        mask->maskData = instance->previewPixels + nP - 1;
        mask->rowBytes = nP * frameWidth;
        mask->colBytes = nP;
        map->masks = mask;
    }
    return true;
}

bool DrawPreviewPixels(const FilterInstance* instance, void* platformContext, int32 dstRow,
                       int32 dstCol) {
    if (instance == nullptr || instance->filter == nullptr) return false;
    DisplayPixelsProc display = instance->filter->displayPixels;
    if (display == nullptr) return false;
    PSPixelMap map;
    PSPixelMask mask;
    if (!FillPreviewPixelMap(instance, &map, &mask)) return false;
    display(&map, &map.bounds, dstRow, dstCol, platformContext);
    return true;
}
